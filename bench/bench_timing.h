#pragma once

// Timing helpers shared by the benchmark programs.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <optional>
#include <vector>

namespace kiebitz::bench {

using Clock = std::chrono::steady_clock;

inline double ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

inline double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

// Median time of `f` over `runs` calls; nothing when a call fails.
inline std::optional<double> medianMs(int runs, const std::function<bool()>& f)
{
    std::vector<double> t;
    for (int i = 0; i < runs; ++i) {
        const auto start = Clock::now();
        if (!f())
            return std::nullopt;
        t.push_back(ms(Clock::now() - start));
    }
    return median(t);
}

// One line of a result table: the label padded to `width`, then the time,
// or "n/a" when the measurement failed.
inline void printMs(const char* what, std::optional<double> v, int width = 52)
{
    if (v)
        std::printf("  %-*s %8.3f ms\n", width, what, *v);
    else
        std::printf("  %-*s %8s\n", width, what, "n/a");
}

}  // namespace kiebitz::bench
