#include "text/DocumentList.h"

#include "base/CharUtils.h"
#include "base/Error.h"
#include "text/TextDocument.h"

#include <new>
#include <utility>

DocumentList::DocumentList(DocumentList&& other) noexcept
    : documents_(static_cast<Array<TextDocument*>&&>(other.documents_)), byPath_(std::move(other.byPath_))
{
    other.byPath_.clear();
    Adopt();
}

DocumentList& DocumentList::operator=(DocumentList&& other) noexcept
{
    if (this != &other) {
        DeleteAll();
        documents_ = static_cast<Array<TextDocument*>&&>(other.documents_);
        byPath_ = std::move(other.byPath_);
        other.byPath_.clear();
        Adopt();
    }
    return *this;
}

void DocumentList::Adopt()
{
    TextDocument* const* data = documents_.Data();
    for (int64 i = 0, n = documents_.Count(); i < n; i++)
        data[i]->list_ = this;
}

void DocumentList::ChangePath(TextDocument* document, const String& path)
{
    if (path.Length() > 0)
        byPath_.emplace(HashNoCase(path.Data(), path.Length()), document);
    Unindex(document);
    document->path_ = path;
}

void DocumentList::Unindex(TextDocument* document)
{
    const String& path = document->path_;
    if (path.Length() == 0)
        return;
    auto range = byPath_.equal_range(HashNoCase(path.Data(), path.Length()));
    // The entry made last for the document is the one just added when the
    // new path hashes alike: the first one goes.
    for (auto it = range.first; it != range.second; ++it) {
        if (it->second == document) {
            byPath_.erase(it);
            return;
        }
    }
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
    if (name.Length() == 0)
        return nullptr;
    auto range = byPath_.equal_range(HashNoCase(name.Data(), name.Length()));
    TextDocument* found = nullptr;
    int64 foundAt = -1;
    for (auto it = range.first; it != range.second; ++it) {
        const String& path = it->second->PathRef();
        if (path.Length() != name.Length() || !EqualsNoCase(path.Data(), path.Length(), name.Data(), name.Length()))
            continue;
        // Texts of one path: the first in the list's order.
        if (!found) {
            found = it->second;
            continue;
        }
        if (foundAt < 0)
            foundAt = IndexOf(found);
        int64 at = IndexOf(it->second);
        if (at < foundAt) {
            found = it->second;
            foundAt = at;
        }
    }
    return found;
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
        document->list_ = this;
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
    Unindex(document);
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
    byPath_.clear();
    for (int64 i = documents_.Count() - 1; i >= 0; i--)
        delete documents_.At(i);
    documents_.Release();
}
