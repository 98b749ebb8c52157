// Threads that sleep until something arrives and must then show it at once
// (the receive threads, the GUI thread) ask the scheduler for a short time
// slice. Where the system lets a waking thread with a shorter slice take the
// CPU from the running one (Linux since 6.12), an event no longer waits for
// another program's slice to end when every core is busy; that wait was most
// of an event's delay. Any user may ask this for their own threads; where the
// system has no such request it is refused and nothing changes.
#pragma once

#include <cstdint>

// The calling thread's slice, in nanoseconds (Linux keeps it between 0.1 ms
// and 100 ms). True when the system took it.
bool RequestShortSlice(std::uint64_t sliceNs = 100000);
