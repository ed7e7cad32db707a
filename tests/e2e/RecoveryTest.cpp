// Crashes of the real editor at random moments: after each kill the next
// start brings back every text as its newest complete autosave held it.

#include "e2e/EditorRun.h"

#include <doctest.h>

#include <algorithm>
#include <cstdlib>
#include <cwctype>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr WPARAM kAutosaveTimerId = 4445;

std::string Utf16Bytes(const std::wstring& text)
{
    std::string out;
    for (wchar_t c : text) {
        out += static_cast<char>(c & 0xFF);
        out += static_cast<char>(c >> 8);
    }
    return out;
}

std::wstring FromUtf16(const std::string& bytes)
{
    std::wstring out;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2)
        out += static_cast<wchar_t>(static_cast<unsigned char>(bytes[i]) | (static_cast<unsigned char>(bytes[i + 1]) << 8));
    return out;
}

std::wstring FromUtf8(const std::string& bytes)
{
    if (bytes.empty())
        return std::wstring();
    int n = MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), &out[0], n);
    return out;
}

std::wstring Lower(std::wstring s)
{
    for (wchar_t& c : s)
        c = static_cast<wchar_t>(towlower(c));
    return s;
}

// An autosave file as read from a copy of the folder.
struct Autosave {
    std::wstring name;
    std::wstring path;  // the text's path; empty for a text never saved
    std::wstring text;  // the body decoded as its header says
};

bool ParseAutosave(const std::wstring& name, const std::string& bytes, Autosave& out)
{
    size_t p = 0;
    std::wstring lines[5];
    for (std::wstring& line : lines) {
        size_t end = p;
        while (end + 3 < bytes.size() && !(bytes[end] == '\r' && bytes[end + 1] == 0 && bytes[end + 2] == '\n' &&
                                            bytes[end + 3] == 0))
            end += 2;
        if (end + 3 >= bytes.size())
            return false;
        line = FromUtf16(bytes.substr(p, end - p));
        p = end + 4;
    }
    std::string body = bytes.substr(p);
    out.name = name;
    out.path = lines[0];
    out.text = lines[3].rfind(L"UTF-16LE", 0) == 0 ? FromUtf16(body) : FromUtf8(body);
    return true;
}

// The names of the files in a folder.
std::vector<std::wstring> FileNames(const String& folder)
{
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found;
    String pattern = Concat(folder, L"*");
    HANDLE find = FindFirstFileW(pattern.CStr(), &found);
    if (find == INVALID_HANDLE_VALUE)
        return names;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            names.push_back(found.cFileName);
    } while (FindNextFileW(find, &found));
    FindClose(find);
    return names;
}

// The folder's files, read at once after a kill.
std::map<std::wstring, std::string> CopyFolder(const String& folder)
{
    std::map<std::wstring, std::string> files;
    for (const std::wstring& name : FileNames(folder))
        files[name] = ReadFileBytes(Concat(folder, name.c_str()));
    return files;
}

// What the next start must bring back, from the copy of the folder: per
// file the newest complete autosave, and every never-saved text's file.
struct Expected {
    std::map<std::wstring, std::wstring> byPath;  // lower-case path -> text
    std::vector<std::wstring> unsaved;
};

Expected ExpectedFrom(const std::map<std::wstring, std::string>& copy)
{
    Expected expected;
    std::map<std::wstring, std::wstring> newestName;
    for (const auto& file : copy) {
        if (file.first.empty() || (file.first[0] != L'g' && file.first[0] != L'G'))
            continue;
        Autosave autosave;
        REQUIRE(ParseAutosave(file.first, file.second, autosave));
        if (autosave.path.empty()) {
            expected.unsaved.push_back(autosave.text);
            continue;
        }
        std::wstring key = Lower(autosave.path);
        if (newestName.count(key) && Lower(newestName[key]) > Lower(autosave.name))
            continue;
        newestName[key] = autosave.name;
        expected.byPath[key] = autosave.text;
    }
    std::sort(expected.unsaved.begin(), expected.unsaved.end());
    return expected;
}

void EmptyTheClipboard()
{
    WaitUntil([] { return OpenClipboard(nullptr) != FALSE; });
    EmptyClipboard();
    CloseClipboard();
}

