// The start-up action: texts left in autosave files by a run that ended
// without saving them come back first, then the texts of the last session,
// then the files of the command line.

#include "actions/ActionBroker.h"

#include "actions/ProgressNotify.h"
#include "base/AppContext.h"
#include "base/CharStream.h"
#include "base/CharUtils.h"
#include "base/Error.h"
#include "base/File.h"
#include "base/Paths.h"
#include "base/UiLanguage.h"
#include "text/Encoding.h"
#include "text/SyntaxId.h"
#include "text/TextDocument.h"
#include "view/TextView.h"

#include <windows.h>

#include <algorithm>
#include <cwchar>
#include <memory>
#include <vector>

namespace {

const RecoveryCalls* g_recoveryCalls = nullptr;

Array<String> ListNames(const String& folder, const wchar_t* pattern)
{
    if (g_recoveryCalls && g_recoveryCalls->listDirectory)
        return g_recoveryCalls->listDirectory(folder.CStr(), pattern);
    return ListDirectory(folder.CStr(), pattern);
}

int CompareNames(const String& a, const String& b)
{
    return CompareNoCase(a.Data(), a.Length(), b.Data(), b.Length());
}

bool SamePath(const String& a, const String& b)
{
    return a.Data() == b.Data() || EqualsNoCase(a.Data(), a.Length(), b.Data(), b.Length());
}

// The numbers of "g%08x_%08x_%08x_%08x.autosave" (any first letter).
struct AutosaveNameParts {
    u64 time;
    u32 process;
};

bool ParseAutosaveName(const String& name, AutosaveNameParts& parts)
{
    const wchar_t* s = name.CStr();
    // "g", four numbers of eight digits each followed by one character, "autosave".
    if (name.Length() != 45 || !EqualsNoCase(s + 36, 9, L".autosave", 9))
        return false;
    u32 numbers[4];
    for (int k = 0; k < 4; k++) {
        u32 value = 0;
        for (int i = 0; i < 8; i++) {
            wchar_t c = s[1 + 9 * k + i];
            int digit = c >= L'0' && c <= L'9' ? c - L'0'
                      : c >= L'a' && c <= L'f' ? c - L'a' + 10
                      : c >= L'A' && c <= L'F' ? c - L'A' + 10
                                               : -1;
            if (digit < 0)
                return false;
            value = value << 4 | static_cast<u32>(digit);
        }
        if (s[9 + 9 * k] != (k < 3 ? L'_' : L'.'))
            return false;
        numbers[k] = value;
    }
    parts.time = static_cast<u64>(numbers[0]) << 32 | numbers[1];
    parts.process = numbers[2];
    return true;
}

struct HandleCloser {
    void operator()(HANDLE h) const { CloseHandle(h); }
};
using ProcessHandle = std::unique_ptr<void, HandleCloser>;

// The autosave names that this step may take: complete or not, those of an
// editor that still runs are left alone.
std::vector<String> NamesNotInUse(const String& folder, const wchar_t* pattern)
{
    Array<String> listed = ListNames(folder, pattern);
    std::vector<String> names;
    for (int64 i = 0; i < listed.Count(); i++)
        if (!AutosaveOwnerRunning(listed.At(i)))
            names.push_back(listed.At(i));
    return names;
}

String Joined(const String& folder, const String& name)
{
    String path;
    path.Concat(folder.CStr(), folder.Length(), name.CStr(), name.Length());
    return path;
}

// The five header lines; the file then stands at the first byte of the text.
void ReadHeaderLines(CharStream& stream, String (&lines)[5])
{
    for (String& line : lines) {
        line = stream.ReadLine();
        if (stream.lineEnd != 10)
            throw EofError(stream.file.State() ? stream.file.State()->name.CStr() : L"");
    }
}

// The lines of the session file start with a digit or letter and a colon.
bool Starts(const String& line, wchar_t kind)
{
    return line.Length() >= 2 && line.Data()[0] == kind && line.Data()[1] == L':';
}

// At most 19 characters of an item are read: what the file's numbers take.
constexpr int64 kItemChars = 19;

}  // namespace

