#include "LexerTestSupport.h"

#include "base/Paths.h"
#include "view/syntax/TokenText.h"

#include <doctest.h>

LexDocument::LexDocument(const std::string& bytes, int32 syntax)
{
    doc.text.Replace(0, 0, reinterpret_cast<const u8*>(bytes.data()), static_cast<int64>(bytes.size()));
    doc.syntax = syntax;
}

std::vector<Tok> LexFrom(SyntaxLexer& lexer, TextDocument& doc, int64 position, const u32* savedState, int64 savedPosition,
                         size_t limit)
{
    TokenText text;
    lexer.Seek(position, savedPosition, savedState, &text);
    std::vector<Tok> tokens;
    while (tokens.size() < limit) {
        text.Reset();
        TokenRecord r{};
        lexer.NextToken(r);
        Tok t;
        t.cls = r.state & 0xFF;
        t.state = r.state;
        t.startState = lexer.TokenStartState();
        t.after = lexer.State();
        t.kind = r.kind;
        t.cut = r.cut;
        t.scratch = r.scratch;
        t.start = r.start;
        t.end = r.end;
        t.units.assign(text.Units() + r.textStart, text.Units() + r.textEnd);
        t.lengths.assign(text.ByteLengths() + r.textStart, text.ByteLengths() + r.textEnd);
        t.text.resize(static_cast<size_t>(r.end - r.start));
        if (r.end > r.start)
            doc.text.CopyBytes(r.start, reinterpret_cast<u8*>(&t.text[0]), r.end - r.start);
        tokens.push_back(t);
        if (t.cls == kClassEndOfText)
            break;
    }
    return tokens;
}

const Tok& Find(const std::vector<Tok>& tokens, const std::string& text, int nth)
{
    for (const Tok& t : tokens)
        if (t.text == text && nth-- == 0)
            return t;
    FAIL("no token " << text);
    return tokens.back();
}

int32 CharsOf(const Tok& t)
{
    int32 n = 0;
    for (u8 length : t.lengths)
        if (length != 0)
            n++;
    return n;
}

std::string Describe(const std::vector<Tok>& tokens)
{
    std::string out;
    for (const Tok& t : tokens) {
        u16 kind = t.kind & 0xFF;
        if (kind == kTokenBlank || kind == kTokenTab || t.cls == kClassEndOfText)
            continue;
        if (!out.empty())
            out += ' ';
        out += std::to_string(t.cls) + ':' + (t.cls == kClassLineEnd ? std::string("LF") : t.text);
    }
    return out;
}

const CLexer::Storage& CStorage()
{
    static CLexer::Storage storage;
    return storage;
}
const CsLexer::Storage& CsStorage()
{
    static CsLexer::Storage storage;
    return storage;
}
const JavaLexer::Storage& JavaStorage()
{
    static JavaLexer::Storage storage;
    return storage;
}
const HtmlLexer::Storage& HtmlStorage()
{
    static HtmlLexer::Storage storage;
    return storage;
}
const MorvaneLexer::Storage& MorvaneStorage()
{
    static MorvaneLexer::Storage storage;
    return storage;
}
const KestinLexer::Storage& KestinStorage()
{
    static KestinLexer::Storage storage;
    return storage;
}

const char* LangName(Lang lang)
{
    switch (lang) {
    case Lang::Text: return "text";
    case Lang::C: return "C";
    case Lang::Cs: return "C#";
    case Lang::Java: return "Java";
    case Lang::JavaScript: return "JavaScript";
    case Lang::Html: return "HTML";
    case Lang::Php: return "PHP";
    case Lang::Morvane: return "Morvane";
    case Lang::Kestin: return "Kestin";
    }
    return "?";
}

LexerPtr MakeLexer(Lang lang, TextDocument& doc)
{
    switch (lang) {
    case Lang::C: return LexerPtr(NewLexer<CLexer>(&doc, &CStorage()));
    case Lang::Cs: return LexerPtr(NewLexer<CsLexer>(&doc, &CsStorage()));
    case Lang::Java: return LexerPtr(NewLexer<JavaLexer>(&doc, &JavaStorage()));
    case Lang::JavaScript: return LexerPtr(NewLexer<JavaScriptLexer>(&doc, &HtmlStorage().javaScript));
    case Lang::Html: return LexerPtr(NewLexer<HtmlLexer>(&doc, &HtmlStorage()));
    case Lang::Php: return LexerPtr(NewLexer<PhpLexer>(&doc, &HtmlStorage()));
    case Lang::Morvane: return LexerPtr(NewLexer<MorvaneLexer>(&doc, &MorvaneStorage()));
    case Lang::Kestin: return LexerPtr(NewLexer<KestinLexer>(&doc, &KestinStorage()));
    case Lang::Text: break;
    }
    return LexerPtr(NewLexer<PlainTextLexer>(&doc));
}

std::vector<Tok> LexAll(Lang lang, const std::string& source)
{
    LexDocument d(source);
    auto lexer = MakeLexer(lang, d.doc);
    return LexFrom(*lexer, d.doc, 0);
}

std::string Classes(Lang lang, const std::string& source)
{
    return Describe(LexAll(lang, source));
}

std::vector<std::wstring> FilesIn(const std::wstring& folder, const wchar_t* pattern)
{
    Array<String> names = ListDirectory(folder.c_str(), pattern);
    std::vector<std::wstring> files;
    for (int64 i = 0; i < names.Count(); i++)
        files.push_back(folder + names.At(i).CStr());
    return files;
}