// The text the editor put on the clipboard; false when none came in time.
bool TakeClipboardText(std::wstring& text, DWORD timeout)
{
    DWORD start = GetTickCount();
    while (!IsClipboardFormatAvailable(CF_UNICODETEXT)) {
        if (GetTickCount() - start > timeout)
            return false;
        Sleep(10);
    }
    WaitUntil([] { return OpenClipboard(nullptr) != FALSE; });
    HANDLE data = GetClipboardData(CF_UNICODETEXT);
    bool ok = data != nullptr;
    if (ok) {
        const wchar_t* chars = static_cast<const wchar_t*>(GlobalLock(data));
        SIZE_T units = GlobalSize(data) / sizeof(wchar_t);
        text.assign(chars, std::find(chars, chars + units, L'\0'));
        GlobalUnlock(data);
    }
    CloseClipboard();
    return ok;
}

// One open text as a user sees it: the window title and everything in it.
struct ShownText {
    std::wstring title;
    std::wstring text;
};

// Every open text, walked with F6 from the one whose title starts with
// firstName back to it; each read by select all and copy.
std::vector<ShownText> ReadAllTexts(HWND main, const std::wstring& firstName)
{
    std::vector<ShownText> shown;
    REQUIRE(driver::WaitForKeyboardFocus(main, nullptr));
    for (int guard = 0; guard < 50; guard++) {
        std::wstring title = driver::WindowText(main);
        if (title.find(firstName) != std::wstring::npos)
            break;
        driver::PressKey(VK_F6);
        WaitUntil([&] { return driver::WindowText(main) != title; }, 10000);
    }
    for (int i = 0; i < 50; i++) {
        EmptyTheClipboard();
        REQUIRE(driver::WaitForKeyboardFocus(main, nullptr));
        driver::PressKey('A', true);
        driver::PressKey('C', true);
        ShownText text;
        REQUIRE(TakeClipboardText(text.text, driver::kPatience));
        text.title = driver::WindowText(main);
        if (i > 0 && text.title.find(firstName) != std::wstring::npos)
            break;
        shown.push_back(text);
        driver::PressKey(VK_F6);
    }
    return shown;
}

bool IsUnsavedTitle(const std::wstring& title)
{
    return title.find(L"<no name>") != std::wstring::npos || title.find(L"<bez nazwy>") != std::wstring::npos;
}

int NamesStartingWith(const String& folder, wchar_t first)
{
    int n = 0;
    for (const std::wstring& name : FileNames(folder))
        n += !name.empty() && towlower(name[0]) == first;
    return n;
}

// Posts the autosave timer, again now and then, until the folder holds
// complete autosaves of exactly these texts and nothing being written: a
// pass that came before the last typed keys reached the text leaves an
// older text, which a later pass replaces.
bool WaitForAutosavedTexts(HWND main, const String& folder, std::vector<std::wstring> want)
{
    std::sort(want.begin(), want.end());
    DWORD posted = 0;
    return WaitUntil([&] {
        if (GetTickCount() - posted > 1000) {
            PostMessageW(main, WM_TIMER, kAutosaveTimerId, 0);
            posted = GetTickCount();
        }
        if (NamesStartingWith(folder, L't') > 0)
            return false;
        std::vector<std::wstring> texts;
        try {
            for (const auto& file : CopyFolder(folder)) {
                Autosave autosave;
                if (!ParseAutosave(file.first, file.second, autosave))
                    return false;
                texts.push_back(autosave.text);
            }
        } catch (...) {
            // A file went while it was read.
            return false;
        }
        std::sort(texts.begin(), texts.end());
        return texts == want;
    });
}

// Typed into the window once it is in front; returns once the keys have
// been handled, so that a message posted next comes after them.
void TypeInto(HWND main, const std::wstring& text)
{
    REQUIRE(driver::WaitForKeyboardFocus(main, nullptr));
    driver::TypeText(text);
    // Each character is a key down, a key up and the character made of them.
    driver::WaitForQueueHandled(main, 3 * static_cast<int>(text.size()) + 8);
}

