#include "text/RegExp.h"
#include "text/TextBuff.h"
#include "text/TextDocument.h"

#include "RegexOracle.h"
#include "RegexTestSupport.h"

#include <doctest.h>

#include <cstdio>
#include <memory>
#include <random>
#include <sstream>

using namespace RegexKind;
using oracle::Node;
using oracle::NodePtr;

namespace {

NodePtr Make(Node::Kind kind, u32 value = 0)
{
    auto n = std::make_shared<Node>();
    n->kind = kind;
    n->value = value;
    return n;
}

NodePtr Wrap(Node::Kind kind, std::vector<NodePtr> kids)
{
    if (kids.size() == 1 && (kind == Node::Concat || kind == Node::Alt))
        return kids[0];
    auto n = Make(kind);
    n->kids = std::move(kids);
    return n;
}

// Random patterns of the whole language, written out and built as a tree
// side by side, so the tree says what the text of the pattern means.
class PatternMaker {
public:
    explicit PatternMaker(std::mt19937& rng) : rng_(rng) {}

    NodePtr Regex(std::wstring& out, int depth)
    {
        int k = 1 + Pick(depth == 0 ? 3 : 2);
        int filled = Pick(k);
        std::vector<NodePtr> alts;
        for (int i = 0; i < k; i++) {
            if (i > 0)
                out += L'|';
            if (i != filled && Pick(6) == 0)
                alts.push_back(Make(Node::Empty));
            else
                alts.push_back(Sequence(out, depth));
        }
        return Wrap(Node::Alt, alts);
    }

private:
    int Pick(int n) { return static_cast<int>(rng_() % static_cast<unsigned>(n)); }

    NodePtr Sequence(std::wstring& out, int depth)
    {
        int m = 1 + Pick(3);
        std::vector<NodePtr> items;
        for (int i = 0; i < m; i++) {
            items.push_back(Item(out, depth));
            // A quantified group that vanishes repeats nothing: it adds
            // nothing to the tree.
            if (Pick(12) == 0) {
                static const wchar_t* const empty[] = {L"()", L"(|)", L"(()|)"};
                out += empty[Pick(3)];
                for (int q = Pick(3); q >= 0; q--)
                    out += L"*+?"[Pick(3)];
            }
        }
        return Wrap(Node::Concat, items);
    }

    NodePtr Item(std::wstring& out, int depth)
    {
        NodePtr n = Atom(out, depth);
        int quantifiers = Pick(10) < 3 ? 1 + (Pick(8) == 0) : 0;
        for (int q = 0; q < quantifiers; q++) {
            int which = Pick(3);
            out += L"*+?"[which];
            n = Wrap(which == 0 ? Node::Star : which == 1 ? Node::Plus : Node::Quest, {n});
        }
        return n;
    }

    NodePtr Atom(std::wstring& out, int depth)
    {
        struct Lit {
            const wchar_t* text;
            u32 code;
        };
        static const Lit literals[] = {
            {L"a", 'a'}, {L"b", 'b'}, {L"A", 'A'}, {L"k", 'k'}, {L"\u00e9", 0xE9}, {L"\u00c9", 0xC9},
            {L" ", ' '}, {L"_", '_'}, {L"1", '1'}, {L"\U0001F600", 0x1F600}, {L"\\n", 10}, {L"\\.", '.'},
            {L"\\x41", 'A'}, {L"\\u00E9", 0xE9}, {L"\\x{1F600}", 0x1F600}, {L"\\t", 9}, {L"]", ']'},
            {L"\U00010400", 0x10400},
        };
        static const struct {
            const wchar_t* text;
            u32 kind;
        } named[] = {{L"\\w", CLS_WORD},  {L"\\W", CLS_NOT_WORD},  {L"\\d", CLS_DIGIT},
                     {L"\\D", CLS_NOT_DIGIT}, {L"\\s", CLS_SPACE}, {L"\\S", CLS_NOT_SPACE}};
        static const struct {
            const wchar_t* text;
            u32 kind;
        } assertions[] = {{L"^", LINE_START}, {L"$", LINE_END}, {L"\\b", WORD_BOUNDARY}, {L"\\B", NOT_WORD_BOUNDARY}};

        int choice = Pick(20);
        if (choice < 8) {
            const Lit& l = literals[Pick(sizeof(literals) / sizeof(literals[0]))];
            out += l.text;
            return Make(Node::Literal, l.code);
        }
        if (choice < 9) {
            out += L'.';
            return Make(Node::AnyChar);
        }
        if (choice < 11) {
            auto& n = named[Pick(6)];
            out += n.text;
            return Make(Node::Named, n.kind);
        }
        if (choice < 14)
            return Class(out);
        if (choice < 17) {
            auto& a = assertions[Pick(4)];
            out += a.text;
            return Make(Node::Assertion, a.kind);
        }
        if (depth >= 2) {
            out += L'a';
            return Make(Node::Literal, 'a');
        }
        out += L'(';
        NodePtr inner = Regex(out, depth + 1);
        out += L')';
        return inner;
    }

    NodePtr Class(std::wstring& out)
    {
        using M = oracle::ClassMember;
        static const struct {
            const wchar_t* text;
            M member;
        } members[] = {
            {L"a", {M::Single, 'a', 0}},
            {L"b", {M::Single, 'b', 0}},
            {L"A", {M::Single, 'A', 0}},
            {L"\u00e9", {M::Single, 0xE9, 0}},
            {L"\\n", {M::Single, 10, 0}},
            {L"_", {M::Single, '_', 0}},
            {L"a-c", {M::Range, 'a', 'c'}},
            {L"A-Z", {M::Range, 'A', 'Z'}},
            {L"0-9", {M::Range, '0', '9'}},
            {L"\\x00-\\x7f", {M::Range, 0, 0x7F}},
            {L"\u00c0-\u00ff", {M::Range, 0xC0, 0xFF}},
            {L".", {M::AnyChar, 0, 0}},
            {L"\\d", {M::Named, CLS_DIGIT, 0}},
            {L"\\w", {M::Named, CLS_WORD, 0}},
            {L"\\s", {M::Named, CLS_SPACE, 0}},
            {L"\\S", {M::Named, CLS_NOT_SPACE, 0}},
            {L"\\W", {M::Named, CLS_NOT_WORD, 0}},
            {L"[:alpha:]", {M::Named, CLS_ALPHA, 0}},
            {L"[:digit:]", {M::Named, CLS_DIGIT, 0}},
            {L"[:upper:]", {M::Named, CLS_UPPER, 0}},
            {L"[:lower:]", {M::Named, CLS_LOWER, 0}},
            {L"[:space:]", {M::Named, CLS_SPACE, 0}},
            {L"[:punct:]", {M::Named, CLS_PUNCT, 0}},
            {L"[:ascii:]", {M::Named, CLS_ASCII, 0}},
            {L"[:cntrl:]", {M::Named, CLS_CNTRL, 0}},
        };
        NodePtr n = Make(Node::Class);
        out += L'[';
        if (Pick(3) == 0) {
            out += L'^';
            n->negated = true;
        }
        int m = 1 + Pick(3);
        for (int i = 0; i < m; i++) {
            auto& member = members[Pick(sizeof(members) / sizeof(members[0]))];
            out += member.text;
            n->members.push_back(member.member);
        }
        out += L']';
        return n;
    }

