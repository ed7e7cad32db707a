#include "support/DocumentText.h"
#include "text/Encoding.h"
#include "text/TextDocument.h"
#include "text/UndoChange.h"

#include <doctest.h>

#include <random>
#include <string>
#include <vector>

using namespace doctext;

namespace {

struct LimitGuard {
    int64 records = EditLimits::undoRecords;
    int64 bytes = EditLimits::undoBytes;
    ~LimitGuard()
    {
        EditLimits::undoRecords = records;
        EditLimits::undoBytes = bytes;
    }
};

// The bytes that UTF-16 text takes in the document's encoding and line ends,
// found without the document.
std::string Encoded(TextDocument& doc, const std::wstring& text)
{
    std::string out(text.size() * 40 + 8, '\0');
    int64 pos = 0, textPos = 0;
    EncodeUtf16Text(reinterpret_cast<u8*>(&out[0]), pos, static_cast<int64>(out.size()), text.data(), textPos,
                    static_cast<int64>(text.size()), doc.text.Encoding(), doc.text.NewLineKind(), nullptr);
    out.resize(static_cast<size_t>(pos));
    return out;
}

// A character start of the document at or below a random offset.
int64 RandomStart(TextDocument& doc, std::mt19937& rng)
{
    int64 size = doc.text.Size();
    return doc.text.CharStart(size > 0 ? static_cast<int64>(rng() % static_cast<u32>(size + 1)) : 0);
}

std::wstring RandomText(std::mt19937& rng)
{
    static const wchar_t* pieces[] = {L"a", L"xyz", L"\r\n", L"\n", L"\r", L"\x0105", L"\x017C\x00F3\x0142w",
                                      L"\xD83D\xDE00", L"\x20AC", L"", L"0123456789"};
    std::wstring text;
    int n = static_cast<int>(rng() % 4);
    for (int i = 0; i < n; i++)
        text += pieces[rng() % (sizeof pieces / sizeof pieces[0])];
    if (rng() % 40 == 0)
        text += std::wstring(300 + rng() % 9000, L'b');
    return text;
}

// Random edits, undos, redos, saves and history clears against a model that
// keeps every state of the history. A text that is not modified always
// equals what was last saved.
void RunRandomHistory(EncodingId encoding, unsigned seed)
{
    LimitGuard guard;
    EditLimits::undoRecords = 40;
    EditLimits::undoBytes = 20000;
    std::mt19937 rng(seed);
    TextDocument doc;
    doc.text.SetEncoding(encoding);
    std::vector<std::string> states{Bytes(doc)};  // states[i]: the text at undo position i
    std::string saved = Bytes(doc);
    for (int step = 0; step < 3000; step++) {
        CAPTURE(step);
        int what = static_cast<int>(rng() % 20);
        TextDocument::UndoResult u;
        if (what < 11) {
            int64 a = RandomStart(doc, rng), b = RandomStart(doc, rng);
            std::wstring text = RandomText(rng);
            std::string before = Bytes(doc);
            int64 lo = a < b ? a : b, hi = a < b ? b : a;
            std::string expected = before.substr(0, static_cast<size_t>(lo)) + Encoded(doc, text) +
                                   before.substr(static_cast<size_t>(hi));
            int64 position = doc.undoPosition;
            Replace(doc, a, b, text.c_str());
            REQUIRE(Bytes(doc) == expected);
            // The redo states go; trimming drops states from the front.
            int64 dropped = position + 1 - doc.undoLength;
            states.resize(static_cast<size_t>(position + 1));
            states.erase(states.begin(), states.begin() + dropped);
            states.push_back(expected);
        } else if (what < 15) {
            if (doc.UndoGroupTag() >= 0) {
                doc.Undo(u);
                REQUIRE(Bytes(doc) == states[static_cast<size_t>(doc.undoPosition)]);
            }
        } else if (what < 18) {
            if (doc.RedoGroupTag() >= 0) {
                doc.Redo(u);
                REQUIRE(Bytes(doc) == states[static_cast<size_t>(doc.undoPosition)]);
            }
        } else if (what < 19) {
            // As a save that marks the text saved leaves it.
            doc.savedPosition = doc.undoPosition;
            doc.modified = 0;
            saved = Bytes(doc);
        } else {
            doc.ClearUndo();
            states.assign(1, Bytes(doc));
        }
        REQUIRE(static_cast<int64>(states.size()) >= doc.undoLength + 1);
        REQUIRE(doc.modified == (doc.undoPosition != doc.savedPosition ? 1 : 0));
        if (!doc.modified)
            REQUIRE(Bytes(doc) == saved);
        REQUIRE(doc.undoLength <= EditLimits::undoRecords);
    }
}

}  // namespace

TEST_CASE("random edits, undos, redos and saves agree with a model of the history")
{
    for (EncodingId encoding : {EncodingUtf8, EncodingUtf16LE, EncodingUtf16BE, EncodingWindows1250}) {
        CAPTURE(encoding);
        for (unsigned seed = 1; seed <= 3; seed++) {
            CAPTURE(seed);
            RunRandomHistory(encoding, seed);
        }
    }
}
