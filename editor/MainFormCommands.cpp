// The accelerator table of the main window and its error boundary.

#include "editor/MainForm.h"

#include "base/AppContext.h"
#include "base/UiLanguage.h"
#include "gui/ErrorText.h"
#include "gui/ProgressDialog.h"
#include "spell/SpellCheckDialog.h"

#include <vector>

namespace {

enum : uint32_t { Shift = 1, Ctrl = 2 };

const AcceleratorEntry kAccelerators[] = {
    {11085, 'B', Shift | Ctrl}, {11013, 'C', Ctrl}, {11087, 'C', Shift | Ctrl},
    {11096, 'D', Ctrl}, {11097, 'D', Shift | Ctrl}, {11075, 'E', Ctrl}, {11084, 'E', Shift | Ctrl},
    {11017, 'F', Ctrl}, {11037, 'G', Ctrl}, {11049, 'J', Ctrl},
    {11095, 'J', Shift | Ctrl}, {11048, 'K', Ctrl}, {11026, 'L', Ctrl},
    {11035, 'L', Shift | Ctrl}, {11001, 'N', Ctrl}, {11033, 'N', Shift | Ctrl},
    {11002, 'O', Ctrl}, {11094, 'O', Shift | Ctrl}, {11092, 'P', Ctrl},
    {11093, 'P', Shift | Ctrl}, {11058, 'R', Ctrl}, {11032, 'R', Shift | Ctrl},
    {11003, 'S', Ctrl}, {11081, 'S', Shift | Ctrl}, {11042, 'T', Ctrl},
    {11036, 'T', Shift | Ctrl}, {11034, 'U', Shift | Ctrl}, {11014, 'V', Ctrl},
    {11077, 'V', Shift | Ctrl}, {11025, 'W', Ctrl}, {11083, 'W', Shift | Ctrl},
    {11012, 'X', Ctrl}, {11011, 'Y', Ctrl}, {11010, 'Z', Ctrl},
    {11052, VK_ESCAPE, Shift},
    {11055, VK_F2, 0}, {11054, VK_F2, Shift}, {11053, VK_F2, Ctrl}, {11056, VK_F2, Shift | Ctrl},
    {11020, VK_F3, 0}, {11019, VK_F3, Shift}, {11018, VK_F3, Ctrl}, {11021, VK_F3, Shift | Ctrl},
    {11023, VK_F4, 0}, {11024, VK_F4, Shift}, {11006, VK_F4, Ctrl}, {11059, VK_F4, Shift | Ctrl},
    {11046, VK_F6, 0}, {11045, VK_F6, Shift}, {11089, VK_F6, Ctrl}, {11088, VK_F6, Shift | Ctrl},
    {11068, VK_F8, 0}, {11066, VK_F8, Shift}, {11067, VK_F8, Ctrl},
    {11064, VK_F9, 0}, {11065, VK_F9, Shift}, {11069, VK_F9, Ctrl}, {11070, VK_F9, Shift | Ctrl},
    {11071, VK_F10, 0},
    {11046, VK_TAB, Ctrl}, {11045, VK_TAB, Shift | Ctrl},
    {11061, '0', Ctrl}, {11062, VK_OEM_PLUS, Ctrl}, {11063, VK_OEM_MINUS, Ctrl},
};

} // namespace

const AcceleratorEntry* AcceleratorList(int64* count)
{
    *count = sizeof kAccelerators / sizeof kAccelerators[0];
    return kAccelerators;
}

HACCEL MakeAcceleratorTable(const AcceleratorEntry* entries, int64 count)
{
    std::vector<ACCEL> table;
    table.reserve(static_cast<size_t>(count));
    for (int64 i = 0; i < count; i++) {
        const AcceleratorEntry& e = entries[i];
        BYTE flags = FVIRTKEY;
        if (e.modifiers & 1)
            flags |= FSHIFT;
        if (e.modifiers & 2)
            flags |= FCONTROL;
        if (e.modifiers & 4)
            flags |= FALT;
        table.push_back(ACCEL{flags, static_cast<WORD>(e.key), static_cast<WORD>(e.command)});
    }
    HACCEL handle = CreateAcceleratorTableW(table.data(), AsInt(count));
    if (handle == nullptr) {
        DWORD error = GetLastError();
        if (error == ERROR_NOT_ENOUGH_MEMORY || error == ERROR_OUTOFMEMORY)
            throw MemoryError();
        ThrowWinError(error);
    }
    return handle;
}

bool MainForm::HandleError(const Error& error)
{
    if (error.code == Abort().code)
        return true;
    Form* over = this;
    while (over->HasModal())
        over = over->GetModal();
    ShowErrorAlert(over, IsPolishUi() ? L"Niepowodzenie operacji - Scrivel" : L"Failure - Scrivel", error);
    return true;
}

// The spell-check window is modeless but belongs to the form's work: it is
// held still while a modal window runs over the form, like the form itself.
void MainForm::DisableForModal(Form* modalForm)
{
    // A question in the middle of a restore shows the window as it stands.
    // Every load starts the progress dialog, hidden until the load takes
    // long: that start is no question.
    if (modalForm != progressDialog)
        RefreshDeferred();
    Form::DisableForModal(modalForm);
    if (SpellCheckDialog* spell = SpellCheckDialog::Instance(); spell && spell != modalForm)
        spell->DisableForModal(modalForm);
}

void MainForm::EnableAfterModal(Form* modalForm)
{
    Form::EnableAfterModal(modalForm);
    if (SpellCheckDialog* spell = SpellCheckDialog::Instance(); spell && spell != modalForm)
        spell->EnableAfterModal(modalForm);
}
