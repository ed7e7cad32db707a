#pragma once

// A windowed group of its own class for tests: it keeps its children in
// order and deletes them with itself.

#include "gui/Control.h"

#include <vector>

class TestGroup : public ControlGroup {
public:
    TestGroup(ControlGroup* parentGroup, uint32_t controlStyle, const wchar_t* classText)
    {
        parent = parentGroup;
        style = controlStyle;
        Create(classText, 0, 0);
    }
    ~TestGroup() override
    {
        while (!children.empty())
            delete children.back();
    }

    void AddChild(Control* child) override { children.push_back(child); }
    void RemoveChild(Control* child) override
    {
        for (auto it = children.begin(); it != children.end(); ++it)
            if (*it == child) {
                children.erase(it);
                return;
            }
    }

    std::vector<Control*> children;
};
