#pragma once

// Timing for the benchmarks: the median of several runs of a piece of work, in milliseconds.

#include <QElapsedTimer>
#include <QList>

#include <algorithm>
#include <functional>

inline double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values.isEmpty() ? 0 : values[values.size() / 2];
}

// The median time of the work over `runs` runs, after one run that warms the caches; `before`
// runs untimed ahead of each run.
inline double timeMs(int runs, const std::function<void()> &work, const std::function<void()> &before = {})
{
    QList<double> times;
    for (int i = 0; i <= runs; ++i) {
        if (before)
            before();
        QElapsedTimer t;
        t.start();
        work();
        if (i > 0)
            times << t.nsecsElapsed() / 1e6;
    }
    return median(times);
}
