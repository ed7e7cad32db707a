#pragma once

#include "base/Types.h"
#include "gui/Gdi.h"

#include <windows.h>

#include <memory>

class CharWidths;
class SettingsStore;

// Colours, fonts and metrics with which a text view draws, computed from the
// settings for one DPI and zoom step. Painting reads it; nothing writes it
// after it was built: a change of settings, DPI or zoom builds a new one.
struct ViewStyle {
    int32 lineHeight;   // text height + spacing
    int32 spacing;      // MulDiv(4, dpi, 96)
    int32 topMargin;    // space above the first row
    int32 devicePixel;  // MulDiv(1, dpi, 96)
    int32 textHeight;   // height of "Wy" in the normal font
    GdiObj normalFont;
    GdiObj boldFont;
    int32 textHeight2;
    int32 tabStep;
    GdiObj smallFont;
    int32 caretWidth;
    bool autoIndent;
    COLORREF textColor;
    COLORREF textBgColor;
    bool textBold;
    COLORREF identifierColor;
    bool identifierBold;
    COLORREF keywordColor;
    bool keywordBold;
    COLORREF known1Color;
    bool known1Bold;
    COLORREF known2Color;
    bool known2Bold;
    COLORREF numberColor;
    bool numberBold;
    COLORREF commentColor;
    COLORREF commentBgColor;
    bool commentBold;
    COLORREF stringColor;
    COLORREF stringBgColor;
    bool stringBold;
    COLORREF tagColor;
    COLORREF tagBgColor;
    bool tagBold;
    COLORREF preprocessorColor;
    bool preprocessorBold;
    COLORREF selectionBgColor;
    COLORREF selectionColor2;
    COLORREF selectionColor3;
    COLORREF underlinesColor;
    COLORREF bgShade1;
    COLORREF bgShade2;
    COLORREF lineFrameColor;
    COLORREF lineBgColor;
    COLORREF overflowFgColor;
    COLORREF overflowBgColor;
    COLORREF wrapIndicatorColor;
    COLORREF highlightBgColor;
    bool fontAdvanced;
    // Advances in the normal and bold fonts, shared with the copies that
    // share the fonts; filled as layouts need them.
    std::shared_ptr<CharWidths> charWidths;

    // A zeroed style with empty fonts.
    static std::unique_ptr<ViewStyle> Create();

    // Fills every field from the settings; dc is the view's, used to
    // enumerate fonts and to measure.
    void Read(int32 dpi, DeviceContext& dc, int32 zoomSteps, const SettingsStore& settings);
    // One font of weight 400 from "FontName" and "FontSize" at zoom step 0.
    static void ReadFonts(GdiObj& font, int32 dpi, const SettingsStore& settings);
    static int32 FontHeight(int32 dpi, double points, int32 zoomSteps);
    static int32 ZoomHeight(int32 height, int32 zoomSteps);
    // Copies source (fonts shared) and fades the colours of the copy.
    static void DeriveInactive(ViewStyle& target, const ViewStyle& source);
    static void CopyFrom(ViewStyle& target, const ViewStyle& source);
};

// Gamma-correct blend of a towards b by percent (0 gives a, 100 gives b).
COLORREF BlendColors(COLORREF a, COLORREF b, double percent, double gamma);
COLORREF ReadHighlightBgColor(const SettingsStore& settings);
// Makes a font of the face, preferring the East European character set when
// the face offers it. height goes to the font as it is (negative = character
// height); quality takes the FontClearType/FontAntialiased/FontNonAntialiased flags.
void CreateStyleFont(DeviceContext& dc, GdiObj& font, const wchar_t* face, int32 height, int32 weight,
                     u32 quality);
// Quality flags for a "FontAntialiasing" value.
u32 AntialiasingFlags(const wchar_t* value);
