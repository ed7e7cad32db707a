#include "GuiTestSupport.h"

#include "gui/AlertDialog.h"
#include "gui/Button.h"
#include "gui/StaticIcon.h"
#include "support/CaughtError.h"
#include "support/Screenshot.h"

#include <string>

namespace {

using Step = std::function<void(AlertDialog&)>;

// Runs ShowAlert over an owner while steps run, one after another, inside
// the box's own modal loop (each from a message posted to the owner), so
// every key reaches the box the way the loop passes it on.
struct AlertRun {
    TestForm owner;
    std::vector<Step> steps;
    size_t next = 0;
    bool overran = false;
    // Set by a step whose follow-up comes from elsewhere (a timer).
    bool deferred = false;

    AlertRun()
    {
        owner.SetBounds({100, 100, 800, 600});
        owner.onApp = [this](MessageRecord&) { RunStep(); };
    }

    static AlertDialog* Box(Form& owner) { return dynamic_cast<AlertDialog*>(owner.GetModal()); }

    void RunStep()
    {
        AlertDialog* box = Box(owner);
        if (box == nullptr)
            return;
        if (next == steps.size()) {
            // The box should have ended by now: end it so the test goes on.
            overran = true;
            box->Quit();
            return;
        }
        deferred = false;
        steps[next++](*box);
        if (!deferred)
            PostMessageW(owner.hwnd, WM_APP, 0, 0);
    }

