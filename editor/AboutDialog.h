#pragma once

// The About window: logo, version line, the author's block, a button that
// opens the author's page and Close.

#include "base/String.h"
#include "gui/Dialog.h"

class Button;
class EditText;

// How the program's page is opened; tests give their own so no browser starts.
struct AboutShellCalls {
    void (*openAddress)(HWND owner, const wchar_t* address);
};
void SetAboutShellCalls(const AboutShellCalls* calls);

extern const wchar_t* const AuthorPageAddress;
// The program's page, the one the About window offers, in the default browser.
void OpenProgramPage(HWND owner);

// "1.03" and the rest of the version line in the interface language.
String VersionText(int version);
String AboutVersionLine(bool polish);

class AboutDialog : public Dialog {
public:
    enum : uint32_t { DialogId = 20300, LogoId = 20301, DonateId = 20302 };

    ~AboutDialog() override;
    void OnPaint(MessageRecord& m) override;
    void OnCommand(MessageRecord& m) override;
    void OnClose(MessageRecord& m) override;

    // Draws the white page, the logo and the button band into dc.
    void PaintInto(DeviceContext& dc, const RECT& client);

    GdiObj logo;
    EditText* authorText = nullptr;
    Button* closeButton = nullptr;
    int32_t bandTextHeight = 0;
};

// Builds the dialog over the owner (not shown yet); the caller runs and
// deletes it.
AboutDialog* NewAboutDialog(Form* owner);
// Runs the dialog modally and returns its result (2).
int RunAboutDialog(Form* owner);