    std::mt19937& rng_;
};

// A random text as characters with their code as the matcher reads them,
// and its bytes in one encoding.
struct Sample {
    oracle::Text text;
    std::vector<u8> bytes;
    std::string description;
};

// Over-long: a character written in UTF-8 with more bytes than it needs,
// which still decodes as its code point.
enum class Piece { CodePoint, Cr, Lf, CrLf, Bad, OverLong };

struct TextChar {
    Piece piece;
    u32 code;
};

// A CR followed by an LF is one character.
std::vector<TextChar> JoinCrLf(const std::vector<TextChar>& chars)
{
    std::vector<TextChar> joined;
    for (const TextChar& c : chars) {
        if (c.piece == Piece::Lf && !joined.empty() && joined.back().piece == Piece::Cr)
            joined.back().piece = Piece::CrLf;
        else
            joined.push_back(c);
    }
    return joined;
}

// Up to twelve characters, or count when given.
std::vector<TextChar> MakeChars(std::mt19937& rng, int count = -1)
{
    // U+0169 and U+2A40 hold the last byte of the UTF-8 form of U+00E9 at
    // their end and in their middle.
    static const u32 alphabet[] = {'a', 'b', 'A', 'B', 'k', 'K', 0x212A, 0xE9, 0xC9, ' ', '_', '1', '\t', 0, '.',
                                   0x1F600, 'a', 'b', 'a', 0xB, 0xC, 'c', 0x2028, ',', 0x7F, 0x660,
                                   0x10428, 0x169, 0x2A40};
    std::vector<TextChar> chars;
    int n = count >= 0 ? count : static_cast<int>(rng() % 13);
    for (int i = 0; i < n; i++) {
        int r = static_cast<int>(rng() % 30);
        if (r == 0)
            chars.push_back({Piece::Cr, 13});
        else if (r == 1)
            chars.push_back({Piece::Lf, 10});
        else if (r == 2)
            chars.push_back({Piece::CrLf, 10});
        else if (r == 3)
            chars.push_back({Piece::Bad, 0});
        else if (r == 4)
            chars.push_back({Piece::OverLong, rng() % 2 ? 'a' : 0xE9u});
        else
            chars.push_back({Piece::CodePoint, alphabet[rng() % (sizeof(alphabet) / sizeof(alphabet[0]))]});
    }
    return JoinCrLf(chars);
}

void PutUnit(std::vector<u8>& bytes, u32 unit)
{
    bytes.push_back(static_cast<u8>(unit & 0xFF));
    bytes.push_back(static_cast<u8>(unit >> 8));
}

Sample Encode(const std::vector<TextChar>& chars, EncodingId encoding)
{
    Sample s;
    bool utf16 = encoding == EncodingUtf16LE;
    for (size_t i = 0; i < chars.size(); i++) {
        const TextChar& c = chars[i];
        oracle::Char oc{static_cast<int64>(s.bytes.size()), static_cast<int32>(c.code)};
        switch (c.piece) {
        case Piece::Cr:
        case Piece::Lf:
            oc.code = 10;
            if (utf16)
                PutUnit(s.bytes, c.piece == Piece::Cr ? 13 : 10);
            else
                s.bytes.push_back(c.piece == Piece::Cr ? 13 : 10);
            break;
        case Piece::CrLf:
            oc.code = 10;
            if (utf16) {
                PutUnit(s.bytes, 13);
                PutUnit(s.bytes, 10);
            } else {
                s.bytes.push_back(13);
                s.bytes.push_back(10);
            }
            break;
        case Piece::Bad:
            oc.code = -30;
            if (utf16)
                PutUnit(s.bytes, 0xDC00);
            else
                s.bytes.push_back(i % 2 ? 0x80 : 0xFF);
            break;
        case Piece::OverLong:
            // An over-long form is one undecodable unit of its own length.
            if (!utf16)
                oc.code = -30;
            if (utf16) {
                PutUnit(s.bytes, c.code);
            } else if (c.code < 0x80) {
                s.bytes.push_back(static_cast<u8>(0xC0 | (c.code >> 6)));
                s.bytes.push_back(static_cast<u8>(0x80 | (c.code & 0x3F)));
            } else {
                s.bytes.push_back(0xE0);
                s.bytes.push_back(static_cast<u8>(0x80 | (c.code >> 6)));
                s.bytes.push_back(static_cast<u8>(0x80 | (c.code & 0x3F)));
            }
            break;
        case Piece::CodePoint:
            if (utf16) {
                if (c.code > 0xFFFF) {
                    PutUnit(s.bytes, 0xD800 + ((c.code - 0x10000) >> 10));
                    PutUnit(s.bytes, 0xDC00 + ((c.code - 0x10000) & 0x3FF));
                } else {
                    PutUnit(s.bytes, c.code);
                }
            } else {
                u8 buf[4];
                int n = EncodeUtf8CodePoint(buf, static_cast<int32>(c.code));
                s.bytes.insert(s.bytes.end(), buf, buf + n);
            }
            break;
        }
        s.text.chars.push_back(oc);
    }
    s.text.size = static_cast<int64>(s.bytes.size());
    std::ostringstream d;
    d << (utf16 ? "UTF-16LE" : "UTF-8") << " bytes:";
    for (u8 b : s.bytes) {
        char hex[4];
        snprintf(hex, sizeof(hex), " %02X", b);
        d << hex;
    }
    s.description = d.str();
    return s;
}

void Fill(TextDocument& document, EncodingId encoding, const std::vector<u8>& bytes)
{
    TextBuff& buff = document.text;
    buff.Replace(0, buff.Size(), nullptr, 0);
    buff.SetEncoding(encoding);
    if (!bytes.empty())
        buff.Replace(0, 0, bytes.data(), static_cast<int64>(bytes.size()));
}

struct Mismatch {
    std::string what;
    int64 at = 0;
    int64 wantStart = 0, wantStop = 0, gotStart = 0, gotStop = 0;
};

bool Compare(const char* what, int64 at, const oracle::Found& want, int64 gotStart, int64 gotStop, Mismatch& m)
{
    if (want.start == gotStart && want.stop == gotStop)
        return true;
    m = Mismatch{what, at, want.start, want.stop, gotStart, gotStop};
    return false;
}

// Positions to search from: every character start, the end, and a byte
// inside a character where there is one.
std::vector<int64> Positions(const Sample& s)
{
    std::vector<int64> out;
    for (const oracle::Char& c : s.text.chars)
        out.push_back(c.offset);
    out.push_back(s.text.size);
    for (size_t i = 0; i < s.text.chars.size(); i++) {
        int64 next = s.text.OffsetOf(i + 1);
        if (next - s.text.chars[i].offset > 1) {
            out.push_back(s.text.chars[i].offset + 1);
            break;
        }
    }
    return out;
}

bool CheckAll(RegExp& re, TextDocument& buff, const Sample& s, const std::vector<oracle::Ends>& all, Mismatch& m,
              int& found)
{
    for (int64 p : Positions(s)) {
        int64 stop = -7;
        int64 start = re.FindForward(buff, p, stop, 1000);
        if (!Compare("FindForward", p, oracle::FindForward(all, s.text, p, 1000), start, stop, m))
            return false;
        if (start >= 0 && stop > start)
            found++;
        stop = -7;
        start = re.FindBackward(buff, p, stop, 1000);
        if (!Compare("FindBackward", p, oracle::FindBackward(all, s.text, p, 1000), start, stop, m))
            return false;
        stop = -7;
        start = re.FindBackwardBefore(buff, p, stop);
        if (!Compare("FindBackwardBefore", p, oracle::FindBackwardBefore(all, s.text, p), start, stop, m))
            return false;
    }
    return true;
}

}  // namespace

