#pragma once

#include "base/Types.h"
#include "text/TextDocument.h"

#include <cwchar>
#include <string>

// Small helpers for tests that edit documents.
namespace doctext {

// The whole main text as bytes.
inline std::string Bytes(TextDocument& doc)
{
    std::string out(static_cast<size_t>(doc.text.Size()), '\0');
    if (!out.empty())
        doc.text.CopyBytes(0, reinterpret_cast<u8*>(&out[0]), doc.text.Size());
    return out;
}

// Replaces [a, b) by s through the document, with undo.
inline TextDocument::ReplaceRequest Replace(TextDocument& doc, int64 a, int64 b, const wchar_t* s)
{
    TextDocument::ReplaceRequest request = {};
    request.a = a;
    request.b = b;
    request.text = s;
    request.length = static_cast<int64>(wcslen(s));
    doc.Replace(request);
    return request;
}

inline TextDocument::ReplaceRequest Type(TextDocument& doc, int64 at, const wchar_t* s)
{
    return Replace(doc, at, at, s);
}

// Fills an unmodified document with ASCII text, without history.
inline void SetText(TextDocument& doc, const wchar_t* s)
{
    Replace(doc, 0, doc.text.Size(), s);
    doc.modified = 0;
    doc.ClearUndo();
}

inline void UndoGroup(TextDocument& doc)
{
    TextDocument::UndoResult result;
    int32 tag = doc.UndoGroupTag();
    while (tag >= 0 && doc.UndoGroupTag() == tag)
        doc.Undo(result);
}

}  // namespace doctext
