#include "view/CharWidths.h"

#include "base/Error.h"

#include <new>

int32 MeasureTextGdi(HDC hdc, bool advanced, const wchar_t* units, int32 count)
{
    if (count <= 0)
        return 0;
    if (advanced) {
        RECT r{0, 0, 0, 0};
        if (DrawTextW(hdc, units, count, &r, DT_CALCRECT | DT_NOPREFIX | DT_NOCLIP | DT_SINGLELINE))
            return r.right - r.left;
    } else {
        SIZE size{};
        if (GetTextExtentPoint32W(hdc, units, count, &size))
            return size.cx;
    }
    return AsInt(10 * static_cast<int64>(count));
}

bool CharWidths::Unshaped(u32 u)
{
    // Controls, soft hyphen, combining marks, joiners and direction marks,
    // surrogates and the scripts that are shaped or written right to left
    // are left to GDI.
    if (u < 0x0300)
        return u >= 0x20 && !(u >= 0x7F && u <= 0xA0) && u != 0xAD;
    if (u < 0x0530)
        return u >= 0x0370 && !(u >= 0x0483 && u <= 0x0489);
    if (u >= 0x1E00 && u < 0x2000)
        return true;
    if (u >= 0x2000 && u < 0x2070)
        return (u >= 0x2010 && u <= 0x2027) || (u >= 0x2030 && u <= 0x205E);
    if (u >= 0x2070 && u < 0x2C00)
        return !(u >= 0x20D0 && u <= 0x20FF);
    if (u >= 0x3000 && u < 0xA000)
        return !(u >= 0x302A && u <= 0x302F) && u != 0x3099 && u != 0x309A;
    if (u >= 0xAC00 && u <= 0xD7A3)
        return true;
    if (u >= 0xF900 && u < 0xFB00)
        return true;
    return u >= 0xFF01 && u <= 0xFFEF;
}

void CharWidths::Fill(HDC hdc, int32 font, int32 page)
{
    font &= 1;
    if (page < 0 || page > 255 || states_[font][page] != kUnmeasured)
        return;
    states_[font][page] = kRefused;
    wchar_t units[256];
    int32 n = 0;
    for (u32 i = 0; i < 256; i++) {
        u32 u = static_cast<u32>(page) * 256 + i;
        if (Unshaped(u))
            units[n++] = static_cast<wchar_t>(u);
    }
    if (n == 0)
        return;
    INT ends[256];
    SIZE size{};
    if (!GetTextExtentExPointW(hdc, units, n, 0, nullptr, ends, &size))
        return;
    // The page must measure as the sum of its advances in the way the view
    // measures, and the same in reverse order (no pair of units changes the
    // other's advance).
    if (MeasureTextGdi(hdc, advanced_, units, n) != ends[n - 1])
        return;
    wchar_t reversed[256];
    for (int32 k = 0; k < n; k++)
        reversed[k] = units[n - 1 - k];
    if (MeasureTextGdi(hdc, advanced_, reversed, n) != ends[n - 1])
        return;
    // Without memory for a page its units are measured by GDI.
    std::unique_ptr<Page> measured(new (std::nothrow) Page);
    if (!measured)
        return;
    for (int32& w : measured->widths)
        w = kUnknown;
    int32 previous = 0;
    for (int32 k = 0; k < n; k++) {
        int32 w = ends[k] - previous;
        if (w < 0)
            return;
        measured->widths[units[k] & 0xFF] = w;
        previous = ends[k];
    }
    pages_[font][page] = measured.get();
    owned_[font][page] = std::move(measured);
    states_[font][page] = 1;
}
