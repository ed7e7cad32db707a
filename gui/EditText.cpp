#include "gui/EditText.h"

#include "gui/NativeControl.h"

#include <algorithm>
#include <climits>

EditText::EditText() : keyFlags(0), verticalInset(4), minRows(1), maxRows(1000) {}

void EditText::Measure(SizeLimits& limits)
{
    DeviceContext dc = MeasuringDC(*this);
    int64 line = dc.LineHeight();
    int64 insets = 2 * int64(MulDiv(verticalInset, GetDpi(), 96));
    auto height = [&](int32_t rows) {
        return static_cast<int32_t>(std::min<int64>(rows * line + insets, INT_MAX));
    };
    limits = {50, height(minRows), Unbounded, height(maxRows)};
}

void EditText::OnGetDlgCode(MessageRecord& m)
{
    if (m.lParam) {
        const MSG& msg = *reinterpret_cast<const MSG*>(m.lParam);
        if (keyFlags == 0) {
            bool key = msg.message == WM_KEYDOWN || msg.message == WM_KEYUP ||
                       msg.message == WM_CHAR;
            if (key && (msg.wParam == VK_TAB || msg.wParam == VK_RETURN)) {
                m.result = 0;
                return;
            }
        } else if (EditWantsKey(msg, keyFlags & (WantsEnter | WantsTab | WantsEscape))) {
            m.result = DLGC_WANTALLKEYS;
            return;
        }
    }
    DefaultProc(m);
}

EditText* NewEditText(ControlGroup* parent)
{
    return MakeControl<EditText>([&](EditText& text) {
        CreateNativeControl(text, parent, L"EDIT", ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN,
                            0, 0, nullptr);
        FinishNativeControl(text, nullptr);
    });
}
