#include "TextTestSupport.h"

#include "text/TextBuff.h"

#include <doctest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

using namespace texttest;

namespace {

// Line breaks of a byte string the simple way: for each break, where it
// starts and the offset just after it.
struct ModelBreaks {
    std::vector<int64> starts;
    std::vector<int64> ends;
};

ModelBreaks FindBreaks(const std::string& s, EncodingId encoding)
{
    ModelBreaks breaks;
    int64 n = static_cast<int64>(s.size());
    if (IsUtf16Encoding(encoding)) {
        auto unit = [&](int64 q) -> int {
            if (q + 1 >= n)
                return -1;
            int a = static_cast<u8>(s[q]), b = static_cast<u8>(s[q + 1]);
            return encoding == EncodingUtf16BE ? (a << 8 | b) : (b << 8 | a);
        };
        for (int64 q = 0; q + 1 < n; q += 2) {
            int u = unit(q);
            if (u == 13 && unit(q + 2) == 10) {
                breaks.starts.push_back(q);
                breaks.ends.push_back(q + 4);
                q += 2;
            } else if (u == 0 || u == 10 || u == 13) {
                breaks.starts.push_back(q);
                breaks.ends.push_back(q + 2);
            }
        }
        return breaks;
    }
    for (int64 q = 0; q < n; q++) {
        char c = s[q];
        if (c == '\r' && q + 1 < n && s[q + 1] == '\n') {
            breaks.starts.push_back(q);
            breaks.ends.push_back(q + 2);
            q++;
        } else if (c == 0 || c == '\n' || c == '\r') {
            breaks.starts.push_back(q);
            breaks.ends.push_back(q + 1);
        }
    }
    return breaks;
}

struct ModelMarker {
    int64 index;
    u32 kind;
    int64 position;
};

int64 MoveForInsert(u32 kind, int64 p, int64 at, int64 n)
{
    if (p < at)
        return p;
    return (kind == TextBuff::MovingMarker || p > at) ? p + n : p;
}

int64 MoveForDelete(u32 kind, int64 p, int64 at, int64 n)
{
    int64 e = at + n;
    if (p < at)
        return p;
    if (kind == TextBuff::StayingMarker)
        return p > e ? p - n : at;
    return p >= e ? p - n : at;
}

std::string RandomBytes(std::mt19937& rng, int64 n)
{
    static const char alphabet[] = {'a', 'b', 'c', ' ', '\r', '\n', '\0', '\xC3', '\xA9', '\xE2', '\x82', '\xAC'};
    std::string s(static_cast<size_t>(n), 'a');
    for (auto& c : s)
        c = alphabet[rng() % sizeof alphabet];
    return s;
}

// Where the edits fall: anywhere, or in runs of several edits near both ends
// of a text of many blocks, with the line queries only after each run, so that
// blocks far apart wait for their recount together.
enum class EditPlace { Anywhere, BothEnds };

void RunDifferential(uint32_t seed, EncodingId encoding, bool evenOnly, EditPlace place = EditPlace::Anywhere,
                     int steps = 1500)
{
    CAPTURE(seed);
    CAPTURE(encoding);
    std::mt19937 rng(seed);
    TextBuff text;
    text.SetEncoding(encoding);
    std::string model;
    std::vector<ModelMarker> markers;
    TextBuff snapshot;
    std::string snapshotModel;
    bool haveSnapshot = false;
    if (place == EditPlace::BothEnds) {
        model = RandomBytes(rng, 150000);
        Put(text, 0, 0, model);
    }
    int pending = 0;

    for (int step = 0; step < steps; step++) {
        CAPTURE(step);
        int64 size = static_cast<int64>(model.size());
        int64 a = size ? static_cast<int64>(rng() % (size + 1)) : 0;
        int64 b = size ? static_cast<int64>(rng() % (size + 1)) : 0;
        if (place == EditPlace::BothEnds) {
            // Near the start, near the end, or at a block boundary's distance
            // from either.
            int64 reach = rng() % 4 == 0 ? 7168 * 3 : 400;
            a = static_cast<int64>(rng() % static_cast<u32>(std::min(size, reach) + 1));
            if (rng() % 2)
                a = size - a;
            // Now and then whole blocks go.
            b = std::min(size, a + static_cast<int64>(rng() % (rng() % 8 == 0 ? 20000 : 40)));
        }
        if (a > b)
            std::swap(a, b);
        if (rng() % 3 == 0 && b - a > 64)
            b = a + static_cast<int64>(rng() % 64);
        int r = static_cast<int>(rng() % 100);
        int64 n = r < 5 ? static_cast<int64>(rng() % 20000) : r < 30 ? static_cast<int64>(rng() % 300)
                                                                    : static_cast<int64>(rng() % 4);
        if (evenOnly) {
            a &= ~static_cast<int64>(1);
            b &= ~static_cast<int64>(1);
            n &= ~static_cast<int64>(1);
        }
        std::string bytes = RandomBytes(rng, n);

        if (rng() % 50 == 0) {
            snapshot.ShareFrom(text);
            snapshotModel = model;
            haveSnapshot = true;
        }
        if (rng() % 10 == 0 && markers.size() < 40) {
            u32 kind = rng() % 2 ? TextBuff::MovingMarker : TextBuff::StayingMarker;
            int64 index = kind == TextBuff::MovingMarker ? text.AddMovingMarker() : text.AddStayingMarker();
            int64 position = size ? static_cast<int64>(rng() % (size + 1)) : 0;
            text.SetMarker(index, position);
            markers.push_back({index, kind, position});
        }

        bool swapEnds = rng() % 2 == 0;
        int64 result = swapEnds ? Put(text, b, a, bytes) : Put(text, a, b, bytes);
        REQUIRE(result == a + n);
        model.replace(static_cast<size_t>(a), static_cast<size_t>(b - a), bytes);
        REQUIRE(text.Size() == static_cast<int64>(model.size()));

        for (ModelMarker& m : markers) {
            // Markers strictly between the ends may go either way, depending on
            // whether the replace worked in place.
            int64 viaStart = MoveForDelete(m.kind, MoveForInsert(m.kind, m.position, a, n), a + n, b - a);
            int64 viaEnd = MoveForDelete(m.kind, MoveForInsert(m.kind, m.position, b, n), a, b - a);
            int64 actual = text.MarkerPosition(m.index);
            CAPTURE(m.position);
            REQUIRE((actual == viaStart || actual == viaEnd));
            m.position = actual;
        }

        if (step % 25 == 0 || n > 1000)
            REQUIRE(Contents(text) == model);

        if (place == EditPlace::BothEnds && pending-- > 0)
            continue;
        pending = static_cast<int>(rng() % 14);
        ModelBreaks breaks = FindBreaks(model, encoding);
        int64 count = static_cast<int64>(breaks.ends.size());
        REQUIRE(text.LineBreakCount() == count);
        for (int probe = 0; probe < 4; probe++) {
            int64 line = static_cast<int64>(rng() % (count + 2));
            // Lines near the last edit, where counts were just redone.
            if (probe == 0 && place == EditPlace::BothEnds)
                line = text.LineOfOffset(a) + static_cast<int64>(rng() % 3);
            int64 expected = line < 1 ? 0 : line <= count ? breaks.ends[line - 1] : text.Size();
            CAPTURE(line);
            REQUIRE(text.LineStart(line) == expected);
            int64 offset = static_cast<int64>(rng() % (model.size() + 1));
            if (probe == 1)
                offset = std::min(static_cast<int64>(model.size()), a + static_cast<int64>(rng() % 9));
            int64 before = 0;
            while (before < count && breaks.starts[before] < offset)
                before++;
            CAPTURE(offset);
            REQUIRE(text.LineOfOffset(offset) == before);
        }
        if (haveSnapshot && step % 10 == 0)
            REQUIRE(Contents(snapshot) == snapshotModel);
    }
    REQUIRE(Contents(text) == model);
}

}  // namespace

