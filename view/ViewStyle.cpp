#include "view/ViewStyle.h"

#include "base/Error.h"
#include "base/SettingsStore.h"
#include "view/CharWidths.h"

#include <cmath>
#include <new>
#include <vector>

namespace {

int32 Red(COLORREF c) { return GetRValue(c); }
int32 Green(COLORREF c) { return GetGValue(c); }
int32 Blue(COLORREF c) { return GetBValue(c); }

COLORREF MapChannels(COLORREF c, int32 (*f)(int32))
{
    return RGB(f(Red(c)), f(Green(c)), f(Blue(c)));
}

int32 SaturateToInt(double v)
{
    if (v >= 2147483647.0)
        return 2147483647;
    if (v <= -2147483648.0)
        return -2147483647 - 1;
    return static_cast<int32>(v);
}

bool EqualsAsciiNoCase(const wchar_t* a, const wchar_t* b)
{
    for (;; a++, b++) {
        wchar_t x = *a, y = *b;
        if (x >= L'A' && x <= L'Z')
            x = static_cast<wchar_t>(x + 32);
        if (y >= L'A' && y <= L'Z')
            y = static_cast<wchar_t>(y + 32);
        if (x != y)
            return false;
        if (!x)
            return true;
    }
}

// "FontName" with its default; an empty value counts as absent.
const wchar_t* FontFace(const SettingsStore& settings)
{
    const wchar_t* face = settings.GetText(L"FontName");
    return face && *face ? face : L"Courier New";
}

struct CharsetSearch {
    const wchar_t* face;
    std::vector<int32> charsets;
};

int CALLBACK CollectCharset(const LOGFONTW* font, const TEXTMETRICW*, DWORD, LPARAM param)
{
    auto search = reinterpret_cast<CharsetSearch*>(param);
    try {
        const wchar_t* name = font->lfFaceName;
        if (name[0] && name[0] != L'@' && EqualsAsciiNoCase(name, search->face))
            search->charsets.push_back(font->lfCharSet);
    } catch (...) {
        // One lost character set only narrows the choice.
    }
    return 1;
}

}  // namespace

std::unique_ptr<ViewStyle> ViewStyle::Create()
{
    try {
        return std::unique_ptr<ViewStyle>(new ViewStyle());
    } catch (const std::bad_alloc&) {
        throw MemoryError();
    }
}

int32 ViewStyle::ZoomHeight(int32 height, int32 zoomSteps)
{
    int32 n = zoomSteps < -10 ? -10 : zoomSteps > 10 ? 10 : zoomSteps;
    if (n == 0)
        return height;
    double f = 1.0;
    int32 current = height;
    if (n > 0) {
        for (int32 i = 0; i < n; i++) {
            f *= 1.1;
            int32 candidate = SaturateToInt(height * f + 0.5);
            int32 grown = current == 2147483647 ? current : current + 1;
            current = candidate > grown ? candidate : grown;
        }
    } else {
        for (int32 i = 0; i < -n && current >= 2; i++) {
            f /= 1.1;
            int32 candidate = SaturateToInt(height * f + 0.5);
            current = candidate < current - 1 ? candidate : current - 1;
        }
    }
    return current;
}

int32 ViewStyle::FontHeight(int32 dpi, double points, int32 zoomSteps)
{
    double p = std::fabs(points);
    if (!(p >= 1.0))  // also catches NaN
        p = 1.0;
    if (p > 100.0)
        p = 100.0;
    int32 h = SaturateToInt(dpi * p / 72.0 + 0.5);
    if (zoomSteps != 0)
        h = ZoomHeight(h, zoomSteps);
    return h < 1 ? 1 : h;
}

u32 AntialiasingFlags(const wchar_t* value)
{
    if (!value || !*value || EqualsAsciiNoCase(value, L"system"))
        return 0;
    if (EqualsAsciiNoCase(value, L"cleartype") || EqualsAsciiNoCase(value, L"clear type"))
        return FontClearType;
    if (EqualsAsciiNoCase(value, L"standard"))
        return FontAntialiased;
    if (EqualsAsciiNoCase(value, L"none") || EqualsAsciiNoCase(value, L"off"))
        return FontNonAntialiased;
    return 0;
}

