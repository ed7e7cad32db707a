// The tab strip over 2000 texts in a 1200-pixel strip, with folder labels:
// a paint (memory bitmap and the copy to the window) with the current tab at
// the start, in the middle and at the end, a hit test by a mouse move, a
// drag step that moves a text, EnsureVisible of the last tab, and 2000
// texts added one by one as a start restoring them does. The
// references, measured in the same run: GetTextExtentPoint32W of all 2000
// names in the tab font, and one BitBlt of the strip's size.
// Usage: tabs_bench; needs a display (Xvfb).

#include "base/AppContext.h"
#include "base/Error.h"
#include "base/SettingsStore.h"
#include "gui/Form.h"
#include "text/DocumentList.h"
#include "text/TextDocument.h"
#include "view/TextTabs.h"

#include "bench/BenchTiming.h"

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

void Report(const std::string& name, double value, const char* unit)
{
    std::printf("%s: %.3f %s\n", name.c_str(), value, unit);
    std::fflush(stdout);
}

class Host : public Form {
public:
    Host() { Create(NoTooltip, L"TabsBenchHost", nullptr, 1); }
};

// Does what the editor does: moves the text and tells the strip.
class MovingHandler : public TextTabs::Handler {
public:
    void OnTabClicked(TextDocument* document, TextTabs* tabs) override
    {
        BroadcastRecord record{BroadcastCurrentChanged, document, nullptr, 0};
        tabs->OnBroadcast(record);
    }
    void OnCloseClicked(TextDocument*, TextTabs*) override {}
    void OnSaveClicked(TextDocument*, TextTabs*) override {}
    void OnTabMoved(TextDocument* document, int32 index, TextTabs* tabs) override
    {
        list->Move(document, index);
        moves++;
        BroadcastRecord record{BroadcastDocumentMoved, document, nullptr, 0};
        tabs->OnBroadcast(record);
    }
    void OnContextMenu(MessageRecord&, TextDocument*, TextTabs*) override {}

    DocumentList* list = nullptr;
    int moves = 0;
};

constexpr int kTexts = 2000;
constexpr int kWidth = 1200;
constexpr int kRuns = 20;

double PerCall(const std::function<void()>& work, int calls)
{
    return Time([&] {
        for (int i = 0; i < calls; i++)
            work();
    }) / calls;
}

} // namespace

