#pragma once

// Root of every window object. One window procedure finds the object of a
// handle in the window map and routes each message to a virtual handler;
// whatever a handler throws stays inside the window procedure.

#include "base/Array.h"
#include "base/Error.h"
#include "base/String.h"
#include "gui/Gdi.h"

#include <windows.h>

#include <cstdint>

struct MessageRecord {
    HWND hwnd;
    UINT msg;
    WPARAM wParam;
    LPARAM lParam;
    LRESULT result;
};

struct SizeLimits {
    int32_t minWidth;
    int32_t minHeight;
    int32_t maxWidth;
    int32_t maxHeight;
};

enum : int32_t { Unbounded = 10000 };

enum ObjectKind : uint32_t { FormKind = 1, ControlKind = 2 };

// Control style word.
enum ControlStyle : uint32_t {
    ArrowCursor = 0x0001,
    IBeamCursor = 0x0002,
    NoCursor = 0x0004,
    DoubleClicks = 0x0008,
    OwnClass = 0x0010,
    Windowless = 0x0020,
    VScroll = 0x0040,
    HScroll = 0x0080,
    NoTabStop = 0x0200,
    Border = 0x0400,
    ClientEdge = 0x0800,
    Detached = 0x1000,
};

// Flags of RegisterWindowClass.
enum ClassFlags : uint32_t {
    ClassArrowCursor = 1,
    ClassIBeamCursor = 2,
    ClassNoCursor = 4,
    ClassDoubleClicks = 8,
    ClassDropShadow = 32,
};

class GuiBase {
public:
    GuiBase();
    virtual ~GuiBase();
    GuiBase(const GuiBase&) = delete;
    GuiBase& operator=(const GuiBase&) = delete;

    virtual HWND GetHwnd();
    virtual String GetText();
    virtual void SetText(const wchar_t* text);
    virtual void SetTextDirect(const wchar_t* text);
    virtual bool IsShown();
    virtual void Show();
    virtual void ShowNoActivate();
    virtual void Hide();
    virtual void GetClientRectInto(RECT& rect);
    virtual RECT ClientRect();
    virtual void GetWindowRectInto(RECT& rect);
    virtual RECT WindowRect();
    virtual void SetBounds(const RECT& rect);
    virtual void Measure(SizeLimits& limits);
    virtual POINT ScreenToClientPoint(POINT point);
    virtual POINT ClientToScreenPoint(POINT point);
    virtual bool ContainsClientPoint(POINT point);
    virtual bool IsOverAt(POINT screenPoint);
    virtual RECT ScreenToClientRect(RECT rect);
    virtual RECT ClientToScreenRect(RECT rect);
    virtual bool IsCursorOver();
    virtual void Invalidate();
    virtual void InvalidateRect(const RECT& rect);
    virtual void InvalidateRectErase(const RECT& rect);
    virtual void Validate();
    virtual void ValidateRect(const RECT& rect);
    virtual void Update();
    virtual DeviceContext PaintDC();
    virtual DeviceContext WindowDC();
    virtual bool HasCapture();
    virtual void Capture();
    virtual void ReleaseCaptureIfHeld();
    virtual void TrackMenu(Menu menu, uint32_t flags, int x, int y);
    virtual void TrackMenuResource(int menuId, uint32_t flags, int x, int y);
    virtual void TrackPopupMenu(HMENU menu, uint32_t flags, int x, int y);
    virtual void CreateCaret(HBITMAP bitmap, int width, int height);
    virtual void SetCaretPos(int x, int y);
    virtual void ShowCaret();
    virtual void HideCaret();
    virtual void SetTimer(UINT_PTR id, UINT milliseconds);
    virtual void KillTimer(UINT_PTR id);
    virtual void Dispatch(MessageRecord& m);
    virtual void DefaultProc(MessageRecord& m);

    virtual void OnPaint(MessageRecord& m);
    virtual void OnPrintClient(MessageRecord& m);
    virtual void OnSize(MessageRecord& m);
    virtual void OnCreate(MessageRecord& m);
    virtual void OnDestroy(MessageRecord& m);
    virtual void OnDeactivate(MessageRecord& m);
    virtual void OnActivate(MessageRecord& m);
    virtual void OnAppDeactivate(MessageRecord& m);
    virtual void OnAppActivate(MessageRecord& m);
    virtual void OnShow(MessageRecord& m);
    virtual void OnHide(MessageRecord& m);
    virtual void OnSetFocus(MessageRecord& m);
    virtual void OnKillFocus(MessageRecord& m);
    virtual void OnCancelMode(MessageRecord& m);
    virtual void OnMouseMove(MessageRecord& m);
    virtual void OnLButtonDown(MessageRecord& m);
    virtual void OnLButtonUp(MessageRecord& m);
    virtual void OnRButtonDown(MessageRecord& m);
    virtual void OnRButtonUp(MessageRecord& m);
    virtual void OnMButtonDown(MessageRecord& m);
    virtual void OnMButtonUp(MessageRecord& m);
    virtual void OnMouseWheel(MessageRecord& m);
    virtual void OnMouseLeave(MessageRecord& m);
    virtual void OnVScroll(MessageRecord& m);
    virtual void OnHScroll(MessageRecord& m);
    virtual void OnChar(MessageRecord& m);
    virtual void OnKeyDown(MessageRecord& m);
    virtual void OnKeyUp(MessageRecord& m);
    virtual void OnTimer(MessageRecord& m);
    virtual void OnClose(MessageRecord& m);
    virtual void OnCommand(MessageRecord& m);
    virtual void OnNotify(MessageRecord& m);
    virtual void OnGetDlgCode(MessageRecord& m);
    virtual void OnContextMenu(MessageRecord& m);

    virtual bool OnIdle();
    virtual bool PreTranslate(MSG& msg);
    virtual bool HandleError(const Error& error);
    virtual bool TracksMouseLeave();
    virtual void HandleMessage(MessageRecord& m);
    virtual LRESULT SendMsg(UINT msg, WPARAM wParam, LPARAM lParam);
    virtual LRESULT SendCommand(int id, int code);
    virtual BOOL PostMsg(UINT msg, WPARAM wParam, LPARAM lParam);
    virtual BOOL PostCommand(int id, int code);

    uint32_t kind;
    HWND hwnd;
    GuiBase* mapNext;
    uint8_t shown;
    uint8_t tabStopManaged;
    uint8_t tracksMouseLeave;
    uint8_t resizable;

private:
    void ShowWith(int command);
};

LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

GuiBase* FindWindowObject(HWND hwnd);
void AddToWindowMap(GuiBase* object);
void RemoveFromWindowMap(GuiBase* object);
unsigned WindowMapBucket(uint64_t handle);

// The full class name is the prefix followed by the class text: "Scrivel "
// for the editor, the viewer sets its own before it creates any window.
void SetWindowClassPrefix(const wchar_t* prefix);
const wchar_t* RegisterWindowClass(HINSTANCE instance, const wchar_t* classText, uint32_t flags);

struct WindowClassEntry {
    uint32_t flags;
    String name;
};

// Every class registered so far (classes are never unregistered). The program
// releases it at exit, after its last window is gone.
extern Array<WindowClassEntry> WindowClassList;

// The instance of the application object, whose resources and classes the
// framework uses; InternalError on a thread without one.
HINSTANCE AppInstance();

// Reports an error caught at a boundary through the object's HandleError,
// unless a report already runs; never throws.
void ReportError(GuiBase* object, const Error& error);
// The same for whatever is being handled in a catch clause.
void ReportCurrentException(GuiBase* object);

extern bool ErrorReportActive;