// Waits until n complete autosaves begun after start lie in the folder and
// nothing is being written.
bool WaitForPass(const String& folder, u64 start, int n, DWORD timeout)
{
    DWORD began = GetTickCount();
    while (GetTickCount() - began < timeout) {
        int done = 0, writing = 0;
        for (const std::wstring& name : FileNames(folder)) {
            writing += !name.empty() && name[0] == L't';
            if (name.size() == 45 && name[0] == L'g' &&
                (wcstoull(name.substr(1, 8).c_str(), nullptr, 16) << 32 | wcstoull(name.substr(10, 8).c_str(), nullptr, 16)) >= start)
                done++;
        }
        if (done >= n && writing == 0)
            return true;
        Sleep(20);
    }
    return false;
}

std::wstring RandomWords(std::mt19937& random, size_t n)
{
    const std::wstring letters = L"abcdefghijklmnopqrstuvwxyz ąćęłńóśźżĄĆĘŁŃÓŚŹŻ";
    std::wstring out;
    for (size_t i = 0; i < n; i++)
        out += letters[random() % letters.size()];
    return out;
}

int RoundsWanted()
{
    if (const char* rounds = getenv("SCRIVEL_CRASH_ROUNDS"))
        return std::max(1, atoi(rounds));
    // The Polish run repeats what the English one checked at length.
    return PolishSystem() ? 2 : 5;
}

unsigned SeedWanted()
{
    if (const char* seed = getenv("SCRIVEL_CRASH_SEED"))
        return static_cast<unsigned>(strtoul(seed, nullptr, 10));
    return static_cast<unsigned>(GetTickCount());
}

}  // namespace