    int32_t Show(const wchar_t* message, const wchar_t* buttons, int32_t kind = 0)
    {
        next = 0;
        overran = false;
        PostMessageW(owner.hwnd, WM_APP, 0, 0);
        int32_t answer = ShowAlert(&owner, message, L"Title - Scrivel", buttons, kind);
        Pump();
        CHECK(!overran);
        CHECK(next == steps.size());
        CHECK(IsWindowEnabled(owner.hwnd));
        return answer;
    }
};

void PostKey(AlertDialog& box, WPARAM key)
{
    HWND target = GetFocus();
    if (target == nullptr || (target != box.hwnd && !IsChild(box.hwnd, target)))
        target = box.hwnd;
    PostMessageW(target, WM_KEYDOWN, key, 1);
}

Step Key(WPARAM key)
{
    return [key](AlertDialog& box) { PostKey(box, key); };
}

Step Click(int position)
{
    return [position](AlertDialog& box) {
        REQUIRE(box.buttons[position] != nullptr);
        SendMessageW(box.buttons[position]->hwnd, BM_CLICK, 0, 0);
    };
}

// The close box: WM_CLOSE sent from a thread timer while the box runs.
AlertRun* TimerRun = nullptr;

void CALLBACK CloseFromTimer(HWND, UINT, UINT_PTR timer, DWORD)
{
    KillTimer(nullptr, timer);
    if (AlertRun* run = TimerRun) {
        if (AlertDialog* box = AlertRun::Box(run->owner))
            SendMessageW(box->hwnd, WM_CLOSE, 0, 0);
        PostMessageW(run->owner.hwnd, WM_APP, 0, 0);
    }
}

Step CloseBox(AlertRun& run)
{
    return [&run](AlertDialog&) {
        TimerRun = &run;
        run.deferred = true;
        SetTimer(nullptr, 0, 10, CloseFromTimer);
    };
}

bool CloseGreyed(AlertDialog& box)
{
    UINT state = GetMenuState(GetSystemMenu(box.hwnd, FALSE), SC_CLOSE, MF_BYCOMMAND);
    return state != static_cast<UINT>(-1) && (state & MF_GRAYED);
}

std::wstring ClipboardText()
{
    std::wstring text;
    if (!OpenClipboard(nullptr))
        return L"(clipboard busy)";
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        if (auto* chars = static_cast<const wchar_t*>(GlobalLock(data))) {
            text = chars;
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return text;
}

void SetControlKey(bool down)
{
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[VK_CONTROL] = down ? 0x80 : 0;
    SetKeyboardState(keys);
}

} // namespace

TEST_CASE("a single default button answers 0 to Enter, Escape, the close box and a click")
{
    AlertRun run;
    HWND focus = nullptr;
    run.steps = {[&](AlertDialog& box) { focus = box.focusButton ? box.focusButton->hwnd : nullptr; },
                 Key(VK_RETURN)};
    CHECK(run.Show(L"Saved.", L"+OK") == 0);
    CHECK(focus != nullptr);

    run.steps = {Key(VK_ESCAPE)};
    CHECK(run.Show(L"Saved.", L"+OK") == 0);

    run.steps = {};
    run.steps.push_back(CloseBox(run));
    CHECK(run.Show(L"Saved.", L"+OK") == 0);

    run.steps = {Click(0)};
    CHECK(run.Show(L"Saved.", L"+OK") == 0);
}

TEST_CASE("save, abandon or cancel: Enter saves, Escape and the close box do nothing")
{
    AlertRun run;
    bool greyed = false;
    run.steps = {Key(VK_ESCAPE)};
    run.steps.push_back(CloseBox(run));
    run.steps.push_back([&](AlertDialog& box) {
        greyed = CloseGreyed(box);
        CHECK(box.defaultPosition == 0);
        CHECK(box.cancelPosition == -1);
    });
    run.steps.push_back(Click(2));
    CHECK(run.Show(L"Save the changes?", L"+Save|&Abandon changes|&Cancel", AlertQuestion) == 2);
    CHECK(greyed);

    run.steps = {Key(VK_RETURN)};
    CHECK(run.Show(L"Save the changes?", L"+Save|&Abandon changes|&Cancel", AlertQuestion) == 0);
    run.steps = {Click(1)};
    CHECK(run.Show(L"Save the changes?", L"+Save|&Abandon changes|&Cancel", AlertQuestion) == 1);
}

TEST_CASE("continue or cancel: Escape and the close box cancel, the focus starts on continue")
{
    AlertRun run;
    bool focusOnFirst = false, greyed = true;
    run.steps = {[&](AlertDialog& box) {
                     focusOnFirst = GetFocus() == box.buttons[0]->hwnd;
                     greyed = CloseGreyed(box);
                 },
                 Key(VK_ESCAPE)};
    CHECK(run.Show(L"Big file.", L"+Continue loading|-Cancel", AlertWarning) == 1);
    CHECK(focusOnFirst);
    CHECK(!greyed);

    run.steps = {};
    run.steps.push_back(CloseBox(run));
    CHECK(run.Show(L"Big file.", L"+Continue loading|-Cancel", AlertWarning) == 1);
    run.steps = {Key(VK_RETURN)};
    CHECK(run.Show(L"Big file.", L"+Continue loading|-Cancel", AlertWarning) == 0);
}

TEST_CASE("two plain labels: only a click answers, the close box is greyed")
{
    AlertRun run;
    bool focusOnFirst = false, greyed = false;
    run.steps = {Key(VK_RETURN), Key(VK_ESCAPE)};
    run.steps.push_back(CloseBox(run));
    run.steps.push_back([&](AlertDialog& box) {
        focusOnFirst = GetFocus() == box.buttons[0]->hwnd;
        greyed = CloseGreyed(box);
    });
    run.steps.push_back(Click(0));
    CHECK(run.Show(L"Which one?", L"Left|Right") == 0);
    CHECK(focusOnFirst);
    CHECK(greyed);

    run.steps = {Click(1)};
    CHECK(run.Show(L"Which one?", L"Left|Right") == 1);
}

TEST_CASE("the kind chooses the icon: none for plain and for kinds 5 to 7")
{
    AlertRun run;
    for (int kind : {0, 1, 2, 3, 4, 6, 9, -1}) {
        CAPTURE(kind);
        bool hasIcon = false;
        int width = 0;
        int dpi = 0;
        run.steps = {[&](AlertDialog& box) {
                         hasIcon = box.iconControl != nullptr;
                         if (hasIcon) {
                             width = box.iconControl->iconWidth;
                             CHECK(!box.iconControl->icon.IsEmpty());
                         }
                         dpi = box.GetDpi();
                     },
                     Key(VK_RETURN)};
        CHECK(run.Show(L"Text", L"+OK", kind) == 0);
        int k = kind & 7;
        CHECK(hasIcon == (k >= 1 && k <= 4));
        if (hasIcon)
            CHECK(width == MulDiv(GetSystemMetrics(SM_CXICON), dpi, run.owner.SystemDpi()));
    }
}

TEST_CASE("Ctrl+C copies the box as eight lines ending in CR LF")
{
    AlertRun run;
    std::wstring copied;
    run.steps = {[&](AlertDialog& box) {
                     SetControlKey(true);
                     PostMessageW(box.hwnd, WM_KEYDOWN, 'C', 1);
                 },
                 [&](AlertDialog&) {
                     SetControlKey(false);
                     copied = ClipboardText();
                 },
                 Key(VK_RETURN)};
    CHECK(run.Show(L"first line\nsecond line", L"+OK", AlertInformation) == 0);
    const std::wstring d = L"---------------------------\r\n";
    CHECK(copied == d + L"Title - Scrivel\r\n" + d + L"first line\r\nsecond line\r\n" + d +
                        L"OK\r\n" + d);

    run.steps[2] = Click(2);
    CHECK(run.Show(L"lone\rcarriage", L"+Save|&Abandon changes|&Cancel", AlertQuestion) == 2);
    CHECK(copied == d + L"Title - Scrivel\r\n" + d + L"lone\r\ncarriage\r\n" + d +
                        L"Save   &Abandon changes   &Cancel\r\n" + d);
}

namespace {

int DialogShows = 0;

LRESULT CALLBACK CountShows(int code, WPARAM wParam, LPARAM lParam)
{
    auto* info = reinterpret_cast<CWPSTRUCT*>(lParam);
    if (code >= 0 && info->message == WM_SHOWWINDOW && info->wParam) {
        wchar_t name[64] = {};
        GetClassNameW(info->hwnd, name, 64);
        if (lstrcmpW(name, L"Scrivel Dialog") == 0)
            DialogShows++;
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

} // namespace

TEST_CASE("a malformed button list throws before the box shows")
{
    TestForm owner;
    HHOOK hook = SetWindowsHookExW(WH_CALLWNDPROC, CountShows, nullptr, GetCurrentThreadId());
    DialogShows = 0;
    for (const wchar_t* list : {L"+A|B|C|D|E", L"", L"+OK||Cancel", L"A|", L"|A"}) {
        CAPTURE(std::string(list, list + lstrlenW(list)));
        Error e = CaughtError([&] { ShowAlert(&owner, L"Text", L"Title", list, 1); });
        CHECK(e.code == -3);
    }
    CHECK(CaughtError([&] { owner.Alert(L"Text", L"Title", nullptr, 0); }).code == -3);
    UnhookWindowsHookEx(hook);
    CHECK(DialogShows == 0);
    CHECK(IsWindowEnabled(owner.hwnd));
    CHECK(!owner.HasModal());
}

TEST_CASE("a box without an owner runs on its own")
{
    // Steps come from a timer: there is no owner to post them to.
    static HWND found = nullptr;
    found = nullptr;
    UINT_PTR timer = SetTimer(nullptr, 0, 10, [](HWND, UINT, UINT_PTR, DWORD) {
        HWND w = FindWindowW(L"Scrivel Dialog", L"Alone");
        if (w && IsWindowVisible(w)) {
            found = w;
            PostMessageW(w, WM_KEYDOWN, VK_ESCAPE, 1);
        }
    });
    CHECK(ShowAlert(nullptr, L"No owner.", L"Alone", L"Yes|-No", 3) == 1);
    KillTimer(nullptr, timer);
    CHECK(found != nullptr);
    CHECK(!IsWindow(found));
}

TEST_CASE("a moved box reloads its icon for the new DPI, and looks right at 96, 144 and 192 dpi")
{
    AlertRun run;
    std::vector<int> widths, clientWidths;
    std::vector<HICON> handles;
    std::vector<PixelImage> shots;
    auto shoot = [&](AlertDialog& box) {
        UpdateWindow(box.hwnd);
        RedrawWindow(box.hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        widths.push_back(box.iconControl->iconWidth);
        handles.push_back(reinterpret_cast<HICON>(box.iconControl->SendMsg(STM_GETICON, 0, 0)));
        clientWidths.push_back(box.ClientRect().right);
        shots.push_back(ReadWindowPixels(box.hwnd));
    };
    auto moveTo = [](int dpi) {
        return [dpi](AlertDialog& box) {
            RECT r = box.WindowRect();
            SendMessageW(box.hwnd, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&r));
        };
    };
    run.steps = {moveTo(96), shoot, moveTo(144), shoot, moveTo(192), shoot, Key(VK_RETURN)};
    CHECK(run.Show(L"The file could not be saved.\nThe disk is full.", L"+OK|-Cancel", AlertError) ==
          0);
    REQUIRE(widths.size() == 3);
    int system = run.owner.SystemDpi();
    const int dpis[] = {96, 144, 192};
    for (int i = 0; i < 3; i++) {
        CAPTURE(dpis[i]);
        CHECK(widths[i] == MulDiv(GetSystemMetrics(SM_CXICON), dpis[i], system));
        std::string name = "alert-" + std::to_string(dpis[i]) + ".png";
        CHECK(SaveScreenshot(shots[i], name.c_str()));
    }
    CHECK(handles[1] != handles[0]);
    CHECK(handles[2] != handles[1]);
    CHECK(clientWidths[1] > clientWidths[0]);
    CHECK(clientWidths[2] > clientWidths[1]);
}

TEST_CASE("the box paints the message on the window colour above a band of button face")
{
    AlertRun run;
    PixelImage shot;
    int split = 0;
    run.steps = {[&](AlertDialog& box) {
                     RedrawWindow(box.hwnd, nullptr, nullptr,
                                  RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
                     shot = ReadWindowPixels(box.hwnd);
                     HDC dc = GetDC(box.hwnd);
                     HGDIOBJ old = SelectObject(dc, box.GetFont().Handle());
                     SIZE o = {0, 20};
                     GetTextExtentPoint32W(dc, L"O", 1, &o);
                     SelectObject(dc, old);
                     ReleaseDC(box.hwnd, dc);
                     split = box.ClientRect().bottom - o.cy - MulDiv(30, box.GetDpi(), 96);
                 },
                 Key(VK_RETURN)};
    CHECK(run.Show(L"Painted.", L"+OK") == 0);
    REQUIRE(shot.width > 0);
    COLORREF face = GetSysColor(COLOR_BTNFACE);
    CHECK(shot.At(1, 1) == GetSysColor(COLOR_WINDOW));
    CHECK(shot.At(1, split - 1) == GetSysColor(COLOR_WINDOW));
    CHECK(shot.At(1, split) == MixColors(face, GetSysColor(COLOR_BTNSHADOW), 20, 100));
    CHECK(shot.At(1, split + 1) == face);
    CHECK(shot.At(1, shot.height - 1) == face);
}

TEST_CASE("Form::Alert and Form::AlertString show the form's alert box")
{
    AlertRun run;
    String text(L"From a String");
    String seen;
    run.steps = {[&](AlertDialog& box) { seen = box.message; }, Click(1)};
    PostMessageW(run.owner.hwnd, WM_APP, 0, 0);
    CHECK(run.owner.AlertString(text, L"Title", L"+A|B", 0) == 1);
    Pump();
    CHECK(seen.Equals(L"From a String"));

    run.next = 0;
    run.steps = {Key(VK_RETURN)};
    PostMessageW(run.owner.hwnd, WM_APP, 0, 0);
    CHECK(run.owner.Alert(L"Plain", L"Title", L"+A|B", 0) == 0);
    Pump();
}