TEST_CASE("the matcher agrees with a brute-force matcher on random patterns and texts")
{
    const u32 seed = 0x5EED2024;
    const int patterns = 3000;
    std::mt19937 rng(seed);
    TextDocument buff;
    int compared = 0;
    int found = 0;
    for (int round = 0; round < patterns; round++) {
        u32 caseSeed = rng();
        std::mt19937 local(caseSeed);
        std::wstring pattern;
        PatternMaker maker(local);
        NodePtr tree = maker.Regex(pattern, 0);
        std::vector<u32> cps = CodePoints(pattern);
        for (int t = 0; t < 2; t++) {
            std::vector<TextChar> chars = MakeChars(local);
            for (EncodingId encoding : {EncodingUtf8, EncodingUtf16LE}) {
                Sample s = Encode(chars, encoding);
                Fill(buff, encoding, s.bytes);
                for (bool ignoreCase : {false, true}) {
                    RegExp re;
                    re.Compile(cps.data(), static_cast<int64>(cps.size()), ignoreCase);
                    std::vector<oracle::Ends> all = oracle::AllMatches(*tree, s.text, ignoreCase);
                    Mismatch m;
                    if (!CheckAll(re, buff, s, all, m, found)) {
                        std::ostringstream msg;
                        msg << "seed " << seed << " case seed " << caseSeed << " pattern \"" << Narrow(pattern)
                            << "\" ignore case " << ignoreCase << " " << s.description << ": " << m.what << " at "
                            << m.at << " wants (" << m.wantStart << ", " << m.wantStop << ") got (" << m.gotStart
                            << ", " << m.gotStop << ")";
                        FAIL(msg.str());
                    }
                    compared++;
                }
            }
        }
    }
    CHECK(compared == patterns * 8);
    // Not a vacuous comparison: many searches find a non-empty match.
    CHECK(found > compared);
}

namespace {

// A long random text in one encoding, with the awkward places put where
// the storage blocks (7168 bytes) meet: a CR LF split by a boundary, a
// character split by one, an undecodable unit right after one.
std::vector<u8> LongText(std::mt19937& rng, EncodingId encoding, size_t size)
{
    static const u32 alphabet[] = {'a', 'b', 'k', 'K', 'x', ' ', ' ', '_', '1', '7', '.', ',', 0xE9, 0x142, 0x17C,
                                   0x212A, 0x1F600, 10, 13, 0};
    bool utf16 = IsUtf16Encoding(encoding);
    bool utf8 = encoding == EncodingUtf8;
    std::vector<u8> out;
    auto put = [&](u32 c) {
        if (utf16) {
            auto unit = [&](u32 u) {
                if (encoding == EncodingUtf16BE) {
                    out.push_back(static_cast<u8>(u >> 8));
                    out.push_back(static_cast<u8>(u));
                } else {
                    out.push_back(static_cast<u8>(u));
                    out.push_back(static_cast<u8>(u >> 8));
                }
            };
            if (c > 0xFFFF) {
                unit(0xD800 + ((c - 0x10000) >> 10));
                unit(0xDC00 + ((c - 0x10000) & 0x3FF));
            } else {
                unit(c);
            }
        } else if (utf8) {
            u8 buf[4];
            int n = EncodeUtf8CodePoint(buf, static_cast<int32>(c));
            out.insert(out.end(), buf, buf + n);
        } else {
            // Windows-1250: é, ł and ż have bytes of their own.
            out.push_back(c == 0xE9 ? 0xE9 : c == 0x142 ? 0xB3 : c == 0x17C ? 0xBF : c < 0x80 ? static_cast<u8>(c) : 'y');
        }
    };
    size_t unitBytes = utf16 ? 2 : 1;
    int boundary = 1;
    while (out.size() < size) {
        size_t edge = static_cast<size_t>(boundary) * 7168;
        if (out.size() + 8 >= edge) {
            while (out.size() + unitBytes < edge)
                put('x');
            switch (boundary % 3) {
            case 1:
                put(13);
                put(10);
                break;
            case 2:
                put(utf8 || utf16 ? 0x1F600 : 0x142);
                break;
            default:
                put('k');
                if (utf8)
                    out.push_back(0x80);
                else if (utf16)
                    put(0xDC00);
                break;
            }
            boundary++;
            continue;
        }
        int r = static_cast<int>(rng() % 100);
        if (r < 3 && utf8) {
            out.push_back(r == 0 ? 0xFF : r == 1 ? 0xC1 : 0x80);  // undecodable, or an over-long lead
            if (r == 1)
                out.push_back(0xA1);
        } else if (r < 6) {
            put(13);
            put(10);
        } else {
            put(alphabet[rng() % (sizeof(alphabet) / sizeof(alphabet[0]))]);
        }
    }
    return out;
}

const wchar_t* const kLongPatterns[] = {
    L"k[a-z]+", L"[0-9]+ ?x", L"ab|kx|x\u0142|\u017Cy", L"\\bx+\\b", L"^x*$", L"\u00e9.\\w", L"x\\r?\\n?k",
    L"[^x ]+", L"\\Bk", L"(a|b)*k$", L"\\s+\\S", L"[\u0100-\u017F]+", L"K\\.?", L"x{0}", L"\U0001F600x",
    L"[[:punct:]]\\W", L"\\d\\D", L"x*", L"[\\n]k", L"(^|_)x",
    // Literals every match holds, and words to skip to by their last two bytes.
    L"xk [a-z]+", L"[0-9]+ x\u0142", L"\\bkx\\b", L"k_x.*1", L"ab|kx|17|_k", L"\u017Cx\\w*",
    // An alternation before classes; classes of wide characters and ranges.
    L"(ab|kx|\u0142k)[0-9][0-9]+", L"[\u0142\u017C]", L"[\u00e9\u0142-\u017c]x", L"[\u00e9-\u017c]+",
    L"(xk |17_|ab\u00e9)[0-9][0-9]+", L"\\b(kxa|_17|\u0142\u017Cx)\\d+",
    // Anchored to line starts, through a byte of its own or any, and led by
    // a word class.
    L"^k[a-z]+", L"^\\w+x\\b", L"^(ab|x\u0142|\u017Cy)", L"^\\bk\\w*", L"^[\\n]", L"(^x|^1)\\W", L"^\\s*k",
    L"^.", L"^$", L"\\w+k\\b", L"\\w*1\\b", L"(^|\\b)k\\B", L"\\w+kx\\b", L"\\w*\u0142x_\\b", L"\\w+1_k",
    // Assertions before a literal, alone and in branches, and wide literals
    // whose lead bytes pair with their second bytes.
    L"\\bxk [a-z]+", L"\\Bkx_", L"\\bk\u0142\u017C", L"(\\bxk|\\B_1)7", L"\\b(ab|kx|\u0142\u017Cx)\\d",
    L"(^|\\b)kxa", L"\\b\u017Cx\\w*", L"\\bK\u0142x", L"\u0142\u017Ck|\u017Cx\u00e9", L"\\b\u0142k|\\B\u017C",
    L"\\b\u00e9x+\\b", L"\\B\\bk",
    // An assertion or a character before the same literal: a run in the
    // middle of a match may be in a state the assertions leave at rest.
    L"(\\b|x)kx_", L"(\\B|_)k\u0142", L"(^|k)xk", L"(\\b|\u0142)\u017Cx", L"^k|\\bx1",
};

}  // namespace