bool ParseDecimal(const wchar_t* text, int64 length, int64& value)
{
    int64 i = 0;
    while (i < length && (text[i] == L' ' || text[i] == L'\t'))
        i++;
    bool negative = false;
    if (i < length && (text[i] == L'-' || text[i] == L'+'))
        negative = text[i++] == L'-';
    u64 magnitude = 0;
    int64 digits = 0;
    // One beyond INT64_MAX is allowed for a negative number.
    const u64 limit = negative ? 0x8000000000000000ULL : 0x7FFFFFFFFFFFFFFFULL;
    for (; i < length && text[i] >= L'0' && text[i] <= L'9'; i++, digits++) {
        u64 digit = static_cast<u64>(text[i] - L'0');
        if (magnitude > (limit - digit) / 10)
            return false;
        magnitude = magnitude * 10 + digit;
    }
    if (digits == 0)
        return false;
    value = negative ? static_cast<int64>(0 - magnitude) : static_cast<int64>(magnitude);
    return true;
}

void SetRecoveryCalls(const RecoveryCalls* calls)
{
    g_recoveryCalls = calls;
}

bool AutosaveOwnerRunning(const String& name)
{
    AutosaveNameParts parts;
    if (!ParseAutosaveName(name, parts))
        return false;
    ProcessHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, parts.process));
    if (!process) {
        // A process that exists but may not be asked could be the writer.
        return GetLastError() == ERROR_ACCESS_DENIED;
    }
    DWORD code = 0;
    if (GetExitCodeProcess(process.get(), &code) && code != STILL_ACTIVE)
        return false;
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(process.get(), &created, &exited, &kernel, &user))
        return true;
    // Ids are reused: a process that started after the autosave began did
    // not write it.
    return FileTimeValue(created) <= parts.time;
}

AutosaveHeader ReadAutosaveHeader(const String& fullPath, const String& name)
{
    AutosaveHeader header;
    header.name = name;
    header.fullPath = fullPath;
    File file;
    file.Open(fullPath, kFileRead, -64);
    CharStream stream(file, kStreamUtf16Le, true);
    ReadHeaderLines(stream, header.lines);
    file.Close();
    return header;
}

void ActionBroker::StartupAction(ActionRecord& record)
{
    // Every step swallows its own failure: the editor always finishes starting.
    try {
        RecoverAutosaves(record.view);
    } catch (...) {
    }
    try {
        ActionRecord restore;
        restore.InitPlain(ActionRestoreSession, record.view);
        RestoreHibernation(restore);
    } catch (...) {
    }
    try {
        Array<String> files = CommandLineFiles(AppContext::Arguments());
        ActionRecord open;
        open.InitOpenFiles(record.view, true, files);
        OpenFileList(open, open.paths, true);
    } catch (...) {
    }
}