TEST_CASE("random replaces agree with a string model in UTF-8")
{
    RunDifferential(20240611u, EncodingUtf8, false);
}

TEST_CASE("random replaces agree with a string model in an 8-bit encoding")
{
    RunDifferential(77u, EncodingWindows1250, false);
}

TEST_CASE("random replaces agree with a string model in UTF-16")
{
    RunDifferential(4242u, EncodingUtf16LE, true);
    RunDifferential(99u, EncodingUtf16BE, true);
}

TEST_CASE("odd-sized replaces in UTF-16 keep the line counts exact")
{
    RunDifferential(31337u, EncodingUtf16LE, false);
}

TEST_CASE("runs of edits near both ends of a long text keep positions and line counts exact in every encoding")
{
    const EncodingId encodings[] = {EncodingUtf8,        EncodingUtf16LE,    EncodingUtf16BE,   EncodingWindows1252,
                                    EncodingWindows1250, EncodingIso8859_1, EncodingIso8859_2};
    uint32_t seed = 515u;
    for (EncodingId encoding : encodings) {
        bool wide = IsUtf16Encoding(encoding);
        RunDifferential(seed++, encoding, wide, EditPlace::BothEnds, 700);
    }
    // Odd changes in UTF-16 move every unit boundary after them.
    RunDifferential(seed, EncodingUtf16LE, false, EditPlace::BothEnds, 700);
}

