#include "helpviewer/HelpLayout.h"

#include "base/AppContext.h"
#include "base/Error.h"
#include "helpviewer/HelpChars.h"
#include "support/HelpPages.h"

#include <doctest.h>

#include <string>

using namespace helppages;

static AppContext TestContext(GetModuleHandleW(nullptr));

REGISTER_EXCEPTION_TRANSLATOR(const Error& e)
{
    return doctest::String(("Error " + std::to_string(e.code)).c_str());
}

namespace {

struct Page {
    TempFolder folder;
    HelpDocument document;
    HelpLayout layout;
    DeviceContext dc = MemoryMeasureDc();

    Page(const std::string& body, int32 width = 500, int32 dpi = 96, const std::vector<Member>& members = {})
    {
        LoadHelp(document, folder, "<section ctx='s'>" + body + "</section><section ctx='intro'>x</section>",
                 members);
        Lay(width, dpi);
    }
    void Lay(int32 width, int32 dpi)
    {
        HelpLayoutParams p;
        p.dpi = dpi;
        p.clientWidth = width;
        p.pictureScale = ScreenPictureScale(dpi);
        layout.SetDevice(dc, p);
        layout.Clear();
        layout.AddSection(document, document.FindSection(L"s", 1));
        layout.Arrange();
    }
    const std::vector<HelpRun>& Runs() const { return layout.Runs(); }
    const HelpFont& FontOf(const HelpRun& r) const { return layout.Fonts()[static_cast<size_t>(r.font)]; }
    std::wstring Text(const HelpRun& r) const { return std::wstring(r.text, static_cast<size_t>(r.length)); }
    // The first word run with that text.
    const HelpRun& Word(const wchar_t* text) const
    {
        for (const HelpRun& r : Runs())
            if (r.kind == HelpRun::kWord && Text(r) == text)
                return r;
        FAIL("no word " << std::string(text, text + wcslen(text)));
        return Runs().front();
    }
    // The width of text in the run's font, measured here.
    int32 Extent(const HelpRun& run, const wchar_t* text)
    {
        HGDIOBJ old = SelectObject(dc.Hdc(), FontOf(run).font.Handle());
        SIZE size = {0, 0};
        GetTextExtentPoint32W(dc.Hdc(), text, static_cast<int>(wcslen(text)), &size);
        SelectObject(dc.Hdc(), old);
        return size.cx;
    }
    std::string Kinds() const
    {
        std::string s;
        for (const HelpRun& r : Runs())
            s += static_cast<char>('0' + r.kind);
        return s;
    }
};

std::wstring Number(int32 counter)
{
    NumberText n;
    ListNumberText(counter, n);
    return std::wstring(n.CStr(), static_cast<size_t>(n.Length()));
}

}  // namespace

TEST_CASE("font sizes from the font element, styles and headings, clamped")
{
    Page page("<font size='+4'>a</font><font size='9'>b</font><font size='-5'>c</font>"
              "<font size='+99999999999999'>d</font><span style='color:#00f; font-size:2em'>e</span>"
              "<span style='font-size:large'>f</span><span style='font-size:50%'>g</span>"
              "<span style='font-size:1e9em'>h</span><span style='font-size:-5em'>i</span>"
              "<span style='font-size:2rem;color:#fff'>j</span><h1>k</h1><big>l</big><code>m</code>");
    CHECK(page.FontOf(page.Word(L"a")).size == 180);
    CHECK(page.FontOf(page.Word(L"b")).size == 180);
    CHECK(page.FontOf(page.Word(L"c")).size == 80);
    CHECK(page.FontOf(page.Word(L"d")).size == 180);
    CHECK(page.FontOf(page.Word(L"e")).size == 200);
    CHECK(page.Word(L"e").colour == RGB(0, 0, 0xF0));
    CHECK(page.FontOf(page.Word(L"f")).size == 110);
    CHECK(page.FontOf(page.Word(L"g")).size == 100);
    CHECK(page.FontOf(page.Word(L"h")).size == kMaxHelpFontSize);
    CHECK(page.FontOf(page.Word(L"i")).size == kMinHelpFontSize);
    CHECK(page.FontOf(page.Word(L"j")).size == 200);
    CHECK(page.Word(L"j").colour == RGB(0xF0, 0xF0, 0xF0));
    CHECK(page.FontOf(page.Word(L"k")).size == 160);
    CHECK(page.FontOf(page.Word(L"k")).flags == kHelpBold);
    CHECK(page.FontOf(page.Word(L"l")).size == 130);
    CHECK(HelpEqualsNoCase(page.FontOf(page.Word(L"m")).face.Data(), page.FontOf(page.Word(L"m")).face.Length(),
                           L"Courier New", 11));
    // The largest size still fits a 32-bit pixel height and measures.
    CHECK(page.FontOf(page.Word(L"h")).height > page.FontOf(page.Word(L"a")).height);
}