TEST_CASE("killed at random moments, the editor brings back each text's newest complete autosave and no older one")
{
    const unsigned seed = SeedWanted();
    const int rounds = RoundsWanted();
    MESSAGE("crash rounds: " << rounds << ", seed " << seed << " (SCRIVEL_CRASH_SEED, SCRIVEL_CRASH_ROUNDS)");
    INFO("seed " << seed);
    std::mt19937 random(seed);

    TempFolder texts;
    struct DiskText {
        std::wstring name;
        std::string bytes;
        std::wstring text;
    };
    std::vector<DiskText> files;
    std::wstring polish = L"zażółć gęślą jaźń\r\n";
    files.push_back({L"utf8.txt", Narrow(L"pierwszy " + polish), L"pierwszy " + polish});
    files.push_back({L"utf16.txt", std::string("\xFF\xFE", 2) + Utf16Bytes(L"drugi " + polish), L"drugi " + polish});
    {
        std::string big;
        big.reserve(30u << 20);
        for (int line = 0; big.size() < (30u << 20); line++)
            big += "line " + std::to_string(line) + " of the large text, with some words to fill it up\r\n";
        files.push_back({L"big.txt", big, FromUtf8(big)});
    }
    std::string session;
    for (const DiskText& file : files) {
        WriteFileBytes(texts / file.name.c_str(), file.bytes);
        String path = texts / file.name.c_str();
        session += (file.name == L"utf16.txt" ? "1:UTF-16LE w/BOM:" : "1:UTF-8:") + Narrow(path.CStr()) +
                   "\r\n2:\r\n3:0:0\r\n4:\r\n";
    }

    // The last session held the three files; the editor finds them there.
    EditorRun run("");
    // Ended once it stands: a kill inside Wine's own start can leave the
    // display's clipboard to a dead owner.
    run.WaitForMain();
    run.Kill();
    String data = Concat(run.Folder(), L"Scrivel Data\\");
    String autosaveFolder = Concat(data, L"autosave\\");
    WriteFileBytes(Concat(data, L"hibernation.dat"), session);
    std::map<std::wstring, std::string> copy;
    int fromAutosaves = 0;

    // The last round only shows what the last kill left.
    for (int round = 0; round <= rounds; round++) {
        CAPTURE(round);
        run.Restart();
        // Now and then the kill comes during the start itself, recovery
        // included; never in a round that waits for a whole pass.
        if (round > 0 && round < rounds && round % 3 != 1 && random() % 4 == 0) {
            Sleep(random() % 1500);
            run.Kill();
            copy = CopyFolder(autosaveFolder);
            continue;
        }
        HWND main = run.WaitForMain();
        Expected expected = ExpectedFrom(copy);
        fromAutosaves += static_cast<int>(expected.byPath.size() + expected.unsaved.size());

        std::vector<ShownText> shown = ReadAllTexts(main, L"utf8.txt");
        std::string titles;
        for (const ShownText& text : shown)
            titles += Narrow(text.title) + " (" + std::to_string(text.text.size()) + " characters); ";
        INFO("texts shown: " << titles);
        std::vector<std::wstring> unsaved;
        for (const DiskText& file : files) {
            CAPTURE(Narrow(file.name));
            // Files on disk stay as they were; the session's texts are all open.
            CHECK(ReadFileBytes(texts / file.name.c_str()) == file.bytes);
            String path = texts / file.name.c_str();
            std::wstring key = Lower(path.CStr());
            const std::wstring& want = expected.byPath.count(key) ? expected.byPath[key] : file.text;
            int found = 0;
            for (const ShownText& text : shown)
                if (text.title.find(file.name) == 0 || text.title.find(L"* " + file.name) == 0) {
                    found++;
                    CHECK(text.text.size() == want.size());
                    CHECK(text.text == want);
                }
            CHECK(found == 1);
        }
        for (const ShownText& text : shown)
            if (IsUnsavedTitle(text.title))
                unsaved.push_back(text.text);
        std::sort(unsaved.begin(), unsaved.end());
        CHECK(unsaved == expected.unsaved);
        CHECK(NamesStartingWith(autosaveFolder, L't') == 0);
        CHECK(shown.size() == files.size() + unsaved.size());
        if (round == rounds)
            break;

        // A never-saved text joins the first time; every text is typed into.
        size_t count = shown.size();
        REQUIRE(driver::WaitForKeyboardFocus(main, nullptr));
        if (unsaved.empty()) {
            driver::PressKey('N', true);
            count++;
        }
        for (size_t i = 0; i < count; i++) {
            driver::PressKey(VK_HOME, true);
            driver::TypeText(RandomWords(random, 5 + random() % 40));
            driver::PressKey(VK_F6);
        }
        // Autosave passes as the timer starts them; the kill comes at a
        // random moment of the typing, the writing or after it, and every
        // third round once a pass wrote all texts.
        DWORD wait = random() % 2500;
        FILETIME now;
        GetSystemTimeAsFileTime(&now);
        u64 passStart = (static_cast<u64>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
        if (rounds >= 25 && round == rounds / 2) {
            // The editor's own timer starts this pass, within its 30 s.
            CHECK(WaitForPass(autosaveFolder, passStart, static_cast<int>(count), 45000 + driver::kPatience));
            run.Kill();
            copy = CopyFolder(autosaveFolder);
            continue;
        }
        PostMessageW(main, WM_TIMER, kAutosaveTimerId, 0);
        Sleep(wait / 2);
        PostMessageW(main, WM_TIMER, kAutosaveTimerId, 0);
        if (round % 3 == 1)
            CHECK(WaitForPass(autosaveFolder, passStart, static_cast<int>(count), driver::kPatience));
        else
            Sleep(wait / 2);
        run.Kill();
        copy = CopyFolder(autosaveFolder);
    }
    run.Kill();
    // The large text's copy goes too: nothing of this test stays for the next.
    EmptyTheClipboard();
    MESSAGE("texts that came back from autosaves: " << fromAutosaves);
    CHECK(fromAutosaves > 0);
}

namespace {

// A second editor on the same folder as a run.
class Beside {
public:
    explicit Beside(const EditorRun& run)
    {
        DWORD error = 0;
        bool started = driver::StartProgram(run.ProgramPath(), L"", run.Folder().CStr(), process_, &error);
        INFO("CreateProcessW error " << error);
        REQUIRE(started);
    }
    ~Beside()
    {
        if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) {
            TerminateProcess(process_.hProcess, 9);
            WaitForSingleObject(process_.hProcess, driver::kPatience);
        }
        CloseHandle(process_.hThread);
        CloseHandle(process_.hProcess);
    }
    Beside(const Beside&) = delete;
    Beside& operator=(const Beside&) = delete;

    HWND WaitForMain()
    {
        HWND main = driver::WaitForProcessWindow(process_.hProcess, process_.dwProcessId, kMainClass, nullptr,
                                                 driver::kPatience);
        REQUIRE(main != nullptr);
        WaitForInputIdle(process_.hProcess, driver::kPatience);
        return main;
    }
    HWND WaitForTitled(const wchar_t* title)
    {
        return driver::WaitForProcessWindow(process_.hProcess, process_.dwProcessId, nullptr, title, driver::kPatience);
    }
    DWORD WaitForExit(DWORD timeout)
    {
        WaitForSingleObject(process_.hProcess, timeout);
        DWORD code = STILL_ACTIVE;
        GetExitCodeProcess(process_.hProcess, &code);
        return code;
    }

private:
    PROCESS_INFORMATION process_{};
};

HWND ButtonWithText(HWND parent, const std::wstring& text)
{
    HWND found = nullptr;
    WaitUntil([&] { return (found = ChildWithText(parent, text)) != nullptr; });
    return found;
}

}  // namespace

