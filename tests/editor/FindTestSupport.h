#pragma once

// The real main window with its find bar shown, a text loaded in a chosen
// encoding, and the keys of the bar's fields.

#include "MainFormTestSupport.h"

#include "gui/EditLine.h"
#include "gui/ElasticGroup.h"
#include "gui/Toolbar.h"
#include "support/DocumentText.h"
#include "support/Pump.h"
#include "support/TempFolder.h"
#include "text/Encoding.h"
#include "text/TextDocument.h"

#include <doctest.h>

#include <string>

inline const wchar_t* Lang(const wchar_t* polish, const wchar_t* english)
{
    return IsPolishUi() ? polish : english;
}

inline std::string Narrow(const std::wstring& text)
{
    int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n > 0 ? n : 0), '\0');
    if (n > 0)
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0], n, nullptr, nullptr);
    return out;
}

inline void SetShiftHeld(bool held)
{
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[VK_SHIFT] = held ? 0x80 : 0;
    SetKeyboardState(keys);
}

// The test program's own arguments are no files to open at start.
struct WithoutArguments {
    WithoutArguments() : kept(AppContext::Current().arguments) { AppContext::Current().arguments = Array<String>(); }
    ~WithoutArguments() { AppContext::Current().arguments = kept; }
    Array<String> kept;
};

class FindBench {
public:
    explicit FindBench(const std::string& settings = std::string()) : run(settings)
    {
        Command(11017);
        Pump();
    }
    ~FindBench() { SetShiftHeld(false); }

    MainForm& Form() { return *run.form; }
    TextView* View() { return run.form->activeView; }
    TextDocument* Doc() { return run.form->activeView->CurrentDocument(); }
    void Command(uint32_t id) { SendMessageW(run.Hwnd(), WM_COMMAND, id, 0); }

    // A text of these bytes in this encoding becomes the active one, shown
    // from its top with the caret at caret.
    TextDocument* Load(const std::string& bytes, EncodingId encoding, int64 caret = 0)
    {
        String path = folder / (L"t" + std::to_wstring(++files) + L".txt").c_str();
        WriteFileBytes(path, bytes);
        run.broker->LoadFileAsNewText(View(), path, encoding, true);
        TextDocument* doc = Doc();
        REQUIRE(doc != nullptr);
        REQUIRE(doc->GetPath().Equals(path));
        REQUIRE(doc->text.Size() == static_cast<int64>(bytes.size()));
        View()->SetCaret(doc, caret, CaretScrollIntoView, 0);
        Paint();
        return doc;
    }
    void Paint()
    {
        View()->Invalidate();
        View()->Update();
    }

    void Key(EditLine* field, UINT key) { SendMessageW(field->GetHwnd(), WM_KEYDOWN, key, 0); }
    void Char(EditLine* field, wchar_t c) { SendMessageW(field->GetHwnd(), WM_CHAR, c, 0); }
    void ShiftKey(EditLine* field, UINT key)
    {
        SetShiftHeld(true);
        Key(field, key);
        SetShiftHeld(false);
    }
    // Typing: the field's text changes and it tells the form.
    void SetField(EditLine* field, const wchar_t* text) { SetWindowTextW(field->GetHwnd(), text); }
    std::wstring FieldText(EditLine* field) { return W(field->GetText()); }

    int64 Caret() { return View()->FindViewState(Doc())->CaretPosition(); }
    int64 Anchor() { return View()->FindViewState(Doc())->AnchorPosition(); }
    // Idle calls until the form wants no more; how many it took.
    int Idle()
    {
        int calls = 0;
        while (Form().OnIdle() && calls < 100000)
            calls++;
        return calls;
    }

    WithoutArguments withoutArguments;
    TempFolder folder;
    int files = 0;
    MainFormRun run;
};