TEST_CASE("cached states and skips agree with the plain automaton on long texts in every encoding")
{
    const u32 seed = 0x0D15EA5E;
    std::mt19937 rng(seed);
    TextDocument doc;
    int compared = 0, found = 0;
    for (EncodingId encoding : {EncodingUtf8, EncodingUtf16LE, EncodingUtf16BE, EncodingWindows1250}) {
        {
            u32 textSeed = rng();
            std::mt19937 local(textSeed);
            std::vector<u8> bytes = LongText(local, encoding, 24000);
            Fill(doc, encoding, bytes);
            // The same bytes again over a middle stretch: the blocks split
            // at other places.
            int64 a = static_cast<int64>(local() % 20000) & ~static_cast<int64>(1);
            doc.text.Replace(a, a + 3000, bytes.data() + a, 3000);
            std::vector<std::wstring> patterns(std::begin(kLongPatterns), std::end(kLongPatterns));
            for (int i = 0; i < 6; i++) {
                std::wstring p;
                PatternMaker(local).Regex(p, 0);
                patterns.push_back(p);
            }
            for (const std::wstring& pattern : patterns) {
                std::vector<u32> cps = CodePoints(pattern);
                for (bool ignoreCase : {false, true}) {
                    RegExp states, lists;
                    try {
                        states.Compile(cps.data(), static_cast<int64>(cps.size()), ignoreCase);
                    } catch (const BadRegExpError&) {
                        continue;  // "x{0}" and the like
                    }
                    lists.Compile(cps.data(), static_cast<int64>(cps.size()), ignoreCase);
                    RegexTestAccess::PlainOnly(lists, encoding);
                    std::ostringstream where;
                    where << "seed " << seed << " text seed " << textSeed << " encoding " << encoding << " pattern \""
                          << Narrow(pattern) << "\" ignore case " << ignoreCase;
                    INFO(where.str());
                    int64 size = doc.text.Size();
                    // Every match from the start, in windows of random length.
                    int64 pos = 0;
                    while (pos < size) {
                        int64 window = 1 + static_cast<int64>(local() % 12000);
                        int64 s1, s2, e1 = -7, e2 = -7;
                        s1 = states.FindForward(doc, pos, e1, window);
                        s2 = lists.FindForward(doc, pos, e2, window);
                        REQUIRE(s1 == s2);
                        REQUIRE(e1 == e2);
                        compared++;
                        if (s1 >= 0)
                            found++;
                        pos = s1 >= 0 ? (e1 > pos ? e1 : pos + 1 + static_cast<int64>(local() % 2)) : e1;
                    }
                    // Matches one after the other from a random place, as
                    // repeated find-previous commands go, with an edit on the
                    // way that the next search must see.
                    for (bool before : {false, true}) {
                        int64 at = static_cast<int64>(local() % static_cast<u32>(size + 1)), steps = 0;
                        while (at > 0 && steps < 60) {
                            int64 e1 = -7, e2 = -7;
                            int64 r1 = before ? states.FindBackwardBefore(doc, at, e1) : states.FindBackward(doc, at, e1, 100000);
                            int64 r2 = before ? lists.FindBackwardBefore(doc, at, e2) : lists.FindBackward(doc, at, e2, 100000);
                            REQUIRE(r1 == r2);
                            REQUIRE(e1 == e2);
                            compared++;
                            at = r1 >= 0 ? (r1 < at ? r1 : at - 1) : e1;
                            if (++steps == 30 && at > 10) {
                                int64 a = at - 1 - static_cast<int64>(local() % 8);
                                std::vector<u8> was(2);
                                doc.text.CopyBytes(a, was.data(), 2);
                                doc.text.Replace(a, a + 2, reinterpret_cast<const u8*>("xk"), 2);
                                int64 f1 = -7, f2 = -7;
                                REQUIRE(states.FindBackward(doc, at, f1, 100000) == lists.FindBackward(doc, at, f2, 100000));
                                REQUIRE(f1 == f2);
                                doc.text.Replace(a, a + 2, was.data(), 2);
                            }
                        }
                    }
                    // Backward searches from random places, odd offsets too.
                    for (int k = 0; k < 6; k++) {
                        int64 p = static_cast<int64>(local() % static_cast<u32>(size + 1));
                        int64 window = 1 + static_cast<int64>(local() % 12000);
                        int64 e1 = -7, e2 = -7;
                        REQUIRE(states.FindBackward(doc, p, e1, window) == lists.FindBackward(doc, p, e2, window));
                        REQUIRE(e1 == e2);
                        REQUIRE(states.FindBackwardBefore(doc, p, e1) == lists.FindBackwardBefore(doc, p, e2));
                        REQUIRE(e1 == e2);
                        compared += 2;
                    }
                }
            }
        }
    }
    CHECK(compared > 5000);
    CHECK(found > 1000);
}

namespace {

// Searches forward from every position of the text, in UTF-8 and UTF-16 and
// with and without case, and compares each answer with the brute-force
// matcher's on the pattern's tree; counts the searches and the matches.
void CompareForward(TextDocument& doc, const Node& tree, const std::wstring& pattern,
                    const std::vector<TextChar>& chars, int& compared, int& found)
{
    std::vector<u32> cps = CodePoints(pattern);
    for (EncodingId encoding : {EncodingUtf8, EncodingUtf16LE}) {
        Sample s = Encode(chars, encoding);
        Fill(doc, encoding, s.bytes);
        for (bool ignoreCase : {false, true}) {
            RegExp re;
            re.Compile(cps.data(), static_cast<int64>(cps.size()), ignoreCase);
            std::vector<oracle::Ends> all = oracle::AllMatches(tree, s.text, ignoreCase);
            INFO("pattern \"" << Narrow(pattern) << "\" ignore case " << ignoreCase << " " << s.description);
            for (int64 p : Positions(s)) {
                int64 stop = -7;
                oracle::Found want = oracle::FindForward(all, s.text, p, 1000);
                int64 start = re.FindForward(doc, p, stop, 1000);
                REQUIRE(start == want.start);
                REQUIRE(stop == want.stop);
                compared++;
                if (start >= 0 && stop > start)
                    found++;
            }
        }
    }
}

}  // namespace

TEST_CASE("forward searches of patterns anchored to line starts or led by a word class agree with the brute-force matcher")
{
    // What leads each pattern, written out and as a tree: its atoms, the
    // last one repeated by the quantifier (Empty for none).
    static const struct {
        const wchar_t* text;
        std::vector<std::pair<Node::Kind, u32>> atoms;
        Node::Kind quantifier;
    } leads[] = {
        {L"^", {{Node::Assertion, LINE_START}}, Node::Empty},
        {L"^k", {{Node::Assertion, LINE_START}, {Node::Literal, 'k'}}, Node::Empty},
        {L"^\\b", {{Node::Assertion, LINE_START}, {Node::Assertion, WORD_BOUNDARY}}, Node::Empty},
        {L"\\w+", {{Node::Named, CLS_WORD}}, Node::Plus},
        {L"^\\w*", {{Node::Assertion, LINE_START}, {Node::Named, CLS_WORD}}, Node::Star},
        {L"\\w", {{Node::Named, CLS_WORD}}, Node::Empty},
    };
    const u32 seed = 0xA2C4E0F1;
    std::mt19937 rng(seed);
    TextDocument doc;
    int compared = 0, found = 0;
    for (int round = 0; round < 400; round++) {
        u32 caseSeed = rng();
        std::mt19937 local(caseSeed);
        const auto& lead = leads[local() % (sizeof(leads) / sizeof(leads[0]))];
        std::wstring pattern = lead.text;
        std::vector<NodePtr> parts;
        for (const auto& atom : lead.atoms)
            parts.push_back(Make(atom.first, atom.second));
        if (lead.quantifier != Node::Empty)
            parts.back() = Wrap(lead.quantifier, {parts.back()});
        pattern += L'(';
        parts.push_back(PatternMaker(local).Regex(pattern, 1));
        pattern += L')';
        NodePtr tree = Wrap(Node::Concat, parts);
        // Many short lines, in every kind of line break.
        std::vector<TextChar> chars = MakeChars(local, 60 + static_cast<int>(local() % 90));
        for (int k = static_cast<int>(local() % 12); k > 0; k--) {
            static const TextChar breaks[] = {{Piece::Lf, 10}, {Piece::Cr, 13}, {Piece::CrLf, 10}};
            chars.insert(chars.begin() + static_cast<std::ptrdiff_t>(local() % (chars.size() + 1)), breaks[local() % 3]);
        }
        chars = JoinCrLf(chars);
        INFO("seed " << seed << " case seed " << caseSeed);
        CompareForward(doc, *tree, pattern, chars, compared, found);
    }
    CHECK(compared > 50000);
    CHECK(found > 20000);
}

