#pragma once

// Runs the configuration dialog for real, over a shown owner, and drives it
// from a thread timer that fires inside the dialog's own loop (and inside
// the colour and file dialogs it opens): one step per tick, a step that
// answers false is tried again at the next tick.

#include "base/SettingsStore.h"
#include "base/UiLanguage.h"
#include "editor/ConfigDialog.h"
#include "gui/Form.h"
#include "support/Pump.h"
#include "view/syntax/LexerFactory.h"

#include <doctest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

// Wide texts as UTF-8 in failure messages.
namespace doctest {
template <> struct StringMaker<std::wstring> {
    static String convert(const std::wstring& text)
    {
        int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
        std::string out(n > 0 ? static_cast<size_t>(n - 1) : 0, '\0');
        if (n > 1)
            WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, &out[0], n, nullptr, nullptr);
        return ("\"" + out + "\"").c_str();
    }
};
}  // namespace doctest

namespace configtest {

class OwnerForm : public Form {
public:
    OwnerForm() { Create(NoTooltip, L"ConfigTestOwner", nullptr, 1); }
    bool HandleError(const Error& error) override
    {
        errors.push_back(error.code);
        return true;
    }
    std::vector<int32> errors;
};

// One shown owner for the whole run: hiding a top-level window costs Wine
// seconds without a window manager.
inline OwnerForm& Owner()
{
    static OwnerForm* owner = nullptr;
    if (owner == nullptr) {
        owner = new OwnerForm();
        owner->SetBounds(RECT{60, 40, 900, 800});
        owner->ShowNoActivate();
        Pump();
    }
    return *owner;
}

using Step = std::function<bool(ConfigurationDialog&)>;

struct Script {
    std::vector<Step> steps;
    size_t next = 0;
    int ticks = 0;
    bool running = false;
    std::string failure;
};

inline Script*& CurrentScript()
{
    static Script* script = nullptr;
    return script;
}

inline BOOL CALLBACK FindConfigDialog(HWND hwnd, LPARAM out)
{
    if (IsWindowVisible(hwnd))
        if (auto* dialog = dynamic_cast<ConfigurationDialog*>(FindWindowObject(hwnd))) {
            *reinterpret_cast<ConfigurationDialog**>(out) = dialog;
            return FALSE;
        }
    return TRUE;
}

inline void CALLBACK ScriptTick(HWND, UINT, UINT_PTR, DWORD)
{
    Script* script = CurrentScript();
    if (script == nullptr || script->running || script->next >= script->steps.size())
        return;
    ConfigurationDialog* dialog = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindConfigDialog, reinterpret_cast<LPARAM>(&dialog));
    if (dialog == nullptr)
        return;
    // A guard against a hang, not a measure: a stuck step closes the dialog.
    if (++script->ticks > 3000) {
        script->failure = "step " + std::to_string(script->next) + " never finished";
        script->next = script->steps.size();
        PostMessageW(dialog->hwnd, WM_CLOSE, 0, 0);
        return;
    }
    script->running = true;
    try {
        if (script->steps[script->next](*dialog)) {
            script->next++;
            script->ticks = 0;
        }
    } catch (const Error& error) {
        script->failure = "step " + std::to_string(script->next) + " threw Error " + std::to_string(error.code);
        script->next = script->steps.size();
        PostMessageW(dialog->hwnd, WM_CLOSE, 0, 0);
    }
    script->running = false;
}

// Runs the dialog on the store with the steps; the last step should end it.
inline int32 RunScript(SettingsStore& store, std::vector<Step> steps)
{
    static std::unique_ptr<LexerFactory> lexers(LexerFactory::Create());
    Owner();
    Script script;
    script.steps = std::move(steps);
    CurrentScript() = &script;
    UINT_PTR timer = SetTimer(nullptr, 0, 10, ScriptTick);
    int32 result = 0;
    try {
        result = RunConfigurationDialog(&Owner(), store, nullptr, lexers.get());
    } catch (...) {
        KillTimer(nullptr, timer);
        CurrentScript() = nullptr;
        throw;
    }
    KillTimer(nullptr, timer);
    CurrentScript() = nullptr;
    CHECK(script.failure == "");
    CHECK(script.next == script.steps.size());
    return result;
}

// Steps that end the run.
inline Step Press(int id)
{
    return [id](ConfigurationDialog& d) {
        PostMessageW(d.hwnd, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
        return true;
    };
}

inline Step CloseBox()
{
    return [](ConfigurationDialog& d) {
        PostMessageW(d.hwnd, WM_CLOSE, 0, 0);
        return true;
    };
}

// A control's notification as the control would send it.
inline void Notify(ConfigurationDialog& d, Control* control, uint32_t id, uint32_t code)
{
    SendMessageW(d.hwnd, WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(control ? control->hwnd : nullptr));
}

inline void SelectListItem(ConfigurationDialog& d, Control* list, uint32_t id, WPARAM index)
{
    list->SendMsg(LB_SETCURSEL, index, 0);
    Notify(d, list, id, LBN_SELCHANGE);
}

inline void SelectComboItem(ConfigurationDialog& d, Control* combo, uint32_t id, WPARAM index)
{
    combo->SendMsg(CB_SETCURSEL, index, 0);
    Notify(d, combo, id, CBN_SELCHANGE);
}

inline void SelectElement(ConfigurationDialog& d, int32 row)
{
    SelectListItem(d, reinterpret_cast<Control*>(d.elementList), ConfigurationDialog::ElementListId,
                   static_cast<WPARAM>(row));
}

// The working copy's value, "<absent>" when the key is absent.
inline std::wstring Value(const SettingsStore& store, const wchar_t* key)
{
    const wchar_t* text = store.GetText(key);
    return text ? std::wstring(text) : std::wstring(L"<absent>");
}

// Every pair, "key=value;" joined, to compare whole stores.
inline std::wstring Dump(const SettingsStore& store)
{
    std::wstring out;
    for (int64 i = 0; i < store.PairCount(); i++) {
        String key, value;
        store.PairAt(i, &key, &value);
        out += std::wstring(key.CStr()) + L"=" + std::wstring(value.CStr()) + L";";
    }
    return out;
}

inline SettingsStore Store(std::initializer_list<std::pair<const wchar_t*, const wchar_t*>> pairs)
{
    SettingsStore store;
    for (auto& p : pairs)
        store.SetText(p.first, p.second);
    store.loaded = 1;
    return store;
}

// The interface language for one test; the system's afterwards.
struct Language {
    explicit Language(int32 id) { SetUiLanguageId(id); }
    ~Language() { SetUiLanguageId(static_cast<int32>(GetUserDefaultUILanguage() & 0x3FF)); }
};

// The page that shows: the one not collapsed.
inline int32 ShownPage(ConfigurationDialog& d)
{
    int32 shown = -1;
    for (int32 i = 0; i < ConfigurationDialog::PageCount; i++)
        if (!d.pages[i]->IsCollapsed() && d.pages[i]->IsShown())
            shown = shown < 0 ? i : 99;
    return shown;
}

}  // namespace configtest
