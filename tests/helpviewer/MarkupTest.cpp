#include "helpviewer/HelpErrors.h"
#include "helpviewer/HelpMarkup.h"

#include <doctest.h>

#include <windows.h>

#include <cstring>
#include <cwchar>
#include <string>

namespace {

// The tree as text: element name, attributes in [], content in {}; text in
// quotes, entities as &name;. Recursive: only for small trees.
std::wstring Dump(const wchar_t* t, const HelpNode* node)
{
    std::wstring out;
    for (; node; node = node->next) {
        if (!out.empty())
            out += L' ';
        std::wstring range(t + node->start, static_cast<size_t>(node->length));
        switch (node->kind) {
        case HelpNode::kText:
            out += L"'" + range + L"'";
            break;
        case HelpNode::kEntity:
            out += L"&" + range + L";";
            break;
        case HelpNode::kAttribute:
            out += range;
            if (node->firstChild)
                out += L"=" + Dump(t, node->firstChild);
            break;
        default:
            out += range;
            if (node->firstAttribute)
                out += L"[" + Dump(t, node->firstAttribute) + L"]";
            if (node->firstChild)
                out += L"{" + Dump(t, node->firstChild) + L"}";
        }
    }
    return out;
}

struct Parsed {
    std::wstring text;
    MarkupErrorList errors;
    HelpNode* root = nullptr;

    explicit Parsed(const std::wstring& markup) : text(markup)
    {
        root = ParseHelpMarkup(text.c_str(), static_cast<int64>(text.size()), errors);
    }
    ~Parsed() { FreeHelpNodes(root); }
    std::wstring Tree() const { return Dump(text.c_str(), root->firstChild); }
    // "line:message" of every error, separated by "|".
    std::wstring ErrorList() const
    {
        std::wstring out;
        for (int64 i = 0; i < errors.Count(); i++)
            out += (i ? L"|" : L"") + std::to_wstring(errors.At(i).line) + L":" + errors.At(i).message;
        return out;
    }
};

std::wstring TreeOf(const wchar_t* markup)
{
    return Parsed(markup).Tree();
}

std::wstring ErrorsOf(const wchar_t* markup)
{
    return Parsed(markup).ErrorList();
}

const std::wstring kBrakWartosci = std::wstring(L"Brak warto\u015Bci dla atrybutu");
const std::wstring kBezCudzyslowow = std::wstring(L"Atrybut bez cudzys\u0142ow\u00F3w");
const std::wstring kBrakZamykajacego = std::wstring(L"Brak zamykaj\u0105cego >");
const std::wstring kZaGleboko = std::wstring(L"Zbyt g\u0142\u0119bokie zagnie\u017Cd\u017Cenie znacznik\u00F3w");

}  // namespace

TEST_CASE("elements, text and entities land in document order")
{
    CHECK(TreeOf(L"a<b>x</b>y") == L"b{'x'}");
    CHECK(TreeOf(L"<p>one<br>two</p>") == L"p{'one' br 'two'}");
    CHECK(TreeOf(L"<P>x</p>after") == L"P{'x'}");
    CHECK(TreeOf(L"<p>x &amp; y</p>") == L"p{'x ' &amp; ' y'}");
    CHECK(TreeOf(L"<p>&&&<&;</p>") == L"p{'&' '<' ';'}");
    CHECK(TreeOf(L"<p>&abc <b>z</b></p>") == L"p{b{'z'}}");
    CHECK(TreeOf(L"<ignore>anything <b>here</b></ignore><p>k</p>") == L"p{'k'}");
    CHECK(TreeOf(L"<p>a<ignore>x<ignore>y</ignore></ignore>b</p>") == L"p{'a' 'b'}");
    CHECK(TreeOf(L"<section ctx='s1'>never closed <b>bold") == L"section[ctx='s1']{'never closed ' b{'bold'}}");
    CHECK(TreeOf(L"<img src=\"a.gif\" alt='x y'><unknown>text") == L"img[src='a.gif' alt='x y'] unknown");
    CHECK(TreeOf(L"< b >x</ b></b >") == L"b{'x'}");
    CHECK(TreeOf(L"<p>x</b></p>") == L"p{'x'}");
    CHECK(ErrorsOf(L"<p>x</b></p>") == L"1:Unexpected closing tag");
    CHECK(ErrorsOf(L"</p>\n</x>") == L"1:Unexpected closing tag|2:Unexpected closing tag");
    CHECK(ErrorsOf(L"<p>a<b>c</b>&x;</p>").empty());
}

TEST_CASE("attribute faults are recorded and parsing goes on")
{
    Parsed unquoted(L"<a href=x>t</a>");
    CHECK(unquoted.Tree() == L"a[href]{'t'}");
    CHECK(unquoted.ErrorList() == L"1:" + kBezCudzyslowow);

    // The ">" is stepped over: what follows is read as attributes.
    Parsed noValue(L"<a href>t</a>");
    CHECK(noValue.Tree() == L"a[href t /a]");
    CHECK(noValue.ErrorList() == L"1:" + kBrakWartosci + L"|1:" + kBrakWartosci + L"|1:" + kBrakWartosci + L"|1:" +
                                     kBrakZamykajacego);

    Parsed apostrophe(L"<img src='a.gif>");
    CHECK(apostrophe.Tree() == L"img[src='a.gif']");
    CHECK(apostrophe.ErrorList() == L"1:Brak '");
    CHECK(ErrorsOf(L"<img src=\"a\nb\">") == L"1:Brak \"|2:" + kBrakWartosci);
    CHECK(TreeOf(L"<img src=\"a\nb\">") == L"img[src='a' b]");
}