TEST_CASE("forward searches of literals led by assertions agree with the brute-force matcher")
{
    // The branches of an alternation every match begins with: an assertion
    // (none when 0) before a literal. The texts hold the literals now and
    // then, after word characters, blanks or line breaks, often far apart,
    // so that the skips and the jump to a literal both stop at them.
    struct Branch {
        u32 assertion;
        const wchar_t* literal;
    };
    static const std::vector<std::vector<Branch>> leads = {
        {{WORD_BOUNDARY, L"kab"}},
        {{NOT_WORD_BOUNDARY, L"ab\u00e9"}},
        {{LINE_START, L"k a"}},
        {{WORD_BOUNDARY, L"\u00e9\u0169k"}},
        {{WORD_BOUNDARY, L"kab"}, {NOT_WORD_BOUNDARY, L"ba"}},
        {{WORD_BOUNDARY, L"\u00c9a"}, {0, L"_1"}},
        {{WORD_BOUNDARY, L"K"}, {LINE_START, L"\u0169"}},
    };
    const u32 seed = 0x1EAD5EED;
    std::mt19937 rng(seed);
    TextDocument doc;
    int compared = 0, found = 0;
    for (int round = 0; round < 300; round++) {
        u32 caseSeed = rng();
        std::mt19937 local(caseSeed);
        const std::vector<Branch>& lead = leads[local() % leads.size()];
        std::wstring pattern = L"(";
        std::vector<NodePtr> branches;
        for (const Branch& b : lead) {
            if (&b != &lead[0])
                pattern += L'|';
            std::vector<NodePtr> parts;
            if (b.assertion) {
                pattern += b.assertion == WORD_BOUNDARY ? L"\\b" : b.assertion == LINE_START ? L"^" : L"\\B";
                parts.push_back(Make(Node::Assertion, b.assertion));
            }
            pattern += b.literal;
            for (u32 c : CodePoints(b.literal))
                parts.push_back(Make(Node::Literal, c));
            branches.push_back(Wrap(Node::Concat, parts));
        }
        pattern += L")(";
        NodePtr tail = PatternMaker(local).Regex(pattern, 1);
        pattern += L')';
        NodePtr tree = Wrap(Node::Concat, {Wrap(Node::Alt, branches), tail});
        std::vector<TextChar> chars = MakeChars(local, 80 + static_cast<int>(local() % 220));
        for (int k = static_cast<int>(local() % 5); k > 0; k--) {
            static const TextChar before[] = {{Piece::CodePoint, 'a'}, {Piece::CodePoint, ' '}, {Piece::Lf, 10},
                                              {Piece::CodePoint, 0xE9}, {Piece::CodePoint, '_'}};
            std::vector<TextChar> planted{before[local() % 5]};
            for (u32 c : CodePoints(lead[local() % lead.size()].literal))
                planted.push_back({Piece::CodePoint, local() % 4 == 0 ? static_cast<u32>(oracle::Fold(static_cast<int32>(c))) : c});
            chars.insert(chars.begin() + static_cast<std::ptrdiff_t>(local() % (chars.size() + 1)), planted.begin(),
                         planted.end());
        }
        chars = JoinCrLf(chars);
        INFO("seed " << seed << " case seed " << caseSeed);
        CompareForward(doc, *tree, pattern, chars, compared, found);
    }
    CHECK(compared > 100000);
    CHECK(found > 20000);
}

namespace {

// The matches from each character index, computed when first asked for:
// backward searches look at the few indexes before their position.
class LazyMatches {
public:
    LazyMatches(const Node& root, const oracle::Text& text, bool ignoreCase)
        : root_(root), text_(text), matcher_(text, ignoreCase), memo_(text.chars.size() + 1)
    {
    }

    const oracle::Ends& From(size_t s)
    {
        if (!memo_[s])
            memo_[s] = std::make_unique<oracle::Ends>(matcher_.From(root_, s));
        return *memo_[s];
    }

    // The match with the largest start below position, at its longest.
    oracle::Found Backward(int64 position, int64 window)
    {
        size_t n = text_.chars.size();
        for (size_t s = n + 1; s-- > 0;) {
            if (text_.OffsetOf(s) >= position)
                continue;
            const oracle::Ends& ends = From(s);
            for (size_t e = n + 1; e-- > s;)
                if (ends[e])
                    return oracle::Found{text_.OffsetOf(s), text_.OffsetOf(e)};
        }
        return oracle::Found{-1, position - window > 0 ? position - window : 0};
    }

    // The match with the largest start among those ending at or before
    // position, at its longest there.
    oracle::Found Before(int64 position)
    {
        size_t n = text_.chars.size();
        for (size_t s = n + 1; s-- > 0;) {
            if (text_.OffsetOf(s) > position)
                continue;
            const oracle::Ends& ends = From(s);
            for (size_t e = n + 1; e-- > s;)
                if (ends[e] && text_.OffsetOf(e) <= position)
                    return oracle::Found{text_.OffsetOf(s), text_.OffsetOf(e)};
        }
        return oracle::Found{-1, position - 100000 > 0 ? position - 100000 : 0};
    }

private:
    const Node& root_;
    const oracle::Text& text_;
    oracle::Matcher matcher_;
    std::vector<std::unique_ptr<oracle::Ends>> memo_;
};

// Patterns that end in what the backward skip and the crossing-match reach
// look at: assertions, wide literals, classes, and matches that run on.
const wchar_t* const kBackwardPatterns[] = {
    L"[A-Z][a-z]+\\b", L"[0-9]+ ?k", L"\u00e9", L"a\u00e9", L"\u00e9|\u0169", L"a.*b", L"b+",
    L"\\bk\\b", L"k$", L"^a", L"[^a]+b", L"\\Ba*", L"(ab|b)+", L"\\s\\S", L"\U0001F600\\w*",
    L"a\u00e9[a-c]*", L"[0-9]*ba\u00e9", L"ab\\b", L"ba.*a\u00e9", L"ab|ba|k", L"Ab|\u00e9b|1a",
    L"(ab|k|\u00e9a)[1a][1a]+", L"[\u00e9\u0169]", L"[\u00e9-\u0169\u2A40]b?", L"[\u00c9-\u0660]",
};

}  // namespace

