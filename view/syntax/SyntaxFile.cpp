#include "view/syntax/LexerStorage.h"

#include "base/AppContext.h"
#include "base/CharUtils.h"
#include "base/Error.h"
#include "base/File.h"

#include <windows.h>

#include <cstdlib>
#include <memory>

namespace {

struct FreeDeleter {
    void operator()(void* p) const { free(p); }
};

}  // namespace

void ReadSyntaxFile(LexerStorage& storage, const wchar_t* fileName)
{
    String path;
    try {
        String name(L"syntax\\");
        name.Append(fileName, static_cast<int64>(wcslen(fileName)));
        path = GetDataFilePath(AppContext::Current(), name.CStr());
    } catch (const Error&) {
        return;
    }
    ReadSyntaxFileAt(storage, path);
}

void ReadSyntaxFileAt(LexerStorage& storage, const String& path)
{
    DWORD attributes = GetFileAttributesW(path.CStr());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return;
    // A syntax file that cannot be read leaves the built-in words (and the
    // sections applied so far) in use.
    try {
        File file;
        file.Open(path, kFileRead, 0);
        int32 size = AsInt(file.Size());
        std::unique_ptr<u8, FreeDeleter> bytes(static_cast<u8*>(AllocZeroed(static_cast<size_t>(size) + 1)));
        int64 n = file.Read(bytes.get(), size);
        file.Release();
        String text = Utf8ToString(bytes.get(), n);
        bytes.reset();
        ApplySyntaxSections(storage, text.Data(), text.Length());
    } catch (const Error&) {
    }
}
