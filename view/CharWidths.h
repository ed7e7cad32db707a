#pragma once

#include "base/Types.h"

#include <windows.h>

#include <cstdint>
#include <memory>

// How GDI measures a piece of text in the font selected into hdc: through
// DrawTextW when advanced, else GetTextExtentPoint32W; 10 a unit when the
// call fails.
int32 MeasureTextGdi(HDC hdc, bool advanced, const wchar_t* units, int32 count);

// The advances of UTF-16 units in a view's normal and bold fonts, filled a
// page of 256 units at a time, so that a token is measured by adding up its
// units instead of a call into GDI each (a line of megabytes holds hundreds
// of thousands of tokens). Only units of scripts that are drawn without
// shaping have an advance here, and a page is taken only when GDI measures
// all of its units together exactly as their sum; anything else is
// measured by GDI as before, so the widths never differ from its own.
class CharWidths {
public:
    static constexpr int32 kUnknown = -1;

    CharWidths(bool advanced, HFONT normal, HFONT bold) : advanced_(advanced), fonts_{normal, bold} {}

    // True when the widths are those of these fonts measured this way.
    bool For(bool advanced, HFONT normal, HFONT bold) const
    {
        return advanced == advanced_ && normal == fonts_[0] && bold == fonts_[1];
    }

    // The width of the units in the font (0 normal, 1 bold), or kUnknown:
    // then missingPage is the page to Fill first, or -1 when a unit has no
    // advance here at all.
    int32 Sum(int32 font, const wchar_t* units, int32 count, int32& missingPage) const
    {
        const Page* const* pages = pages_[font & 1];
        int64 sum = 0;
        for (int32 i = 0; i < count; i++) {
            u32 u = units[i];
            const Page* page = pages[u >> 8];
            if (!page) {
                missingPage = states_[font & 1][u >> 8] == kRefused ? -1 : static_cast<int32>(u >> 8);
                return kUnknown;
            }
            int32 w = page->widths[u & 0xFF];
            if (w < 0) {
                missingPage = -1;
                return kUnknown;
            }
            sum += w;
        }
        return sum <= INT32_MAX ? static_cast<int32>(sum) : kUnknown;
    }

    // The advances of a measured page's units (kUnknown for those without
    // one), or null.
    const int32* PageAdvances(int32 font, int32 page) const
    {
        const Page* measured = page >= 0 && page < 256 ? pages_[font & 1][page] : nullptr;
        return measured ? measured->widths : nullptr;
    }

    // The one advance of every printable ASCII character but the blank in
    // the font, or kUnknown when they differ or are not measured.
    int32 UniformAscii(int32 font) const
    {
        const int32* advances = PageAdvances(font, 0);
        if (!advances)
            return kUnknown;
        for (u32 u = 0x22; u < 0x7F; u++)
            if (advances[u] != advances[0x21])
                return kUnknown;
        return advances[0x21];
    }

    // Measures a page in the font selected into hdc (the font of that
    // index), or refuses it.
    void Fill(HDC hdc, int32 font, int32 page);

    // True for units of scripts GDI draws one advance after another.
    static bool Unshaped(u32 unit);

private:
    enum : u8 { kUnmeasured = 0, kRefused = 2 };
    struct Page {
        int32 widths[256];  // kUnknown for units without an advance here
    };

    bool advanced_;
    HFONT fonts_[2];
    // invariant: pages_[f][p] is set only for a page whose units measured
    // together by MeasureTextGdi in font f give the sum of their widths.
    const Page* pages_[2][256] = {};
    u8 states_[2][256] = {};
    std::unique_ptr<Page> owned_[2][256];
};
