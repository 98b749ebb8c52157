// What every benchmark shares: percentiles, the process's own figures and the
// rows of the one table scripts/bench prints.
//
// A benchmark writes its rows to standard output as
//   row<TAB>measure<TAB>result<TAB>target<TAB>verdict
// and everything else (details, diagnostics) to standard error. Benchmarks of
// the window send the program's own console lines to /dev/null first (see
// KeepRowsApart), as a program started from a desktop would.
#pragma once

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace bench {

struct Spread {
    double median = 0, p99 = 0, max = 0;
    std::size_t count = 0;
};

// Nearest-rank percentiles: p99 of 500 samples is the 5th largest.
inline Spread Summarise(std::vector<double> samples) {
    Spread s;
    s.count = samples.size();
    if (samples.empty()) return s;
    std::sort(samples.begin(), samples.end());
    auto rank = [&](double p) {
        std::size_t r = static_cast<std::size_t>(p / 100.0 * samples.size() + 0.999999);
        return samples[std::min(samples.size(), std::max<std::size_t>(r, 1)) - 1];
    };
    s.median = rank(50);
    s.p99 = rank(99);
    s.max = samples.back();
    return s;
}

// A line of /proc/self/status in KiB, such as "VmHWM:" (peak resident) or
// "VmRSS:"; -1 when absent.
inline long StatusKiB(const char* key) {
    std::ifstream status("/proc/self/status");
    std::string line;
    const std::string prefix(key);
    while (std::getline(status, line))
        if (line.rfind(prefix, 0) == 0) return std::atol(line.c_str() + prefix.size());
    return -1;
}

// CPU time of this process (all threads, user and system) in milliseconds.
inline double CpuMs() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1e3 +
           (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e3;
}

// Times the process's threads gave up or lost a CPU: each wake-up of a
// sleeping thread ends in one, so over a quiet spell this counts wake-ups.
inline long ContextSwitches() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_nvcsw + u.ru_nivcsw;
}

inline int& RowsFd() {
    static int fd = STDOUT_FILENO;
    return fd;
}

// Rows keep the real standard output; the program's console lines (every
// received event prints one, flushed line by line) go to /dev/null.
inline void KeepRowsApart() {
    std::fflush(stdout);
    RowsFd() = dup(STDOUT_FILENO);
    const int null = open("/dev/null", O_WRONLY);
    if (null >= 0) {
        dup2(null, STDOUT_FILENO);
        close(null);
    }
}

inline std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
inline std::string Format(const char* format, ...) {
    char text[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    return text;
}

inline void Row(const std::string& measure, const std::string& result, const std::string& target,
                const std::string& verdict) {
    const std::string line =
        "row\t" + measure + "\t" + result + "\t" + target + "\t" + verdict + "\n";
    if (write(RowsFd(), line.data(), line.size()) < 0) std::perror("bench: row");
}

inline const char* Verdict(bool met) { return met ? "met" : "MISSED"; }

// "12,345" for readable counts.
inline std::string Thousands(long n) {
    std::string digits = std::to_string(n < 0 ? -n : n);
    for (int i = static_cast<int>(digits.size()) - 3; i > 0; i -= 3)
        digits.insert(static_cast<std::size_t>(i), ",");
    return (n < 0 ? "-" : "") + digits;
}

// "--quick" anywhere on the command line.
inline bool Quick(int argc, char** argv) {
    for (int i = 1; i < argc; ++i)
        if (std::string(argv[i]) == "--quick") return true;
    return false;
}

}  // namespace bench
