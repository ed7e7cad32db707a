#include "LexerTestSupport.h"
#include "base/AppContext.h"
#include "support/PortableMode.h"
#include "text/SyntaxId.h"
#include "view/syntax/LexerFactory.h"

#include <doctest.h>

#include <windows.h>

#include <memory>
#include <string>

namespace {

// A portable data folder with a "syntax" folder in it, and the application
// object that finds it.
struct SyntaxFolder {
    SyntaxFolder() : context(GetModuleHandleW(nullptr))
    {
        context.DetectPortable();
        REQUIRE(context.portable == 1);
        REQUIRE(CreateDirectoryW((data / L"syntax").CStr(), nullptr));
    }
    void Write(const wchar_t* name, const std::string& bytes)
    {
        std::wstring path = std::wstring(L"syntax\\") + name;
        WriteFileBytes(data / path.c_str(), bytes);
    }
    PortableDataFolder data;
    AppContext context;
};

std::string Lexed(LexerFactory& factory, int32 syntax, const std::string& source)
{
    LexDocument d(source, syntax);
    LexerPtr lexer(factory.CreateLexer(&d.doc));
    CHECK(lexer->State() == kInitialLexerState);
    return Describe(LexFrom(*lexer, d.doc, 0));
}

struct FactoryDeleter {
    void operator()(LexerFactory* f) const { delete f; }
};
using FactoryPtr = std::unique_ptr<LexerFactory, FactoryDeleter>;

}  // namespace

TEST_CASE("the factory makes the lexer of each syntax; the rest get plain text")
{
    PortableDataFolder data;  // no syntax folder at all
    AppContext context(GetModuleHandleW(nullptr));
    context.DetectPortable();
    FactoryPtr factory(LexerFactory::Create());
    for (int slot = 0; slot < LexerFactory::kSlotCount; slot++)
        CHECK(factory->StorageAt(static_cast<LexerFactory::Slot>(slot)) == nullptr);

    const std::string source = "int x; // foreach # while <b>";
    CHECK(Lexed(*factory, kSyntaxC, source) == "8:int 7:x 1:; 2:// 2:foreach 2:# 2:while 2:< 2:b 2:>");
    CHECK(Lexed(*factory, kSyntaxCSharp, "foreach fortran") == "8:foreach 7:fortran");
    CHECK(Lexed(*factory, kSyntaxJava, "Integer foreach") == "8:Integer 7:foreach");
    CHECK(Lexed(*factory, kSyntaxMorvane, source) == "7:int 7:x 1:; 1:// 7:foreach 2:# 2:while 2:< 2:b 2:>");
    CHECK(Lexed(*factory, kSyntaxKestin, "WHILE x -- c") == "8:WHILE 7:x 2:-- 2:c");
    CHECK(factory->StorageAt(LexerFactory::kSlotHtml) == nullptr);
    // JavaScript uses the storage inside the HTML storage, so makes all of it.
    CHECK(Lexed(*factory, kSyntaxJavaScript, "typeof <b>") == "8:typeof 1:< 7:b 1:>");
    CHECK(factory->StorageAt(LexerFactory::kSlotHtml) != nullptr);
    CHECK(Lexed(*factory, kSyntaxHtml, "<b>x</b>") == "14:< 15:b 14:> 1:x 14:< 15:/b 14:>");
    CHECK(Lexed(*factory, kSyntaxPhp, "<?php echo 1 ?>") == "14:< 14:?php 8:echo 11:1 13:? 14:>");
    for (int32 id : {kSyntaxNone, 7, -1, 42})
        CHECK(Lexed(*factory, id, "int x; // y") == "1:int 1:x 1:; 1:// 1:y");

    // Without syntax files only the built-in words are there.
    auto c = static_cast<const CLexer::Storage*>(factory->StorageAt(LexerFactory::kSlotC));
    CHECK(c->known.Count() == 0);
    auto html = static_cast<const HtmlLexer::Storage*>(factory->StorageAt(LexerFactory::kSlotHtml));
    CHECK(html->css.known.Count() == 0);
    CHECK(html->entities.Count() == 227);
    factory->FreeStorages();
    CHECK(factory->StorageAt(LexerFactory::kSlotC) == nullptr);
}

TEST_CASE("syntax files of the data folder are read once, on the first use of each language")
{
    SyntaxFolder folder;
    folder.Write(L"c.skvs", "\xEF\xBB\xBF *known\r\nalpha\r\nbeta\r\n gamma\r\n *known\r\ndelta\r\n");
    folder.Write(L"html.skvs", " *entities\nfoo\n *\n");
    folder.Write(L"css.skvs", " *known\ncolor\n *\n");
    folder.Write(L"javascript.skvs", " *known\nnotakeyword\n *\n");
    folder.Write(L"kestin.skvs", " *known\nrepeatedly\n *\n");

    FactoryPtr factory(LexerFactory::Create());
    CHECK(Lexed(*factory, kSyntaxC, "alpha beta gamma delta") == "8:alpha 8:beta 7:gamma 7:delta");
    CHECK(Lexed(*factory, kSyntaxHtml, "&foo; &amp;<style>p{color:red}</style>") ==
          "17:&foo; 1:&amp; 14:< 15:style 14:> 9:p 1:{ 9:color 1:: 7:red 1:} 14:</ 15:style 14:>");
    CHECK(Lexed(*factory, kSyntaxJavaScript, "notakeyword") == "7:notakeyword");
    CHECK(Lexed(*factory, kSyntaxKestin, "repeatedly") == "7:repeatedly");

    // A changed file takes effect only when the storages are made again.
    folder.Write(L"c.skvs", " *known\nomega\n *\n");
    CHECK(Lexed(*factory, kSyntaxC, "alpha omega") == "8:alpha 7:omega");
    factory->FreeStorages();
    CHECK(Lexed(*factory, kSyntaxC, "alpha omega") == "7:alpha 8:omega");
}

TEST_CASE("without an application object the lexers keep their built-in words")
{
    FactoryPtr factory(LexerFactory::Create());
    CHECK(Lexed(*factory, kSyntaxC, "int alpha") == "8:int 7:alpha");
}
