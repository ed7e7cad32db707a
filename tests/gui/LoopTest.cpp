#include "GuiTestSupport.h"

namespace {

// An idle handler driven by a function.
struct IdleWork : GuiBase {
    std::function<bool()> step;
    int calls = 0;
    bool OnIdle() override
    {
        calls++;
        return step ? step() : false;
    }
};

// A form whose pre-translation throws for WM_APP + 9.
class ThrowingForm : public TestForm {
public:
    bool PreTranslate(MSG& msg) override
    {
        if (msg.message == WM_APP + 9)
            throw WinError(1400);
        return TestForm::PreTranslate(msg);
    }
};

// Consumes WM_APP + 5 for the whole application.
class HookForm : public TestForm {
public:
    bool PreTranslateForApp(MSG& msg) override
    {
        seen++;
        return msg.message == WM_APP + 5;
    }
    int seen = 0;
};

} // namespace

TEST_CASE("quitting from an idle handler wakes the waiting loop and ends it")
{
    TestForm form;
    IdleWork work;
    work.step = [&] {
        form.Quit();
        return false;
    };
    form.AddIdleHandler(&work);
    form.Run();
    CHECK(work.calls == 1);
    CHECK(form.quit == 1);
}

TEST_CASE("a thread timer that quits ends the loop")
{
    static TestForm* running;
    TestForm form;
    running = &form;
    UINT_PTR timer = SetTimer(nullptr, 0, 10, [](HWND, UINT, UINT_PTR, DWORD) { running->Quit(); });
    form.Run();
    KillTimer(nullptr, timer);
    CHECK(form.quit == 1);
}

TEST_CASE("queued messages come before idle work, which never blocks while it wants more")
{
    TestForm form;
    std::vector<int> idleBefore;
    IdleWork work;
    form.onApp = [&](MessageRecord&) { idleBefore.push_back(work.calls); };
    work.step = [&] {
        if (work.calls == 3)
            PostMessageW(form.hwnd, WM_APP, 0, 0);
        if (work.calls == 6)
            form.Quit();
        return true;
    };
    form.AddIdleHandler(&work);
    form.AddIdleHandler(&work);
    CHECK(form.idleHandlers.Count() == 1);
    for (int i = 0; i < 3; i++)
        PostMessageW(form.hwnd, WM_APP, 0, 0);
    form.Run();
    REQUIRE(idleBefore.size() == 4);
    CHECK(idleBefore[0] == 0);
    CHECK(idleBefore[2] == 0);
    CHECK(idleBefore[3] == 3);
    CHECK(work.calls >= 6);
}

TEST_CASE("every idle handler gets its turn, and the answer is whether any wants more")
{
    TestForm form;
    IdleWork busy, done;
    busy.step = [] { return true; };
    form.AddIdleHandler(&busy);
    form.AddIdleHandler(&done);
    CHECK(form.IdleStep());
    CHECK(busy.calls == 1);
    CHECK(done.calls == 1);
    form.RemoveIdleHandler(&busy);
    form.RemoveIdleHandler(&busy);
    CHECK_FALSE(form.IdleStep());
    CHECK(done.calls == 2);
}

TEST_CASE("idle handlers that add and remove handlers never run past the list")
{
    TestForm form;
    IdleWork a, b, c;
    a.step = [&] {
        form.RemoveIdleHandler(&a);
        form.RemoveIdleHandler(&b);
        form.AddIdleHandler(&c);
        return false;
    };
    b.step = [] { return false; };
    c.step = [&] {
        form.RemoveIdleHandler(&c);
        return true;
    };
    form.AddIdleHandler(&a);
    form.AddIdleHandler(&b);
    // c took the place a left: its first turn is the next step.
    CHECK_FALSE(form.IdleStep());
    CHECK(a.calls == 1);
    CHECK(b.calls == 0);
    CHECK(c.calls == 0);
    CHECK(form.idleHandlers.Count() == 1);
    CHECK(form.IdleStep());
    CHECK(c.calls == 1);
    CHECK(form.idleHandlers.Count() == 0);
    CHECK_FALSE(form.IdleStep());

    // A handler that empties the list of the last one.
    IdleWork last;
    last.step = [&] {
        form.RemoveIdleHandler(&last);
        form.RemoveIdleHandler(&a);
        return false;
    };
    form.AddIdleHandler(&a);
    form.AddIdleHandler(&last);
    a.step = [] { return false; };
    CHECK_FALSE(form.IdleStep());
    CHECK(form.idleHandlers.Count() == 0);
}

