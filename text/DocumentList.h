#pragma once

#include "base/Array.h"
#include "base/String.h"
#include "base/Types.h"

#include <unordered_map>

class TextDocument;

// The ordered list of open texts (one per tab); it owns its documents.
class DocumentList {
public:
    DocumentList() = default;
    DocumentList(const DocumentList&) = delete;
    DocumentList& operator=(const DocumentList&) = delete;
    DocumentList(DocumentList&& other) noexcept;
    DocumentList& operator=(DocumentList&& other) noexcept;
    ~DocumentList() { DeleteAll(); }

    static DocumentList Create();

    int32 Count() const;
    TextDocument* At(int64 index) const;
    // -1 when the document is not in the list.
    int64 IndexOf(const TextDocument* document) const;
    // The first document whose path equals name ignoring case; null when none.
    TextDocument* FindByPath(const String& name) const;
    // A new empty document just after `after`, at the end when it is null or unknown.
    TextDocument* NewDocument(const TextDocument* after);
    void Remove(TextDocument* document);
    void Move(TextDocument* document, int64 index);
    void DeleteAll();

    // Called by TextDocument::SetPath before the path changes: the new one
    // is indexed first, so a failure leaves the document as it was.
    void ChangePath(TextDocument* document, const String& path);

private:
    void Unindex(TextDocument* document);
    void Adopt();

    Array<TextDocument*> documents_;
    // invariant: every document of the list with a path, under
    // HashNoCase(path), and nothing else; each of them has list_ == this.
    std::unordered_multimap<u64, TextDocument*> byPath_;
};
