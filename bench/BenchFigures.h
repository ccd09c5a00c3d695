#pragma once
// What every benchmark prints: runs timed in milliseconds, reported as median, fastest and slowest
// against a target. Figures only; nothing here decides whether a run was fast enough.
#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace BenchFigures {

struct Figures {
    double Median = 0;
    double Fastest = 0;
    double Slowest = 0;
};

// Milliseconds `work` takes.
inline double Timed(const std::function<void()>& work)
{
    QElapsedTimer t;
    t.start();
    work();
    return t.nsecsElapsed() / 1e6;
}

// `runs` runs of `run`, each returning the milliseconds it measured itself.
inline Figures Collect(int runs, const std::function<double()>& run)
{
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i)
        ms.push_back(run());
    std::sort(ms.begin(), ms.end());
    return {ms[ms.size() / 2], ms.front(), ms.back()};
}

// `runs` runs of `work`, timed whole; `prepare` runs untimed before each.
inline Figures Measure(int runs, const std::function<void()>& work, const std::function<void()>& prepare = {})
{
    return Collect(runs, [&] {
        if (prepare)
            prepare();
        return Timed(work);
    });
}

inline void Print(const char* what, const Figures& f, const char* target)
{
    std::printf("  %-58s median %7.2f ms, fastest %7.2f, slowest %7.2f (target %s)\n", what, f.Median, f.Fastest,
                f.Slowest, target);
}

} // namespace BenchFigures
