#include "view/syntax/LexerFactory.h"

#include "base/Error.h"
#include "text/SyntaxId.h"
#include "text/TextDocument.h"
#include "view/syntax/CLexer.h"
#include "view/syntax/HtmlLexer.h"
#include "view/syntax/KestinLexer.h"
#include "view/syntax/MorvaneLexer.h"

#include <cstdlib>
#include <new>
#include <type_traits>
#include <utility>

namespace {

// Objects in zero-filled memory: a lexer is freed with FreeLexer, a storage
// with DeleteZeroed.
template <class T, class... Args>
T* NewZeroed(Args&&... args)
{
    void* memory = AllocZeroed(sizeof(T));
    try {
        return new (memory) T(std::forward<Args>(args)...);
    } catch (const std::bad_alloc&) {
        free(memory);
        throw MemoryError();
    } catch (...) {
        free(memory);
        throw;
    }
}

template <class T>
void DeleteZeroed(LexerStorage* storage)
{
    if (storage) {
        static_cast<T*>(storage)->~T();
        free(storage);
    }
}

template <class S>
void ReadSyntaxFiles(S& storage);

template <>
void ReadSyntaxFiles(CLexer::Storage& storage)
{
    ReadSyntaxFile(storage, L"c.skvs");
}
template <>
void ReadSyntaxFiles(CsLexer::Storage& storage)
{
    ReadSyntaxFile(storage, L"cs.skvs");
}
template <>
void ReadSyntaxFiles(JavaLexer::Storage& storage)
{
    ReadSyntaxFile(storage, L"java.skvs");
}
template <>
void ReadSyntaxFiles(HtmlLexer::Storage& storage)
{
    ReadSyntaxFile(storage, L"html.skvs");
    ReadSyntaxFile(storage.css, L"css.skvs");
    ReadSyntaxFile(storage.javaScript, L"javascript.skvs");
}
template <>
void ReadSyntaxFiles(MorvaneLexer::Storage& storage)
{
    ReadSyntaxFile(storage, L"morvane.skvs");
}
template <>
void ReadSyntaxFiles(KestinLexer::Storage& storage)
{
    ReadSyntaxFile(storage, L"kestin.skvs");
}

}  // namespace

LexerFactory::LexerFactory() : storages_(static_cast<LexerStorage**>(AllocZeroed(kSlotCount * sizeof(LexerStorage*))))
{
}

LexerFactory* LexerFactory::Create()
{
    try {
        return new LexerFactory();
    } catch (const std::bad_alloc&) {
        throw MemoryError();
    }
}

LexerFactory::~LexerFactory()
{
    FreeStorages();
    free(storages_);
}

void LexerFactory::FreeStorages()
{
    DeleteZeroed<CLexer::Storage>(storages_[kSlotC]);
    DeleteZeroed<CsLexer::Storage>(storages_[kSlotCs]);
    DeleteZeroed<JavaLexer::Storage>(storages_[kSlotJava]);
    DeleteZeroed<HtmlLexer::Storage>(storages_[kSlotHtml]);
    DeleteZeroed<MorvaneLexer::Storage>(storages_[kSlotMorvane]);
    DeleteZeroed<KestinLexer::Storage>(storages_[kSlotKestin]);
    for (int i = 0; i < kSlotCount; i++)
        storages_[i] = nullptr;
}

// The storage is in the table before its files are read, so it stays in use
// whatever reading them does.
template <class S>
S* LexerFactory::StorageFor(Slot slot)
{
    if (!storages_[slot]) {
        S* storage = NewZeroed<S>();
        storages_[slot] = storage;
        ReadSyntaxFiles(*storage);
    }
    return static_cast<S*>(storages_[slot]);
}

SyntaxLexer* LexerFactory::CreateLexer(TextDocument* document)
{
    switch (document->syntax) {
    case kSyntaxC:
        return NewLexer<CLexer>(document, StorageFor<CLexer::Storage>(kSlotC));
    case kSyntaxCSharp:
        return NewLexer<CsLexer>(document, StorageFor<CsLexer::Storage>(kSlotCs));
    case kSyntaxHtml:
        return NewLexer<HtmlLexer>(document, StorageFor<HtmlLexer::Storage>(kSlotHtml));
    case kSyntaxJavaScript:
        return NewLexer<JavaScriptLexer>(document, &StorageFor<HtmlLexer::Storage>(kSlotHtml)->javaScript);
    case kSyntaxJava:
        return NewLexer<JavaLexer>(document, StorageFor<JavaLexer::Storage>(kSlotJava));
    case kSyntaxPhp:
        return NewLexer<PhpLexer>(document, StorageFor<HtmlLexer::Storage>(kSlotHtml));
    case kSyntaxMorvane:
        return NewLexer<MorvaneLexer>(document, StorageFor<MorvaneLexer::Storage>(kSlotMorvane));
    case kSyntaxKestin:
        return NewLexer<KestinLexer>(document, StorageFor<KestinLexer::Storage>(kSlotKestin));
    default:
        return NewLexer<TextLexer>(document);
    }
}
