// Builds "help.ruvo" from a help source folder: "help.html" and every picture
// it names, then reads the result back through the viewer's own reader and
// parser. A markup error, a missing picture or an unreadable file fails.
//
//   helpbuild <source folder> <output file>

#include "base/CharUtils.h"
#include "base/Error.h"
#include "base/File.h"
#include "base/String.h"
#include "helpviewer/HelpContainerWriter.h"
#include "helpviewer/HelpDocument.h"
#include "helpviewer/HelpErrors.h"
#include "helpviewer/HelpMarkup.h"

#include <cstdio>
#include <vector>

namespace {

PodArray<u8> ReadBytes(const String& path)
{
    File file;
    file.Open(path, kFileRead, 0);
    int64 size = file.Size();
    PodArray<u8> bytes;
    bytes.Resize(size);
    if (file.Read(bytes.Data(), size) < size)
        throw EofError(path.CStr());
    return bytes;
}

String Join(const String& folder, const String& name)
{
    String path = folder;
    if (!path.IsEmpty() && path.Data()[path.Length() - 1] != L'\\' && path.Data()[path.Length() - 1] != L'/')
        path.Append(L"\\", 1);
    path.Append(name.Data(), name.Length());
    return path;
}

// The picture names of the markup in document order, each once (ignoring case).
std::vector<String> PictureNames(const HelpDocument& document)
{
    std::vector<String> names;
    const wchar_t* text = document.Markup().Data();
    const HelpNode* root = document.Root();
    for (const HelpNode* node = root; node; node = NextHelpNode(node, root)) {
        const HelpNode* attribute = nullptr;
        if (IsElementNamed(node, text, L"img", 3))
            attribute = FindAttribute(node, text, L"src", 3);
        else if (IsElementNamed(node, text, L"bmp", 3))
            attribute = FindAttribute(node, text, L"file", 4);
        if (!attribute || !attribute->firstChild || attribute->firstChild->kind != HelpNode::kText)
            continue;
        String name(text + attribute->firstChild->start, attribute->firstChild->length);
        bool seen = false;
        for (const String& n : names)
            seen = seen || EqualsNoCase(n.Data(), n.Length(), name.Data(), name.Length());
        if (!seen && !name.IsEmpty())
            names.push_back(name);
    }
    return names;
}

void Print(const String& text)
{
    fwprintf(stderr, L"%ls\n", text.CStr());
}

int Build(const String& folder, const String& output)
{
    String htmlPath = Join(folder, String(L"help.html"));
    PodArray<u8> html = ReadBytes(htmlPath);

    // The pictures are named by the markup, so parse the source once first.
    HelpDocument source;
    source.SetMarkup(Utf8ToString(html.Data(), html.Count()));
    std::vector<String> pictures = PictureNames(source);

    HelpContainerWriter writer;
    writer.AddMember(L"help.html", html.Data(), html.Count());
    int failures = 0;
    for (const String& name : pictures) {
        String path = Join(folder, name);
        if (GetFileAttributesW(path.CStr()) == INVALID_FILE_ATTRIBUTES) {
            String message(L"help.html: brak obrazka ");
            message.Append(path.Data(), path.Length());
            Print(message);
            failures++;
            continue;
        }
        PodArray<u8> bytes = ReadBytes(path);
        writer.AddMember(name.CStr(), bytes.Data(), bytes.Count());
    }
    writer.AddEndTag();
    if (failures)
        return 1;
    writer.Save(output);

    // Read back exactly as the viewer does; a file it cannot open is not left behind.
    HelpDocument document;
    try {
        document.Load(output);
    } catch (...) {
        DeleteFileW(output.CStr());
        throw;
    }
    const MarkupErrorList& errors = document.Errors();
    for (int64 i = 0; i < errors.Count(); i++) {
        fwprintf(stderr, L"%ls(%d): %ls\n", htmlPath.CStr(), errors.At(i).line, errors.At(i).message);
        failures++;
    }
    for (const String& name : pictures) {
        if (document.Container().Find(name.Data(), name.Length()).offset < 0) {
            String message(L"help.ruvo: brak ");
            message.Append(name.Data(), name.Length());
            Print(message);
            failures++;
        } else {
            document.Container().Extract(name.Data(), name.Length());
        }
    }
    if (failures) {
        DeleteFileW(output.CStr());
        return 1;
    }
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc != 3) {
        fwprintf(stderr, L"usage: helpbuild <source folder> <output file>\n");
        return 2;
    }
    try {
        return Build(String(argv[1]), String(argv[2]));
    } catch (const Error& e) {
        String text = HelpErrorText(e);
        fwprintf(stderr, L"helpbuild: %ls\n", text.CStr());
    } catch (...) {
        fwprintf(stderr, L"helpbuild: failed\n");
    }
    return 1;
}