void ActionBroker::RecoverAutosaves(TextView* view)
{
    String folder = AutosaveFolder();
    std::vector<AutosaveHeader> chosen;
    for (const String& name : NamesNotInUse(folder, L"g*")) {
        AutosaveHeader header;
        try {
            header = ReadAutosaveHeader(Joined(folder, name), name);
        } catch (...) {
            // Locked, a folder, cut short: the others still come back.
            continue;
        }
        const String& path = header.lines[0];
        if (!path.IsEmpty()) {
            bool timeKnown = true;
            FILETIME written{};
            try {
                written = GetFileWriteTime(path.CStr());
            } catch (...) {
                timeKnown = false;
            }
            if (timeKnown) {
                wchar_t reference[64];
                swprintf(reference, 64, L"g%08x_%08x_%08x_%08x.autosave", static_cast<unsigned>(written.dwHighDateTime),
                         static_cast<unsigned>(written.dwLowDateTime), 1u, 1u);
                // The file was written after the autosave began: the autosave is stale.
                if (CompareNames(String(reference), name) >= 0) {
                    DeleteFileW(header.fullPath.CStr());
                    continue;
                }
            }
        }
        // Of several autosaves of one file only the newest comes back, in
        // whatever order the folder lists them; the older ones stay on disk.
        bool placed = false;
        if (!path.IsEmpty())
            for (AutosaveHeader& listed : chosen) {
                if (!SamePath(listed.lines[0], path))
                    continue;
                if (CompareNames(listed.name, name) < 0)
                    listed = header;
                placed = true;
                break;
            }
        if (!placed)
            chosen.push_back(header);
    }

    for (const AutosaveHeader& header : chosen) {
        // Renamed to a name of this run before it is read: the name claims
        // the file, so that an editor started beside this one leaves it alone
        // and only one of two starting at once takes it.
        String adopted;
        adopted.ConcatList({folder.CStr(), L"g", NewAutosaveName().CStr()});
        if (!MoveFileW(header.fullPath.CStr(), adopted.CStr()))
            continue;
        try {
            RecoverAutosaveFile(view, adopted);
        } catch (...) {
        }
    }

    // Unfinished autosaves are never recovered.
    for (const String& name : NamesNotInUse(folder, L"t*"))
        DeleteFileW(Joined(folder, name).CStr());
}

void ActionBroker::RecoverAutosaveFile(TextView* view, const String& fullPath)
{
    File file;
    file.Open(fullPath, kFileRead, -4);
    CharStream stream(file, kStreamUtf16Le, true);
    String lines[5];
    ReadHeaderLines(stream, lines);
    int64 byteCount = 0;
    if (!ParseDecimal(lines[2].Data(), lines[2].Length(), byteCount) || byteCount < 0)
        byteCount = 0;

    const wchar_t* shown = lines[0].IsEmpty() ? L"autosave" : lines[0].CStr();
    ProgressNotify notify(ViewProgressDialog(view), UiText(L"Wczytywanie pliku - Scrivel", L"Loading - Scrivel"),
                          UiText(L"Wczytuję plik", L"Loading"), shown);

    TextDocument* existing = lines[0].IsEmpty() ? nullptr : documents.FindByPath(lines[0]);
    ActionRecord open;
    open.InitPlain(ActionOpenOrActivate, view);
    open.text = lines[0];
    open.text2 = lines[1];
    OpenOrActivate(open);
    TextDocument* text = view->CurrentDocument();
    try {
        text->LoadAutosave(stream.file, fullPath, &notify, byteCount, lines[3].CStr(), lines[4].CStr());
        Broadcast(BroadcastContentReplaced, text, view);
    } catch (...) {
        file.Release();
        // A question now would come during start-up, and its Abandon would
        // delete the only copy: the text made here just goes again.
        if (!existing && text && documents.IndexOf(text) >= 0) {
            try {
                RemoveText(view, text);
            } catch (...) {
                SwitchViewsAwayFrom(text);
                if (documents.IndexOf(text) >= 0)
                    documents.Remove(text);
            }
        }
        throw;
    }
}

