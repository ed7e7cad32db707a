#include "LayoutTestSupport.h"

namespace {

std::unique_ptr<ViewStyle> ReadStyle(const SettingsStore& settings, int32 dpi = 96, int32 zoom = 0)
{
    Canvas canvas(4, 4);
    auto style = ViewStyle::Create();
    style->Read(dpi, canvas.dc, zoom, settings);
    return style;
}

LOGFONTW FontOf(const GdiObj& font)
{
    LOGFONTW lf{};
    GetObjectW(font.Handle(), sizeof lf, &lf);
    return lf;
}

int32 MeasuredWy(const GdiObj& font)
{
    Canvas canvas(4, 4);
    canvas.dc.SelectFont(font);
    SIZE size{};
    GetTextExtentPoint32W(canvas.dc.Hdc(), L"Wy", 2, &size);
    return size.cy;
}

}  // namespace

TEST_CASE("font heights clamp the point size to 1..100 and ignore its sign")
{
    CHECK(ViewStyle::FontHeight(96, -12, 0) == ViewStyle::FontHeight(96, 12, 0));
    CHECK(ViewStyle::FontHeight(96, 0, 0) == ViewStyle::FontHeight(96, 1, 0));
    CHECK(ViewStyle::FontHeight(96, 0.5, 0) == ViewStyle::FontHeight(96, 1, 0));
    CHECK(ViewStyle::FontHeight(96, 500, 0) == ViewStyle::FontHeight(96, 100, 0));
    // dpi x points / 72, rounded.
    CHECK(ViewStyle::FontHeight(96, 12, 0) == 16);
    CHECK(ViewStyle::FontHeight(144, 10, 0) == 20);
    CHECK(ViewStyle::FontHeight(96, 1, 0) == 1);
    // Zooming never takes a height below one pixel.
    CHECK(ViewStyle::FontHeight(96, 1, -10) == 1);

    SUBCASE("the settings value goes through the same rule")
    {
        auto minus = ReadStyle(MakeSettings({{L"FontSize", L"-12"}}));
        auto plus = ReadStyle(MakeSettings({{L"FontSize", L"12"}}));
        CHECK(FontOf(minus->normalFont).lfHeight == FontOf(plus->normalFont).lfHeight);
        CHECK(FontOf(plus->normalFont).lfHeight == -16);
        auto odd = ReadStyle(MakeSettings({{L"FontSize", L"big"}}));
        CHECK(FontOf(odd->normalFont).lfHeight == -ViewStyle::FontHeight(96, 10, 0));
    }
}

TEST_CASE("zoom steps grow and shrink by at least a pixel and stop at the limits")
{
    CHECK(ViewStyle::ZoomHeight(20, 11) == ViewStyle::ZoomHeight(20, 10));
    CHECK(ViewStyle::ZoomHeight(20, -11) == ViewStyle::ZoomHeight(20, -10));
    CHECK(ViewStyle::ZoomHeight(1, -1) == 1);
    CHECK(ViewStyle::ZoomHeight(1, 1) == 2);
    CHECK(ViewStyle::ZoomHeight(17, 0) == 17);
    // Each candidate scales the starting height, not the previous result.
    CHECK(ViewStyle::ZoomHeight(100, 1) == 110);
    CHECK(ViewStyle::ZoomHeight(100, 2) == 121);
    CHECK(ViewStyle::ZoomHeight(100, -1) == 91);
    for (int n = 0; n < 10; n++)
        CHECK(ViewStyle::ZoomHeight(3, n + 1) > ViewStyle::ZoomHeight(3, n));
    for (int n = 0; n > -10; n--) {
        int32 a = ViewStyle::ZoomHeight(6, n), b = ViewStyle::ZoomHeight(6, n - 1);
        CHECK((b < a || a == 1));
        CHECK(b >= 1);
    }
}

TEST_CASE("tab step, booleans and selection colour 3 follow their defaults")
{
    CHECK(ReadStyle(MakeSettings({{L"TabStep", L"0"}}))->tabStep == 1);
    CHECK(ReadStyle(MakeSettings({{L"TabStep", L"99"}}))->tabStep == 20);
    CHECK(ReadStyle(MakeSettings({{L"TabStep", L"abc"}}))->tabStep == 4);

    auto empty = ReadStyle(MakeSettings({{L"KeywordBold", L""}, {L"TagBold", L""}, {L"TextBold", L""}}));
    CHECK(empty->keywordBold);
    CHECK(empty->tagBold);
    CHECK_FALSE(empty->textBold);
    CHECK(empty->autoIndent);
    CHECK(ReadStyle(MakeSettings({{L"TextBold", L"yes"}}))->textBold);
    CHECK_FALSE(ReadStyle(MakeSettings({{L"TextBold", L"Yes"}}))->textBold);

    auto defaults = ReadStyle(MakeSettings());
    CHECK(defaults->selectionColor2 == 0xE8A690);
    CHECK(defaults->selectionColor3 == defaults->selectionColor2);
    auto custom = ReadStyle(MakeSettings({{L"SelectionColor2", L"#102030"}}));
    CHECK(custom->selectionColor3 == 0x102030);
    auto own = ReadStyle(MakeSettings({{L"SelectionColor2", L"#102030"}, {L"SelectionColor3", L"7"}}));
    CHECK(own->selectionColor3 == 7);
}

