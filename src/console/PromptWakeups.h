// Moved to platform/TimeSlice.h; this name stays until its last user
// includes that instead.
#pragma once

#include "platform/TimeSlice.h"
