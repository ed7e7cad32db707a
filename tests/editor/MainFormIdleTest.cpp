// The hidden main window's idle time and timers: autosave passes and the
// session file at their end, the changed-on-disk check waiting for modal
// windows and held buttons, drops, setting and DPI changes, deferred errors.

#include "MainFormTestSupport.h"

#include "gui/FileDropTarget.h"
#include "support/DocumentText.h"

#include <doctest.h>

#include <shlobj.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

// Idle calls a pass may take before it counts as spinning.
constexpr int kSpinLimit = 2000;

struct IdleEditor : HiddenEditor {
    explicit IdleEditor(const std::string& settings) : HiddenEditor(settings) {}

    HWND Hwnd() { return run.Hwnd(); }
    void AutosaveTimer() { SendMessageW(Hwnd(), WM_TIMER, kAutosaveTimer, 0); }
    // Idle steps until the work is done; the count, kSpinLimit when it never ends.
    int Idle()
    {
        int calls = 0;
        while (calls < kSpinLimit && Form().IdleWork())
            calls++;
        return calls;
    }
    // No autosave file and no session file.
    bool NothingWritten()
    {
        return AutosaveNames(L'g').empty() && AutosaveNames(L't').empty() && !PathExists(Hibernation());
    }
    std::vector<std::wstring> AutosaveNames(wchar_t first)
    {
        std::vector<std::wstring> names;
        WIN32_FIND_DATAW found;
        String pattern = run.data / L"autosave\\*.autosave";
        HANDLE find = FindFirstFileW(pattern.CStr(), &found);
        if (find == INVALID_HANDLE_VALUE)
            return names;
        do {
            if (found.cFileName[0] == first)
                names.push_back(found.cFileName);
        } while (FindNextFileW(find, &found));
        FindClose(find);
        return names;
    }
};

// The text's bytes in an autosave file: what follows the five header lines.
std::string AutosaveBody(const String& path)
{
    std::string bytes = ReadFileBytes(path);
    const std::string lineEnd("\r\0\n\0", 4);
    size_t at = 0;
    for (int line = 0; line < 5; line++) {
        at = bytes.find(lineEnd, at);
        REQUIRE(at != std::string::npos);
        at += 4;
    }
    return bytes.substr(at);
}

// The number of settings refreshes waiting in the queue; they are taken out.
int TakeRefreshCommands(HWND window)
{
    int count = 0;
    MSG msg;
    while (PeekMessageW(&msg, window, WM_COMMAND, WM_COMMAND, PM_REMOVE))
        if (LOWORD(msg.wParam) == kSettingsRefreshCommand)
            count++;
    return count;
}

// Whether the timer runs; it is left as it was.
bool TimerRunning(HWND window, UINT_PTR id)
{
    if (!KillTimer(window, id))
        return false;
    SetTimer(window, id, 300, nullptr);
    return true;
}

void MouseButton(DWORD flag)
{
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = flag;
    REQUIRE(SendInput(1, &input, sizeof(input)) == 1);
    MSG msg;
    while (PeekMessageW(&msg, nullptr, WM_MOUSEFIRST, WM_MOUSELAST, PM_REMOVE)) {
    }
}

