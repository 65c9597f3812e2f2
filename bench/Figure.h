// SPDX-License-Identifier: MIT
#pragma once
// What a benchmark prints for something it measured several times: the median, with the
// lowest and the highest run beside it, so a reader sees how much the machine's load moved the
// runs (a figure of a single run can be two or three times off on a busy machine).

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

struct Figure {
    std::vector<double> runs;

    double median() const {
        std::vector<double> sorted = runs;
        std::sort(sorted.begin(), sorted.end());
        return sorted.empty() ? 0 : sorted[sorted.size() / 2];
    }
    double low() const { return runs.empty() ? 0 : *std::min_element(runs.begin(), runs.end()); }
    double high() const { return runs.empty() ? 0 : *std::max_element(runs.begin(), runs.end()); }

    // "12.35 ms (11.90 to 14.02)"
    std::string text(const char* unit, int decimals = 2) const {
        char out[96];
        std::snprintf(out, sizeof out, "%*.*f %s (%.*f to %.*f)", decimals + 5, decimals,
                      median(), unit, decimals, low(), decimals, high());
        return out;
    }
};

// Runs measure (which returns one run's figure) the given number of times.
template <typename Measure> Figure measureRuns(int runs, Measure measure) {
    Figure figure;
    for (int run = 0; run < runs; ++run)
        figure.runs.push_back(measure());
    return figure;
}
