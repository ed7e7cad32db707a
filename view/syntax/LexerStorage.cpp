#include "view/syntax/LexerStorage.h"

#include "base/CharUtils.h"
#include "base/Error.h"
#include "base/File.h"

#include <windows.h>

#include <cstdlib>
#include <cwchar>
#include <memory>
#include <vector>

void LexerStorage::OnSection(const wchar_t*, int32, const wchar_t*, int32) {}

bool IsSectionNamed(const wchar_t* header, int32 headerLength, const wchar_t* name)
{
    size_t n = wcslen(name);
    return static_cast<size_t>(headerLength) == n && wmemcmp(header, name, n) == 0;
}

WordSet SectionWords(const wchar_t* body, int32 bodyLength)
{
    // The words point into a copy of the body whose line ends are NULs.
    String pool;
    wchar_t* chars = pool.Allocate(bodyLength);
    for (int32 i = 0; i < bodyLength; i++)
        chars[i] = body[i] == '\r' || body[i] == '\n' ? L'\0' : body[i];
    WordSet words(WordSet::Exact);
    words.KeepPool(pool);
    std::vector<WordSet::Entry> lines;
    int32 i = 0;
    while (i < bodyLength) {
        int32 start = i;
        while (i < bodyLength && chars[i] != '\0')
            i++;
        if (i > start && chars[start] != ' ' && chars[start] != '\t')
            lines.push_back(WordSet::Entry{chars + start, i - start});
        i++;
    }
    words.AddAll(lines.data(), static_cast<int64>(lines.size()));
    return words;
}

namespace {

struct FreeDeleter {
    void operator()(void* p) const { free(p); }
};

bool IsHeaderLine(const wchar_t* text, int64 at, int64 length)
{
    return at + 1 < length && (text[at] == ' ' || text[at] == '\t') && text[at + 1] == '*';
}

int64 NextLine(const wchar_t* text, int64 at, int64 length)
{
    while (at < length && text[at] != '\n')
        at++;
    return at < length ? at + 1 : length;
}

}  // namespace

void ApplySyntaxSections(LexerStorage& storage, const wchar_t* text, int64 length)
{
    int64 at = 0;
    while (at < length) {
        if (!IsHeaderLine(text, at, length)) {
            at = NextLine(text, at, length);
            continue;
        }
        int64 headerEnd = at + 2;
        while (headerEnd < length && text[headerEnd] != '\r' && text[headerEnd] != '\n')
            headerEnd++;
        int64 body = NextLine(text, at, length);
        int64 bodyEnd = body;
        while (bodyEnd < length && !IsHeaderLine(text, bodyEnd, length))
            bodyEnd = NextLine(text, bodyEnd, length);
        storage.OnSection(text + at + 2, AsInt(headerEnd - at - 2), text + body, AsInt(bodyEnd - body));
        // The line that ended the body closes the section.
        at = NextLine(text, bodyEnd, length);
    }
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
