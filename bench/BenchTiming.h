#pragma once

// Timing shared by the benchmark programs.

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <functional>

class Clock {
public:
    Clock()
    {
        QueryPerformanceFrequency(&frequency_);
        QueryPerformanceCounter(&start_);
    }
    double Seconds() const
    {
        LARGE_INTEGER now;
        QueryPerformanceCounter(&now);
        return static_cast<double>(now.QuadPart - start_.QuadPart) / static_cast<double>(frequency_.QuadPart);
    }

private:
    LARGE_INTEGER frequency_, start_;
};

// Best of a few runs, in seconds.
inline double Time(const std::function<void()>& work, int runs = 3)
{
    double best = 1e30;
    for (int i = 0; i < runs; i++) {
        Clock clock;
        work();
        best = std::min(best, clock.Seconds());
    }
    return best;
}

// Runs what the message queue holds, as the editor's loop would between steps.
inline void PumpMessages()
{
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

// One figure per line, flushed so a long run shows its progress.
inline void PrintFigure(const char* name, double value, const char* unit)
{
    std::printf("%s: %.3f %s\n", name, value, unit);
    std::fflush(stdout);
}