TEST_CASE("backward searches agree with the brute-force matcher on longer texts split into blocks")
{
    const u32 seed = 0xBAC4B00C;
    std::mt19937 rng(seed);
    TextDocument doc;
    int compared = 0, found = 0;
    const int rounds = 120;
    for (int round = 0; round < rounds; round++) {
        u32 caseSeed = rng();
        std::mt19937 local(caseSeed);
        std::wstring pattern;
        NodePtr tree;
        if (round < static_cast<int>(sizeof(kBackwardPatterns) / sizeof(kBackwardPatterns[0]))) {
            // Written out for the tree by the maker's own rules below.
            pattern = kBackwardPatterns[round];
        }
        PatternMaker maker(local);
        std::wstring made;
        tree = maker.Regex(made, 0);
        if (pattern.empty())
            pattern = made;
        else
            tree = nullptr;
        std::vector<u32> cps = CodePoints(pattern);
        std::vector<TextChar> chars = MakeChars(local, 90 + static_cast<int>(local() % 60));
        for (EncodingId encoding : {EncodingUtf8, EncodingUtf16LE}) {
            Sample s = Encode(chars, encoding);
            Fill(doc, encoding, s.bytes);
            // The same bytes again over a stretch: the text is held in
            // more pieces, split at other places.
            if (s.bytes.size() > 8) {
                int64 a = static_cast<int64>(local() % (s.bytes.size() / 2));
                int64 b = a + 1 + static_cast<int64>(local() % (s.bytes.size() - static_cast<size_t>(a) - 1));
                doc.text.Replace(a, b, s.bytes.data() + a, b - a);
            }
            for (bool ignoreCase : {false, true}) {
                RegExp re, plain;
                re.Compile(cps.data(), static_cast<int64>(cps.size()), ignoreCase);
                plain.Compile(cps.data(), static_cast<int64>(cps.size()), ignoreCase);
                RegexTestAccess::PlainOnly(plain, encoding);
                std::ostringstream where;
                where << "seed " << seed << " case seed " << caseSeed << " pattern \"" << Narrow(pattern)
                      << "\" ignore case " << ignoreCase << " " << s.description;
                INFO(where.str());
                std::unique_ptr<LazyMatches> all;
                if (tree)
                    all = std::make_unique<LazyMatches>(*tree, s.text, ignoreCase);
                for (int64 p : Positions(s)) {
                    int64 stop = -7, plainStop = -7;
                    int64 start = re.FindBackward(doc, p, stop, 1000);
                    REQUIRE(start == plain.FindBackward(doc, p, plainStop, 1000));
                    REQUIRE(stop == plainStop);
                    if (all) {
                        oracle::Found want = all->Backward(p, 1000);
                        REQUIRE(start == want.start);
                        REQUIRE(stop == want.stop);
                    }
                    if (start >= 0)
                        found++;
                    start = re.FindBackwardBefore(doc, p, stop);
                    REQUIRE(start == plain.FindBackwardBefore(doc, p, plainStop));
                    REQUIRE(stop == plainStop);
                    if (all) {
                        oracle::Found want = all->Before(p);
                        REQUIRE(start == want.start);
                        REQUIRE(stop == want.stop);
                    }
                    compared += 2;
                }
            }
        }
    }
    CHECK(compared > 40000);
    CHECK(found > 10000);
}

TEST_CASE("backward searches of patterns that hold a literal agree with the brute-force matcher")
{
    // Literals of three bytes or more in UTF-8, found by their bytes.
    static const struct {
        const wchar_t* text;
        std::vector<u32> codes;
    } literals[] = {{L"ab ", {'a', 'b', ' '}}, {L"k\u00e9", {'k', 0xE9}}, {L"1_a", {'1', '_', 'a'}},
                    {L"Bak", {'B', 'a', 'k'}}, {L"\u00e9\u00e9", {0xE9, 0xE9}}};
    const u32 seed = 0x11BE8A15;
    std::mt19937 rng(seed);
    TextDocument doc;
    int compared = 0, found = 0;
    for (int round = 0; round < 300; round++) {
        u32 caseSeed = rng();
        std::mt19937 local(caseSeed);
        constexpr size_t kLiterals = sizeof(literals) / sizeof(literals[0]);
        // (A) literal (B), each side left out now and then, or optional; half
        // the time an alternation of two or three literals instead, one of
        // which every match holds, and then (B) often digits, over a text
        // with digits after most spaces.
        size_t members = local() % 2 ? 1 : 2 + local() % 2;
        std::vector<size_t> picks;
        for (size_t i = 0; i < members; i++)
            picks.push_back(local() % kLiterals);
        bool digits = members > 1 && local() % 3 != 0;
        std::wstring pattern;
        std::vector<NodePtr> parts;
        PatternMaker maker(local);
        auto side = [&] {
            if (local() % 4 == 0)
                return;
            pattern += L'(';
            NodePtr n = maker.Regex(pattern, 1);
            pattern += L')';
            int q = static_cast<int>(local() % 3);
            pattern += q == 0 ? L"" : q == 1 ? L"?" : L"*";
            parts.push_back(q == 0 ? n : Wrap(q == 1 ? Node::Quest : Node::Star, {n}));
        };
        side();
        std::vector<NodePtr> branches;
        pattern += members > 1 ? L"(" : L"";
        for (size_t pick : picks) {
            pattern += branches.empty() ? L"" : L"|";
            pattern += literals[pick].text;
            std::vector<NodePtr> chain;
            for (u32 c : literals[pick].codes)
                chain.push_back(Make(Node::Literal, c));
            branches.push_back(Wrap(Node::Concat, chain));
        }
        pattern += members > 1 ? L")" : L"";
        parts.push_back(Wrap(Node::Alt, branches));
        if (digits) {
            pattern += L"[0-9][0-9]+";
            NodePtr digit = Make(Node::Class);
            digit->members.push_back({oracle::ClassMember::Range, '0', '9'});
            parts.push_back(digit);
            parts.push_back(Wrap(Node::Plus, {digit}));
        } else {
            side();
        }
        NodePtr tree = Wrap(Node::Concat, parts);
        std::vector<u32> cps = CodePoints(pattern);
        // Random characters with the literal put in here and there.
        std::vector<TextChar> chars = MakeChars(local, 60 + static_cast<int>(local() % 60));
        auto insert = [&](size_t at, const std::vector<u32>& codes) {
            for (size_t j = codes.size(); j-- > 0;)
                chars.insert(chars.begin() + static_cast<std::ptrdiff_t>(at), TextChar{Piece::CodePoint, codes[j]});
        };
        auto digit = [&] { return static_cast<u32>('0' + local() % 10); };
        if (digits) {
            for (int k = 12 + static_cast<int>(local() % 12); k > 0; k--)
                insert(local() % (chars.size() + 1), {' ', digit(), digit()});
        }
        for (int k = 1 + static_cast<int>(local() % 5); k > 0; k--) {
            size_t at = local() % (chars.size() + 1);
            if (digits && local() % 2)
                insert(at, {digit(), digit()});
            insert(at, literals[picks[local() % members]].codes);
        }
        Sample s = Encode(chars, EncodingUtf8);
        Fill(doc, EncodingUtf8, s.bytes);
        for (bool ignoreCase : {false, true}) {
            RegExp re;
            re.Compile(cps.data(), static_cast<int64>(cps.size()), ignoreCase);
            LazyMatches all(*tree, s.text, ignoreCase);
            INFO("seed " << seed << " case seed " << caseSeed << " pattern \"" << Narrow(pattern) << "\" ignore case "
                         << ignoreCase << " " << s.description);
            for (int64 p : Positions(s)) {
                int64 stop = -7;
                oracle::Found want = all.Backward(p, 1000);
                REQUIRE(re.FindBackward(doc, p, stop, 1000) == want.start);
                REQUIRE(stop == want.stop);
                want = all.Before(p);
                REQUIRE(re.FindBackwardBefore(doc, p, stop) == want.start);
                REQUIRE(stop == want.stop);
                compared += 2;
            }
            // Match after match from the end, each search going on from the last.
            for (int64 at = s.text.size; at > 0;) {
                int64 stop = -7;
                oracle::Found want = all.Backward(at, 1000);
                int64 start = re.FindBackward(doc, at, stop, 1000);
                REQUIRE(start == want.start);
                REQUIRE(stop == want.stop);
                compared++;
                if (start >= 0)
                    found++;
                at = start >= 0 ? (start < at ? start : at - 1) : stop;
            }
        }
    }
    CHECK(compared > 40000);
    CHECK(found > 1000);
}