TEST_CASE("two editors on one data folder: the second shows none of the first's texts and leaves its files; a third recovers them once the first is killed")
{
    EditorRun a("");
    a.WaitForMain();
    a.Kill();
    String data = Concat(a.Folder(), L"Scrivel Data\\");
    String folder = Concat(data, L"autosave\\");
    CreateDirectoryW(folder.CStr(), nullptr);
    // A crashed run's never-saved text, which A adopts at its start.
    std::string crashed;
    for (const wchar_t* line : {L"", L"C:\\", L"9", L"UTF-8", L""})
        crashed += Utf16Bytes(std::wstring(line) + L"\r\n");
    crashed += "adopt me!";
    WriteFileBytes(Concat(folder, L"g01d00000_00000000_fffffff0_00000001.autosave"), crashed);

    a.Restart();
    HWND mainA = a.WaitForMain();
    std::wstring titleA = driver::WindowText(mainA);
    bool recoveredShown = titleA.find(L"RECOVERED") != std::wstring::npos || titleA.find(L"ODZYSKANY") != std::wstring::npos;
    CHECK(recoveredShown);
    REQUIRE(driver::WaitForKeyboardFocus(mainA, nullptr));
    driver::PressKey('N', true);
    TypeInto(mainA, L"own text of A");
    REQUIRE(WaitForAutosavedTexts(mainA, folder, {L"adopt me!", L"own text of A"}));
    std::map<std::wstring, std::string> filesOfA = CopyFolder(folder);

    {
        Beside b(a);
        HWND mainB = b.WaitForMain();
        std::wstring title = driver::WindowText(mainB);
        CHECK(IsUnsavedTitle(title));
        CHECK(title.find(L"RECOVERED") == std::wstring::npos);
        CHECK(title.find(L"ODZYSKANY") == std::wstring::npos);
        CHECK(title.rfind(L"* ", 0) != 0);
        // B's own autosave and its Abandon at the exit touch only B's file.
        TypeInto(mainB, L"text of B");
        CHECK(WaitForAutosavedTexts(mainB, folder, {L"adopt me!", L"own text of A", L"text of B"}));
        PostMessageW(mainB, WM_CLOSE, 0, 0);
        HWND question = b.WaitForTitled(PolishSystem() ? L"Zapisz - Scrivel" : L"Save - Scrivel");
        REQUIRE(question != nullptr);
        HWND abandon = ButtonWithText(question, PolishSystem() ? L"&Odrzuć zmiany" : L"&Abandon changes");
        REQUIRE(abandon != nullptr);
        PostMessageW(abandon, BM_CLICK, 0, 0);
        CHECK(b.WaitForExit(driver::kPatience) == 0);
    }
    CHECK(CopyFolder(folder) == filesOfA);

    a.Kill();
    a.Restart();
    HWND mainC = a.WaitForMain();
    std::vector<std::wstring> texts;
    for (int i = 0; i < 2; i++) {
        EmptyTheClipboard();
        REQUIRE(driver::WaitForKeyboardFocus(mainC, nullptr));
        driver::PressKey('A', true);
        driver::PressKey('C', true);
        std::wstring text;
        REQUIRE(TakeClipboardText(text, driver::kPatience));
        texts.push_back(text);
        driver::PressKey(VK_F6);
    }
    std::sort(texts.begin(), texts.end());
    CHECK(texts == std::vector<std::wstring>{L"adopt me!", L"own text of A"});
    a.Kill();
    EmptyTheClipboard();
}
