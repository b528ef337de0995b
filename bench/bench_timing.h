#pragma once

// Timing helpers shared by the benchmark programs.

#include <algorithm>
#include <chrono>
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

}  // namespace kiebitz::bench
