// Ending the editor: the save questions, then the settings, the session
// file and the help viewer, each step run even when an earlier one failed.

#include "editor/MainForm.h"

#include "base/AppContext.h"
#include "base/CharStream.h"
#include "base/File.h"
#include "base/SettingsStore.h"
#include "base/UiLanguage.h"
#include "spell/SpellCheckDialog.h"
#include "text/Encoding.h"
#include "text/SyntaxId.h"
#include "text/TextDocument.h"
#include "view/ViewState.h"

namespace {

const wchar_t kHibernationName[] = L"hibernation.dat";
// Written whole under this name first, so that a run killed while writing
// still finds the last complete session.
const wchar_t kHibernationNewName[] = L"hibernation.dat.new";

// The 0-based line and column of the caret; a column counts characters from
// the line start up to the caret. Lines break at CR, LF and NUL, so no break
// lies between the two; the buffer counts whole runs at once, which matters
// for a caret at the end of a line of hundreds of megabytes.
void CaretLineColumn(TextBuff& text, int64 caret, int64& line, int64& column)
{
    LineColumn place = text.LineColumnOfOffset(caret);
    line = place.line;
    column = place.column;
}

void AppendNumber(String& text, wchar_t separator, int64 number)
{
    String digits = IntToString(number);
    text.Append(&separator, 1);
    text.Append(digits.Data(), digits.Length());
}

void WriteLine(CharStream& stream, const wchar_t* head, const String& rest)
{
    stream.WriteText(head, lstrlenW(head));
    stream.WriteText(rest);
    stream.WriteChar(L'\n');
}

} // namespace

bool HibernateOn(const SettingsStore& settings)
{
    return settings.GetBool(L"Hibernate", true);
}

void DeleteHibernationFile()
{
    DeleteFileW(GetDataFilePath(kHibernationName).CStr());
}

void CloseViewerWindow()
{
    ViewerLink& link = HelpViewerLink();
    if (link.message != 0 && link.window != nullptr && IsWindow(link.window))
        PostMessageW(link.window, link.message, 10, 0);
    else
        link.window = nullptr;
}

void MainForm::WriteHibernationFile()
{
    String folder = GetDataFilePath(nullptr);
    // Only the last level may be missing; a failure shows when the file is opened.
    CreateDirectoryW(folder.CStr(), nullptr);
    String target = GetDataFilePath(kHibernationName);
    String fresh = GetDataFilePath(kHibernationNewName);
    File file;
    try {
        file.Open(fresh, kFileCreate, -16);
        CharStream stream(file, kStreamUtf8, true);
        for (int64 i = 0; i < broker->documents.Count(); i++) {
            TextDocument* document = broker->documents.At(i);
            if (document == nullptr || document->GetPath().IsEmpty())
                continue;
            String head = EncodingName(document->text.Encoding(), document->bomLength > 0);
            String path = document->GetPath();
            head.Append(L":", 1);
            head.Append(path.Data(), path.Length());
            WriteLine(stream, L"1:", head);
            WriteLine(stream, L"2:", String(SyntaxIdToName(static_cast<SyntaxId>(document->syntax))));
            int64 line = 0;
            int64 column = 0;
            if (ViewState* state = activeView ? activeView->FindViewState(document) : nullptr)
                CaretLineColumn(document->text, state->CaretPosition(), line, column);
            String place = IntToString(line);
            AppendNumber(place, L':', column);
            for (int64 b = 0; b < document->bookmarks.Count(); b++)
                AppendNumber(place, L',', document->BookmarkPosition(b));
            WriteLine(stream, L"3:", place);
            WriteLine(stream, L"4:", String());
        }
        if (TextDocument* active = activeView ? activeView->CurrentDocument() : nullptr)
            WriteLine(stream, L"A:", active->GetPath());
        file.Close();
    } catch (...) {
        file.Release();
        DeleteFileW(fresh.CStr());
        throw;
    }
    file.Release();
    if (!MoveFileExW(fresh.CStr(), target.CStr(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        DWORD error = GetLastError();
        DeleteFileW(fresh.CStr());
        ThrowWinError(error, target.CStr());
    }
}

void MainForm::Exit()
{
    FinishRun(HibernateOn(AppContext::Settings()));
}

void MainForm::HibernateAndExit()
{
    FinishRun(true);
}

bool MainForm::AskSaveAll()
{
    // A close arriving while the questions are open asks nothing more.
    if (exitRunning)
        return false;
    exitRunning = 1;
    ActionRecord record;
    record.InitPlain(ActionAskSaveAll, activeView);
    ExecuteAction(*broker, record);
    exitRunning = 0;
    return record.outcome == OutcomeDone;
}

void MainForm::FinishRun(bool hibernate, bool ask)
{
    // Once told to end, a second close (posted twice, or during the
    // questions) asks nothing more.
    if (exitRunning || quitAsked)
        return;
    if (ask && !AskSaveAll())
        return;
    quitAsked = 1;
    Quit();
    // Every step runs whatever the one before did: a settings file that
    // cannot be written must not leave the viewer open or an old session.
    bool failed = false;
    Error first{-1, -1};
    auto step = [&](auto body) {
        try {
            body();
        } catch (...) {
            if (!failed)
                first = CurrentError();
            failed = true;
        }
    };
    step([&] { SaveSettings(); });
    step([&] { SaveAppSettings(AppContext::Current()); });
    if (hibernate)
        step([&] { WriteHibernationFile(); });
    step([&] { CloseViewerWindow(); });
    step([&] { SpellCheckDialog::CloseInstance(); });
    if (!hibernate)
        step([&] { DeleteHibernationFile(); });
    if (failed)
        ShowAlertOnForm(this, UiText(L"Niepowodzenie operacji - Scrivel", L"Failure - Scrivel"), first);
}

void MainForm::OnClose(MessageRecord&)
{
    Exit();
}

void MainForm::DefaultProc(MessageRecord& m)
{
    if (HandleHelpMessage(m) || HandleSystemMessage(m))
        return;
    if (m.msg == WM_QUERYENDSESSION) {
        // Only the questions: the settings and the session stay as they are.
        m.result = AskSaveAll() ? TRUE : FALSE;
        return;
    }
    EditForm::DefaultProc(m);
    if (m.msg == WM_CTLCOLOREDIT)
        TintFindField(m);
}
