#include "helpviewer/HelpPrinting.h"

#include "base/Error.h"

#include <commdlg.h>

namespace {

// A common dialog that returned 0: cancelled (false) or failed (thrown).
bool DialogCancelled()
{
    DWORD code = CommDlgExtendedError();
    if (code != 0)
        throw WinError(code);
    return false;
}

class SystemDevice : public PrintDevice {
public:
    bool DefaultSetup(HWND owner, PrintSetup& setup) override
    {
        PAGESETUPDLGW page{};
        page.lStructSize = sizeof page;
        page.hwndOwner = owner;
        page.Flags = PSD_RETURNDEFAULT;
        if (!PageSetupDlgW(&page))
            return DialogCancelled();
        // The default set-up hands over the printer's settings; they are not kept.
        if (page.hDevMode)
            GlobalFree(page.hDevMode);
        if (page.hDevNames)
            GlobalFree(page.hDevNames);
        setup.left = page.rtMargin.left;
        setup.top = page.rtMargin.top;
        setup.right = page.rtMargin.right;
        setup.bottom = page.rtMargin.bottom;
        setup.paperWidth = page.ptPaperSize.x;
        setup.paperHeight = page.ptPaperSize.y;
        setup.thousandthsOfInch = (page.Flags & PSD_INTHOUSANDTHSOFINCHES) != 0;
        setup.taken = true;
        return true;
    }

    bool ChoosePrinter(HWND owner) override
    {
        if (!prepared_) {
            dialog_ = PRINTDLGW{};
            dialog_.lStructSize = sizeof dialog_;
            dialog_.Flags = PD_RETURNDC | PD_NOSELECTION | PD_NOPAGENUMS;
            prepared_ = true;
        }
        dialog_.hwndOwner = owner;
        dialog_.hDC = nullptr;
        if (!PrintDlgW(&dialog_))
            return DialogCancelled();
        dc_ = dialog_.hDC;
        return dc_ != nullptr;
    }

    int32 DotsPerInch(bool vertical) override { return GetDeviceCaps(dc_, vertical ? LOGPIXELSY : LOGPIXELSX); }
    HDC MeasureDc() override { return dc_; }

    void StartDoc(const wchar_t* name) override
    {
        DOCINFOW info{};
        info.cbSize = sizeof info;
        info.lpszDocName = name;
        if (::StartDocW(dc_, &info) <= 0)
            ThrowLastError();
    }
    HDC StartPage() override
    {
        if (::StartPage(dc_) <= 0)
            ThrowLastError();
        return dc_;
    }
    void EndPage() override
    {
        if (::EndPage(dc_) <= 0)
            ThrowLastError();
    }
    void EndDoc() override
    {
        if (::EndDoc(dc_) <= 0)
            ThrowLastError();
    }
    void Release() override
    {
        if (dc_)
            DeleteDC(dc_);
        dc_ = nullptr;
    }

private:
    // Kept between prints, so the printer chosen last is offered again.
    PRINTDLGW dialog_{};
    bool prepared_ = false;
    HDC dc_ = nullptr;
};

}  // namespace

PrintDevice& SystemPrintDevice()
{
    static SystemDevice device;
    return device;
}

std::vector<size_t> SheetStarts(const std::vector<int32>& tops, const std::vector<int32>& heights,
                                int32 available)
{
    std::vector<size_t> starts;
    int64 sheetTop = 0;
    for (size_t i = 0; i < tops.size() && i < heights.size(); i++) {
        int64 bottom = static_cast<int64>(tops[i]) + heights[i];
        if (starts.empty() || bottom - sheetTop > available) {
            starts.push_back(i);
            sheetTop = tops[i];
        }
    }
    return starts;
}

int32 SetupToPixels(int32 value, int32 dotsPerInch, const PrintSetup& setup)
{
    return MulDiv(value, dotsPerInch, setup.thousandthsOfInch ? 1000 : 2540);
}