TEST_CASE("the end of the text inside a tag or after \"&\"")
{
    // An attribute without "=" at the very end: nothing is stepped past.
    Parsed bare(L"<p a");
    CHECK(bare.Tree() == L"p[a]");
    CHECK(bare.ErrorList() == L"1:" + kBrakWartosci + L"|1:" + kBrakZamykajacego);
    CHECK(ErrorsOf(L"<p a=") == L"1:" + kBezCudzyslowow + L"|1:" + kBrakZamykajacego);
    CHECK(ErrorsOf(L"<p a='x") == L"1:Brak '|1:" + kBrakZamykajacego);
    CHECK(ErrorsOf(L"<p   ") == L"1:" + kBrakZamykajacego);
    CHECK(TreeOf(L"<p") == L"p");
    CHECK(TreeOf(L"<") == L"");
    CHECK(TreeOf(L"<p>x&") == L"p{'x'}");
    CHECK(TreeOf(L"<p>&") == L"p");
    CHECK(TreeOf(L"<p>&ab") == L"p");
    CHECK(TreeOf(L"<p></") == L"p");
}

TEST_CASE("error lines count line feeds before the position, up to a NUL")
{
    std::wstring text = L"</a>\n<p>\n\n</b>\r\n<x y>";
    CHECK(ErrorsOf(text.c_str()) == L"1:Unexpected closing tag|4:Unexpected closing tag|5:" + kBrakWartosci + L"|5:" +
                                          kBrakZamykajacego);
    // Lines are counted once and still right when the next error lies earlier.
    MarkupErrorList list;
    const wchar_t t[] = L"a\nb\nc\nd";
    list.Reset(t, 7);
    list.Add(6, L"x");
    list.Add(2, L"y");
    list.Add(0, L"z");
    list.Add(100, L"w");
    CHECK(list.At(0).line == 4);
    CHECK(list.At(1).line == 2);
    CHECK(list.At(2).line == 1);
    CHECK(list.At(3).line == 4);
    const wchar_t withNul[] = L"a\nb\0\n\nc";
    list.Reset(withNul, 7);
    list.Add(6, L"x");
    CHECK(list.At(0).line == 2);
    CHECK(std::wstring(list.ListText().CStr()) == L"2: x\r\n");
}

namespace {

// Runs f on a thread with a 1 MiB stack (half the viewer's); true when it
// finished (a stack overflow ends the whole program).
template <class F>
bool OnSmallStack(F f)
{
    struct Call {
        F* f;
        bool done;
    } call{&f, false};
    auto start = [](void* p) WINAPI -> DWORD {
        auto c = static_cast<Call*>(p);
        (*c->f)();
        c->done = true;
        return 0;
    };
    HANDLE thread = CreateThread(nullptr, 1 << 20, start, &call, STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
    REQUIRE(thread);
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    return call.done;
}

struct WalkCount {
    int64 elements = 0;
    int64 texts = 0;
    int64 maxDepth = 0;
};

WalkCount Walk(const HelpNode* root)
{
    WalkCount w;
    for (const HelpNode* n = NextHelpNode(root, root); n; n = NextHelpNode(n, root)) {
        if (n->kind == HelpNode::kElement) {
            w.elements++;
        } else if (n->kind == HelpNode::kText) {
            w.texts++;
            int64 depth = 0;
            for (const HelpNode* p = n; p != root; p = p->parent)
                depth++;
            if (depth > w.maxDepth)
                w.maxDepth = depth;
        }
    }
    return w;
}

}  // namespace

TEST_CASE("deep nesting and a million siblings parse, walk and free on a 1 MiB stack")
{
    std::wstring deep;
    for (int i = 0; i < 1000; i++)
        deep += L"<b>";
    deep += L"core";
    std::wstring deeper = L"<i>" + deep + L"<br>y";

    std::wstring wide = L"<p>";
    for (int i = 0; i < 1000000; i++)
        wide += L"<br>";
    wide += L"</p>";

    Parsed* results[3] = {};
    CHECK(OnSmallStack([&] {
        results[0] = new Parsed(deep);
        results[1] = new Parsed(deeper);
        results[2] = new Parsed(wide);
        WalkCount d = Walk(results[0]->root);
        CHECK(d.elements == 1000);
        CHECK(d.texts == 1);
        CHECK(d.maxDepth == 1001);
        CHECK(results[0]->errors.Count() == 0);
        WalkCount w = Walk(results[2]->root);
        CHECK(w.elements == 1000001);
        delete results[0];
        delete results[2];
    }));
    // One more level: that element takes no content; the rest goes to its parent.
    Parsed& p = *results[1];
    CHECK(p.ErrorList() == L"1:" + kZaGleboko);
    const HelpNode* n = p.root->firstChild;
    for (int i = 0; i < 1000; i++)
        n = n->firstChild;
    CHECK(std::wstring(p.text.c_str() + n->start, 1) == L"b");
    CHECK(Dump(p.text.c_str(), n->next) == L"'core' br 'y'");
    CHECK(OnSmallStack([&] { delete results[1]; }));
}

TEST_CASE("the pre-order walk visits attributes, values and children of every node")
{
    Parsed p(L"<a x='1' y='2'><b z='3'>t</b>u</a><c>");
    std::wstring order;
    for (const HelpNode* n = NextHelpNode(p.root, p.root); n; n = NextHelpNode(n, p.root))
        order += std::wstring(p.text.c_str() + n->start, static_cast<size_t>(n->length)) + L",";
    CHECK(order == L"a,x,1,y,2,b,z,3,t,u,c,");
    // Parents point to their owners.
    const HelpNode* a = p.root->firstChild;
    CHECK(a->parent == p.root);
    CHECK(a->firstAttribute->parent == a);
    CHECK(a->firstAttribute->firstChild->parent == a->firstAttribute);
    CHECK(a->firstChild->parent == a);
}
