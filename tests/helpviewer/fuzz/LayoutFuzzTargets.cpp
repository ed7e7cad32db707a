#include "HelpFuzzTargets.h"

#include "base/CharUtils.h"
#include "helpviewer/HelpDocument.h"
#include "helpviewer/HelpLayout.h"

#include <cstring>

namespace {

void Expect(bool condition)
{
    if (!condition)
        __builtin_trap();
}

std::vector<u8> Bytes(const char* text)
{
    return std::vector<u8>(text, text + strlen(text));
}

const char kPage[] =
    "<section ctx='s'><h1>Tytu\xC5\x82</h1><p class='indent'>Tekst <b>gruby <i>pochy\xC5\x82y</i></b> "
    "<font size='+4' color='#f0a' face='Courier New'>du\xC5\xBC" "y</font> <span style='color:red; font-size:2.5e1em'>"
    "x</span><span style='font-size:16px'>px</span><span style='font-size:x-large'>k</span> x<sup>2</sup>y<sub>3</sub>"
    "<a href='#dalej'>link</a> <link to='s'>tu</link> &lt;&copy;&amp;</p><div clear='all'>d<br clear='left'>"
    "<-></div><img src='a.png' align='left'><img src='b.gif' align='right'><bmp file='c.gif'>"
    "<ol type='A'><li>x</li><li>y<ul><li>z</li></ul></li></ol><item>i</item><indent>w<indent2>v</indent2></indent>"
    "<red>r</red><green>g</green><blue>b</blue><code>kod</code><big>B</big><small>s</small><u>u</u>"
    "</section><section ctx='dalej'>" "bardzo d\xC5\x82ugie_s\xC5\x82owo_bez_spacji_kt\xC3\xB3re_nie_mie\xC5\x9B" "ci_"
    "si\xC4\x99 <img src='x' align='left'><img src='y' align='left'> a b c</section>";

std::vector<FuzzSeed> LayoutSeeds()
{
    std::vector<u8> nested;
    for (int i = 0; i < 300; i++) {
        const char* tag = i % 4 == 0 ? "<ol><li>" : i % 4 == 1 ? "<indent2>" : i % 4 == 2 ? "<font size='+1'>" : "<p>";
        nested.insert(nested.end(), tag, tag + strlen(tag));
    }
    std::vector<u8> seed = Bytes("<section ctx='n'>");
    seed.insert(seed.end(), nested.begin(), nested.end());
    // As deep as the parser nests, where the walk's stack is deepest.
    std::vector<u8> deep = Bytes("<section ctx='d'>");
    for (int i = 0; i < 1100; i++) {
        const char* tag = i % 2 ? "<span style='font-size:2em'>" : "<indent2><b>";
        deep.insert(deep.end(), tag, tag + strlen(tag));
    }
    return {{Bytes(kPage), {}}, {seed, {}}, {deep, {}}};
}

// Made once for all inputs.
const DeviceContext& LayoutDc()
{
    static DeviceContext dc = MemoryMeasureDc();
    return dc;
}

}  // namespace

void RunLayoutFuzz(const u8* bytes, size_t count)
{
    HelpDocument doc;
    doc.SetMarkup(Utf8ToString(bytes, static_cast<int64>(count)));
    int sections = 0;
    for (const HelpNode* s = doc.FirstSection(); s && sections < 3; s = doc.NextSection(s), sections++) {
        HelpLayout layout;
        for (int32 width : {0, 1, 50, 1000}) {
            HelpLayoutParams p;
            p.dpi = width == 50 ? 144 : 96;
            p.pictureScale = ScreenPictureScale(p.dpi);
            p.clientWidth = width;
            layout.SetDevice(LayoutDc(), p);
            layout.Clear();
            layout.AddSection(doc, s);
            layout.Arrange();
            int32 top = -1;
            for (const HelpLine& line : layout.Lines()) {
                Expect(line.top >= top && line.height >= 0 && line.first <= line.end);
                top = line.top;
            }
            for (const HelpRun& r : layout.Runs()) {
                Expect(r.width >= 0 && r.height >= 0 && r.font >= 0);
                Expect(static_cast<size_t>(r.FontIndex()) < layout.Fonts().size());
                Expect(r.x >= 0 && r.x <= kMaxHelpCoordinate && r.y <= kMaxHelpCoordinate);
                if (r.kind == HelpRun::kWord)
                    Expect(r.length > 0 && r.text != nullptr);
                if (r.IsLink())
                    Expect(r.link + int64(r.linkLength) <= doc.Markup().Length());
            }
            Expect(layout.PageHeight() >= 0 && layout.PageWidth() >= 0);
        }
    }
}

HelpFuzzTarget LayoutFuzzTarget()
{
    return {"layout", LayoutSeeds, RunLayoutFuzz};
}
