#pragma once

// A text view in a shown form with a recording handler, for the view tests.

#include "LayoutTestSupport.h"

#include "gui/Form.h"
#include "support/Pump.h"
#include "support/RecordingViewHandler.h"
#include "view/TextView.h"


// A borderless top-level form that holds one text view as its content.
class ViewHost : public Form {
public:
    ViewHost() { Create(NoTooltip, L"ViewTestHost", nullptr, 1); }
    bool HandleError(const Error& error) override
    {
        errors.push_back(error.code);
        return true;
    }
    void OnCommand(MessageRecord& m) override { commands.push_back(m.wParam); }
    std::vector<int32> errors;
    std::vector<WPARAM> commands;
};

// One shown host per slot for the whole run: hiding or destroying a shown
// top-level window costs Wine seconds without a window manager.
inline ViewHost& SharedHost(int slot = 0)
{
    static ViewHost* hosts[2] = {};
    if (!hosts[slot]) {
        hosts[slot] = new ViewHost();
        hosts[slot]->SetBounds(RECT{slot * 40, slot * 40, slot * 40 + 400, slot * 40 + 300});
        // Shown without taking the activation from other test programs.
        hosts[slot]->ShowNoActivate();
        Pump();
    }
    return *hosts[slot];
}

// A text view in a shown form, with a recording handler and documents.
class ViewBench {
public:
    explicit ViewBench(int width = 400, int height = 300, const SettingsStore& s = MakeSettings(),
                       const DictRegistry* registry = nullptr)
        : settings(s), factory(LexerFactory::Create()), host(SharedHost())
    {
        host.commands.clear();
        host.errors.clear();
        view = TextView::Create(&host, 9, nullptr, nullptr, settings, registry, factory.get());
        view->handler = &handler;
        view->ReloadStyle(settings);
        Resize(width, height);
        Pump();
    }
    ~ViewBench() { delete view; }
    ViewBench(const ViewBench&) = delete;
    ViewBench& operator=(const ViewBench&) = delete;

    void Resize(int width, int height)
    {
        host.SetBounds(RECT{0, 0, width, height});
        view->SetBounds(RECT{0, 0, width, height});
    }

    // A new document, added to the view and shown in it.
    TextDocument* Add(const std::string& text, int32 syntax = 0)
    {
        docs.push_back(std::make_unique<TextDocument>());
        TextDocument* doc = docs.back().get();
        doc->syntax = syntax;
        SetText(*doc, text);
        Event(0, doc);
        Event(2, doc, view);
        return doc;
    }
    void Event(int32 kind, TextDocument* doc, TextView* target = nullptr)
    {
        BroadcastRecord record{kind, doc, target, 0};
        view->OnDocumentEvent(record, kind);
    }
    ViewState& State() { return *view->currentState; }
    int64 Caret() { return State().CaretPosition(); }
    int64 Anchor() { return State().AnchorPosition(); }
    int64 Top() { return State().TopPosition(); }

    LRESULT Send(UINT msg, WPARAM w = 0, LPARAM l = 0) { return SendMessageW(view->hwnd, msg, w, l); }
    // Paints now, so that the bars and the caret follow the text.
    void Paint()
    {
        view->Invalidate();
        view->Update();
    }
    // Paints the text area into a canvas of the client size.
    PaintResult PaintInto(Canvas& canvas)
    {
        PaintResult result{};
        view->PaintText(canvas.dc, result);
        return result;
    }
    int32 LineHeight() { return view->currentStyle->textHeight; }

    SettingsStore settings;
    std::unique_ptr<LexerFactory> factory;
    std::vector<std::unique_ptr<TextDocument>> docs;
    RecordingViewHandler handler;
    ViewHost& host;
    TextView* view = nullptr;
};

inline LPARAM Point(int x, int y)
{
    return MAKELPARAM(static_cast<WORD>(static_cast<short>(x)), static_cast<WORD>(static_cast<short>(y)));
}
