#include "helpviewer/ViewerToolbar.h"

#include "gui/Form.h"

#include <doctest.h>

#include <vector>

namespace {

enum : uint32_t { CmdBack = 201, CmdNext, CmdPrint, CmdContents, CmdFind };

// Back and Next (20 pixels, priority 3), a line (5), Print (20, 1), the
// Contents label (20, 2), Find (20, 4): 105 pixels of images.
struct ToolbarForm {
    ToolbarForm()
    {
        form.Create(MainWindow, L"ToolbarTest", nullptr, 3);
        toolbar = NewViewerToolbar(&form, 12100);
        toolbar->AddButton(CmdBack, L"Wstecz", 0, 20, 16, 3);
        toolbar->AddButton(CmdNext, L"Dalej", 20, 20, 16, 3);
        toolbar->AddSeparator(false);
        toolbar->AddButton(CmdPrint, L"Drukuj", 40, 20, 16, 1);
        toolbar->AddLabel(CmdContents, L"Spis treści", 60, 20, 16, 2);
        toolbar->AddButton(CmdFind, L"Szukaj", 80, 20, 16, 4);
        form.SetBounds({40, 40, 840, 240});
        form.Show();
    }

    SizeLimits Place(int width)
    {
        SizeLimits limits;
        toolbar->Measure(limits);
        toolbar->SetBounds({0, 0, width, 24});
        return limits;
    }

    std::vector<int> Advances()
    {
        std::vector<int> a;
        for (int64_t i = 0; i < toolbar->items.Count(); i++)
            a.push_back(toolbar->items.At(i).advance);
        return a;
    }

    int Caption(const wchar_t* text)
    {
        DeviceContext dc = toolbar->WindowDC();
        dc.SelectFont(toolbar->GetFont());
        SIZE size;
        GetTextExtentPoint32W(dc.Hdc(), text, lstrlenW(text), &size);
        return size.cx + 8;
    }

    Form form;
    ViewerToolbar* toolbar;
};

} // namespace

TEST_CASE("the viewer's toolbar hides buttons by priority when narrow and shows no caption then")
{
    ToolbarForm f;
    CHECK(f.toolbar->items.At(4).kind == ToolbarLabel);
    f.Place(105);
    CHECK(f.Advances() == std::vector<int>{20, 20, 5, 20, 20, 20});
    // Find goes first; the 5 pixels left over get no caption.
    f.Place(90);
    CHECK(f.Advances() == std::vector<int>{20, 20, 5, 20, 20, 0});
    // Then Next before Back (the later of equal priorities), then Back.
    f.Place(66);
    CHECK(f.Advances() == std::vector<int>{20, 0, 5, 20, 20, 0});
    f.Place(46);
    CHECK(f.Advances() == std::vector<int>{0, 0, 5, 20, 20, 0});
    f.Place(0);
    CHECK(f.Advances() == std::vector<int>{0, 0, 5, 0, 0, 0});
    for (int64_t i = 0; i < f.toolbar->items.Count(); i++)
        CHECK_FALSE(f.toolbar->items.At(i).textShown);
}

TEST_CASE("the viewer's toolbar shows captions by priority while each fits whole")
{
    ToolbarForm f;
    const int print = f.Caption(L"Drukuj"), contents = f.Caption(L"Spis treści"), back = f.Caption(L"Wstecz");
    f.Place(105 + print - 1);
    CHECK(f.Advances() == std::vector<int>{20, 20, 5, 20, 20, 20});
    f.Place(105 + print);
    CHECK(f.Advances() == std::vector<int>{20, 20, 5, 20 + print, 20, 20});
    f.Place(105 + print + contents + back);
    CHECK(f.Advances() == std::vector<int>{20 + back, 20, 5, 20 + print, 20 + contents, 20});
    CHECK(f.toolbar->items.At(0).textShown);
    CHECK_FALSE(f.toolbar->items.At(1).textShown);
    // A fixed width keeps every button but still takes captions.
    f.toolbar->fixedMinWidth = 1;
    SizeLimits limits = f.Place(50);
    CHECK(limits.minWidth == 105);
    CHECK(limits.maxWidth == 10000);
    CHECK(f.Advances() == std::vector<int>{20, 20, 5, 20, 20, 20});
    f.Place(105 + print);
    CHECK(f.Advances() == std::vector<int>{20, 20, 5, 20 + print, 20, 20});
    f.toolbar->fixedMaxWidth = 1;
    limits = f.Place(400);
    CHECK(limits.maxWidth == 105);
}