void CreateStyleFont(DeviceContext& dc, GdiObj& font, const wchar_t* face, int32 height, int32 weight,
                     u32 quality)
{
    CharsetSearch search{face, {}};
    if (dc.Hdc())
        EnumFontFamiliesW(dc.Hdc(), nullptr, CollectCharset, reinterpret_cast<LPARAM>(&search));
    int32 charset = 0;
    bool found = false;
    for (int32 c : search.charsets)
        if (c == EASTEUROPE_CHARSET) {
            charset = c;
            found = true;
        }
    if (!found) {
        for (int32 c : search.charsets)
            if (c == ANSI_CHARSET)
                found = true;
        if (!found && !search.charsets.empty())
            charset = search.charsets.front();
    }
    font.Assign(MakeFont(face, height, weight, quality, charset));
}

COLORREF BlendColors(COLORREF a, COLORREF b, double percent, double gamma)
{
    double t = percent / 100.0;
    auto channel = [&](int32 x, int32 y) {
        double xs = std::pow(x / 255.0, gamma), ys = std::pow(y / 255.0, gamma);
        double v = std::pow((1.0 - t) * xs + t * ys, 1.0 / gamma) * 255.0 + 0.5;
        return static_cast<int32>(v) & 0xFF;
    };
    return RGB(channel(Red(a), Red(b)), channel(Green(a), Green(b)), channel(Blue(a), Blue(b)));
}

COLORREF ReadHighlightBgColor(const SettingsStore& settings)
{
    COLORREF set = settings.GetColor(L"HighlightBgColor", 0x7FFFFFFF);
    if (set != 0x7FFFFFFF)
        return set;
    COLORREF text = settings.GetColor(L"TextColor", 0x000000);
    COLORREF back = settings.GetColor(L"TextBgColor", 0xFFFFFF);
    auto luma = [](COLORREF c) { return (30 * Red(c) + 59 * Green(c) + 11 * Blue(c)) / 100; };
    return luma(text) < luma(back) ? 0xC0C0FF : 0x6060C0;
}

