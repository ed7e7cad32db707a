#pragma once

// A tab strip over a document list in a shown form, with a handler that does
// what the editor does: it moves, closes and selects texts and broadcasts
// each change back to the strip.

#include "ViewTestSupport.h"

#include "support/TestGroup.h"
#include "text/DocumentList.h"
#include "view/TextTabs.h"

#include <string>
#include <vector>

// A windowed group of its own class that holds the controls of a test and
// keeps the commands its children send or post.
class Holder : public TestGroup {
public:
    explicit Holder(ControlGroup* parentGroup) : TestGroup(parentGroup, OwnClass | NoTabStop, L"TestHolder")
    {
        Show();
    }
    void OnCommand(MessageRecord& m) override { commands.push_back(m.wParam); }

    std::vector<WPARAM> commands;
};

inline std::string Narrow(const String& s)
{
    std::string out;
    for (int64 i = 0; i < s.Length(); i++)
        out += static_cast<char>(s.Data()[i]);
    return out;
}

class RecordingTabsHandler : public TextTabs::Handler {
public:
    void OnTabClicked(TextDocument* document, TextTabs* tabs) override
    {
        log.push_back("click " + Name(document));
        Broadcast(tabs, BroadcastCurrentChanged, document);
    }
    void OnCloseClicked(TextDocument* document, TextTabs* tabs) override
    {
        log.push_back("close " + Name(document));
        list->Remove(document);
        Broadcast(tabs, BroadcastDocumentRemoved, document);
    }
    void OnSaveClicked(TextDocument* document, TextTabs*) override
    {
        log.push_back("save " + Name(document));
    }
    void OnTabMoved(TextDocument* document, int32 index, TextTabs* tabs) override
    {
        log.push_back("move " + Name(document) + " " + std::to_string(index));
        list->Move(document, index);
        Broadcast(tabs, BroadcastDocumentMoved, document);
    }
    void OnContextMenu(MessageRecord&, TextDocument* document, TextTabs*) override
    {
        log.push_back("menu " + (document ? Name(document) : std::string("none")));
    }

    std::string Name(TextDocument* document) { return Narrow(TextTabs::DisplayName(document)); }
    static void Broadcast(TextTabs* tabs, int32 kind, TextDocument* document)
    {
        BroadcastRecord record{kind, document, nullptr, 0};
        tabs->OnBroadcast(record);
    }

    DocumentList* list = nullptr;
    std::vector<std::string> log;
};

// A strip of the given width over `count` texts, "t0000.txt" on, in folders
// of `perFolder` texts each; the first text is current.
class TabsBench {
public:
    explicit TabsBench(int count, int width = 600, int perFolder = 300, int dpi = 96)
        : list(DocumentList::Create()), host(SharedHost())
    {
        host.SetDpi(dpi);
        host.SetBounds(RECT{0, 0, width + 40, 200});
        holder = new Holder(&host);
        holder->SetBounds(RECT{0, 0, width + 40, 200});
        for (int i = 0; i < count; i++)
            Add(i, perFolder);
        tabs = TextTabs::Create(holder, &list);
        handler.list = &list;
        tabs->handler = &handler;
        SettingsStore settings;
        tabs->ApplySettings(settings);
        Place(width);
        if (count > 0)
            Broadcast(BroadcastCurrentChanged, list.At(0));
        Pump();
    }
    ~TabsBench()
    {
        delete holder;
        host.SetDpi(96);
    }
    TabsBench(const TabsBench&) = delete;
    TabsBench& operator=(const TabsBench&) = delete;

    TextDocument* Add(int i, int perFolder)
    {
        TextDocument* doc = list.NewDocument(nullptr);
        // Names of different lengths, so tabs differ in width.
        std::wstring name = L"t" + std::to_wstring(10000 + i).substr(1) + std::wstring(i % 5, L'w') + L".txt";
        std::wstring folder = L"C:\\work\\dir" + std::to_wstring(i / perFolder) + L"\\";
        doc->SetPath(String((folder + name).c_str()));
        doc->SetLocation(doc->GetPath());
        return doc;
    }
    void Place(int width)
    {
        SizeLimits limits;
        tabs->Measure(limits);
        height = limits.minHeight;
        tabs->SetBounds(RECT{0, 0, width, height});
    }
    void Broadcast(int32 kind, TextDocument* document) { RecordingTabsHandler::Broadcast(tabs, kind, document); }

    LRESULT Mouse(UINT msg, int x, int y, WPARAM keys = 0)
    {
        if (msg == WM_LBUTTONDOWN || (msg == WM_MOUSEMOVE && tabs->HasCapture()))
            keys |= MK_LBUTTON;
        return SendMessageW(tabs->hwnd, msg, keys, Point(x, y));
    }
    void Timer(int ticks = 1)
    {
        for (int i = 0; i < ticks; i++)
            SendMessageW(tabs->hwnd, WM_TIMER, 1, 0);
    }
    int Width(int64 index)
    {
        DeviceContext dc = tabs->MeasuringDC();
        return tabs->TabWidth(dc, list.At(index));
    }
    // Client x of the tab's frame (one pixel left of its position).
    int FrameLeft(int64 index) { return tabs->TabPosition(index) - tabs->scroll - 1; }
    int Y() { return (tabs->tabRowTop + height) / 2; }
    int ClientWidth() { return tabs->ClientRect().right; }
    void Paint()
    {
        tabs->Invalidate();
        tabs->Update();
    }
    int32 MaxScroll() { return std::max(tabs->totalWidth - ClientWidth() - 1, 0); }

    DocumentList list;
    ViewHost& host;
    Holder* holder = nullptr;
    TextTabs* tabs = nullptr;
    RecordingTabsHandler handler;
    int height = 0;
};
