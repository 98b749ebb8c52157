// A timer for flood tests: it fires every few milliseconds while the test
// pumps events and keeps the longest gap between two firings (how long the
// window stopped responding) and the largest value of a sampled quantity,
// such as the bytes waiting in a receive hand-over.
#pragma once

#include <wx/timer.h>

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <functional>

class Heartbeat : public wxTimer {
  public:
    explicit Heartbeat(std::function<std::size_t()> sample = {}) : sample_(std::move(sample)) {}

    void Notify() override {
        const auto now = std::chrono::steady_clock::now();
        if (beats_ > 0) {
            const auto gap = std::chrono::duration_cast<std::chrono::milliseconds>(now - last_);
            longestGapMs_ = std::max(longestGapMs_, static_cast<long>(gap.count()));
        }
        last_ = now;
        ++beats_;
        if (sample_) mostSampled_ = std::max(mostSampled_, sample_());
    }

    long LongestGapMs() const { return longestGapMs_; }
    int Beats() const { return beats_; }
    std::size_t MostSampled() const { return mostSampled_; }

  private:
    std::function<std::size_t()> sample_;
    std::chrono::steady_clock::time_point last_;
    long longestGapMs_ = 0;
    int beats_ = 0;
    std::size_t mostSampled_ = 0;
};
