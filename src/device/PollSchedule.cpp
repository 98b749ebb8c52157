#include "device/PollSchedule.h"

#include <algorithm>

#include "device/Connection.h"

int TicksUntilDue(const PollState& state) {
    if (state.pollDelay == 0) return 0;
    // Warm-up ticks only count down; the tick after them is the first active one.
    const int warmUp = state.pollDelay > 1 ? state.pollDelay - 1 : 0;
    if (state.sendsFrames) return warmUp + 1;

    // Active ticks until the detect request, and until the silence limit is
    // reached (a count already past it changes nothing any more).
    // A detect count past 10 (which the ticks never leave behind) is served
    // tick by tick rather than guessed at.
    int active = state.detectTick < 10 ? 10 - state.detectTick : 1;
    if (state.silentTicks < kSilentTicksLimit)
        active = std::min(active, kSilentTicksLimit - std::max(state.silentTicks, 0));
    return warmUp + active;
}
