#include "editor/HelpLink.h"

#include "base/AppContext.h"
#include "base/Error.h"
#include "base/StrFormat.h"
#include "base/UiLanguage.h"
#include "base/WindowHandle.h"
#include "editor/MainForm.h"
#include "gui/Form.h"
#include "gui/Toolbar.h"

#include <new>
#include <string>

namespace {

ViewerLink viewerLink;

[[noreturn]] void ThrowStartError(DWORD code, const wchar_t* subject)
{
    if (code == ERROR_NOT_ENOUGH_MEMORY || code == ERROR_OUTOFMEMORY)
        throw MemoryError();
    throw WinError(code, subject);
}

void BringForward(Form* editor)
{
    if (editor->IsMinimized())
        editor->Restore();
    BringToForeground(editor->hwnd);
}

}  // namespace

ViewerLink& HelpViewerLink()
{
    return viewerLink;
}

void ShowViewerTopic(Form* owner, int32 topic)
{
    ViewerLink& link = viewerLink;
    if (link.message != 0 && link.window != nullptr && IsWindow(link.window)) {
        PostMessageW(link.window, link.message, 9, static_cast<LPARAM>(topic));
        SetForegroundWindow(link.window);
        return;
    }
    StartViewer(owner, StrFormat(L"[]", topic));
}

String ViewerCommandLine(const String& path, const String& topic, HWND owner)
{
    String line = StrFormat(L"\"[]\" \"id:[]\" \"hwnd:[]\"", path, topic,
                            WindowHandleNumber(owner));
    if (viewerLink.rectKnown) {
        const RECT& r = viewerLink.rect;
        String rect = StrFormat(L"[] [] [] []", r.left, r.top, r.right, r.bottom);
        String part = StrFormat(L" \"hrect:[]\"", rect);
        line.Append(part.Data(), part.Length());
    }
    return line;
}

void StartViewer(Form* owner, const String& topic)
{
    ViewerLink& link = viewerLink;
    if (link.message == 0) {
        link.message = RegisterWindowMessageW(L"rovin WM by Vardemo");
        if (link.message == 0)
            ThrowStartError(GetLastError(), nullptr);
    }
    link.window = nullptr;
    String path = GetProgramFilePath(L"guidora.exe");
    String line = ViewerCommandLine(path, topic, owner ? owner->hwnd : nullptr);
    std::wstring buffer;
    try {
        buffer.assign(line.Data(), static_cast<size_t>(line.Length()));
    } catch (const std::bad_alloc&) {
        throw MemoryError();
    }
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(nullptr, &buffer[0], nullptr, nullptr, TRUE, NORMAL_PRIORITY_CLASS, nullptr, nullptr,
                        &startup, &process))
        ThrowStartError(GetLastError(), path.CStr());
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
}

bool RememberViewerRect(RECT& r)
{
    ViewerLink& link = viewerLink;
    RECT current;
    if (link.window == nullptr || !IsWindow(link.window) || !GetWindowRect(link.window, &current))
        return false;
    if (!IsZoomed(link.window)) {
        link.rect = current;
        link.rectKnown = 1;
        r = current;
        return true;
    }
    if (!link.rectKnown)
        return false;
    r = link.rect;
    return true;
}

bool HandleViewerMessage(Form* editor, UINT msg, WPARAM code, LPARAM lParam)
{
    ViewerLink& link = viewerLink;
    if (link.message == 0 || msg != link.message)
        return false;
    switch (code) {
    case 1: {
        // A 32-bit viewer's handle may arrive zero-extended.
        HWND viewer = WindowHandleFromNumber(static_cast<int64>(lParam));
        if (IsWindow(viewer)) {
            link.window = viewer;
            SetForegroundWindow(viewer);
        }
        break;
    }
    case 2:
        if (link.window != nullptr && IsWindow(link.window))
            SetForegroundWindow(link.window);
        break;
    case 3: {
        RECT r;
        RememberViewerRect(r);
        if (editor->IsMinimized())
            editor->Restore();
        link.window = nullptr;
        BringToForeground(editor->hwnd);
        break;
    }
    case 4:
        if (link.window != nullptr && IsWindow(link.window))
            BringForward(editor);
        break;
    default:
        break;
    }
    return true;
}

void MainForm::ShowHelp(int32 topic)
{
    try {
        ShowViewerTopic(this, topic);
    } catch (const Error& error) {
        ShowAlertOnForm(this, IsPolishUi() ? L"Okno pomocy - Scrivel" : L"Help window - Scrivel", error);
    }
}

int32 MainForm::HelpTopicAt(POINT screenPoint)
{
    // The toolbar answers with its buttons' commands, which are menu items;
    // its help is the toolbar's own page.
    if (toolbar && toolbar->IsOverAt(screenPoint))
        return kToolbarId;
    return AsInt(static_cast<unsigned long long>(HintIdAt(screenPoint)));
}

bool MainForm::HandleHelpMessage(MessageRecord& m)
{
    if (m.msg == WM_HELP) {
        const auto* info = reinterpret_cast<const HELPINFO*>(m.lParam);
        int32 topic = 0;
        if (info != nullptr)
            topic = info->iContextType == HELPINFO_MENUITEM ? info->iCtrlId : HelpTopicAt(info->MousePos);
        ShowHelp(topic);
        m.result = TRUE;
        return true;
    }
    if (HandleViewerMessage(this, m.msg, m.wParam, m.lParam)) {
        m.result = 0;
        return true;
    }
    return false;
}
