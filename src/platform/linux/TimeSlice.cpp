#include "platform/TimeSlice.h"

#include <sched.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>

bool RequestShortSlice(std::uint64_t sliceNs) {
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