TEST_CASE("idle handlers pause while a modal form runs over their form")
{
    TestForm main;
    TestForm modal(DialogFrame, &main);
    IdleWork work;
    work.step = [] { return true; };
    main.AddIdleHandler(&work);
    main.DisableForModal(&modal);
    CHECK_FALSE(main.IdleStep());
    CHECK(work.calls == 0);
    main.EnableAfterModal(&modal);
    CHECK(main.IdleStep());
    CHECK(work.calls == 1);
}

TEST_CASE("a destroyed control leaves its form's idle list")
{
    TestForm form;
    Panel* panel = new Panel(&form);
    panel->onIdle = [] { return true; };
    form.AddIdleHandler(panel);
    CHECK(form.IdleStep());
    delete panel;
    CHECK(form.idleHandlers.Count() == 0);
    CHECK_FALSE(form.IdleStep());
}

TEST_CASE("errors of idle handlers and pre-translation are reported and the loop goes on")
{
    ThrowingForm form;
    IdleWork work;
    work.step = [&]() -> bool { throw WinError(1401); };
    form.AddIdleHandler(&work);
    int apps = 0;
    form.onApp = [&](MessageRecord& m) {
        apps++;
        if (m.msg == WM_APP + 1)
            form.Quit();
    };
    PostMessageW(form.hwnd, WM_APP + 9, 0, 0);
    PostMessageW(form.hwnd, WM_APP + 2, 0, 0);
    form.RunOnce();
    form.RunOnce();
    CHECK(apps == 1);
    REQUIRE(form.errors.size() == 1);
    CHECK(form.errors[0] == 1400);

    // The idle step reports through the handler's own chain: a bare object
    // reports nowhere, a control reaches its form.
    form.IdleStep();
    CHECK(form.errors.size() == 1);
    Panel* panel = new Panel(&form);
    panel->onIdle = []() -> bool { throw std::bad_alloc(); };
    form.AddIdleHandler(panel);
    CHECK_FALSE(form.IdleStep());
    REQUIRE(form.errors.size() == 2);
    CHECK(form.errors[1] == 8);

    // A loop whose idle work keeps failing still runs until it is ended.
    int failures = 0;
    work.step = [&]() -> bool {
        if (++failures == 3)
            form.Quit();
        else
            PostMessageW(form.hwnd, WM_APP + 3, 0, 0);
        throw WinError(1401);
    };
    form.Run();
    CHECK(failures == 3);
    CHECK(form.errors.size() == 5);
}

TEST_CASE("WM_QUIT is dispatched like any other message")
{
    TestForm form;
    bool after = false;
    form.onApp = [&](MessageRecord&) {
        after = true;
        form.Quit();
    };
    PostQuitMessage(0);
    PostMessageW(form.hwnd, WM_APP, 0, 0);
    form.Run();
    CHECK(after);
}

TEST_CASE("pumping processes what is queued, clears the flag first and stops at quit")
{
    TestForm form;
    int seen = 0;
    form.onApp = [&](MessageRecord& m) {
        seen++;
        if (m.msg == WM_APP + 1)
            form.quit = 1;
    };
    form.quit = 1;
    PostMessageW(form.hwnd, WM_APP, 0, 0);
    PostMessageW(form.hwnd, WM_APP + 1, 0, 0);
    PostMessageW(form.hwnd, WM_APP + 2, 0, 0);
    form.PumpPending();
    CHECK(seen == 2);
    form.PumpPending();
    CHECK(seen == 3);
}

TEST_CASE("the application hook sees messages first and may consume them")
{
    HookForm hook;
    TestForm form;
    int apps = 0;
    form.onApp = [&](MessageRecord&) { apps++; };
    AppMessageHook = &hook;
    PostMessageW(form.hwnd, WM_APP + 5, 0, 0);
    PostMessageW(form.hwnd, WM_APP + 6, 0, 0);
    form.PumpPending();
    AppMessageHook = nullptr;
    CHECK(hook.seen == 2);
    CHECK(apps == 1);
}

