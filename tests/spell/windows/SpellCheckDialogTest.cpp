#include "gui/AlertDialog.h"
#include "gui/EditLine.h"
#include "gui/ListBox.h"
#include "spell/SpellCheckDialog.h"
#include "support/ModalWatch.h"

#include <doctest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

// The main window's stand-in: records the commands the window sends it.
class Owner : public Form {
public:
    Owner() { Create(MainWindow, L"SpellOwner", nullptr, 7); }
    void OnCommand(MessageRecord& m) override
    {
        commands.push_back(LOWORD(m.wParam));
        if (onCommand)
            onCommand(LOWORD(m.wParam));
    }
    bool HandleError(const Error& error) override
    {
        errors.push_back(error.code);
        return true;
    }
    int Count(int command) const
    {
        int n = 0;
        for (int c : commands)
            n += c == command;
        return n;
    }
    std::vector<int> commands;
    std::vector<int> errors;
    std::function<void(int)> onCommand;
};

RECT WorkArea()
{
    MONITORINFO info = {};
    info.cbSize = sizeof info;
    POINT origin = {0, 0};
    GetMonitorInfoW(MonitorFromPoint(origin, MONITOR_DEFAULTTOPRIMARY), &info);
    return info.rcWork;
}

RECT Placed(const RECT& anchor, long w, long h)
{
    RECT rect = {0, 0, w, h};
    PlaceBesideRect(anchor, rect);
    return rect;
}

RECT WindowRectOf(HWND window)
{
    RECT r = {};
    GetWindowRect(window, &r);
    return r;
}

// Closes whatever window a test leaves open, remembering nothing.
struct FreshWindows {
    FreshWindows() { SpellCheckDialog::ForgetRect(); }
    ~FreshWindows()
    {
        SpellCheckDialog::CloseInstance();
        SpellCheckDialog::ForgetRect();
    }
};

}  // namespace

TEST_CASE("the window stands beside its anchor on the side with more room, 40 pixels lower")
{
    RECT work = WorkArea();
    long W = work.right;
    long L = work.left;
    long top = work.top + 100;
    SUBCASE("more room right")
    {
        RECT r = Placed({L + 100, top, L + 500, top + 300}, 200, 300);
        CHECK(r.left == L + 500);
        CHECK(r.top == top + 40);
        CHECK(r.right - r.left == 200);
    }
    SUBCASE("more room left")
    {
        RECT r = Placed({W - 500, top, W - 100, top + 300}, 200, 300);
        CHECK(r.right == W - 500);
        CHECK(r.top == top + 40);
    }
    SUBCASE("a tie goes right")
    {
        long mid = (L + W) / 2;
        RECT r = Placed({mid - 100, top, mid + 100, top + 300}, 50, 300);
        CHECK(r.left == mid + 100);
    }
    SUBCASE("too little room right: against the right edge")
    {
        RECT r = Placed({L, top, W - 100, top + 300}, 200, 300);
        CHECK(r.right == W);
    }
    SUBCASE("too little room left: against the left edge")
    {
        RECT r = Placed({L + 100, top, W, top + 300}, 200, 300);
        CHECK(r.left == L);
    }
    SUBCASE("no room either side: 30 pixels left of the right edge")
    {
        RECT r = Placed({L, top, W, top + 300}, 200, 300);
        CHECK(r.right == W - 30);
        CHECK(r.top == top + 40);
    }
}

