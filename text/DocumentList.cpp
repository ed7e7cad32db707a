#include "text/DocumentList.h"

#include "base/CharUtils.h"
#include "base/Error.h"
#include "text/TextDocument.h"

#include <new>

DocumentList& DocumentList::operator=(DocumentList&& other) noexcept
{
    if (this != &other) {
        DeleteAll();
        documents_ = static_cast<Array<TextDocument*>&&>(other.documents_);
    }
    return *this;
}

DocumentList DocumentList::Create()
{
    DocumentList list;
    list.documents_.Reset();
    return list;
}

int32 DocumentList::Count() const
{
    int64 n = documents_.Count();
    return n > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int32>(n);
}

TextDocument* DocumentList::At(int64 index) const
{
    if (index < 0 || index >= documents_.Count())
        return nullptr;
    return documents_.At(index);
}

int64 DocumentList::IndexOf(const TextDocument* document) const
{
    TextDocument* const* data = documents_.Data();
    for (int64 i = 0, n = documents_.Count(); i < n; i++) {
        if (data[i] == document)
            return i;
    }
    return -1;
}

TextDocument* DocumentList::FindByPath(const String& name) const
{
    TextDocument* const* data = documents_.Data();
    for (int64 i = 0, n = documents_.Count(); i < n; i++) {
        // No copy: a start restoring thousands of texts asks this for each.
        const String& path = data[i]->PathRef();
        if (path.Length() > 0 && path.Length() == name.Length() &&
            EqualsNoCase(path.Data(), path.Length(), name.Data(), name.Length()))
            return data[i];
    }
    return nullptr;
}

TextDocument* DocumentList::NewDocument(const TextDocument* after)
{
    if (documents_.Count() >= 0x7FFFFFFF)
        throw TooManyTextsError();
    TextDocument* document = new (std::nothrow) TextDocument();
    if (!document)
        throw MemoryError();
    try {
        int64 at = after ? IndexOf(after) : -1;
        documents_.Insert(at >= 0 ? at + 1 : documents_.Count(), document);
    } catch (...) {
        delete document;
        throw;
    }
    return document;
}

void DocumentList::Remove(TextDocument* document)
{
    int64 index = IndexOf(document);
    if (index < 0)
        return;
    documents_.RemoveAt(index);
    delete document;
}

void DocumentList::Move(TextDocument* document, int64 index)
{
    int64 current = IndexOf(document);
    if (current == index)
        return;
    int64 count = documents_.Count();
    if (index >= count)
        index = count - 1;
    if (current < 0 || index < 0)
        throw IndexError();
    Array<TextDocument*> moved;
    moved.Reset();
    moved.InsertCopies(0, documents_.Data(), count);
    moved.RemoveAt(current);
    moved.Insert(index, document);
    documents_ = static_cast<Array<TextDocument*>&&>(moved);
}

void DocumentList::DeleteAll()
{
    for (int64 i = documents_.Count() - 1; i >= 0; i--)
        delete documents_.At(i);
    documents_.Release();
}
