#include "helpviewer/ErrorsDialog.h"
#include "helpviewer/HelpDocument.h"
#include "helpviewer/HelpErrors.h"

#include <doctest.h>

#include "base/AppContext.h"
#include "gui/AlertDialog.h"

#include <windows.h>

#include <string>

namespace {

// The application object the viewer's windows are made with in this program.
AppContext g_viewerTestContext(GetModuleHandleW(nullptr));

const wchar_t kTitle[] = L"B\u0142\u0119dy w pliku pomocy - Guidora";

// What a timer saw of the running dialog before it pressed a key or button.
struct Seen {
    std::wstring list;
    std::wstring button;
    bool enabledOwner = true;
    int close = 0;  // 0 OK button, 1 Esc, 2 close box
};
Seen* g_seen = nullptr;
HWND g_owner = nullptr;

void CALLBACK LookAtDialog(HWND, UINT, UINT_PTR timer, DWORD)
{
    HWND dialog = FindWindowW(nullptr, kTitle);
    if (!dialog || !IsWindowVisible(dialog))
        return;
    KillTimer(nullptr, timer);
    wchar_t text[4096] = {};
    GetWindowTextW(FindWindowExW(dialog, nullptr, L"Edit", nullptr), text, 4096);
    g_seen->list = text;
    HWND ok = FindWindowExW(dialog, nullptr, L"Button", nullptr);
    GetWindowTextW(ok, text, 4096);
    g_seen->button = text;
    g_seen->enabledOwner = g_owner && IsWindowEnabled(g_owner);
    if (g_seen->close == 0)
        SendMessageW(ok, BM_CLICK, 0, 0);
    else if (g_seen->close == 1)
        PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    else
        PostMessageW(dialog, WM_CLOSE, 0, 0);
}

int32_t RunWith(const HelpDocument& doc, Form* owner, Seen& seen)
{
    g_seen = &seen;
    g_owner = owner ? owner->GetHwnd() : nullptr;
    SetTimer(nullptr, 0, 20, LookAtDialog);
    return ShowMarkupErrors(doc, owner);
}

}  // namespace

TEST_CASE("the errors dialog lists each markup error on its own line, in order, and closes with 2")
{
    HelpDocument doc;
    doc.SetMarkup(String(L"<p>one</b>\n<img src='x>\n\n<a href>z</a>"));
    REQUIRE(doc.Errors().Count() == 6);
    std::wstring expected;
    for (int64 i = 0; i < doc.Errors().Count(); i++)
        expected += std::to_wstring(doc.Errors().At(i).line) + L": " + doc.Errors().At(i).message + L"\r\n";
    CHECK(expected.find(L"1: Unexpected closing tag\r\n2: Brak '\r\n4: ") == 0);

    Form owner;
    owner.CreateHwnd(L"Errors Owner", MainWindow);
    owner.Show();
    for (int close = 0; close < 3; close++) {
        Seen seen;
        seen.close = close;
        INFO("close " << close);
        CHECK(RunWith(doc, &owner, seen) == 2);
        CHECK(seen.list == expected);
        CHECK(seen.button == L"OK");
        CHECK_FALSE(seen.enabledOwner);
        CHECK(IsWindowEnabled(owner.GetHwnd()));
        CHECK(FindWindowW(nullptr, kTitle) == nullptr);
    }
    // Without an owner too.
    Seen alone;
    CHECK(RunWith(doc, nullptr, alone) == 2);
    CHECK(alone.list == expected);
}

namespace {

// An owner whose posted WM_APP reads the alert running over it and closes it.
class AlertOwner : public Form {
public:
    AlertOwner() { CreateHwnd(L"Alert Owner", MainWindow); }
    void DefaultProc(MessageRecord& m) override
    {
        if (m.msg != WM_APP) {
            Form::DefaultProc(m);
            return;
        }
        auto* box = dynamic_cast<AlertDialog*>(GetModal());
        if (!box)
            return;
        title = box->GetText().CStr();
        message = box->message.CStr();
        buttons = box->buttonList.CStr();
        warning = box->iconId == 32515;
        PostMessageW(box->hwnd, WM_KEYDOWN, VK_RETURN, 1);
    }
    void Show(const wchar_t* titleText, const Error& error)
    {
        title.clear();
        message.clear();
        PostMessageW(hwnd, WM_APP, 0, 0);
        ShowHelpError(titleText, this, error);
    }

    std::wstring title, message, buttons;
    bool warning = false;
};

}  // namespace

TEST_CASE("the viewer's error alert: Polish text, default title, out of memory in words")
{
    AlertOwner owner;
    owner.Show(nullptr, WinError(2, L"C:\\h\\help.ruvo"));
    CHECK(owner.title == L"Problem - Guidora");
    CHECK(owner.message == L"Nie znalaz\u0142em \"C:\\h\\help.ruvo\".");
    CHECK(owner.buttons == L"+OK");
    CHECK(owner.warning);
    owner.Show(L"", Error(-357, -1, L"help.html"));
    CHECK(owner.title == L"Problem - Guidora");
    CHECK(owner.message == L"Brak lub uszkodzony plik pomocy \"help.html\".");
    for (int32 code : {8, 14}) {
        owner.Show(L"Nieudane \u0142adowanie tekstu pomocy - Guidora", Error(code, -1, L"whatever"));
        CHECK(owner.title == L"Nieudane \u0142adowanie tekstu pomocy - Guidora");
        CHECK(owner.message == L"Brak pami\u0119ci. Operacja nie mo\u017Ce by\u0107 wykonana.");
    }
    owner.Show(L"Szukaj - Guidora", Error(1450, -1));
    CHECK(owner.message == L"B\u0142\u0105d systemu numer 1450.");
}