TEST_CASE("the window opens beside the main window, then where it stood when last closed")
{
    FreshWindows fresh;
    Owner owner;
    RECT work = WorkArea();
    owner.SetBounds({work.left + 50, work.top + 60, work.left + 450, work.top + 400});
    owner.Show();
    SpellCheckDialog* window = SpellCheckDialog::Create(&owner);
    REQUIRE(window == SpellCheckDialog::Instance());
    RECT r = WindowRectOf(window->GetHwnd());
    CHECK(r.left == work.left + 450);
    CHECK(r.top == work.top + 100);
    SizeLimits limits;
    window->Measure(limits);
    // As wide as the controls need, or wider when the caption needs more.
    CHECK(r.right - r.left >= limits.minWidth);
    CHECK(r.bottom - r.top == limits.maxHeight);
    CHECK(IsWindowVisible(window->GetHwnd()));
    CHECK(GetFocus() == window->suggestionList->GetHwnd());
    // The unknown word is shown, never edited.
    CHECK((GetWindowLongW(window->wordField->GetHwnd(), GWL_STYLE) & ES_READONLY) != 0);

    SetWindowPos(window->GetHwnd(), nullptr, work.left + 300, work.top + 200, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    SpellCheckDialog::CloseInstance();
    CHECK(SpellCheckDialog::Instance() == nullptr);
    RECT remembered = SpellCheckDialog::RememberedRect();
    CHECK(remembered.left == work.left + 300);
    CHECK(remembered.top == work.top + 200);

    window = SpellCheckDialog::Create(&owner);
    r = WindowRectOf(window->GetHwnd());
    CHECK(r.left == work.left + 300);
    CHECK(r.top == work.top + 200);
}

TEST_CASE("buttons become the owner's commands; Esc, End and the close box each post one 13008")
{
    FreshWindows fresh;
    Owner owner;
    owner.SetBounds({10, 10, 400, 300});
    SpellCheckDialog* window = SpellCheckDialog::Create(&owner);
    HWND hwnd = window->GetHwnd();

    for (int id : {13003, 13004, 13005, 13006, 13007}) {
        owner.commands.clear();
        SendMessageW(GetDlgItem(hwnd, id), BM_CLICK, 0, 0);
        // Sent, so handled before the click returns.
        REQUIRE(owner.commands.size() == 1);
        CHECK(owner.commands[0] == id);
    }
    owner.commands.clear();
    SendMessageW(hwnd, WM_COMMAND, MAKEWPARAM(13002, LBN_DBLCLK), 0);
    CHECK(owner.commands == std::vector<int>{13006});

    owner.commands.clear();
    SendMessageW(hwnd, WM_COMMAND, IDOK, 0);
    owner.PumpPending();
    CHECK(owner.commands.empty());

    SUBCASE("Esc")
    {
        SetForegroundWindow(hwnd);
        window->suggestionList->SetFocus();
        PostMessageW(window->suggestionList->GetHwnd(), WM_KEYDOWN, VK_ESCAPE, 0);
        PostMessageW(window->suggestionList->GetHwnd(), WM_KEYUP, VK_ESCAPE, 0);
    }
    SUBCASE("End button")
    {
        SendMessageW(GetDlgItem(hwnd, 13008), BM_CLICK, 0, 0);
        // Posted: nothing arrives while the click is handled.
        CHECK(owner.commands.empty());
    }
    SUBCASE("close box")
    {
        SendMessageW(hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
        CHECK(IsWindow(hwnd));
    }
    for (int i = 0; i < 5; i++)
        owner.PumpPending();
    CHECK(owner.Count(13008) == 1);
    CHECK(owner.commands.size() == 1);
    // The window stays until its owner closes it.
    CHECK(IsWindow(hwnd));
    CHECK(SpellCheckDialog::Instance() == window);
}

TEST_CASE("a close handled inside a command's modal loop hides the window and deletes it afterwards")
{
    // Next word runs a progress loop, Add to dictionary may ask: any loop will do.
    int running = 13003;
    SUBCASE("next word") { running = 13003; }
    SUBCASE("add to dictionary") { running = 13005; }
    FreshWindows fresh;
    Owner owner;
    owner.SetBounds({10, 10, 400, 300});
    SpellCheckDialog* window = SpellCheckDialog::Create(&owner);
    HWND hwnd = window->GetHwnd();
    RECT before = WindowRectOf(hwnd);
    bool hiddenInLoop = false;
    bool aliveInLoop = false;
    bool noInstanceInLoop = false;
    owner.onCommand = [&](int command) {
        if (command == 13008) {
            SpellCheckDialog::CloseInstance();
            return;
        }
        if (command != running)
            return;
        // The handler asks something; meanwhile the user presses Esc.
        WhenShown(AlertDialog::FirstPlainId + 1, [&](HWND alert) {
            // Handled inside the alert's loop, before the alert closes.
            PostMessageW(owner.GetHwnd(), WM_COMMAND, 13008, 0);
            PostMessageW(alert, WM_COMMAND, AlertDialog::FirstPlainId + 1, 0);
        });
        ShowAlert(&owner, L"Word added?", L"Test", L"+OK|Other", AlertPlain);
        hiddenInLoop = !IsWindowVisible(hwnd);
        aliveInLoop = IsWindow(hwnd) != FALSE;
        noInstanceInLoop = SpellCheckDialog::Instance() == nullptr;
    };
    SendMessageW(GetDlgItem(hwnd, running), BM_CLICK, 0, 0);
    CHECK(owner.Count(13008) == 1);
    CHECK(hiddenInLoop);
    CHECK(aliveInLoop);
    CHECK(noInstanceInLoop);
    CHECK(owner.errors.empty());
    for (int i = 0; i < 5 && IsWindow(hwnd); i++)
        owner.PumpPending();
    CHECK_FALSE(IsWindow(hwnd));
    RECT remembered = SpellCheckDialog::RememberedRect();
    CHECK(remembered.left == before.left);
    CHECK(remembered.top == before.top);
}

TEST_CASE("suggestions fill the list with the first selected; without a window everything is empty")
{
    FreshWindows fresh;
    CHECK(SpellCheckDialog::GetWord().IsEmpty());
    CHECK(SpellCheckDialog::GetSelectedSuggestion().IsEmpty());
    Array<String> some;
    some.Append(L"żółw");
    SpellCheckDialog::SetSuggestions(some);  // no window: nothing happens

    Owner owner;
    owner.SetBounds({10, 10, 400, 300});
    SpellCheckDialog* window = SpellCheckDialog::Create(&owner);
    SpellCheckDialog::SetWord(String(L"zółw"));
    CHECK(std::wstring(SpellCheckDialog::GetWord().CStr()) == L"zółw");
    Array<String> list;
    list.Append(L"żółw");
    list.Append(L"żółwi");
    SpellCheckDialog::SetSuggestions(list);
    CHECK(window->suggestionList->SendMsg(LB_GETCOUNT, 0, 0) == 2);
    CHECK(std::wstring(SpellCheckDialog::GetSelectedSuggestion().CStr()) == L"żółw");
    window->suggestionList->SendMsg(LB_SETCURSEL, 1, 0);
    CHECK(std::wstring(SpellCheckDialog::GetSelectedSuggestion().CStr()) == L"żółwi");

    SpellCheckDialog::SetSuggestions(Array<String>());
    CHECK(window->suggestionList->SendMsg(LB_GETCOUNT, 0, 0) == 0);
    CHECK(SpellCheckDialog::GetSelectedSuggestion().IsEmpty());
}
