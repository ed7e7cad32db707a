#pragma once

// Small window objects the gui tests build their forms from.

#include "gui/Dialog.h"
#include "gui/Form.h"
#include "support/Pump.h"
#include "support/TestGroup.h"

#include <doctest.h>

#include <functional>
#include <vector>

enum : int { IDM_TEST = 101, IDI_TEST = 201, IDA_TEST = 301, IDB_TEST = 401, IDB_STRIP = 402 };


// A group of its own window class that keeps its children in order, reports
// fixed size limits and runs test code for the messages it gets.
class Panel : public TestGroup {
public:
    explicit Panel(ControlGroup* parentGroup, uint32_t extraStyle = 0,
                   const wchar_t* classText = L"TestPanel")
        : TestGroup(parentGroup, OwnClass | extraStyle, classText)
    {
    }

    void Measure(SizeLimits& l) override { l = limits; }
    void SetBounds(const RECT& r) override
    {
        bounds = r;
        layouts++;
        GuiBase::SetBounds(r);
    }
    void OnCommand(MessageRecord& m) override
    {
        commands.push_back(LOWORD(m.wParam));
        if (onCommand)
            onCommand(m);
    }
    void OnPaint(MessageRecord& m) override
    {
        paints++;
        if (onPaint)
            onPaint(m);
        else
            Control::DefaultProc(m);
    }
    bool OnIdle() override { return onIdle ? onIdle() : false; }
    void OnMouseLeave(MessageRecord&) override { leaves++; }

    SizeLimits limits = {0, 0, Unbounded, Unbounded};
    RECT bounds = {0, 0, 0, 0};
    int layouts = 0;
    int paints = 0;
    int leaves = 0;
    std::vector<int> commands;
    std::function<void(MessageRecord&)> onCommand;
    std::function<void(MessageRecord&)> onPaint;
    std::function<bool()> onIdle;
};

// A native control wrapped and subclassed by the framework.
class NativeControl : public Control {
public:
    NativeControl(ControlGroup* parentGroup, const wchar_t* className, uint32_t controlId,
                  uint32_t controlStyle = 0, DWORD extra = 0)
    {
        parent = parentGroup;
        id = controlId;
        style = controlStyle;
        Create(className, extra, 0);
    }
};

// A form that keeps the errors that reach it and runs test code for its
// messages.
class TestForm : public Form {
public:
    explicit TestForm(uint32_t style = MainWindow, Form* ownerForm = nullptr, uint32_t id = 7)
    {
        Create(style, L"TestForm", ownerForm, id);
    }
    bool HandleError(const Error& error) override
    {
        errors.push_back(error.code);
        if (onError)
            onError(error);
        return owner ? Form::HandleError(error) : true;
    }
    void DefaultProc(MessageRecord& m) override
    {
        if (m.msg >= WM_APP && onApp) {
            onApp(m);
            return;
        }
        if (m.msg == WM_HELP) {
            auto* info = reinterpret_cast<HELPINFO*>(m.lParam);
            helpContexts.push_back(info->iContextType);
            helpIds.push_back(info->iCtrlId);
            return;
        }
        Form::DefaultProc(m);
    }
    void OnCommand(MessageRecord& m) override { commands.push_back(LOWORD(m.wParam)); }
    bool OnIdle() override { return onIdle ? onIdle() : false; }

    std::vector<int32_t> errors;
    std::vector<int> commands;
    std::vector<int> helpContexts;
    std::vector<int> helpIds;
    std::function<void(const Error&)> onError;
    std::function<void(MessageRecord&)> onApp;
    std::function<bool()> onIdle;
};

// A dialog whose posted WM_APP messages run test code; the close box is the
// shared cancel handler.
class TestDialog : public Dialog {
public:
    explicit TestDialog(Form* ownerForm, uint32_t style = 0, uint32_t id = 55)
    {
        Create(ownerForm, style, id, L"Test dialog");
    }
    void DefaultProc(MessageRecord& m) override
    {
        if (m.msg >= WM_APP && onApp) {
            onApp(m);
            return;
        }
        Dialog::DefaultProc(m);
    }
    void OnCommand(MessageRecord& m) override
    {
        commands.push_back(LOWORD(m.wParam));
        if (LOWORD(m.wParam) == IDOK || LOWORD(m.wParam) == IDCANCEL) {
            result = LOWORD(m.wParam);
            Quit();
        }
    }
    void OnClose(MessageRecord&) override { CancelDialogOnClose(*this); }

    std::vector<int> commands;
    std::function<void(MessageRecord&)> onApp;
};
