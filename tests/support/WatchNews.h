// The news a watch reports on its own thread (the port watch, the file
// watch), counted, and whether a step of a test brought any, awaited with a
// deadline.
#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

class WatchNews {
  public:
    // For the watch: runs on its thread.
    std::function<void()> Handler() {
        return [this] { ++count_; };
    }

    // True when news came within 5 s after `step`. Before a step that must
    // bring none (`expected` false), the news of earlier steps is let settle
    // (one step may be told twice) and the wait is short: a machine too busy
    // to deliver in time can hide a fault there, never invent one.
    bool After(const std::function<void()>& step, bool expected = true) {
        int before = count_;
        if (!expected) {
            do {
                before = count_;
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
            } while (count_ != before);
        }
        step();
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(expected ? 5000 : 300);
        while (count_ == before && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        return count_ != before;
    }

  private:
    std::atomic<int> count_{0};
};