TEST_CASE("colour values: three and six digits, names, and what is left alone")
{
    u32 c = 7;
    CHECK(ParseHelpColour(L"#fff", 4, c));
    CHECK(c == 0xF0F0F0);
    CHECK(ParseHelpColour(L"#123456", 7, c));
    CHECK(c == RGB(0x12, 0x34, 0x56));
    c = 7;
    CHECK_FALSE(ParseHelpColour(L"#12345", 6, c));
    CHECK_FALSE(ParseHelpColour(L"#12g", 4, c));
    CHECK(c == 7);
    CHECK(ParseHelpColour(L"MediumPurple", 12, c));
    CHECK(c == RGB(0x93, 0x70, 0xD8));
    CHECK(NamedHelpColour(L"palevioletred", 13) == 0xD87093);
    CHECK(NamedHelpColour(L"lightgray", 9) == -1);
    CHECK(NamedHelpColour(L"lightgrey", 9) == 0xD3D3D3);
    CHECK(NamedHelpColour(L"re", 2) == -1);
    CHECK(ParseHelpColour(L"nosuch", 6, c));
    CHECK(c == 0);
}

TEST_CASE("breaks merge, spaces after breaks drop, entities and list marks")
{
    Page page("<p>a</p><p>b</p> <br clear='left'><-> c &copy; &lt;&amp;"
              "<ol type='A'><li>x<li>y</ol><ul><li>z</ul><item>w</item>");
    // The first p's line break, a, one paragraph break (the second p's line
    // break, the br and its clear bits merged into it), b, the "-" break that
    // is always added, c ...
    const std::string kinds = page.Kinds();
    CHECK(kinds.substr(0, 7) == "3020230");
    CHECK(page.Runs()[4].flags == 1);
    CHECK(page.Text(page.Runs()[6]) == L"c");
    CHECK(page.Text(page.Runs()[8]) == L"&");
    CHECK(page.Text(page.Runs()[9]) == L"copy");
    CHECK(page.Text(page.Runs()[10]) == L";");
    CHECK(page.Text(page.Runs()[12]) == L"<");
    CHECK(page.Text(page.Runs()[13]) == L"&");
    std::vector<int32> numbers;
    int bullets = 0;
    for (const HelpRun& r : page.Runs()) {
        if (r.kind == HelpRun::kNumber)
            numbers.push_back(r.number);
        bullets += r.kind == HelpRun::kBullet;
    }
    CHECK(numbers == std::vector<int32>{65, 66});
    CHECK(bullets == 2);
    CHECK(Number(65) == L"A) ");
    CHECK(Number(66) == L"B) ");
    CHECK(Number(64) == L"64. ");
    CHECK(Number(1) == L"1. ");
}

TEST_CASE("link targets are the attribute values, the anchor's less its #")
{
    Page page("<a href='#intro'>one</a> <link to='intro'>two</link> <a href='intro'>three</a> four");
    const String& markup = page.layout.Markup();
    for (const wchar_t* w : {L"one", L"two", L"three"}) {
        const HelpRun& r = page.Word(w);
        REQUIRE(r.IsLink());
        CHECK(std::wstring(markup.Data() + r.link, static_cast<size_t>(r.linkLength)) == L"intro");
        CHECK((r.colour & HelpRun::kLinkColour) != 0);
        CHECK((page.FontOf(r).flags & kHelpUnderline) != 0);
    }
    CHECK_FALSE(page.Word(L"four").IsLink());
    CHECK(page.Word(L"four").colour == 0);
}

TEST_CASE("words stand at measured extents and wrap at the right limit")
{
    std::string body;
    for (int i = 0; i < 60; i++)
        body += "word" + std::to_string(i) + " ";
    Page page(body, 300);
    const int32 margin = page.layout.Margin();
    const HelpRun& w0 = page.Word(L"word0");
    const HelpRun& w1 = page.Word(L"word1");
    CHECK(w0.x == margin);
    CHECK(w1.x == margin + page.Extent(w0, L"word0") + page.Extent(w0, L" "));
    CHECK(w0.width == page.Extent(w0, L"word0"));
    const std::vector<HelpLine>& lines = page.layout.Lines();
    REQUIRE(lines.size() > 3);
    const HelpFont& f = page.FontOf(w0);
    CHECK(lines[0].top == margin);
    CHECK(lines[0].height == f.ascent + f.descent);
    CHECK(lines[1].top == lines[0].top + f.ascent + f.descent + f.height / 8);
    for (const HelpLine& line : lines)
        for (int32 r = line.first; r < line.end; r++) {
            const HelpRun& run = page.Runs()[static_cast<size_t>(r)];
            if (run.kind == HelpRun::kWord) {
                CHECK(run.x + run.width <= 300 - margin);
                CHECK(run.line == line.top);
            }
        }
    CHECK(page.layout.PageHeight() == lines.back().top + lines.back().height);
}