// Makes the file look written an hour after the editor read it.
void TouchLater(const String& path, const std::string& bytes)
{
    WriteFileBytes(path, bytes);
    HANDLE file = CreateFileW(path.CStr(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    REQUIRE(file != INVALID_HANDLE_VALUE);
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER later;
    later.LowPart = now.dwLowDateTime;
    later.HighPart = now.dwHighDateTime;
    later.QuadPart += 36000000000ULL;
    FILETIME time = {later.LowPart, later.HighPart};
    REQUIRE(SetFileTime(file, nullptr, nullptr, &time));
    CloseHandle(file);
}

std::vector<BYTE> DropBlock(const std::vector<std::wstring>& names)
{
    DROPFILES header = {};
    header.pFiles = sizeof(DROPFILES);
    header.fWide = TRUE;
    std::vector<BYTE> block(sizeof(header));
    memcpy(block.data(), &header, sizeof(header));
    auto addUnits = [&](const std::wstring& text) {
        const BYTE* bytes = reinterpret_cast<const BYTE*>(text.c_str());
        block.insert(block.end(), bytes, bytes + (text.size() + 1) * sizeof(wchar_t));
    };
    for (const std::wstring& name : names)
        addUnits(name);
    addUnits(std::wstring());
    return block;
}

HGLOBAL GlobalCopy(const std::vector<BYTE>& bytes)
{
    HGLOBAL global = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
    REQUIRE(global != nullptr);
    memcpy(GlobalLock(global), bytes.data(), bytes.size());
    GlobalUnlock(global);
    return global;
}

} // namespace

TEST_CASE("an autosave pass finishes a half-written file first, then saves the modified texts in list order; the session file is written at its end")
{
    IdleEditor bench("");
    MainForm& f = bench.Form();
    TextDocument* a = bench.Open(L"a.txt", std::string(700000, 'a'));
    bench.Type(L'1');
    TextDocument* b = bench.Open(L"b.txt", "bee");
    TextDocument* c = bench.Open(L"c.txt", "sea");
    bench.Type(L'3');
    REQUIRE(a->modified);
    REQUIRE_FALSE(b->modified);
    REQUIRE(c->modified);
    // Not due yet: nothing happens.
    CHECK_FALSE(f.IdleWork());
    CHECK(bench.AutosaveNames(L't').empty());
    // A file of the last text was begun before the pass.
    c->AutosaveStep();
    REQUIRE(c->autosaveRunning);

    bench.AutosaveTimer();
    CHECK(f.autosaveDue == 1);
    CHECK(f.autosavePass == 0);
    std::vector<std::string> events;
    std::vector<TextDocument*> texts = {a, b, c};
    std::vector<u8> running = {a->autosaveRunning, b->autosaveRunning, c->autosaveRunning};
    int calls = 0;
    while (calls < kSpinLimit && f.IdleWork()) {
        calls++;
        CHECK_FALSE(PathExists(bench.Hibernation()));
        for (size_t i = 0; i < texts.size(); i++) {
            if (texts[i]->autosaveRunning != running[i])
                events.push_back(std::string(texts[i]->autosaveRunning ? "start " : "done ") + char('a' + i));
            running[i] = texts[i]->autosaveRunning;
        }
    }
    REQUIRE(calls < kSpinLimit);
    CHECK(events == std::vector<std::string>{"done c", "start a", "done a"});
    CHECK(f.autosaveDue == 0);
    CHECK(f.autosavePass == -1);
    CHECK(AutosaveBody(a->autosaveFinishedPath) == doctext::Bytes(*a));
    CHECK(AutosaveBody(c->autosaveFinishedPath) == doctext::Bytes(*c));
    CHECK(b->autosaveFinishedPath.IsEmpty());
    CHECK(bench.AutosaveNames(L'g').size() == 2);
    CHECK(bench.AutosaveNames(L't').empty());
    std::string session = ReadFileBytes(bench.Hibernation());
    CHECK(session.find("b.txt\r\n2:") != std::string::npos);
    CHECK(session.find("A:") != std::string::npos);

    // No change of the open texts since: the next pass leaves the file alone.
    DeleteFileW(bench.Hibernation().CStr());
    bench.AutosaveTimer();
    CHECK(bench.Idle() < kSpinLimit);
    CHECK_FALSE(PathExists(bench.Hibernation()));
    // Opening one more text changes the session; only the pass end writes it.
    bench.Open(L"d.txt", "dee");
    CHECK_FALSE(PathExists(bench.Hibernation()));
    bench.AutosaveTimer();
    CHECK(bench.Idle() < kSpinLimit);
    CHECK(ReadFileBytes(bench.Hibernation()).find("d.txt") != std::string::npos);
}

TEST_CASE("with Autosave off no pass runs: no autosave files and no session file until the exit")
{
    IdleEditor bench("Autosave=false\r\n");
    MainForm& f = bench.Form();
    bench.Open(L"a.txt", "alpha");
    bench.Type(L'x');
    bench.Open(L"b.txt", "beta");
    for (int pass = 0; pass < 3; pass++) {
        bench.AutosaveTimer();
        CHECK_FALSE(f.IdleWork());
        CHECK_FALSE(f.OnIdle());
    }
    CHECK(bench.NothingWritten());
}

TEST_CASE("after the exit ran, idle time writes neither autosaves nor the session file")
{
    IdleEditor bench("Hibernate=false\r\n");
    MainForm& f = bench.Form();
    bench.Open(L"a.txt", "alpha");
    bench.Type(L'x');
    bench.run.alerts.answers = {1};  // leave the changes
    bench.Close();
    REQUIRE(bench.Exited());
    bench.AutosaveTimer();
    CHECK_FALSE(f.IdleWork());
    CHECK(bench.NothingWritten());
}

TEST_CASE("an autosave that cannot go on ends its part of the pass: no spin, the other texts are saved, the next pass finishes it")
{
    IdleEditor bench("");
    MainForm& f = bench.Form();
    TextDocument* a = bench.Open(L"a.txt", "alpha");
    bench.Type(L'x');
    TextDocument* b = bench.Open(L"b.txt", "beta");
    bench.Type(L'y');
    bench.AutosaveTimer();
    // Up to the rename of the first text's file.
    int calls = 0;
    while (!(a->autosaveRunning && !a->autosaveFile.State() && a->autosaveBytesWritten == a->snapshot.Size()) &&
           calls++ < 100)
        REQUIRE(f.IdleWork());
    String unfinished = a->autosaveUnfinishedPath;
    REQUIRE(PathExists(unfinished));
    // Held without delete sharing: the rename is refused.
    HANDLE held = CreateFileW(unfinished.CStr(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    REQUIRE(held != INVALID_HANDLE_VALUE);
    CHECK(bench.Idle() < kSpinLimit);
    CHECK(f.autosavePass == -1);
    CHECK_FALSE(b->autosaveRunning);
    CHECK(AutosaveBody(b->autosaveFinishedPath) == doctext::Bytes(*b));
    CHECK(a->autosaveRunning);
    CHECK(PathExists(unfinished));
    // Still held: the next pass ends too.
    bench.AutosaveTimer();
    CHECK(bench.Idle() < kSpinLimit);
    CloseHandle(held);

    bench.AutosaveTimer();
    CHECK(bench.Idle() < kSpinLimit);
    CHECK_FALSE(a->autosaveRunning);
    CHECK(AutosaveBody(a->autosaveFinishedPath) == doctext::Bytes(*a));
    CHECK(bench.AutosaveNames(L't').empty());
    CHECK(bench.AutosaveNames(L'g').size() == 2);
}

TEST_CASE("a text emptied while its autosave is written: the pass ends and the file holds the text as it was")
{
    IdleEditor bench("");
    MainForm& f = bench.Form();
    TextDocument* a = bench.Open(L"big.txt", std::string(600000, 'e'));
    bench.Type(L'!');
    std::string before = doctext::Bytes(*a);
    bench.AutosaveTimer();
    int calls = 0;
    while (a->autosaveBytesWritten == 0 && calls++ < 100)
        REQUIRE(f.IdleWork());
    REQUIRE(a->autosaveRunning);
    REQUIRE(a->autosaveBytesWritten < a->snapshot.Size());
    ActionRecord record;
    String nothing;
    record.InitReplaceRange(f.activeView, 0, a->text.Size(), nothing);
    ExecuteAction(*bench.run.broker, record);
    REQUIRE(a->text.Size() == 0);
    CHECK(bench.Idle() < kSpinLimit);
    CHECK_FALSE(a->autosaveRunning);
    CHECK(AutosaveBody(a->autosaveFinishedPath) == before);
    CHECK(bench.AutosaveNames(L't').empty());
    // An empty text starts no new file.
    bench.AutosaveTimer();
    CHECK(bench.Idle() < kSpinLimit);
    CHECK(bench.AutosaveNames(L'g').size() == 1);
}

TEST_CASE("the changed-on-disk check waits for a modal window, a drag and a held button; the timer stops once it ran or nothing waits")
{
    IdleEditor bench("");
    MainForm& f = bench.Form();
    HWND hwnd = bench.Hwnd();
    TextDocument* a = bench.Open(L"a.txt", "alpha");
    TouchLater(a->GetPath(), "changed elsewhere");
    const size_t questions = bench.run.alerts.alerts.size();
    bench.run.alerts.answers = {1};

    SUBCASE("nothing pending: the timer is killed at its tick")
    {
        f.checkPending = 0;
        SetTimer(hwnd, kCheckTimer, 300, nullptr);
        SendMessageW(hwnd, WM_TIMER, kCheckTimer, 0);
        CHECK_FALSE(TimerRunning(hwnd, kCheckTimer));
        CHECK(bench.run.alerts.alerts.size() == questions);
        return;
    }

    SendMessageW(hwnd, WM_ACTIVATE, WA_ACTIVE, 0);
    CHECK(f.checkPending == 1);
    CHECK(TimerRunning(hwnd, kCheckTimer));

    SUBCASE("a modal window")
    {
        Form modal;
        f.DisableForModal(&modal);
        SendMessageW(hwnd, WM_TIMER, kCheckTimer, 0);
        CHECK(f.checkPending == 1);
        CHECK(TimerRunning(hwnd, kCheckTimer));
        f.EnableAfterModal(&modal);
    }
    SUBCASE("a drag over the window")
    {
        REQUIRE(f.dropTarget != nullptr);
        f.dropTarget->dragOver = 1;
        SendMessageW(hwnd, WM_TIMER, kCheckTimer, 0);
        CHECK(f.checkPending == 1);
        CHECK(TimerRunning(hwnd, kCheckTimer));
        f.dropTarget->dragOver = 0;
    }
    SUBCASE("a held mouse button")
    {
        MouseButton(MOUSEEVENTF_LEFTDOWN);
        REQUIRE((GetAsyncKeyState(VK_LBUTTON) & 0x8000) != 0);
        SendMessageW(hwnd, WM_TIMER, kCheckTimer, 0);
        CHECK(f.checkPending == 1);
        CHECK(TimerRunning(hwnd, kCheckTimer));
        MouseButton(MOUSEEVENTF_LEFTUP);
        REQUIRE((GetAsyncKeyState(VK_LBUTTON) & 0x8000) == 0);
    }
    CHECK(bench.run.alerts.alerts.size() == questions);

    SendMessageW(hwnd, WM_TIMER, kCheckTimer, 0);
    CHECK(f.checkPending == 0);
    CHECK_FALSE(TimerRunning(hwnd, kCheckTimer));
    REQUIRE(bench.run.alerts.alerts.size() == questions + 1);
    CHECK(bench.run.alerts.alerts.back().message.find(W(a->GetPath())) != std::wstring::npos);
    // Kept: asked no more until the file changes again.
    SendMessageW(hwnd, WM_ACTIVATE, WA_ACTIVE, 0);
    SendMessageW(hwnd, WM_TIMER, kCheckTimer, 0);
    CHECK(bench.run.alerts.alerts.size() == questions + 1);
    CHECK(doctext::Bytes(*a) == "alpha");
}

TEST_CASE("setting, font and DPI changes post one settings refresh until it is handled")
{
    IdleEditor bench("");
    MainForm& f = bench.Form();
    HWND hwnd = bench.Hwnd();
    TakeRefreshCommands(hwnd);
    SendMessageW(hwnd, WM_SETTINGCHANGE, 0, 0);
    SendMessageW(hwnd, WM_SETTINGCHANGE, 0, 0);
    SendMessageW(hwnd, WM_FONTCHANGE, 0, 0);
    CHECK(f.settingsRefreshPosted == 1);
    CHECK(TakeRefreshCommands(hwnd) == 1);
    SendMessageW(hwnd, WM_COMMAND, kSettingsRefreshCommand, 0);
    CHECK(f.settingsRefreshPosted == 0);
    SendMessageW(hwnd, WM_FONTCHANGE, 0, 0);
    CHECK(TakeRefreshCommands(hwnd) == 1);
    SendMessageW(hwnd, WM_COMMAND, kSettingsRefreshCommand, 0);

    // A move to a monitor of 144 DPI: the fonts follow before the refresh.
    LOGFONTW before = {};
    REQUIRE(GetObjectW(f.viewFont.Handle(), sizeof(before), &before) > 0);
    RECT suggested;
    GetWindowRect(hwnd, &suggested);
    SendMessageW(hwnd, WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
    CHECK(f.GetDpi() == 144);
    LOGFONTW after = {};
    REQUIRE(GetObjectW(f.viewFont.Handle(), sizeof(after), &after) > 0);
    CHECK(std::abs(after.lfHeight) >= std::abs(before.lfHeight) * 3 / 2 - 1);
    CHECK(std::abs(after.lfHeight) <= std::abs(before.lfHeight) * 3 / 2 + 1);
    SendMessageW(hwnd, WM_SETTINGCHANGE, 0, 0);
    CHECK(TakeRefreshCommands(hwnd) == 1);
    SendMessageW(hwnd, WM_COMMAND, kSettingsRefreshCommand, 0);
    CHECK(f.settingsRefreshPosted == 0);
}

TEST_CASE("dropped files open in the order of the drop; a malformed drop opens nothing")
{
    IdleEditor bench("");
    MainForm& f = bench.Form();
    String first = bench.folder / L"first.txt";
    String second = bench.folder / L"second file.txt";
    WriteFileBytes(first, "one");
    WriteFileBytes(second, "two");
    int32 count = bench.run.broker->documents.Count();

    std::vector<BYTE> bad = DropBlock({W(first)});
    DROPFILES header;
    memcpy(&header, bad.data(), sizeof(header));
    header.pFiles = static_cast<DWORD>(bad.size() + 100);
    memcpy(bad.data(), &header, sizeof(header));
    SendMessageW(bench.Hwnd(), WM_DROPFILES, reinterpret_cast<WPARAM>(GlobalCopy(bad)), 0);
    CHECK(bench.run.broker->documents.Count() == count);

    SendMessageW(bench.Hwnd(), WM_DROPFILES, reinterpret_cast<WPARAM>(GlobalCopy(DropBlock({W(first), W(second)}))),
                 0);
    TextDocument* one = bench.run.broker->documents.FindByPath(first);
    TextDocument* two = bench.run.broker->documents.FindByPath(second);
    REQUIRE(one != nullptr);
    REQUIRE(two != nullptr);
    CHECK(bench.run.broker->documents.IndexOf(one) < bench.run.broker->documents.IndexOf(two));
    CHECK(doctext::Bytes(*two) == "two");
    CHECK(f.activeView->CurrentDocument() == two);
    CHECK(bench.run.alerts.alerts.empty());
}

TEST_CASE("a character the encoding cannot hold is reported once, at the next idle time")
{
    IdleEditor bench("");
    MainForm& f = bench.Form();
    TextDocument* doc = bench.Open(L"latin.txt", "caf\xE9");
    REQUIRE_FALSE(IsUtf16Encoding(doc->text.Encoding()));
    REQUIRE(doc->text.Encoding() != EncodingUtf8);
    bench.Type(0x4E2D);
    CHECK(bench.run.broker->pendingError.code == -113);
    CHECK(bench.run.alerts.alerts.empty());
    f.OnIdle();
    REQUIRE(bench.run.alerts.alerts.size() == 1);
    CHECK(bench.run.alerts.alerts[0].title ==
          (PolishSystem() ? L"Nie można zrealizować operacji - Scrivel" : L"Operation can not be performed - Scrivel"));
    CHECK(bench.run.alerts.alerts[0].code == -113);
    CHECK(bench.run.broker->pendingError.code == -1);
    f.OnIdle();
    CHECK(bench.run.alerts.alerts.size() == 1);
}