void ViewStyle::Read(int32 dpi, DeviceContext& dc, int32 zoomSteps, const SettingsStore& settings)
{
    UINT caret = 0;
    if (!SystemParametersInfoW(SPI_GETCARETWIDTH, 0, &caret, 0))
        caret = 1;
    caretWidth = AsInt(static_cast<unsigned long long>(caret) * 2);

    textColor = settings.GetColor(L"TextColor", 0x000000);
    textBold = settings.GetBool(L"TextBold", false);
    textBgColor = settings.GetColor(L"TextBgColor", 0xFFFFFF);
    underlinesColor = settings.GetColor(L"UnderlinesColor", 0x0000FF);
    selectionBgColor = settings.GetColor(L"SelectionBgColor", 0xFCCECC);
    selectionColor2 = settings.GetColor(L"SelectionColor2", 0xE8A690);
    selectionColor3 = settings.GetColor(L"SelectionColor3", selectionColor2);
    lineFrameColor = settings.GetColor(L"LineFrameColor", 0xF4F4F4);
    lineBgColor = settings.GetColor(L"LineBgColor", 0xF4F4F4);
    highlightBgColor = ReadHighlightBgColor(settings);
    commentColor = settings.GetColor(L"CommentColor", 0x787878);
    commentBgColor = settings.GetColor(L"CommentBgColor", 0xFFFFFF);
    commentBold = settings.GetBool(L"CommentBold", false);
    stringColor = settings.GetColor(L"StringColor", 0x0080FF);
    stringBgColor = settings.GetColor(L"StringBgColor", 0xFFFFFF);
    stringBold = settings.GetBool(L"StringBold", false);
    identifierColor = settings.GetColor(L"IdentifierColor", 0x8C6428);
    identifierBold = settings.GetBool(L"IdentifierBold", false);
    keywordColor = settings.GetColor(L"KeywordColor", 0xB48C00);
    keywordBold = settings.GetBool(L"KeywordBold", true);
    known1Color = settings.GetColor(L"Known1Color", 0xB48C00);
    known1Bold = settings.GetBool(L"Known1Bold", false);
    known2Color = settings.GetColor(L"Known2Color", 0xB48C00);
    known2Bold = settings.GetBool(L"Known2Bold", false);
    numberColor = settings.GetColor(L"NumberColor", 0x000000);
    numberBold = settings.GetBool(L"NumberBold", false);
    tagColor = settings.GetColor(L"TagColor", 0xB48C00);
    tagBgColor = settings.GetColor(L"TagBgColor", 0xFFFFFF);
    tagBold = settings.GetBool(L"TagBold", true);
    preprocessorColor = settings.GetColor(L"PreprocessorColor", 0x008000);
    preprocessorBold = settings.GetBool(L"PreprocessorBold", false);

    COLORREF b = textBgColor;
    if (30 * Red(b) + 59 * Green(b) + 11 * Blue(b) < 10201) {
        bgShade1 = MapChannels(b, [](int32 c) { return 255 - (255 - c) * 90 / 100; });
        bgShade2 = MapChannels(b, [](int32 c) { return 255 - (255 - c) * 85 / 100; });
    } else {
        bgShade1 = MapChannels(b, [](int32 c) { return c * 90 / 100; });
        bgShade2 = MapChannels(b, [](int32 c) { return c * 80 / 100; });
    }

    int32 step = settings.GetTabStep();
    tabStep = step < 1 ? 1 : step > 20 ? 20 : step;
    autoIndent = settings.GetBool(L"Autoindent", true);
    const wchar_t* face = FontFace(settings);
    double size = settings.GetFontSize(10.0);
    u32 quality = AntialiasingFlags(settings.GetText(L"FontAntialiasing"));
    fontAdvanced = settings.GetBool(L"FontAdvanced", false);

    int32 height = FontHeight(dpi, size, zoomSteps);
    CreateStyleFont(dc, normalFont, face, -height, 400, quality);
    CreateStyleFont(dc, boldFont, face, -height, 700, quality);
    int32 small = height * 3 / 4;
    CreateStyleFont(dc, smallFont, face, -(small < 1 ? 1 : small), 400, 0);

    try {
        charWidths = std::make_shared<CharWidths>(fontAdvanced, static_cast<HFONT>(normalFont.Handle()),
                                                  static_cast<HFONT>(boldFont.Handle()));
    } catch (const std::bad_alloc&) {
        throw MemoryError();
    }

    dc.SelectFont(normalFont);
    textHeight = dc.LineHeight();
    textHeight2 = textHeight;
    spacing = MulDiv(4, dpi, 96);
    lineHeight = textHeight + spacing;
    topMargin = MulDiv(1, dpi, 96);
    devicePixel = topMargin;

    overflowFgColor = settings.GetColor(L"OverflowFgColor", 0x000000);
    overflowBgColor = settings.GetColor(L"OverflowBgColor", 0x8080FF);
    wrapIndicatorColor = settings.GetColor(L"WrapIndicatorColor", 0xD0D0D0);
}

void ViewStyle::ReadFonts(GdiObj& font, int32 dpi, const SettingsStore& settings)
{
    int32 height = FontHeight(dpi, settings.GetFontSize(10.0), 0);
    font.Assign(MakeFont(FontFace(settings), -height, 400, 0, DEFAULT_CHARSET));
}

void ViewStyle::CopyFrom(ViewStyle& target, const ViewStyle& source)
{
    if (&target != &source)
        target = source;
}

void ViewStyle::DeriveInactive(ViewStyle& target, const ViewStyle& source)
{
    CopyFrom(target, source);
    auto fade = [](COLORREF& c) { c = MapChannels(c, [](int32 v) { return v * 216 / 256 + 32; }); };
    COLORREF* faded[] = {
        &target.textColor,        &target.textBgColor,      &target.identifierColor,  &target.keywordColor,
        &target.numberColor,      &target.commentColor,     &target.commentBgColor,   &target.stringColor,
        &target.stringBgColor,    &target.tagColor,         &target.tagBgColor,       &target.preprocessorColor,
        &target.selectionBgColor, &target.selectionColor2,  &target.underlinesColor,  &target.bgShade1,
        &target.bgShade2,         &target.lineFrameColor,   &target.lineBgColor,      &target.overflowFgColor,
        &target.overflowBgColor,  &target.wrapIndicatorColor,
    };
    for (COLORREF* c : faded)
        fade(*c);
}
