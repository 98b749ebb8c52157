// Threads that sleep until something arrives and must then show it at once
// (the receive threads, the GUI thread) ask the scheduler for a short time
// slice. Since Linux 6.12 a waking thread with a shorter slice than the one
// running may take the CPU at once, instead of waiting for the running
// thread's slice to end: with other programs keeping every core busy, that
// wait was most of an event's delay. Any user may ask this for their own
// threads; on older kernels the request is refused and nothing changes.
#pragma once

#include <sched.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

// The calling thread's slice, in nanoseconds (the kernel keeps it between
// 0.1 ms and 100 ms). True when the kernel took it.
inline bool RequestShortSlice(std::uint64_t sliceNs = 100000) {
#ifdef SYS_sched_setattr
    struct Attributes {  // struct sched_attr, as the kernel reads it
        std::uint32_t size;
        std::uint32_t policy;
        std::uint64_t flags;
        std::int32_t nice;
        std::uint32_t priority;
        std::uint64_t runtime;
        std::uint64_t deadline;
        std::uint64_t period;
    } attributes{};
    attributes.size = sizeof attributes;
    attributes.policy = SCHED_OTHER;
    // The thread's nice value stays as it is.
    errno = 0;
    const int nice = getpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)));
    attributes.nice = errno == 0 ? nice : 0;
    attributes.runtime = sliceNs;
    return syscall(SYS_sched_setattr, 0, &attributes, 0) == 0;
#else
    (void)sliceNs;
    return false;
#endif
}
