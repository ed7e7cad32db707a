#include "GuiTestSupport.h"

#include "gui/FileDialogs.h"
#include "support/CommonDialogs.h"
#include "support/TempFolder.h"

#include <ole2.h>

#include <string>

namespace {

// Answers the system's file dialog from a thread timer that runs inside the
// dialog's own loop: types a name into the name field and presses OK, or
// presses Cancel. After about ten seconds it cancels whatever is open, so a
// dialog that does not react fails the test instead of hanging it.
struct DialogDriver {
    std::wstring typed;
    int button = IDOK;
    int ticks = 0;
    bool acted = false;
    bool sawDialog = false;
    std::wstring title;
};

DialogDriver* Driver = nullptr;

void CALLBACK DriveDialog(HWND, UINT, UINT_PTR timer, DWORD)
{
    if (Driver == nullptr || Driver->acted) {
        KillTimer(nullptr, timer);
        return;
    }
    Driver->ticks++;
    HWND dialog = VisibleCommonDialog();
    if (dialog == nullptr) {
        if (Driver->ticks > 200)
            KillTimer(nullptr, timer);
        return;
    }
    if (!Driver->sawDialog) {
        wchar_t text[256] = {};
        GetWindowTextW(dialog, text, 256);
        Driver->title = text;
        Driver->sawDialog = true;
    }
    int button = Driver->button;
    if (Driver->ticks > 200) {
        button = IDCANCEL;
    } else if (button == IDOK && !Driver->typed.empty()) {
        HWND field = FileNameField(dialog);
        if (field == nullptr)
            return;
        SetWindowTextW(field, Driver->typed.c_str());
    }
    Driver->acted = true;
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
}

struct Drive {
    DialogDriver state;
    UINT_PTR timer;
    Drive(const std::wstring& typed, int button)
    {
        state.typed = typed;
        state.button = button;
        Driver = &state;
        timer = SetTimer(nullptr, 0, 50, DriveDialog);
    }
    ~Drive()
    {
        KillTimer(nullptr, timer);
        Driver = nullptr;
    }
};

struct OleScope {
    OleScope() { OleInitialize(nullptr); }
    ~OleScope() { OleUninitialize(); }
};

// The classic path, with what each dialog was given.
struct ClassicRecord {
    std::wstring file;
    std::wstring folder;
    std::wstring title;
    DWORD flags = 0;
    bool hasFolder = false;
    int calls = 0;
};
ClassicRecord Classic;

void Remember(const OPENFILENAMEW* r)
{
    Classic.calls++;
    Classic.file = r->lpstrFile;
    Classic.hasFolder = r->lpstrInitialDir != nullptr;
    Classic.folder = r->lpstrInitialDir ? r->lpstrInitialDir : L"";
    Classic.title = r->lpstrTitle ? r->lpstrTitle : L"";
    Classic.flags = r->Flags;
}

const FileDialogCalls ClassicCalls = {
    [](REFCLSID, REFIID, void** out) -> HRESULT {
        *out = nullptr;
        return REGDB_E_CLASSNOTREG;
    },
    [](OPENFILENAMEW* r) -> BOOL {
        Remember(r);
        return GetOpenFileNameW(r);
    },
    [](OPENFILENAMEW* r) -> BOOL {
        Remember(r);
        return GetSaveFileNameW(r);
    },
};

struct ForceClassic {
    ForceClassic()
    {
        Classic = ClassicRecord();
        SetFileDialogCalls(&ClassicCalls);
    }
    ~ForceClassic() { SetFileDialogCalls(nullptr); }
};

// UTF-8, so that doctest shows the values of a failed check.
std::string Str(const wchar_t* s)
{
    int n = WideCharToMultiByte(CP_UTF8, 0, s, -1, nullptr, 0, nullptr, nullptr);
    std::string out(n > 0 ? n - 1 : 0, '\0');
    if (n > 1)
        WideCharToMultiByte(CP_UTF8, 0, s, -1, &out[0], n, nullptr, nullptr);
    return out;
}
std::string Str(const String& s)
{
    return Str(s.CStr());
}
std::string Str(const std::wstring& s)
{
    return Str(s.c_str());
}

// Three files of their own in the drive's root folder, removed afterwards.
struct RootFiles {
    std::wstring names[3];
    RootFiles()
    {
        for (int i = 0; i < 3; i++) {
            names[i] = L"scrivel-drop-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                       std::to_wstring(i) + L".txt";
            WriteFileBytes(String((L"C:\\" + names[i]).c_str()), "x");
        }
    }
    ~RootFiles()
    {
        for (auto& n : names)
            DeleteFileW((L"C:\\" + n).c_str());
    }
    std::wstring Quoted() const
    {
        return L"\"" + names[0] + L"\" \"" + names[1] + L"\" \"" + names[2] + L"\"";
    }
};

} // namespace

