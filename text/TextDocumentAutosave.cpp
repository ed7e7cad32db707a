#include "text/TextDocument.h"

#include "base/AppContext.h"
#include "base/Error.h"
#include "text/ByteStreams.h"
#include "text/Encoding.h"
#include "text/SyntaxId.h"

#include <windows.h>

#include <cwchar>
#include <new>

namespace {

constexpr int64 kAutosavePiece = 0x40000;

// Raised before every new autosave file of the run.
u32 g_autosaveCounter = 0;

// One header line: UTF-16LE units, then CR LF.
void WriteHeaderLine(File& file, const wchar_t* text, int64 length)
{
    PodArray<u8> bytes;
    bytes.Resize((length + 2) * 2);
    u8* out = bytes.Data();
    for (int64 i = 0; i < length; i++) {
        out[2 * i] = static_cast<u8>(text[i] & 0xFF);
        out[2 * i + 1] = static_cast<u8>(text[i] >> 8);
    }
    const u8 lineEnd[4] = {0x0D, 0x00, 0x0A, 0x00};
    for (int i = 0; i < 4; i++)
        out[2 * length + i] = lineEnd[i];
    file.CheckUsable();
    file.Write(out, bytes.Count());
}

void WriteHeaderLine(File& file, const String& text)
{
    WriteHeaderLine(file, text.CStr(), text.Length());
}

}  // namespace

int64 AutosaveLimits::cutPiece = 0x1000000;

String NewAutosaveName()
{
    g_autosaveCounter++;
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    wchar_t name[64];
    swprintf(name, 64, L"%08x_%08x_%08x_%08x.autosave", static_cast<unsigned>(now.dwHighDateTime),
             static_cast<unsigned>(now.dwLowDateTime), static_cast<unsigned>(GetCurrentProcessId()),
             static_cast<unsigned>(g_autosaveCounter));
    return String(name);
}

String AutosaveFolder()
{
    String data = GetDataFolder(AppContext::Current());
    CreateDirectoryW(data.CStr(), nullptr);
    String folder;
    folder.Concat(data.CStr(), data.Length(), L"autosave\\", 9);
    CreateDirectoryW(folder.CStr(), nullptr);
    return folder;
}

void TextDocument::StartAutosave()
{
    autosaveFile.Release();
    if (!autosaveUnfinishedPath.IsEmpty())
        DeleteFileIfExists(autosaveUnfinishedPath);
    autosaveUnfinishedPath.Release();
    autosaveNextFinishedPath.Release();

    String folder = AutosaveFolder();
    String name = NewAutosaveName();

    snapshot.Clear();
    autosaveUnfinishedPath.ConcatList({folder.CStr(), L"t", name.CStr()});
    autosaveNextFinishedPath.ConcatList({folder.CStr(), L"g", name.CStr()});
    snapshot.ShareFrom(text);

    // Opened without truncating: a file cut to nothing and written anew is
    // flushed to the disk when closed, which stalls the program for long.
    // The name is new, so only a leftover of the same name needs cutting.
    autosaveFile.Open(autosaveUnfinishedPath, kFileOpenAlways, 0);
    if (autosaveFile.Size() > 0)
        autosaveFile.Truncate();
    WriteHeaderLine(autosaveFile, GetPath());
    WriteHeaderLine(autosaveFile, GetLocation());
    // The size in full: texts grow beyond what 32 bits hold.
    WriteHeaderLine(autosaveFile, IntToString(snapshot.Size()));
    WriteHeaderLine(autosaveFile, EncodingName(text.Encoding(), bomLength > 0));
    WriteHeaderLine(autosaveFile, SyntaxIdToName(syntax));
    autosaveBytesWritten = 0;
}

void TextDocument::AbandonAutosave() noexcept
{
    autosaveFile.Release();
    if (!autosaveUnfinishedPath.IsEmpty())
        DeleteFileIfExists(autosaveUnfinishedPath);
    autosaveUnfinishedPath.Release();
    autosaveNextFinishedPath.Release();
    autosaveBytesWritten = 0;
    autosaveRunning = 0;
    snapshot.Clear();
    DropRetiredAutosave();
}

void TextDocument::DropRetiredAutosave() noexcept
{
    if (!autosaveRetiredPath.IsEmpty())
        DeleteFileIfExists(autosaveRetiredPath);
    autosaveRetiredPath.Release();
}

// Cuts a piece off the end of the replaced file, or deletes it once it is
// small. Failures here lose nothing: the file is deleted as it is.
bool TextDocument::RetireAutosaveStep() noexcept
{
    try {
        if (!autosaveFile.State())
            autosaveFile.Open(autosaveRetiredPath, kFileOpenAlways, 0);
        int64 size = autosaveFile.Size();
        if (size > AutosaveLimits::cutPiece) {
            autosaveFile.Seek(size - AutosaveLimits::cutPiece);
            autosaveFile.Truncate();
            return true;
        }
        autosaveFile.Close();
    } catch (...) {
        // Deleted below all the same.
    }
    autosaveFile.Release();
    DropRetiredAutosave();
    autosaveRunning = 0;
    return true;
}

bool TextDocument::AutosaveStep() noexcept
{
    if (!autosaveRetiredPath.IsEmpty())
        return RetireAutosaveStep();
    // An empty text starts no file; one emptied while its file is written
    // still finishes the snapshot taken before.
    if (!autosaveRunning && text.Size() == 0)
        return false;
    try {
        if (!autosaveRunning) {
            StartAutosave();
            autosaveRunning = 1;
            autosaveWanted = 0;
        } else if (autosaveBytesWritten < snapshot.Size()) {
            int64 end = snapshot.CharStart(autosaveBytesWritten + kAutosavePiece);
            ByteSaver saver(autosaveFile, nullptr);
            snapshot.Save(saver, autosaveBytesWritten, end);
            autosaveBytesWritten = end;
        } else if (autosaveFile.State()) {
            // Closing, renaming and deleting each take a step of their own:
            // with a large file each may take long.
            autosaveFile.Close();
            autosaveFile.Release();
        } else {
            // A failed rename is tried again at the next step.
            if (!MoveFileW(autosaveUnfinishedPath.CStr(), autosaveNextFinishedPath.CStr()))
                return false;
            autosaveRetiredPath = autosaveFinishedPath;
            autosaveFinishedPath = autosaveNextFinishedPath;
            autosaveUnfinishedPath.Release();
            autosaveNextFinishedPath.Release();
            snapshot.Clear();
            autosaveRunning = autosaveRetiredPath.IsEmpty() ? 0 : 1;
        }
    } catch (...) {
        // A failed file refuses all later work: start afresh at a later pass.
        AbandonAutosave();
        autosaveWanted = 1;
    }
    return true;
}

void TextDocument::DiscardAutosave() noexcept
{
    autosaveRunning = 0;
    autosaveWanted = 0;
    try {
        if (autosaveFile.IsUsable())
            autosaveFile.Close();
    } catch (...) {
        // The file is deleted below anyway.
    }
    autosaveFile.Release();
    if (!autosaveFinishedPath.IsEmpty())
        DeleteFileIfExists(autosaveFinishedPath);
    if (!autosaveUnfinishedPath.IsEmpty())
        DeleteFileIfExists(autosaveUnfinishedPath);
    DropRetiredAutosave();
    autosaveFinishedPath.Release();
    autosaveUnfinishedPath.Release();
    autosaveNextFinishedPath.Release();
    autosaveBytesWritten = 0;
    snapshot.Clear();
    fromAutosave = 0;
}
