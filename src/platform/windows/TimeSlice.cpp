#include "platform/TimeSlice.h"

// Windows schedules by priority and has no request for a shorter slice.
bool RequestShortSlice(std::uint64_t) { return false; }