TEST_CASE("a backward search that goes on from the last one finds what a new search finds")
{
    // Matches that run far, from a rare first letter to a last one, and a
    // short alternative between them: a search with a narrow window finds
    // the short one, and the next, wider one from its start must still see
    // the long match through it, which begins below the first one's bound.
    static const struct {
        const wchar_t* pattern;
        u32 first, last;
    } shapes[] = {{L"Q[^Q]*R|S", 'Q', 'R'}, {L"Q[^R]*R|S", 'Q', 'R'}, {L"Q[-a\u0105\u00f3 z]*R|S", 'Q', 'R'},
                  {L"\u0141[^\u0141]*\u0119|S", 0x141, 0x119}, {L"Q\\D*R|\\bS", 'Q', 'R'},
                  {L"(Q|\u0141)[^Q\u0141]*R|S+", 0x141, 'R'}, {L"q[^q]*r|s", 'Q', 'R'}};
    static const u32 filler[] = {'-', 'a', ' ', 'z', '-', 0x105, 0xF3, '-'};
    const u32 seed = 0x5EC0BAC4;
    std::mt19937 rng(seed);
    TextDocument doc;
    int compared = 0, found = 0;
    for (int round = 0; round < 240; round++) {
        u32 caseSeed = rng();
        std::mt19937 local(caseSeed);
        const auto& shape = shapes[local() % (sizeof(shapes) / sizeof(shapes[0]))];
        bool ignoreCase = shape.pattern[0] == L'q' || local() % 2 != 0;
        EncodingId encoding = round % 3 == 0 ? EncodingUtf8 : round % 3 == 1 ? EncodingUtf16LE : EncodingWindows1250;
        // Filler with now and then a stray letter of the pattern; the
        // first letter far below the short match, the last above it.
        int n = 8000 + static_cast<int>(local() % 8000);
        u32 kinds = local() % 2 ? 4 : 8;  // ASCII filler or not
        std::vector<u32> chars;
        for (int i = 0; i < n; i++)
            chars.push_back(local() % 3000 == 0 ? shape.last : local() % 40000 == 0 ? 'S' : filler[local() % kinds]);
        int a = static_cast<int>(local() % 1500), b = a + 5200 + static_cast<int>(local() % (n - a - 5800));
        int c = b + 2 + static_cast<int>(local() % static_cast<u32>(std::min(2500, n - b - 2)));
        chars[static_cast<size_t>(a)] = shape.first;
        chars[static_cast<size_t>(b)] = 'S';
        chars[static_cast<size_t>(b - 1)] = '-';
        chars[static_cast<size_t>(c)] = shape.last;
        std::vector<u8> bytes;
        std::vector<int64> offsets;
        for (u32 ch : chars) {
            offsets.push_back(static_cast<int64>(bytes.size()));
            if (encoding == EncodingUtf16LE) {
                PutUnit(bytes, ch);
            } else if (encoding == EncodingUtf8) {
                u8 buf[4];
                bytes.insert(bytes.end(), buf, buf + EncodeUtf8CodePoint(buf, static_cast<int32>(ch)));
            } else {
                bytes.push_back(ch == 0x105 ? 0xB9 : ch == 0x119 ? 0xEA : ch == 0x141 ? 0xA3 : static_cast<u8>(ch));
            }
        }
        Fill(doc, encoding, bytes);
        std::vector<u32> cps = CodePoints(shape.pattern);
        RegExp re;
        re.Compile(cps.data(), static_cast<int64>(cps.size()), ignoreCase);
        INFO("seed " << seed << " case seed " << caseSeed << " pattern \"" << Narrow(shape.pattern)
                     << "\" ignore case " << ignoreCase << " encoding " << encoding);
        for (int pair = 0; pair < 4; pair++) {
            // From between the short match and the last letter, with the
            // bound between the first letter and the short match.
            int64 p = offsets[static_cast<size_t>(b + 1 + static_cast<int>(local() % static_cast<u32>(c - b)))];
            int64 room = p - 5000 - offsets[static_cast<size_t>(a)] - 1;
            int64 stop = -7;
            int64 s = re.FindBackward(doc, p, stop, static_cast<int64>(local() % static_cast<u32>(room)));
            if (s < 0)
                continue;
            int64 window = local() % 2 ? 100000 : static_cast<int64>(local() % 20000);
            int64 stop2 = -7, freshStop = -7;
            int64 s2 = re.FindBackward(doc, s, stop2, window);
            RegExp fresh;
            fresh.Compile(cps.data(), static_cast<int64>(cps.size()), ignoreCase);
            INFO("from " << p << " to " << s << " window " << window);
            REQUIRE(s2 == fresh.FindBackward(doc, s, freshStop, window));
            REQUIRE(stop2 == freshStop);
            compared++;
            if (s2 >= 0)
                found++;
        }
    }
    CHECK(compared > 700);
    CHECK(found > 500);
}

namespace {

// Code points as a text of one encoding, with the characters where the
// matcher reads them.
oracle::Text EncodeCodes(const std::vector<u32>& codes, EncodingId encoding, std::vector<u8>& bytes)
{
    oracle::Text text;
    bytes.clear();
    for (u32 c : codes) {
        text.chars.push_back(oracle::Char{static_cast<int64>(bytes.size()), static_cast<int32>(c)});
        if (encoding == EncodingUtf8) {
            u8 buf[4];
            bytes.insert(bytes.end(), buf, buf + EncodeUtf8CodePoint(buf, static_cast<int32>(c)));
        } else if (encoding == EncodingWindows1250) {
            // The few Polish letters of the texts.
            bytes.push_back(c == 0x105 ? 0xB9 : c == 0x104 ? 0xA5 : c == 0x142 ? 0xB3 : c == 0x141 ? 0xA3
                            : c == 0x119 ? 0xEA : static_cast<u8>(c));
        } else {
            bytes.push_back(static_cast<u8>(encoding == EncodingUtf16LE ? c & 0xFF : c >> 8));
            bytes.push_back(static_cast<u8>(encoding == EncodingUtf16LE ? c >> 8 : c & 0xFF));
        }
    }
    text.size = static_cast<int64>(bytes.size());
    return text;
}

// Short literals (of one or two bytes in UTF-8 or Windows-1250 for most)
// and what follows or comes before them in the patterns.
const wchar_t* const kShortLiterals[] = {L"0x", L"qx", L"x", L"Q", L"0", L"\u0142", L"\u0105x", L"_k", L" 0", L"e", L"_"};
const struct {
    const wchar_t* text;
    u32 low, high, low2, high2;
} kHexClasses[] = {{L"[0-9a-fA-F]", '0', '9', 'a', 'f'}, {L"[0-9]", '0', '9', '0', '9'},
                   {L"[a-f]", 'a', 'f', 'a', 'f'}, {L"[ -x]", ' ', 'x', ' ', 'x'}};
const u32 kHexAlphabet[] = {'0', '1', '7', '9', 'a', 'c', 'f', 'A', 'F', 'x', 'X', 'q', 'Q', ' ', '\n',
                            '_', 'k', 'K', 'e', 'g', 0x105, 0x142, 0x141, 0x119};

u32 Upper(u32 c)
{
    return c >= 'a' && c <= 'z' ? c - 32 : c == 0x105 || c == 0x142 ? c - 1 : c;
}

struct ShortLiteralCase {
    std::wstring pattern;
    NodePtr tree;
    std::vector<u32> codes;  // the text
};

// A short literal with a class (quantified) after it, before it or on both
// sides; the text hex-heavy, with the literal and runs of the class planted.
ShortLiteralCase MakeShortLiteralCase(std::mt19937& rng, int chars)
{
    ShortLiteralCase c;
    std::wstring literal = kShortLiterals[rng() % (sizeof(kShortLiterals) / sizeof(kShortLiterals[0]))];
    const auto& cls = kHexClasses[rng() % (sizeof(kHexClasses) / sizeof(kHexClasses[0]))];
    auto classPart = [&](std::vector<NodePtr>& parts) {
        NodePtr n = Make(Node::Class);
        n->members.push_back({oracle::ClassMember::Range, cls.low, cls.high});
        n->members.push_back({oracle::ClassMember::Range, cls.low2, cls.high2});
        if (cls.text[1] == '0' && cls.text[4] == 'a')
            n->members.push_back({oracle::ClassMember::Range, 'A', 'F'});
        int q = static_cast<int>(rng() % 4);
        c.pattern += cls.text;
        c.pattern += q == 0 ? L"" : q == 1 ? L"?" : q == 2 ? L"*" : L"+";
        parts.push_back(q == 0 ? n : Wrap(q == 1 ? Node::Quest : q == 2 ? Node::Star : Node::Plus, {n}));
    };
    std::vector<NodePtr> parts;
    int shape = static_cast<int>(rng() % 4);  // 0, 1 literal first, 2 last, 3 between
    if (shape >= 2)
        classPart(parts);
    c.pattern += literal;
    for (wchar_t w : literal)
        parts.push_back(Make(Node::Literal, static_cast<u32>(w)));
    if (shape != 2)
        classPart(parts);
    c.tree = Wrap(Node::Concat, parts);
    for (int i = 0; i < chars; i++)
        c.codes.push_back(kHexAlphabet[rng() % (sizeof(kHexAlphabet) / sizeof(kHexAlphabet[0]))]);
    for (int k = 1 + static_cast<int>(rng() % 8); k > 0; k--) {
        size_t at = rng() % (c.codes.size() + 1);
        std::vector<u32> planted;
        for (int d = static_cast<int>(rng() % 4); d > 0; d--)
            planted.push_back(kHexAlphabet[rng() % 9]);
        for (size_t j = 0; j < literal.size(); j++)
            planted.insert(planted.begin() + static_cast<std::ptrdiff_t>(j), rng() % 4 ? literal[j] : Upper(literal[j]));
        c.codes.insert(c.codes.begin() + static_cast<std::ptrdiff_t>(at), planted.begin(), planted.end());
    }
    return c;
}

}  // namespace

