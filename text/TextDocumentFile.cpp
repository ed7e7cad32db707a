#include "text/TextDocument.h"

#include "base/Error.h"
#include "base/File.h"
#include "base/Paths.h"
#include "base/StrFormat.h"
#include "base/UiLanguage.h"
#include "text/ByteStreams.h"
#include "text/Encoding.h"
#include "text/SyntaxId.h"
#include "text/TextNotify.h"

#include <windows.h>

#include <algorithm>
#include <memory>

namespace {

constexpr int64 kSampleBytes = 0x10000;
constexpr int64 kCopyPiece = 0x40000;
constexpr int32 kTargetBuffer = 0x40000;
constexpr int64 kFourGiB = 0x100000000LL;
constexpr int64 kMiB = 0x100000;

const wchar_t* LoadingTitle()
{
    return IsPolishUi() ? L"Wczytywanie tekstu - Scrivel" : L"Text loading - Scrivel";
}

// Refuses a file beyond what the program can hold, and asks about one that
// takes a good part of the machine's memory.
void CheckLoadSize(const String& path, int64 size, TextNotify* notify)
{
    int64 memory = PhysicalMemorySize();
    int64 limit = 2 * std::min(memory, kFourGiB);
    if (size > limit) {
        if (notify) {
            String message = StrFormat(
                IsPolishUi() ? L"Plik o nazwie []\nma rozmiar [] MB. Przekracza to mo\u017Cliwo\u015Bci programu, "
                               L"kt\u00F3re ko\u0144cz\u0105 si\u0119 na [] MB.\n\nWczytanie pliku nie jest mo\u017Cliwe."
                             : L"The file []\nsize [] MB exceeds the maximum supported value ([] MB). Loading is not "
                               L"possible.",
                path, size / kMiB, limit / kMiB);
            notify->Alert(message.CStr(), LoadingTitle(), L"+OK", 1);
        }
        throw Abort();
    }
    if (size >= memory / 2 && notify) {
        String message = StrFormat(
            IsPolishUi() ? L"Plik o nazwie []\nma rozmiar [] MB. Wczytywanie i przetwarzanie tego pliku mo\u017Ce by\u0107 "
                           L"powolne.\n\nCzy mam kontynuowa\u0107 wczytywanie?"
                         : L"The file []\nis very big ([] MB). Loading and processing this file may be slow.\n\nShould I "
                           L"continue loading?",
            path, size / kMiB);
        const wchar_t* buttons =
            IsPolishUi() ? L"+Kontynuuj wczytywanie|-Anuluj" : L"+Continue loading|-Cancel";
        if (notify->Alert(message.CStr(), LoadingTitle(), buttons, 1) != 0)
            throw Abort();
    }
}

// Fills an empty buffer in the encoding from the file's position on.
void LoadInto(TextBuff& loaded, File& file, EncodingId encoding, int64 total, TextNotify* notify)
{
    loaded.SetEncoding(encoding);
    if (notify)
        notify->SetTotal(total);
    ByteLoader loader(file, notify);
    loaded.Load(loader);
}

int32 BomLengthOf(const u8* sample, int64 n)
{
    if (n >= 3 && sample[0] == 0xEF && sample[1] == 0xBB && sample[2] == 0xBF)
        return 3;
    if (n >= 2 && ((sample[0] == 0xFF && sample[1] == 0xFE) || (sample[0] == 0xFE && sample[1] == 0xFF)))
        return 2;
    return 0;
}

// Copies size bytes from one file to another in pieces; a short read is an
// EofError naming the source.
template <class AfterPiece>
void CopyFileBytes(File& from, File& to, int64 size, AfterPiece afterPiece)
{
    std::unique_ptr<u8[]> piece(new u8[kCopyPiece]);
    int64 copied = 0;
    while (copied < size) {
        int64 n = std::min(kCopyPiece, size - copied);
        if (from.Read(piece.get(), n) != n)
            throw EofError(from.State()->name.CStr());
        to.Write(piece.get(), n);
        copied += n;
        afterPiece(copied);
    }
}

// Copies the file being replaced to its ".bak.bak" name before anything is
// written over it. The copy goes again on any failure.
void MakeSafetyCopy(File& old, int64 size, const String& copyPath, TextNotify* notify)
{
    File copy;
    try {
        copy.Open(copyPath, kFileCreate, 0);
        CopyFileBytes(old, copy, size, [notify](int64 copied) {
            if (notify)
                notify->Progress(copied);
        });
        copy.Close();
    } catch (...) {
        copy.Release();
        DeleteFileIfExists(copyPath);
        throw;
    }
}

// Puts the old content back after a failed or cancelled write. The target is
// opened afresh, so nothing of the failed write (pending bytes, a failed
// handle, the position it stopped at) mixes into what is restored.
void RestoreFromBackup(File& target, const String& path, const String& copyPath, TextNotify* notify)
{
    target.Release();
    File copy;
    copy.Open(copyPath, kFileRead, 0);
    int64 size = copy.Size();
    // The restore must run to its end: Cancel cannot stop it.
    auto report = [notify](int64 position) {
        if (!notify)
            return;
        try {
            notify->Progress(position);
        } catch (...) {
        }
    };
    if (notify) {
        notify->SetBase(0);
        notify->SetTotal(size);
    }
    report(size);
    target.Open(path, kFileOpenAlways, 0);
    CopyFileBytes(copy, target, size, [&](int64 copied) { report(size - copied); });
    target.Truncate();
    target.Close();
}

}  // namespace

