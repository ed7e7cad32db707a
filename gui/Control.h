#pragma once

// A window object inside a parent, and the group that holds children.

#include "gui/GuiBase.h"

#include <new>

class ControlGroup;
class Form;

class Control : public GuiBase {
public:
    Control();
    ~Control() override;

    // Makes the window of the control from id, style and parent: of a
    // framework class (OwnClass, the text is the class text) or of a native
    // class, which is then subclassed.
    void Create(const wchar_t* className, DWORD extraStyle, DWORD exStyle);

    virtual uint32_t GetId();
    virtual GuiBase* WindowedAncestor();
    virtual HWND ParentHwnd();
    virtual HWND HwndOrParent();
    virtual Form* OwningForm();
    virtual bool IsSpacer();
    virtual bool IsCollapsed();
    virtual void Collapse();
    virtual void Uncollapse();
    virtual bool HasFocus();
    virtual void SetFocus();
    virtual void ApplyFont(const GdiObj& font, bool redraw);
    virtual void SetFont(const GdiObj& font);
    virtual void SetFontHandle(HFONT font);
    virtual void SelectFontInto(DeviceContext& dc);
    virtual GdiObj GetFont();
    virtual GdiObj GetBoldFont();
    virtual void FollowFormFont();
    virtual void UnfollowFormFont();
    // The hint under a screen point: null when the point is not over this
    // control, an empty text when it is but has no hint.
    virtual const wchar_t* HintAt(POINT screenPoint);
    virtual void SetHint(const wchar_t* text);
    virtual uint32_t HintIdAt(POINT screenPoint);
    virtual int GetDpi();
    virtual int SystemDpi();
    virtual LRESULT SendToParent(UINT msg, WPARAM wParam, LPARAM lParam);
    virtual LRESULT SendCommandToParent(int id, int code);
    virtual BOOL PostCommandToParent(int id, int code);
    // Fills rect of dc with the background of the place child sits in; the
    // child tells a themed parent where the texture lies under it, which a
    // memory context cannot.
    virtual void PaintBackground(DeviceContext& dc, const RECT& rect, Control* child);
    virtual DeviceContext MeasureDC();

    void DefaultProc(MessageRecord& m) override;
    bool HandleError(const Error& error) override;

    void SetVScrollRows(int firstRow, int rowCount);

    WNDPROC previousProc;
    uint32_t id;
    uint32_t style;
    uint8_t collapsed;
    String hint;
    ControlGroup* parent;
    uint8_t followsFormFont;

protected:
    // Puts back the native procedure, unmaps and destroys the window.
    void DestroyOwnWindow();
};

class ControlGroup : public Control {
public:
    virtual void RemoveChild(Control* child) = 0;
    virtual void AddChild(Control* child) = 0;
};

// Allocates a control (an exhausted heap is MemoryError) and runs its set-up;
// a control whose set-up fails is deleted, which takes it out of its parent.
template <class T, class Setup> T* MakeControl(Setup setup)
{
    T* object;
    try {
        object = new T();
    } catch (const std::bad_alloc&) {
        throw MemoryError();
    }
    try {
        setup(*object);
    } catch (...) {
        delete object;
        throw;
    }
    return object;
}
