// This process's threads and open descriptors, and a wait for such a count
// to settle: a joined thread or a closed descriptor may still be listed for a
// moment (the kernel reaps a finished thread after join returns), longer on
// a busy machine, so a count is compared until it matches or a deadline
// passes, never read once.
#pragma once

#include <dirent.h>

#include <chrono>
#include <thread>

namespace counts {

inline int Entries(const char* path) {
    DIR* dir = opendir(path);
    if (dir == nullptr) return -1;
    int n = 0;
    while (dirent* entry = readdir(dir))
        if (entry->d_name[0] != '.') ++n;
    closedir(dir);
    return n;
}

// The descriptor used for counting is counted too, the same each time.
inline int OpenDescriptors() { return Entries("/proc/self/fd"); }
inline int Threads() { return Entries("/proc/self/task"); }

// Reads `count` until it returns `expected` or `deadlineMs` passed; returns
// the last reading, for the failure message.
template <class Count>
int Settled(Count count, int expected, int deadlineMs = 5000) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(deadlineMs);
    int now = count();
    while (now != expected && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        now = count();
    }
    return now;
}

inline int SettledThreads(int expected) { return Settled(Threads, expected); }
inline int SettledDescriptors(int expected) { return Settled(OpenDescriptors, expected); }

}  // namespace counts