TEST_CASE("seeks near and far from where the last read or search stopped agree with a model")
{
    // Over two hundred blocks: seeks a few blocks away step along the
    // entries, farther ones walk the index; searches leave the position
    // where their scan stopped.
    for (EncodingId encoding : {EncodingUtf8, EncodingUtf16LE}) {
        const bool wide = IsUtf16Encoding(encoding);
        CAPTURE(encoding);
        std::mt19937 rng(encoding == EncodingUtf8 ? 8080u : 9090u);
        TextBuff text;
        text.SetEncoding(encoding);
        std::string model = RandomBytes(rng, 1500000);
        Put(text, 0, 0, model);
        ModelBreaks breaks = FindBreaks(model, encoding);
        const u32 absent[] = {'z', 'q', 'z'};
        int64 last = 0;
        for (int step = 0; step < 600; step++) {
            CAPTURE(step);
            int64 size = static_cast<int64>(model.size());
            const int op = static_cast<int>(rng() % 10);
            if (op == 0) {
                int64 a = static_cast<int64>(rng() % static_cast<u64>(size + 1));
                int64 b = std::min(size, a + static_cast<int64>(rng() % 9000));
                std::string bytes = RandomBytes(rng, static_cast<int64>(rng() % 9000));
                if (wide) {
                    a &= ~int64(1);
                    b &= ~int64(1);
                    bytes.resize(bytes.size() & ~size_t(1));
                }
                Put(text, a, b, bytes);
                model.replace(static_cast<size_t>(a), static_cast<size_t>(b - a), bytes);
                breaks = FindBreaks(model, encoding);
                size = static_cast<int64>(model.size());
                last = a;
            } else if (op <= 2) {
                // A window of a search for an absent phrase, either way.
                int64 from = static_cast<int64>(rng() % static_cast<u64>(size + 1)) & (wide ? ~int64(1) : ~int64(0));
                int64 end = -1;
                if (op == 1)
                    REQUIRE(text.FindForward(from, end, absent, 3, 100000) == -1);
                else
                    REQUIRE(text.FindBackward(from, end, absent, 3, 100000) == -1);
                REQUIRE((op == 1 ? end >= std::min(size, from + 100000) - 4 : end <= std::max(int64(0), from - 100000)));
                last = end;
            }
            // From the last stop: a few blocks away, up to forty, or anywhere.
            for (int probe = 0; probe < 3; probe++) {
                int64 offset;
                const u32 kind = rng() % 3;
                if (kind == 2) {
                    offset = static_cast<int64>(rng() % static_cast<u64>(size + 1));
                } else {
                    const int64 reach = (kind == 0 ? 8 : 45) * TextBuff::kPieceBytes;
                    offset = last + static_cast<int64>(rng() % static_cast<u64>(2 * reach + 1)) - reach;
                    offset = std::max(int64(0), std::min(size, offset));
                }
                const int64 before = static_cast<int64>(
                    std::lower_bound(breaks.starts.begin(), breaks.starts.end(), offset) - breaks.starts.begin());
                CAPTURE(offset);
                REQUIRE(text.LineOfOffset(offset) == before);
                u8 bytes[24];
                const int64 got = text.CopyBytes(offset, bytes, 24);
                REQUIRE(std::string(reinterpret_cast<char*>(bytes), static_cast<size_t>(got)) ==
                        model.substr(static_cast<size_t>(offset), 24));
                const int64 line = std::max(int64(0), before + static_cast<int64>(rng() % 41) - 20);
                const int64 count = static_cast<int64>(breaks.ends.size());
                CAPTURE(line);
                REQUIRE(text.LineStart(line) == (line < 1 ? 0 : line <= count ? breaks.ends[line - 1] : size));
                last = offset;
            }
        }
        REQUIRE(Contents(text) == model);
    }
}
