// Figures shared by the timing benchmarks: percentiles of a sample, CPU
// clocks, command-line numbers and the "target met" lines they print.
#pragma once

#include <sys/resource.h>
#include <time.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace bench {

struct Spread {
    double p50 = 0;
    double p99 = 0;
    double max = 0;
    double min = 0;
    std::size_t count = 0;
};

// Nearest-rank percentiles (the smallest value that at least that share of
// the sample does not exceed); an empty sample gives zeros.
inline Spread SpreadOf(std::vector<double> values) {
    Spread spread;
    spread.count = values.size();
    if (values.empty())
        return spread;
    std::sort(values.begin(), values.end());
    auto rank = [&](double fraction) {
        const auto rank = static_cast<std::size_t>(
            std::ceil(fraction * static_cast<double>(values.size()) - 1e-9));
        return values[std::clamp<std::size_t>(rank, 1, values.size()) - 1];
    };
    spread.p50 = rank(0.50);
    spread.p99 = rank(0.99);
    spread.max = values.back();
    spread.min = values.front();
    return spread;
}

inline double SecondsOf(const timeval& t) {
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
}

// User plus system time of a finished child or of this process.
inline double CpuSecondsOf(const rusage& usage) {
    return SecondsOf(usage.ru_utime) + SecondsOf(usage.ru_stime);
}

inline double ProcessCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return CpuSecondsOf(usage);
}

inline double ClockSeconds(clockid_t clock) {
    timespec now{};
    clock_gettime(clock, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

inline double ThreadCpuSeconds() {
    return ClockSeconds(CLOCK_THREAD_CPUTIME_ID);
}

inline double WallSeconds() {
    return ClockSeconds(CLOCK_MONOTONIC);
}

// The number after `name` on the command line ("--seconds 20"), else fallback.
inline double NumberArgument(int argc, char** argv, const char* name, double fallback) {
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], name) == 0)
            return std::atof(argv[i + 1]);
    return fallback;
}

inline bool FlagArgument(int argc, char** argv, const char* name) {
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], name) == 0)
            return true;
    return false;
}

// Counts the targets a run met, and prints one line per figure.
class TargetBoard {
public:
    // "label: value unit (target <= limit unit) met"; returns whether it was met.
    bool AtMost(const char* label, double value, double limit, const char* unit) {
        const bool met = value <= limit;
        std::printf("  %-44s %10.3f %-4s (target <= %g %s)  %s\n", label, value, unit, limit, unit,
                    met ? "met" : "MISSED");
        ++(met ? met_ : missed_);
        return met;
    }
    bool AtLeast(const char* label, double value, double limit, const char* unit) {
        const bool met = value >= limit;
        std::printf("  %-44s %10.3f %-4s (target >= %g %s)  %s\n", label, value, unit, limit, unit,
                    met ? "met" : "MISSED");
        ++(met ? met_ : missed_);
        return met;
    }
    static void Figure(const char* label, double value, const char* unit) {
        std::printf("  %-44s %10.3f %s\n", label, value, unit);
    }
    // The closing line; timing never fails a build, so main returns 0 anyway.
    void Summary(const char* program) const {
        std::printf("%s: %d target(s) met, %d missed\n", program, met_, missed_);
    }
    int Missed() const { return missed_; }

private:
    int met_ = 0;
    int missed_ = 0;
};

// The load of the machine while a figure was taken, so a reader can judge it.
inline std::string LoadAverage() {
    double loads[3] = {};
    if (getloadavg(loads, 3) != 3)
        return "unknown";
    char text[64];
    std::snprintf(text, sizeof text, "%.2f %.2f %.2f", loads[0], loads[1], loads[2]);
    return text;
}

}  // namespace bench
