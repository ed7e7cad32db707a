#pragma once

#include "view/syntax/LexerStorage.h"
#include "view/syntax/SyntaxLexer.h"

class TextDocument;

// Makes a fresh lexer for a document's syntax. Keeps the keyword storages,
// made (and their syntax files read) on the first use of each language and
// kept until the factory goes.
class LexerFactory {
public:
    enum Slot { kSlotC, kSlotCs, kSlotJava, kSlotHtml, kSlotMorvane, kSlotKestin, kSlotCount };

    static LexerFactory* Create();
    ~LexerFactory();
    LexerFactory(const LexerFactory&) = delete;
    LexerFactory& operator=(const LexerFactory&) = delete;

    // A lexer with the initial state and no position yet (Seek comes first),
    // owned by the caller.
    SyntaxLexer* CreateLexer(TextDocument* document);
    void FreeStorages();

    const LexerStorage* StorageAt(Slot slot) const { return storages_[slot]; }

private:
    LexerFactory();
    template <class S>
    S* StorageFor(Slot slot);

    LexerStorage** storages_;
};
