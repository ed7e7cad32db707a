// ProgressDialog::Step called for every unit of work: inside its 50 ms window
// a report must cost little more than reading the tick count. Figures in ns
// per call beside GetTickCount alone. Needs a display (the dialog's window).

#include "base/AppContext.h"
#include "gui/Form.h"
#include "gui/ProgressDialog.h"

#include "bench/BenchTiming.h"

#include <windows.h>

#include <cstdio>

namespace {

void Report(const char* name, double value, const char* unit)
{
    std::printf("%s: %.2f %s\n", name, value, unit);
}

// A tick count that stands still, so every report falls inside the window.
volatile DWORD FrozenTick = 0;
DWORD WINAPI FrozenTicks()
{
    return FrozenTick;
}

}  // namespace

int main()
{
    AppContext context(GetModuleHandleW(nullptr));
    try {
        Form window;
        window.Create(MainWindow | NoTooltip, L"ProgressBench", nullptr, 1);
        ProgressDialog* dialog = NewProgressDialog(&window, L"Bench");
        const int calls = 20000000;
        uint64_t used = 0;

        double ticks = Time([&] {
            for (int i = 0; i < calls; i++)
                used += GetTickCount();
        });

        FrozenTick = GetTickCount();
        dialog->tickSource = FrozenTicks;
        dialog->Start(L"Bench", L"", L"");
        double inside = Time([&] {
            for (int i = 0; i < calls; i++)
                used += dialog->Step(i);
        });
        dialog->Finish();

        // With the real clock: mostly inside the window, a full report and a
        // pump every 50 ms.
        dialog->tickSource = GetTickCount;
        dialog->Start(L"Bench", L"", L"");
        double real = Time([&] {
            for (int i = 0; i < calls; i++)
                used += dialog->Step(i);
        });
        dialog->Finish();
        delete dialog;

        Report("GetTickCount", ticks * 1e9 / calls, "ns/call");
        Report("Step_inside_window", inside * 1e9 / calls, "ns/call");
        Report("Step_real_clock", real * 1e9 / calls, "ns/call");
        std::printf("checksum: %llu\n", static_cast<unsigned long long>(used));
    } catch (const Error& e) {
        std::printf("error %d\n", e.code);
        return 1;
    }
    return 0;
}