TEST_CASE("keys and clicks close an open pop-up, mouse moves only record the keys")
{
    TestForm form;
    form.SetBounds({100, 100, 400, 300});
    Panel* panel = new Panel(&form);
    TestForm popup(NoTooltip);
    OpenPopupWindow = popup.hwnd;

    PostMessageW(panel->hwnd, WM_MOUSEMOVE, MK_CONTROL, MAKELPARAM(3, 4));
    form.PumpPending();
    CHECK(OpenPopupWindow == popup.hwnd);
    CHECK(LastMouseKeys == MK_CONTROL);

    PostMessageW(panel->hwnd, WM_KEYDOWN, 'A', 1);
    form.PumpPending();
    CHECK(OpenPopupWindow == nullptr);
    CHECK(popup.quit == 1);

    popup.quit = 0;
    OpenPopupWindow = popup.hwnd;
    PostMessageW(form.hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 6));
    form.PumpPending();
    CHECK(OpenPopupWindow == nullptr);
    CHECK(popup.quit == 1);
    CHECK(LastMouseKeys == MK_LBUTTON);
    POINT expected = form.ClientToScreenPoint({5, 6});
    CHECK(LastClickPoint.x == expected.x);
    CHECK(LastClickPoint.y == expected.y);

    // Non-client points are on the screen already; without a pop-up they are
    // only recorded.
    PostMessageW(form.hwnd, WM_NCRBUTTONUP, HTCAPTION, MAKELPARAM(-7, 9));
    form.PumpPending();
    CHECK(LastClickPoint.x == -7);
    CHECK(LastClickPoint.y == 9);
    CHECK(LastMouseKeys == HTCAPTION);

    // Double clicks record nothing and close nothing.
    popup.quit = 0;
    OpenPopupWindow = popup.hwnd;
    PostMessageW(form.hwnd, WM_LBUTTONDBLCLK, MK_SHIFT, MAKELPARAM(1, 1));
    form.PumpPending();
    CHECK(OpenPopupWindow == popup.hwnd);
    CHECK(LastMouseKeys == HTCAPTION);
    PostMessageW(form.hwnd, WM_MOUSEMOVE, 0, 0);
    form.PumpPending();
    CHECK(LastMouseKeys == 0);
    OpenPopupWindow = nullptr;
}

TEST_CASE("framework controls get WM_MOUSELEAVE from the loop")
{
    // No tooltip: its 100 ms timer would look for the cursor between the steps.
    TestForm form(MainWindow | NoTooltip);
    form.SetBounds({100, 100, 400, 300});
    Panel* group = new Panel(&form);
    Panel* a = new Panel(group);
    Panel* b = new Panel(group);
    NativeControl* edit = new NativeControl(group, L"EDIT", 3);
    a->SetBounds({0, 0, 50, 50});
    b->SetBounds({60, 0, 110, 50});
    form.Show();
    group->Show();
    a->Show();
    b->Show();
    Pump();
    SetCursorPos(1000, 900);

    PostMessageW(a->hwnd, WM_MOUSEMOVE, 0, 0);
    form.PumpPending();
    CHECK(HoverWindow == a->hwnd);
    PostMessageW(a->hwnd, WM_MOUSEMOVE, 0, 0);
    form.PumpPending();
    CHECK(a->leaves == 0);

    PostMessageW(b->hwnd, WM_MOUSEMOVE, 0, 0);
    form.PumpPending();
    CHECK(a->leaves == 1);
    CHECK(HoverWindow == b->hwnd);

    PostMessageW(edit->hwnd, WM_MOUSEMOVE, 0, 0);
    form.PumpPending();
    CHECK(HoverWindow == b->hwnd);
    CHECK(b->leaves == 0);

    // The cursor is elsewhere: the next timer message notices.
    PostMessageW(form.hwnd, WM_TIMER, 5, 0);
    form.PumpPending();
    CHECK(b->leaves == 1);
    CHECK(HoverWindow == nullptr);

    // Holding the capture keeps the hover.
    PostMessageW(a->hwnd, WM_MOUSEMOVE, 0, 0);
    form.PumpPending();
    a->Capture();
    PostMessageW(form.hwnd, WM_TIMER, 5, 0);
    form.PumpPending();
    CHECK(HoverWindow == a->hwnd);
    a->ReleaseCaptureIfHeld();
    CHECK_FALSE(a->HasCapture());
    PostMessageW(form.hwnd, WM_TIMER, 5, 0);
    form.PumpPending();
    CHECK(HoverWindow == nullptr);
    CHECK(a->leaves == 2);
}