TEST_CASE("backward searches of patterns with a literal of one or two bytes agree with the brute-force matcher")
{
    const u32 seed = 0x2B17E5AC;
    std::mt19937 rng(seed);
    TextDocument doc;
    int compared = 0, found = 0;
    for (int round = 0; round < 160; round++) {
        u32 caseSeed = rng();
        std::mt19937 local(caseSeed);
        ShortLiteralCase c = MakeShortLiteralCase(local, 60 + static_cast<int>(local() % 100));
        std::vector<u32> cps = CodePoints(c.pattern);
        for (EncodingId encoding : {EncodingUtf8, EncodingWindows1250, EncodingUtf16LE, EncodingUtf16BE}) {
            std::vector<u8> bytes;
            oracle::Text text = EncodeCodes(c.codes, encoding, bytes);
            Fill(doc, encoding, bytes);
            for (bool ignoreCase : {false, true}) {
                RegExp re;
                re.Compile(cps.data(), static_cast<int64>(cps.size()), ignoreCase);
                LazyMatches all(*c.tree, text, ignoreCase);
                INFO("seed " << seed << " case seed " << caseSeed << " pattern \"" << Narrow(c.pattern)
                             << "\" ignore case " << ignoreCase << " encoding " << encoding);
                for (size_t i = 0; i <= text.chars.size(); i++) {
                    int64 p = text.OffsetOf(i);
                    int64 window = local() % 3 ? 1000 : 1 + static_cast<int64>(local() % 40);
                    int64 stop = -7;
                    oracle::Found want = all.Backward(p, window);
                    REQUIRE(re.FindBackward(doc, p, stop, window) == want.start);
                    REQUIRE(stop == want.stop);
                    want = all.Before(p);
                    REQUIRE(re.FindBackwardBefore(doc, p, stop) == want.start);
                    REQUIRE(stop == want.stop);
                    compared += 2;
                }
                // Match after match from the end, each search going on from
                // the last, in windows narrow and wide by turns.
                for (int64 at = text.size; at > 0;) {
                    int64 window = local() % 2 ? 1000 : 1 + static_cast<int64>(local() % 30);
                    int64 stop = -7;
                    oracle::Found want = all.Backward(at, window);
                    int64 start = re.FindBackward(doc, at, stop, window);
                    REQUIRE(start == want.start);
                    REQUIRE(stop == want.stop);
                    compared++;
                    if (start >= 0)
                        found++;
                    at = start >= 0 ? (start < at ? start : at - 1) : stop;
                }
            }
        }
    }
    CHECK(compared > 100000);
    CHECK(found > 5000);
}

TEST_CASE("backward searches with a literal of one or two bytes agree with the plain automaton over long texts")
{
    // Texts longer than the byte reader's buffer, held in pieces: the
    // literal found across their edges, and a narrow search followed by a
    // wider one from its start, which goes on from the narrow one's run.
    const u32 seed = 0x0DD7E0C5;
    std::mt19937 rng(seed);
    TextDocument doc;
    int compared = 0, found = 0;
    for (int round = 0; round < 48; round++) {
        u32 caseSeed = rng();
        std::mt19937 local(caseSeed);
        ShortLiteralCase c = MakeShortLiteralCase(local, 20000 + static_cast<int>(local() % 30000));
        // Mostly hex digits, so that the class runs on over long stretches.
        for (u32& code : c.codes)
            if (local() % 4 != 0 && code != 'x' && code != 'q' && code != 'Q' && code != 0x142)
                code = kHexAlphabet[local() % 7];
        std::vector<u32> cps = CodePoints(c.pattern);
        EncodingId encoding = round % 4 == 0 ? EncodingUtf8 : round % 4 == 1 ? EncodingWindows1250
                                                             : round % 4 == 2 ? EncodingUtf16BE
                                                                              : EncodingUtf8;
        std::vector<u8> bytes;
        oracle::Text text = EncodeCodes(c.codes, encoding, bytes);
        Fill(doc, encoding, bytes);
        for (int k = 0; k < 3; k++) {
            int64 a = static_cast<int64>(local() % bytes.size()), b = a + static_cast<int64>(local() % 5000);
            b = b < static_cast<int64>(bytes.size()) ? b : static_cast<int64>(bytes.size());
            doc.text.Replace(a, b, bytes.data() + a, b - a);
        }
        bool ignoreCase = local() % 2 != 0;
        RegExp re, plain;
        re.Compile(cps.data(), static_cast<int64>(cps.size()), ignoreCase);
        plain.Compile(cps.data(), static_cast<int64>(cps.size()), ignoreCase);
        RegexTestAccess::PlainOnly(plain, encoding);
        INFO("seed " << seed << " case seed " << caseSeed << " pattern \"" << Narrow(c.pattern) << "\" ignore case "
                     << ignoreCase << " encoding " << encoding);
        for (int step = 0; step < 60; step++) {
            int64 p = text.OffsetOf(local() % (text.chars.size() + 1));
            int64 narrow = 1 + static_cast<int64>(local() % 3000);
            int64 stop = -7, plainStop = -7;
            int64 s = re.FindBackward(doc, p, stop, narrow);
            INFO("from " << p << " window " << narrow);
            REQUIRE(s == plain.FindBackward(doc, p, plainStop, narrow));
            REQUIRE(stop == plainStop);
            REQUIRE(re.FindBackwardBefore(doc, p, stop) == plain.FindBackwardBefore(doc, p, plainStop));
            REQUIRE(stop == plainStop);
            compared += 2;
            if (s < 0)
                continue;
            found++;
            int64 wide = local() % 2 ? 100000 : static_cast<int64>(local() % 20000);
            RegExp fresh;
            fresh.Compile(cps.data(), static_cast<int64>(cps.size()), ignoreCase);
            INFO("then from " << s << " window " << wide);
            int64 s2 = re.FindBackward(doc, s, stop, wide);
            REQUIRE(s2 == fresh.FindBackward(doc, s, plainStop, wide));
            REQUIRE(stop == plainStop);
            REQUIRE(s2 == plain.FindBackward(doc, s, plainStop, wide));
            REQUIRE(stop == plainStop);
            compared++;
        }
    }
    CHECK(compared > 6000);
    CHECK(found > 1000);
}
