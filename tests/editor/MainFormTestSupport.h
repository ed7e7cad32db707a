#pragma once

// The real main window over a broker, built from a settings file in a
// portable data folder.

#include "base/AppContext.h"
#include "base/SettingsStore.h"
#include "base/UiLanguage.h"
#include "editor/MainForm.h"
#include "support/PortableMode.h"
#include "support/RecordingAlerts.h"
#include "support/TempFolder.h"
#include "text/TextDocument.h"

#include <doctest.h>

#include <string>

inline std::wstring W(const String& s)
{
    return std::wstring(s.Data() ? s.Data() : L"", static_cast<size_t>(s.Length()));
}

inline bool PolishSystem()
{
    return (GetUserDefaultUILanguage() & 0x3FF) == 21;
}

inline std::wstring MenuTitle(HWND window, int position)
{
    wchar_t text[64] = {};
    GetMenuStringW(GetMenu(window), static_cast<UINT>(position), text, 64, MF_BYPOSITION);
    return text;
}

inline bool MenuChecked(HWND window, UINT command)
{
    return (GetMenuState(GetMenu(window), command, MF_BYCOMMAND) & MF_CHECKED) != 0;
}

// A command sent to the window, then what it queued.
inline void RunCommand(MainForm& form, uint32_t id)
{
    SendMessageW(form.hwnd, WM_COMMAND, id, 0);
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

// Characters typed into a view one by one.
inline void TypeInto(TextView* view, const wchar_t* text)
{
    for (const wchar_t* p = text; *p; p++)
        SendMessageW(view->hwnd, WM_CHAR, *p, 0);
}

// The recorded alerts as title: message lines, for failure messages.
inline std::string AlertList(const RecordingAlerts& recorded)
{
    std::wstring all;
    for (const RecordingAlerts::Alert& a : recorded.alerts)
        all += a.title + L": " + a.message + L"\n";
    std::string out;
    for (wchar_t c : all)
        out += c < 128 ? static_cast<char>(c) : '?';
    return out;
}

// A main window over a broker, built from the given settings file in the
// portable data folder; both go at the end of the test.
class MainFormRun {
public:
    explicit MainFormRun(const std::string& settings) : data(settings)
    {
        AppContext& context = AppContext::Current();
        context.portableKnown = 0;
        context.DetectPortable();
        context.settings.pairs.Release();
        context.settings.loaded = 0;
        broker = ActionBroker::Create();
        form = MainForm::Create(broker);
    }
    ~MainFormRun()
    {
        delete form;
        delete broker;
        SetUiLanguageId(static_cast<int32>(GetUserDefaultUILanguage() & 0x3FF));
    }
    MainFormRun(const MainFormRun&) = delete;
    MainFormRun& operator=(const MainFormRun&) = delete;

    HWND Hwnd() const { return form->hwnd; }

    PortableDataFolder data;
    RecordingAlerts alerts;
    ActionBroker* broker = nullptr;
    MainForm* form = nullptr;
};

// The test program's own arguments are no files to open at start.
struct NoArguments {
    NoArguments() : kept(AppContext::Current().arguments) { AppContext::Current().arguments = Array<String>(); }
    ~NoArguments() { AppContext::Current().arguments = kept; }
    Array<String> kept;
};

// A hidden main window over a portable data folder, able to open files.
struct HiddenEditor {
    explicit HiddenEditor(const std::string& settings) : run(settings)
    {
        ShowWindow(run.Hwnd(), SW_HIDE);
        SetKeyValueRetryPause(0);
    }
    ~HiddenEditor() { SetKeyValueRetryPause(200); }

    MainForm& Form() { return *run.form; }
    TextDocument* Open(const wchar_t* name, const std::string& bytes)
    {
        String path = folder / name;
        WriteFileBytes(path, bytes);
        Array<String> files;
        files.Insert(0, path);
        ActionRecord record;
        record.InitOpenFiles(Form().activeView, false, files);
        ExecuteAction(*run.broker, record);
        TextDocument* document = Form().activeView->CurrentDocument();
        REQUIRE(document != nullptr);
        REQUIRE(document->GetPath().Equals(path));
        return document;
    }
    void Type(wchar_t c) { SendMessageW(Form().view1->hwnd, WM_CHAR, c, 0); }
    void Close() { SendMessageW(run.Hwnd(), WM_CLOSE, 0, 0); }
    bool Exited() { return Form().quitAsked != 0; }
    String Hibernation() const { return run.data / L"hibernation.dat"; }
    String SettingsFile() const { return run.data / L"appsettings.dat"; }

    TempFolder folder;
    NoArguments noArguments;
    MainFormRun run;
};
