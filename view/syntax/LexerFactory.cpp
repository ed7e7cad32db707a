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

// By slot, in the order of LexerFactory::Slot: the syntax file and how the
// storage is deleted.
struct SlotKind {
    const wchar_t* fileName;
    void (*destroy)(LexerStorage* storage);
};

const SlotKind kSlotKinds[LexerFactory::kSlotCount] = {
    {L"c.skvs", DeleteZeroed<CLexer::Storage>},
    {L"cs.skvs", DeleteZeroed<CsLexer::Storage>},
    {L"java.skvs", DeleteZeroed<JavaLexer::Storage>},
    {L"html.skvs", DeleteZeroed<HtmlLexer::Storage>},
    {L"morvane.skvs", DeleteZeroed<MorvaneLexer::Storage>},
    {L"kestin.skvs", DeleteZeroed<KestinLexer::Storage>},
};

// The storages inside the HTML storage have files of their own.
void ReadInnerSyntaxFiles(LexerStorage&) {}
void ReadInnerSyntaxFiles(HtmlLexer::Storage& storage)
{
    ReadSyntaxFile(storage.css, L"css.skvs");
    ReadSyntaxFile(storage.javaScript, L"javascript.skvs");
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
    for (int i = 0; i < kSlotCount; i++) {
        kSlotKinds[i].destroy(storages_[i]);
        storages_[i] = nullptr;
    }
}

// The storage is in the table before its files are read, so it stays in use
// whatever reading them does.
template <class S>
S* LexerFactory::StorageFor(Slot slot)
{
    if (!storages_[slot]) {
        S* storage = NewZeroed<S>();
        storages_[slot] = storage;
        ReadSyntaxFile(*storage, kSlotKinds[slot].fileName);
        ReadInnerSyntaxFiles(*storage);
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
        return NewLexer<PlainTextLexer>(document);
    }
}
