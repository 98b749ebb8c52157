#include <gtest/gtest.h>

#include "device/Connection.h"
#include "device/PollSchedule.h"

namespace {

struct DueCase {
    PollState state;
    int ticks;
};

TEST(PollSchedule, TicksUntilTheNextTickThatDoesSomething) {
    const DueCase cases[] = {
        {{0, 3, 0, false}, 0},               // closed: never
        {{0, 3, 0, true}, 0},                // closed, even on a frame page
        {{kWarmUpTicks, 0, 0, true}, 50},    // the first active tick after the warm-up
        {{kWarmUpTicks, 0, 0, false}, 59},   // 49 warm-up ticks, then the tenth active one
        {{kWarmUpTicks, 4, 30, false}, 55},  // detect count kept from before
        {{1, 0, 0, true}, 1},                // frames on every active tick
        {{1, 9, 0, true}, 1},                // and the detect request
        {{1, 0, 0, false}, 10},              // a detect request every tenth
        {{1, 9, 0, false}, 1},
        {{1, 5, 5, false}, 5},   // detect first
        {{1, 0, 15, false}, 5},  // the silence limit first
        {{1, 0, 19, false}, 1},
        {{1, 0, kSilentTicksLimit, false}, 10},  // already past: only the detect
        {{1, 0, 1000, false}, 10},
        {{-3, 2, 0, false}, 8},    // below 1 polls as 1
        {{1, -4, 30, false}, 14},  // a count below 1 reaches 10 later
        {{1, 12, 30, false}, 1},   // out of range: tick by tick
        {{2, 0, 0, false}, 11},
    };
    for (const DueCase& c : cases)
        EXPECT_EQ(TicksUntilDue(c.state), c.ticks)
            << "delay " << c.state.pollDelay << " detect " << c.state.detectTick << " silent "
            << c.state.silentTicks << " frames " << c.state.sendsFrames;
}

}  // namespace