TEST_CASE("background shades and the inactive palette come from the text background")
{
    auto black = ReadStyle(MakeSettings({{L"TextBgColor", L"#000000"}}));
    CHECK(black->bgShade1 == 0x1A1A1A);
    CHECK(black->bgShade2 == 0x272727);
    auto white = ReadStyle(MakeSettings());
    CHECK(white->bgShade1 == 0xE5E5E5);
    CHECK(white->bgShade2 == 0xCCCCCC);

    auto inactive = ViewStyle::Create();
    ViewStyle::DeriveInactive(*inactive, *white);
    CHECK(inactive->textBgColor == 0xF7F7F7);
    CHECK(inactive->textColor == 0x202020);
    CHECK(inactive->known1Color == white->known1Color);
    CHECK(inactive->selectionColor3 == white->selectionColor3);
    CHECK(inactive->highlightBgColor == white->highlightBgColor);
    // Fonts are shared, not made again.
    CHECK(inactive->normalFont.Handle() == white->normalFont.Handle());
    CHECK(inactive->boldFont.Handle() == white->boldFont.Handle());
    CHECK(inactive->lineHeight == white->lineHeight);
}

TEST_CASE("metrics come from the measured normal font at the given dpi")
{
    for (int32 dpi : {96, 192}) {
        CAPTURE(dpi);
        auto style = ReadStyle(MakeSettings(), dpi);
        CHECK(style->textHeight == MeasuredWy(style->normalFont));
        CHECK(style->textHeight2 == style->textHeight);
        CHECK(style->spacing == MulDiv(4, dpi, 96));
        CHECK(style->lineHeight == style->textHeight + style->spacing);
        CHECK(style->topMargin == MulDiv(1, dpi, 96));
        CHECK(style->caretWidth >= 2);
        CHECK(style->caretWidth % 2 == 0);
        LOGFONTW normal = FontOf(style->normalFont), bold = FontOf(style->boldFont), small = FontOf(style->smallFont);
        CHECK(normal.lfWeight == 400);
        CHECK(bold.lfWeight == 700);
        CHECK(small.lfHeight == -(ViewStyle::FontHeight(dpi, 10, 0) * 3 / 4));
        CHECK(normal.lfQuality == NONANTIALIASED_QUALITY);
        CHECK(small.lfQuality == DEFAULT_QUALITY);
    }
    auto zoomed = ReadStyle(MakeSettings(), 96, 3);
    CHECK(FontOf(zoomed->normalFont).lfHeight == -ViewStyle::ZoomHeight(ViewStyle::FontHeight(96, 10, 0), 3));
}

TEST_CASE("the highlight background is set or chosen by the text's brightness")
{
    CHECK(ReadHighlightBgColor(MakeSettings({{L"HighlightBgColor", L"#010203"}})) == 0x010203);
    CHECK(ReadHighlightBgColor(MakeSettings()) == 0xC0C0FF);
    CHECK(ReadHighlightBgColor(MakeSettings({{L"TextColor", L"#ffffff"}, {L"TextBgColor", L"#000000"}})) ==
          0x6060C0);
    CHECK(ReadHighlightBgColor(MakeSettings({{L"HighlightBgColor", L"#7fffffff"}})) == 0xC0C0FF);
    CHECK(ReadHighlightBgColor(MakeSettings({{L"HighlightBgColor", L"pink"}})) == 0xC0C0FF);
}

TEST_CASE("gamma blends keep their ends and mix channels separately")
{
    CHECK(BlendColors(0x102030, 0xA0B0C0, 0, 1.6) == 0x102030);
    CHECK(BlendColors(0x102030, 0xA0B0C0, 100, 1.6) == 0xA0B0C0);
    CHECK(BlendColors(0x000000, 0x0000FF, 50, 1.0) == 0x000080);
    // With a gamma above 1 the middle lies nearer the brighter end.
    CHECK(GetRValue(BlendColors(0x000000, 0x0000FF, 50, 2.2)) > 0x80);
    CHECK(GetGValue(BlendColors(0x000000, 0x0000FF, 50, 2.2)) == 0);
}

TEST_CASE("antialiasing names map to quality flags")
{
    CHECK(AntialiasingFlags(L"system") == 0);
    CHECK(AntialiasingFlags(L"") == 0);
    CHECK(AntialiasingFlags(nullptr) == 0);
    CHECK(AntialiasingFlags(L"ClearType") == FontClearType);
    CHECK(AntialiasingFlags(L"clear type") == FontClearType);
    CHECK(AntialiasingFlags(L"Standard") == FontAntialiased);
    CHECK(AntialiasingFlags(L"NONE") == FontNonAntialiased);
    CHECK(AntialiasingFlags(L"off") == FontNonAntialiased);
    CHECK(AntialiasingFlags(L"smooth") == 0);
}

TEST_CASE("style fonts keep the face and fall back to character set 0 for unknown faces")
{
    Canvas canvas(4, 4);
    GdiObj font;
    CreateStyleFont(canvas.dc, font, L"No Such Face Anywhere", -13, 700, FontAntialiased);
    LOGFONTW lf = FontOf(font);
    CHECK(std::wstring(lf.lfFaceName) == L"No Such Face Anywhere");
    CHECK(lf.lfCharSet == 0);
    CHECK(lf.lfHeight == -13);
    CHECK(lf.lfWeight == 700);
    CHECK(lf.lfQuality == ANTIALIASED_QUALITY);

    GdiObj plain;
    ViewStyle::ReadFonts(plain, 120, MakeSettings({{L"FontName", L"Arial"}, {L"FontSize", L"9"}}));
    LOGFONTW p = FontOf(plain);
    CHECK(std::wstring(p.lfFaceName) == L"Arial");
    CHECK(p.lfHeight == -ViewStyle::FontHeight(120, 9, 0));
    CHECK(p.lfCharSet == DEFAULT_CHARSET);
    CHECK(p.lfWeight == 400);
}