int main()
{
    try {
        AppContext context(GetModuleHandleW(nullptr));
        Host host;
        host.SetBounds(RECT{0, 0, kWidth + 40, 200});
        host.ShowNoActivate();
        DocumentList list = DocumentList::Create();
        for (int i = 0; i < kTexts; i++) {
            TextDocument* doc = list.NewDocument(nullptr);
            std::wstring path = L"C:\\projects\\module" + std::to_wstring(i / 25) + L"\\source_file_" +
                                std::to_wstring(i) + std::wstring(i % 7, L'x') + L".cpp";
            doc->SetPath(String(path.c_str()));
            doc->SetLocation(doc->GetPath());
            doc->modified = i % 3 == 0;
        }
        TextTabs* tabs = TextTabs::Create(&host, &list);
        MovingHandler handler;
        handler.list = &list;
        tabs->handler = &handler;
        SettingsStore settings;
        settings.SetText(L"TextTabDirs", L"true");
        tabs->ApplySettings(settings);
        SizeLimits limits;
        tabs->Measure(limits);
        const int height = limits.minHeight;
        tabs->SetBounds(RECT{0, 0, kWidth, height});
        const int y = height - 4;

        auto show = [&](int64 index) {
            BroadcastRecord record{BroadcastCurrentChanged, list.At(index), nullptr, 0};
            tabs->OnBroadcast(record);
            tabs->Update();
        };
        auto paint = [&] { RedrawWindow(tabs->hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW); };
        const std::pair<const char*, int64> places[] = {{"start", 0}, {"middle", kTexts / 2}, {"end", kTexts - 1}};
        for (const auto& place : places) {
            show(place.second);
            Report(std::string("paint at the ") + place.first, 1000 * PerCall(paint, kRuns), "ms");
        }

        show(kTexts / 2);
        int x = 100;
        double hit = PerCall(
            [&] {
                SendMessageW(tabs->hwnd, WM_MOUSEMOVE, 0, MAKELPARAM(x, y));
                x = x == 100 ? 700 : 100;
            },
            kRuns);
        Report("mouse-move hit test", 1000 * hit, "ms");

        // A drag of the current tab back and forth by a tab's width: every
        // step moves the text in the list.
        show(kTexts / 2);
        RECT r = tabs->GetTabRect(list.At(kTexts / 2));
        const int grab = r.left + 10;
        SendMessageW(tabs->hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(grab, y));
        SendMessageW(tabs->hwnd, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(grab + 6, y));
        int step = 0;
        double drag = PerCall(
            [&] {
                int to = step++ % 2 ? grab : grab + (r.right - r.left) + 5;
                SendMessageW(tabs->hwnd, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(to, y));
            },
            kRuns);
        SendMessageW(tabs->hwnd, WM_LBUTTONUP, 0, MAKELPARAM(grab, y));
        Report("drag step", 1000 * drag, "ms");
        Report("texts moved by the drag", handler.moves, "times");

        double ensure = PerCall(
            [&] {
                tabs->SetScroll(0);
                tabs->EnsureVisible(kTexts - 1);
            },
            kRuns);
        Report("EnsureVisible of the last tab", 1000 * ensure, "ms");

        // References.
        std::vector<String> names;
        for (int64 i = 0; i < list.Count(); i++)
            names.push_back(TextTabs::DisplayName(list.At(i)));
        DeviceContext dc = tabs->MeasuringDC();
        long sum = 0;
        double extents = PerCall(
            [&] {
                for (const String& name : names) {
                    SIZE size;
                    GetTextExtentPoint32W(dc.Hdc(), name.Data(), static_cast<int>(name.Length()), &size);
                    sum += size.cx;
                }
            },
            kRuns);
        Report("reference: GetTextExtentPoint32W of 2000 names", 1000 * extents, "ms");
        DeviceContext window = tabs->WindowDC();
        DeviceContext memory;
        memory.Compatible(&window);
        memory.SelectBitmap(MakeCompatibleBitmap(window, kWidth, height));
        double blit = PerCall(
            [&] { BitBlt(window.Hdc(), 0, 0, kWidth, height, memory.Hdc(), 0, 0, SRCCOPY); }, kRuns);
        Report("reference: one BitBlt of the strip", 1000 * blit, "ms");
        if (sum == 0)
            std::printf("no widths measured\n");

        // What a start restoring 2000 texts asks of the strip: each text is
        // added and made current in turn; the strip is painted at the end.
        DocumentList opened = DocumentList::Create();
        Host second;
        second.SetBounds(RECT{0, 0, kWidth + 40, 200});
        second.ShowNoActivate();
        TextTabs* growing = TextTabs::Create(&second, &opened);
        growing->ApplySettings(settings);
        growing->SetBounds(RECT{0, 0, kWidth, height});
        double adding = Time([&] {
            for (int64 i = 0; i < list.Count(); i++) {
                TextDocument* doc = opened.NewDocument(nullptr);
                doc->SetPath(list.At(i)->GetPath());
                doc->SetLocation(doc->GetPath());
                BroadcastRecord added{BroadcastDocumentAdded, doc, nullptr, 0};
                growing->OnBroadcast(added);
                BroadcastRecord shown{BroadcastCurrentChanged, doc, nullptr, 0};
                growing->OnBroadcast(shown);
            }
            growing->Update();
        });
        Report("2000 texts added one by one, each made current", 1000 * adding, "ms");
        if (growing->scroll == 0)
            std::printf("the last tab was never scrolled to\n");
        delete growing;
        delete tabs;
    } catch (const Error& e) {
        std::printf("error %d\n", e.code);
        return 1;
    }
    return 0;
}