TEST_CASE("the item dialog opens one file, several files and saves; cancel gives nothing")
{
    OleScope ole;
    TestForm main;
    TempFolder temp;
    WriteFileBytes(temp / L"one.txt", "1");
    String folder = temp.Path();

    {
        Drive drive(L"one.txt", IDOK);
        String path = OpenFileDialog(&main, L"Open one", L"Texts\0*.txt\0All\0*.*\0", folder.CStr());
        CHECK(drive.state.sawDialog);
        CHECK(Str(drive.state.title) == "Open one");
        CHECK(Str(path) == Str(temp / L"one.txt"));
    }
    {
        Drive drive(L"", IDCANCEL);
        String path = OpenFileDialog(&main, L"Open", nullptr, folder.CStr());
        CHECK(drive.state.sawDialog);
        CHECK(path.IsEmpty());
    }
    {
        RootFiles root;
        Drive drive(root.Quoted(), IDOK);
        Array<String> paths = OpenFilesDialog(&main, L"Open several", L"C:\\");
        REQUIRE(paths.Count() == 3);
        for (int i = 0; i < 3; i++)
            CHECK(Str(paths.At(i)) == Str(L"C:\\" + root.names[i]));
    }
    {
        Drive drive(L"", IDCANCEL);
        Array<String> paths = OpenFilesDialog(&main, L"Open several", folder.CStr());
        CHECK(drive.state.sawDialog);
        CHECK(paths.Count() == 0);
    }
    {
        // Folder, then name: the dialog proposes the name inside the folder.
        Drive drive(L"", IDOK);
        String path = SaveFileDialog(&main, L"Save as", L"Texts\0*.txt\0", folder.CStr(), L"new.txt");
        CHECK(Str(drive.state.title) == "Save as");
        CHECK(Str(path) == Str(temp / L"new.txt"));
    }
    {
        // No question before replacing: the caller asks.
        Drive drive(L"one.txt", IDOK);
        String path = SaveFileDialog(&main, L"Save as", nullptr, folder.CStr(), L"new.txt");
        CHECK(Str(path) == Str(temp / L"one.txt"));
    }
}

TEST_CASE("the classic dialogs get the same title, folder and name and join several names")
{
    OleScope ole;
    TestForm main;
    TempFolder temp;
    for (const wchar_t* n : {L"a.txt", L"b.txt", L"c.txt"})
        WriteFileBytes(temp / n, "x");
    String folder = temp.Path();
    ForceClassic classic;

    {
        Drive drive(L"b.txt", IDOK);
        String path = OpenFileDialog(&main, L"Open one", nullptr, folder.CStr());
        CHECK(drive.state.sawDialog);
        CHECK(Str(Classic.title) == "Open one");
        CHECK(Str(Classic.folder) == Str(folder));
        CHECK(Classic.flags == 0x281801);
        CHECK(Str(path) == Str(temp / L"b.txt"));
    }
    {
        Drive drive(L"", IDCANCEL);
        CHECK(OpenFileDialog(&main, L"Open", nullptr, folder.CStr()).IsEmpty());
        CHECK(drive.state.sawDialog);
    }
    {
        // Elsewhere than a root folder, one backslash between folder and name.
        Drive drive(L"\"a.txt\" \"c.txt\"", IDOK);
        Array<String> paths = OpenFilesDialog(&main, L"Several", folder.CStr());
        CHECK(Classic.flags == 0x281A01);
        REQUIRE(paths.Count() == 2);
        CHECK(Str(paths.At(0)) == Str(temp / L"a.txt"));
        CHECK(Str(paths.At(1)) == Str(temp / L"c.txt"));
    }
    {
        RootFiles root;
        Drive drive(root.Quoted(), IDOK);
        Array<String> paths = OpenFilesDialog(&main, L"Several", L"C:\\");
        REQUIRE(paths.Count() == 3);
        for (int i = 0; i < 3; i++)
            CHECK(Str(paths.At(i)) == Str(L"C:\\" + root.names[i]));
    }
    {
        Drive drive(L"c.txt", IDOK);
        Array<String> paths = OpenFilesDialog(&main, L"Several", folder.CStr());
        REQUIRE(paths.Count() == 1);
        CHECK(Str(paths.At(0)) == Str(temp / L"c.txt"));
    }
    {
        // Folder, then name: a short joined path is the initial name.
        Drive drive(L"", IDOK);
        String path = SaveFileDialog(&main, L"Save as", nullptr, folder.CStr(), L"new.txt");
        CHECK(Classic.flags == 0x280800);
        CHECK(!Classic.hasFolder);
        CHECK(Str(Classic.file) == Str(temp / L"new.txt"));
        CHECK(Str(path) == Str(temp / L"new.txt"));
    }
    {
        // An existing file is returned without a question.
        Drive drive(L"a.txt", IDOK);
        String path = SaveFileDialog(&main, L"Save as", nullptr, folder.CStr(), L"new.txt");
        CHECK(Str(path) == Str(temp / L"a.txt"));
    }
}

TEST_CASE("the classic save dialog gets folder and bare name apart from 260 characters on")
{
    OleScope ole;
    TestForm main;
    ForceClassic classic;
    std::wstring folder = L"C:\\" + std::wstring(240, L'd') + L"\\";
    for (size_t nameLength : {size_t(14), size_t(15), size_t(16)}) {
        std::wstring name(nameLength, L'n');
        Drive drive(L"", IDCANCEL);
        String path = SaveFileDialog(&main, L"Save", nullptr, folder.c_str(), name.c_str());
        CHECK(path.IsEmpty());
        CAPTURE(nameLength);
        if (folder.size() + nameLength < 260) {
            CHECK(!Classic.hasFolder);
            CHECK(Classic.file == folder + name);
        } else {
            CHECK(Classic.folder == folder);
            CHECK(Classic.file == name);
        }
    }
    {
        Drive drive(L"", IDCANCEL);
        SaveFileDialog(&main, L"Save", nullptr, L"C:\\windows\\", nullptr);
        CHECK(Classic.folder == L"C:\\windows\\");
        CHECK(Classic.file.empty());
    }
    std::wstring tooLong(34000, L'x');
    CHECK_THROWS_AS(SaveFileDialog(&main, L"Save", nullptr, nullptr, tooLong.c_str()), IndexError);
}