TEST_CASE("a word longer than the line stands alone and overflows")
{
    Page page("a " + std::string(200, 'm') + " b", 200);
    const HelpRun& longWord = page.Runs()[2];
    REQUIRE(longWord.length == 200);
    CHECK(longWord.x == page.layout.Margin());
    CHECK(longWord.x + longWord.width > 200);
    CHECK(longWord.line > page.Word(L"a").line);
    CHECK(page.Word(L"b").line > longWord.line);
    CHECK(page.layout.PageWidth() >= longWord.x + longWord.width);
    CHECK(page.layout.PageWidth() <= longWord.x + longWord.width + page.Extent(longWord, L" "));
}

TEST_CASE("a client narrower than its margins lays out one pixel wide")
{
    Page page("abc def <img src='wide.png'> ghi", 5, 96, {{L"wide.png", SolidPng(300, 100, 9, 9, 9)}});
    const int32 margin = page.layout.Margin();
    for (const HelpRun& r : page.Runs()) {
        CHECK(r.width >= 0);
        CHECK(r.height >= 0);
        CHECK(r.x >= margin);
    }
    const HelpRun& picture = page.Runs()[4];
    REQUIRE(picture.kind == HelpRun::kPicture);
    CHECK(picture.width == 1);
    CHECK(picture.height == 0);
    // Each word on its own line.
    CHECK(page.Word(L"def").line > page.Word(L"abc").line);
}

TEST_CASE("pictures scale with the dpi, and a wide one shrinks to the page in proportion")
{
    CHECK(ScreenPictureScale(96) == 1.0);
    CHECK(ScreenPictureScale(120) == 1.0);
    CHECK(ScreenPictureScale(144) == 1.5);
    CHECK(ScreenPictureScale(192) == 2.0);
    CHECK(ScreenPictureScale(240) == 2.5);
    CHECK(ScreenPictureScale(288) == 3.0);
    CHECK(PrinterPictureScale(300, 600) == doctest::Approx(3.125));
    CHECK(PrinterPictureScale(120, 120) == 1.0);
    const std::vector<Member> pictures = {{L"small.png", SolidPng(40, 20, 200, 0, 0)},
                                          {L"wide.png", SolidPng(968, 100, 0, 200, 0)}};
    Page page("<img src='SMALL.PNG'> <bmp file='wide.png'> <img src='missing.png'>x", 500, 96, pictures);
    for (int32 dpi : {96, 144, 192}) {
        CAPTURE(dpi);
        page.Lay(MulDiv(500, dpi, 96), dpi);
        const double scale = ScreenPictureScale(dpi);
        const HelpRun& small = page.Runs()[0];
        CHECK(small.width == static_cast<int32>(40 * scale));
        CHECK(small.height == static_cast<int32>(20 * scale));
        const HelpRun& wide = page.Runs()[2];
        const int32 available = MulDiv(500, dpi, 96) - 2 * page.layout.Margin();
        CHECK(wide.width == available);
        CHECK(wide.height == static_cast<int32>(int64(100 * scale) * available / static_cast<int32>(968 * scale)));
        const HelpRun& missing = page.Runs()[4];
        CHECK(missing.width == 0);
        CHECK(missing.height == 0);
    }
    // The page twice as wide as the window: shown at its width, half its height.
    Page twice("<img src='p.png'>", 500, 96, {{L"p.png", SolidPng(968, 200, 1, 2, 3)}});
    CHECK(twice.Runs()[0].width == 484);
    CHECK(twice.Runs()[0].height == 100);
    // One image entry for both spellings of the name.
    CHECK(page.layout.Images().size() == 3);
}

TEST_CASE("superscripts and subscripts sit on the common baseline, raised and lowered")
{
    Page page("x<sup>2</sup>y<sub>3</sub>z");
    const HelpRun& x = page.Word(L"x");
    const HelpRun& sup = page.Word(L"2");
    const HelpRun& sub = page.Word(L"3");
    const HelpFont& normal = page.FontOf(x);
    const HelpFont& small = page.FontOf(sup);
    CHECK(small.height < normal.height);
    const HelpLine& line = page.layout.Lines()[0];
    const int32 ascent = std::max(normal.ascent, small.ascent * 3 / 2);
    const int32 descent = std::max(normal.descent, page.FontOf(sub).descent + page.FontOf(sub).ascent / 3);
    CHECK(line.height == ascent + descent);
    const int32 baseline = line.top + ascent;
    CHECK(x.y == baseline - normal.ascent);
    CHECK(sup.y == baseline - small.ascent - small.ascent / 2);
    CHECK(sub.y == baseline - page.FontOf(sub).ascent + page.FontOf(sub).ascent / 3);
    CHECK(sup.x == x.x + x.width);
}

