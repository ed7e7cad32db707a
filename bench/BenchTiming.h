#pragma once

// Timing shared by the benchmark programs.

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

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

// Several works run in turn, round after round, so that a machine busy
// with something else slows each of them alike: seconds[work][round].
inline std::vector<std::vector<double>> TimeInTurn(const std::vector<std::function<void()>>& works, int rounds = 9)
{
    std::vector<std::vector<double>> seconds(works.size());
    for (int r = 0; r < rounds; r++) {
        for (size_t i = 0; i < works.size(); i++) {
            Clock clock;
            works[i]();
            seconds[i].push_back(clock.Seconds());
        }
    }
    return seconds;
}

inline double Best(const std::vector<double>& seconds)
{
    return *std::min_element(seconds.begin(), seconds.end());
}

// The median over the rounds of how many times faster a work ran than a
// reference in the same round: steadier than a ratio of the best times when
// the machine's load comes and goes.
inline double MedianSpeedup(const std::vector<double>& work, const std::vector<double>& reference)
{
    std::vector<double> ratios;
    for (size_t r = 0; r < work.size() && r < reference.size(); r++)
        ratios.push_back(reference[r] / work[r]);
    std::sort(ratios.begin(), ratios.end());
    return ratios.empty() ? 0 : ratios[ratios.size() / 2];
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