void TextDocument::TakeLoadedText(TextBuff& loaded, File& file)
{
    ClearUndo();
    // The views' and bookmarks' markers stay with the document and keep their
    // places as far as the new text reaches; bookmarks pushed onto one place
    // become one.
    loaded.ShareMarkerTable(text);
    text.TakeFrom(loaded);
    SettleMarkers();
    RemoveDoubledBookmarks();
    fileTime = FileTimeValue(file.LastWriteTime());
}

void TextDocument::LoadFile(TextNotify* notify, EncodingId encoding)
{
    String path = GetPath();
    File file;
    file.Open(path, kFileRead, 0);
    int64 size = file.Size();
    CheckLoadSize(path, size, notify);

    int64 want = std::min(size, kSampleBytes);
    std::unique_ptr<u8[]> sample(new u8[static_cast<size_t>(want) + 1]);
    if (file.Read(sample.get(), want) != want)
        throw EofError(path.CStr());
    int32 bomBytes = BomLengthOf(sample.get(), want);
    if (encoding < 1)
        encoding = DetectEncoding({bomBytes, want > 0 ? sample[0] : u8(0)}, sample.get() + bomBytes, want - bomBytes);

    int32 syntaxId = SyntaxIdFromExtension(path.CStr());
    file.Seek(bomBytes);
    TextBuff loaded;
    LoadInto(loaded, file, encoding, size, notify);

    TakeLoadedText(loaded, file);
    bomLength = static_cast<u32>(bomBytes);
    for (int32 i = 0; i < bomBytes; i++)
        bom[i] = sample[i];
    diskEncoding = encoding;
    syntax = syntaxId;
    file.Close();

    modified = 0;
    savedPosition = 0;
    DiscardAutosave();
}

void TextDocument::LoadAutosave(File& file, const String& autosavePath, TextNotify* notify, int64 byteCount,
                                const wchar_t* encodingName, const wchar_t* syntaxName)
{
    bool withBom = false;
    EncodingId encoding = EncodingFromName(encodingName, withBom);
    if (encoding == EncodingUnknown) {
        encoding = EncodingWindows1250;
        withBom = false;
    }
    int32 syntaxId = SyntaxIdFromName(syntaxName);

    TextBuff loaded;
    LoadInto(loaded, file, encoding, byteCount, notify);

    TakeLoadedText(loaded, file);
    file.Close();

    // Whatever autosave the document had belongs to the text just replaced.
    DiscardAutosave();
    bomLength = 0;
    SetBom(withBom);
    diskEncoding = encoding;
    modified = 1;
    fromAutosave = 1;
    // The text is not what its file holds: no undo may mark it saved.
    savedPosition = -1;
    autosaveFinishedPath = autosavePath;
    syntax = syntaxId >= 0 ? syntaxId : SyntaxIdFromExtension(GetPath().CStr());
}

void TextDocument::WriteTo(File& file, int64 from, int64 to, TextNotify* notify)
{
    if (!file.IsUsable())
        throw InternalError();
    if (bomLength > 0)
        file.Write(bom, bomLength);
    ByteSaver saver(file, notify);
    text.Save(saver, from, to);
    file.Truncate();
}

void TextDocument::RefreshFileTime(const String& path)
{
    FILETIME time;
    try {
        time = GetFileWriteTime(path.CStr());
    } catch (const Error&) {
        GetSystemTimeAsFileTime(&time);
    }
    fileTime = FileTimeValue(time);
}

void TextDocument::SaveFile(const String& path, int64 from, int64 to, TextNotify* notify, bool backup,
                            bool markSaved, bool adoptPath)
{
    String backupPath;
    backupPath.Concat(path.CStr(), path.Length(), L".bak", 4);
    String copyPath;
    copyPath.Concat(path.CStr(), path.Length(), L".bak.bak", 8);
    int64 textSize = to - from;

    DWORD attributes = GetFileAttributesW(path.CStr());
    bool existed = attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
    int64 oldSize = 0;
    if (existed) {
        File old;
        old.Open(path, kFileRead, 0);
        oldSize = old.Size();
        if (notify)
            notify->SetTotal(oldSize + textSize);
        MakeSafetyCopy(old, oldSize, copyPath, notify);
        if (notify)
            notify->SetBase(oldSize);
    } else if (notify) {
        notify->SetTotal(textSize);
    }

    File target;
    target.Open(path, kFileOpenAlways, kTargetBuffer);
    if (notify)
        notify->SetBase(oldSize);
    try {
        WriteTo(target, from, to, notify);
        target.Close();
    } catch (...) {
        if (!existed) {
            // A cut-off new file would later open as a whole text that ends
            // early: what this save created goes again.
            target.Release();
            DeleteFileIfExists(path);
            if (markSaved)
                RefreshFileTime(path);
            throw;
        }
        try {
            RestoreFromBackup(target, path, copyPath, notify);
        } catch (...) {
            target.Release();
            if (markSaved)
                RefreshFileTime(path);
            throw;
        }
        target.Release();
        if (markSaved)
            RefreshFileTime(path);
        throw;
    }

    if (backup) {
        if (DeleteFileIfExists(backupPath) == 0 && existed)
            MoveFileExW(copyPath.CStr(), backupPath.CStr(), MOVEFILE_REPLACE_EXISTING);
    } else if (existed) {
        DeleteFileIfExists(copyPath);
    }

    if (markSaved) {
        modified = 0;
        diskEncoding = text.Encoding();
        savedPosition = undoPosition;
    }
    if (adoptPath) {
        SetPath(path);
        SetLocation(path);
    }
    if (markSaved) {
        // Saved under any name, the text no longer needs its autosave copy.
        DiscardAutosave();
        RefreshFileTime(path);
    }
}