TEST_CASE("floating pictures narrow the lines beside them until their bottom")
{
    std::string words;
    for (int i = 0; i < 80; i++)
        words += "w" + std::to_string(i) + " ";
    Page page("<img src='l.png' align='left'><img src='r.png' align='right'>" + words +
                  "<br clear='left'>after",
              400, 96, {{L"l.png", SolidPng(50, 60, 255, 0, 0)}, {L"r.png", SolidPng(70, 120, 0, 0, 255)}});
    const int32 margin = page.layout.Margin(), gap = 96 / 18;
    const HelpRun& left = page.Runs()[0];
    const HelpRun& right = page.Runs()[1];
    CHECK(left.line == -1);
    CHECK(right.line == -1);
    CHECK(left.x == margin);
    CHECK(right.x == 400 - margin - 70);
    CHECK(page.layout.Floats().size() == 2);
    const HelpRun& first = page.Word(L"w0");
    CHECK(first.x == margin + 50 + gap);
    for (const HelpRun& r : page.Runs()) {
        if (r.kind != HelpRun::kWord)
            continue;
        if (r.line < 60)
            CHECK(r.x >= margin + 50 + gap);
        if (r.line < 120)
            CHECK(r.x + r.width <= 400 - margin - 70 - gap);
    }
    // Below the left float the lines start at the margin again.
    int below = 0;
    for (const HelpLine& line : page.layout.Lines())
        if (line.top >= left.y + left.height && line.height > 0) {
            CHECK(page.Runs()[static_cast<size_t>(line.first)].x == margin);
            below++;
        }
    CHECK(below > 2);
    // Cleared below the left float's bottom.
    CHECK(page.Word(L"after").line >= left.y + left.height);
    CHECK(page.layout.PageHeight() >= right.y + right.height);
}

TEST_CASE("indents move by the level times the last word's height, lists and paragraphs indent")
{
    Page page("a<indent>b</indent><indent2>c</indent2><p class='indent'>d</p>e");
    const int32 margin = page.layout.Margin();
    const int32 h = page.FontOf(page.Word(L"a")).height;
    CHECK(page.Word(L"a").x == margin);
    CHECK(page.Word(L"b").x == margin + h);
    CHECK(page.Word(L"c").x == margin + 2 * h);
    CHECK(page.Word(L"d").x == margin + h);
    CHECK(page.Word(L"e").x == margin);
    // A paragraph break adds half the last word's height.
    const HelpRun& d = page.Word(L"d");
    const HelpRun& e = page.Word(L"e");
    const HelpFont& f = page.FontOf(d);
    CHECK(e.line == d.line + f.ascent + f.descent + f.height / 8 + f.height / 2);
}

TEST_CASE("indent marks of a page with the base font alone are measured and placed with that font")
{
    // Levels 1 and 2 in indent marks, with only font 0 in the table.
    for (const char* body : {"<indent>x</indent>", "<ul><li>x</li></ul>", "<indent2>x</indent2>y"}) {
        INFO(body);
        Page page(body);
        REQUIRE(page.layout.Fonts().size() == 1);
        const HelpFont& f = page.layout.Fonts()[0];
        const int32 level = std::string(body).find("indent>") != std::string::npos ? 1 : 2;
        CHECK(page.Word(L"x").x == page.layout.Margin() + level * f.height);
        for (const HelpRun& r : page.Runs()) {
            CHECK(r.FontIndex() == 0);
            if (r.kind == HelpRun::kIndentIn || r.kind == HelpRun::kIndentOut) {
                CHECK(r.width == 0);
                CHECK(r.height == 0);
                CHECK(r.y >= 0);
                CHECK(r.y <= page.layout.PageHeight());
            }
        }
        const int32 x = static_cast<int32>(&page.Word(L"x") - page.Runs().data());
        const int32 line = page.layout.LineOfRun(x);
        REQUIRE(line >= 0);
        CHECK(page.layout.Lines()[static_cast<size_t>(line)].height == f.ascent + f.descent);
    }
}

TEST_CASE("markup nested as deep as the parser allows lays out")
{
    std::string deep;
    for (int i = 0; i < 1100; i++)
        deep += i % 2 ? "<span style='font-size:2em'>" : "<indent2><b>";
    Page page(deep + "x");
    CHECK(page.FontOf(page.Word(L"x")).size == kMaxHelpFontSize);
    CHECK(page.Word(L"x").x > 0);
}