void ActionBroker::RestoreHibernation(ActionRecord& record)
{
    TextView* view = record.view;
    File file;
    try {
        file.Open(GetDataFilePath(L"hibernation.dat"), kFileRead, -16);
    } catch (...) {
        return;
    }
    CharStream stream(file, kStreamUtf8, false);
    struct Restoring {
        u8& flag;
        u8 before;
        explicit Restoring(u8& f) : flag(f), before(f) { flag = 1; }
        ~Restoring() { flag = before; }
    } restoring(restoringSession);
    TextDocument* target = nullptr;
    int64 restored = 0;
    while (!stream.AtEnd()) {
        String line = stream.ReadLine();
        const wchar_t* s = line.CStr();
        int64 n = line.Length();
        if (Starts(line, L'A')) {
            if (TextDocument* active = documents.FindByPath(line.Substring(2, n - 2)))
                ActivateText(view, active);
        } else if (Starts(line, L'1')) {
            // Whatever follows a damaged text line belongs to no text.
            target = nullptr;
            const wchar_t* second = wcschr(s + 2, L':');
            if (!second)
                continue;
            String name = line.Substring(2, second - s - 2);
            String path = line.Substring(second - s + 1, n - (second - s + 1));
            bool bom = false;
            EncodingId encoding = EncodingFromName(name.CStr(), bom);
            if (TextDocument* open = documents.FindByPath(path)) {
                ActivateText(view, open);
                target = open;
                continue;
            }
            try {
                OpenOrReloadFile(view, path, encoding, true, false);
                TextDocument* loaded = view->CurrentDocument();
                // Only a known name says what the BOM was; an unknown one
                // leaves what the load found, and the text unmodified.
                if (encoding != EncodingUnknown)
                    loaded->SetBom(bom);
                if (documents.IndexOf(loaded) != restored) {
                    documents.Move(loaded, restored);
                    Broadcast(BroadcastDocumentMoved, loaded, view);
                }
                target = loaded;
                restored++;
            } catch (...) {
                Error error = CurrentError();
                if (error.code != Abort().code)
                    ShowAlertOnView(view, ActionErrorTitle(ActionRestoreSession), error);
            }
        } else if (Starts(line, L'2') && target) {
            try {
                // The writer stores no syntax as an empty name.
                SyntaxId syntax = n == 2 ? kSyntaxNone : SyntaxIdFromName(s + 2);
                if (syntax >= 0 && syntax != target->syntax) {
                    target->syntax = syntax;
                    Broadcast(BroadcastSyntaxChanged, target, view);
                }
            } catch (...) {
            }
        } else if (Starts(line, L'3') && target) {
            try {
                const wchar_t* end = s + n;
                const wchar_t* item = s + 2;
                const wchar_t* comma = wcschr(item, L',');
                const wchar_t* itemEnd = comma ? comma : end;
                RestoreCaretFromSession(view, String(item, std::min<int64>(itemEnd - item, kItemChars)));
                bool added = false;
                TextBuff& text = target->text;
                try {
                    while (comma) {
                        item = comma + 1;
                        comma = wcschr(item, L',');
                        itemEnd = comma ? comma : end;
                        int64 position = 0;
                        if (!ParseDecimal(item, std::min<int64>(itemEnd - item, kItemChars), position))
                            continue;
                        // Offsets from another state of the file: none beyond
                        // the text, none inside a character.
                        if (position < 0 || position > text.Size())
                            continue;
                        target->AddBookmark(text.CharStart(position));
                        added = true;
                    }
                } catch (...) {
                    if (added)
                        Broadcast(BroadcastBookmarksChanged, target, view);
                    throw;
                }
                if (added)
                    Broadcast(BroadcastBookmarksChanged, target, view);
            } catch (...) {
            }
        }
    }
    file.Close();
}

void ActionBroker::RestoreCaretFromSession(TextView* view, const String& text)
{
    TextDocument* document = view->CurrentDocument();
    if (!document)
        return;
    const wchar_t* s = text.CStr();
    const wchar_t* colon = wcschr(s, L':');
    int64 line = 0;
    int64 column = 0;
    if (!ParseDecimal(s, colon ? colon - s : text.Length(), line) || line < 0)
        return;
    if (colon && (!ParseDecimal(colon + 1, text.Length() - (colon + 1 - s), column) || column < 0))
        return;
    int64 position = document->text.LineColumnToOffset(line, column);
    view->SetCaret(document, position, CaretScrollIntoView, 0);
    Broadcast(BroadcastCaretMoved, document, view);
}
