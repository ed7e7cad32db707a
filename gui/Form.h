#pragma once

// Top-level window with one content control, its menu, icons, accelerators,
// fonts, idle handlers and own message loop.

#include "base/Array.h"
#include "gui/Control.h"

// Form style word.
enum FormStyle : uint32_t {
    MainWindow = 0x0001,
    NoTooltip = 0x0002,
    DialogFrame = 0x0004,
    SizingFrame = 0x0008,
    ThinBorder = 0x0010,
    ModalFrame = 0x0020,
    DropShadow = 0x0040,
    TopMost = 0x0080,
    NoActivate = 0x0100,
    MinimizeBox = 0x0200,
    ToolWindow = 0x0400,
};

class Form : public ControlGroup {
public:
    Form();
    ~Form() override;

    void Create(uint32_t style, const wchar_t* classText, Form* owner, uint32_t formId);
    // Create with the class text first, as the main window calls it.
    void CreateHwnd(const wchar_t* classText, uint32_t style, Form* ownerForm = nullptr,
                    uint32_t id = 0);
    // The form's tooltip, for a form created without one (NoTooltip) that
    // wants it later; nothing when it has one.
    void AddTooltip();

    virtual Form* Owner();
    virtual void SetTitle(const wchar_t* text);
    virtual bool IsMenuItemChecked(UINT command);
    virtual void CheckMenuItem(UINT command, bool checked);
    virtual void SetMenuItemChecked(UINT command);
    virtual void SetMenuItemUnchecked(UINT command);
    virtual void EnableMenuItem(UINT command, bool enabled);
    virtual void DeleteMenuItem(UINT command);
    virtual void LoadMenu(int menuId);
    virtual void LoadMenuAlt(int menuId);
    virtual void SetIcons(int iconId);
    virtual void SetIconsAlt(int iconId);
    virtual void LoadAccelerators(int tableId);
    virtual void LoadAcceleratorsAlt(int tableId);
    virtual void SetAccelerators(HACCEL table);
    virtual bool IsMaximized();
    virtual void Maximize();
    virtual void Unmaximize();
    virtual bool IsMinimized();
    virtual void Minimize();
    virtual void Restore();
    virtual bool IsActive();
    virtual void Activate();
    virtual bool HasModal();
    virtual Form* GetModal();
    virtual void DisableForModal(Form* modalForm);
    virtual void EnableAfterModal(Form* modalForm);
    virtual void SetDpi(int value);
    virtual int ButtonHeight();
    virtual void BuildFonts(int dpiValue);
    virtual void ForgetControl(Control* control);
    virtual void ForgetTooltip(Form* tip);
    virtual void RunOnce();
    virtual void Run();
    virtual void PumpPending();
    virtual void Quit();
    virtual void TranslateAndDispatch(MSG& msg);
    virtual bool IdleStep();
    virtual void EnableDialogKeys();
    virtual void AddIdleHandler(GuiBase* handler);
    virtual void RemoveIdleHandler(GuiBase* handler);
    virtual void AddFontUser(Control* control);
    virtual void RemoveFontUser(Control* control);
    virtual bool PreTranslateForApp(MSG& msg);
    virtual int DetectDpi();
    // The program's alert box owned by this form; the chosen button's position.
    virtual int32_t AlertString(const String& message, const wchar_t* title, const wchar_t* buttons,
                                int32_t kind);
    virtual int32_t Alert(const wchar_t* message, const wchar_t* title, const wchar_t* buttons,
                          int32_t kind);

    void SetBounds(const RECT& rect) override;
    void Measure(SizeLimits& limits) override;
    void DefaultProc(MessageRecord& m) override;
    void OnPaint(MessageRecord& m) override;
    void OnSize(MessageRecord& m) override;
    void OnDeactivate(MessageRecord& m) override;
    void OnActivate(MessageRecord& m) override;
    void OnClose(MessageRecord& m) override;
    bool PreTranslate(MSG& msg) override;
    bool HandleError(const Error& error) override;
    uint32_t GetId() override;
    GdiObj GetFont() override;
    GdiObj GetBoldFont() override;
    int GetDpi() override;
    const wchar_t* HintAt(POINT screenPoint) override;
    uint32_t HintIdAt(POINT screenPoint) override;
    DeviceContext MeasureDC() override;
    void RemoveChild(Control* child) override;
    void AddChild(Control* child) override;

    uint32_t formStyle;
    uint32_t formId;
    Form* owner;
    Control* content;
    uint8_t laidOutBySize;
    Control* focusControl;
    uint8_t quit;
    HACCEL accelerators;
    uint8_t dialogKeys;
    // Modal forms running over this one, the most recent last; nested runs
    // over the same owner each keep their place.
    PodArray<Form*> modals;
    Form* tooltip;
    PodArray<GuiBase*> idleHandlers;
    uint32_t dpi;
    GdiObj normalFont;
    GdiObj boldFont;
    uint32_t buttonHeight;
    PodArray<Control*> fontUsers;
    Icon bigIcon;
    Icon smallIcon;
    Menu menu;
    // Where the window is made and the menu it is made with (0: none), so
    // that it needs no move and no frame change before it is first shown;
    // without them it is made at the default place, or over its owner.
    RECT createBounds = {0, 0, 0, 0};
    uint8_t createAtBounds = 0;
    int createMenuId = 0;

protected:
    // The window of a form or dialog: styles from the style word, of the
    // class of the text, placed over the owner, the system menu trimmed when
    // not resizable.
    void CreateFormWindow(uint32_t style, const wchar_t* classText, Form* ownerForm,
                          uint32_t id);

private:
    void OnDpiChanged(MessageRecord& m);
    void MoveDialogFocus(WPARAM wParam, LPARAM lParam);
    bool IsInsideThis(GuiBase* object);
};

// State of the message loop shared by every form (GUI thread only).
extern HWND OpenPopupWindow;
extern HWND HoverWindow;
extern WPARAM LastMouseKeys;
extern POINT LastClickPoint;
extern Form* AppMessageHook;

// Brings a top-level window, of this process or another, to the foreground;
// while a modal dialog runs over it, that dialog (the window's last active
// pop-up) instead: the owner raised above its own dialog would hide the
// only window that takes input behind a disabled one.
void BringToForeground(HWND window);
