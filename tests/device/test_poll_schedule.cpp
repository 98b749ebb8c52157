#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "console/Console.h"
#include "device/BoardProtocol.h"
#include "device/Connection.h"
#include "device/DetectStandby.h"
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

// ---- the reading thread's detect requests while the window sleeps

using Clock = DetectStandby::Clock;

// Lines printed while a standby runs.
struct Lines : ConsoleSink {
    std::string text;
    void Write(const ConsoleSpan& span) override { text += span.text; }
};

struct StandbyCase {
    int detectTick, silentTicks;
    // Steps, each a letter and a tick (fractions of the 20 ms tick):
    // r: run the thread's wakes due up to that tick; c: a wake at that tick;
    // a: the board's answer; x: a block of something else; b: an answer
    // while the window still has blocks to show; F: the writes fail from now.
    const char* steps;
    std::vector<int> writes;  // the ticks requests were sent on
    int handBack;             // the tick the thread handed back on, -1 none
    int ticks, silent;        // End's progress
    double answerAfter;       // its tick, -1 none
};

TEST(DetectStandby, SendsOnTheTickGridAndHandsBackBeforeTheSilenceLimit) {
    const StandbyCase cases[] = {
        // A board that answers: a request every tenth tick, never a hand-back.
        {0, 0, "r10 a10.05 r20 a20.05 r30 a30.05 r35", {10, 20, 30}, -1, 30, 10, 30.05},
        // Its request just sent, the answer on its way: it comes, then no more.
        {0, 10, "a0.05 r40", {10}, 19, 10, 10, -1},
        // No answer at all: handed back on the tick before the limit.
        {0, 10, "r40", {}, 9, 0, 10, -1},
        {4, 4, "r6 a6.02 r17", {6, 16}, -1, 16, 10, -1},
        // An answer between a request's tick and its sending counts before it.
        {0, 0, "a10.0 r10", {10}, -1, 10, 1, -1},
        // Late by more than a tick: left to the window.
        {0, 0, "c11.5", {}, 11, 0, 0, -1},
        {0, 0, "F r12", {}, 10, 0, 0, -1},  // a failed write: the window retries it
        {0, 0, "r10 a10.05 x12", {10}, 12, 10, 10, 10.05},
        {0, 0, "b3", {}, 3, 0, 0, -1},
    };
    for (const StandbyCase& c : cases) {
        SCOPED_TRACE(c.steps);
        const Clock::time_point origin = Clock::now();
        auto at = [origin](double tick) {
            return origin + std::chrono::duration_cast<Clock::duration>(tick * kPollTickPeriod);
        };
        auto tickOf = [origin](Clock::time_point t) {
            return static_cast<int>((t - origin) / kPollTickPeriod);
        };
        DetectStandby standby;
        Clock::time_point due = standby.Start({origin, c.detectTick, c.silentTicks, 7, false});
        std::vector<int> writes;
        int handBack = -1;
        bool failing = false;
        auto wake = [&](Clock::time_point now) {
            bool back = false;
            due = standby.OnDue(
                now,
                [&] {
                    if (!failing) writes.push_back(tickOf(now));
                    return !failing;
                },
                &back);
            if (back) handBack = tickOf(now);
        };
        std::istringstream steps(c.steps);
        std::string step;
        while (steps >> step) {
            const char kind = step[0];
            const double tick = step.size() > 1 ? std::stod(step.substr(1)) : 0;
            bool back = false;
            if (kind == 'F') failing = true;
            if (kind == 'r')
                while (due != DetectStandby::kNever && due <= at(tick)) wake(due);
            if (kind == 'c') wake(at(tick));
            if (kind == 'a' || kind == 'x' || kind == 'b') {
                const char* block = kind == 'x' ? "{0123}" : "{F07}";
                const int id = WholeDetectAnswersId(block, 5);
                // Behind blocks still to be shown, answers are passed as -1.
                EXPECT_EQ(standby.TakeBlock(block, kind == 'x' ? 6 : 5, kind == 'b' ? -1 : id,
                                            at(tick), &back),
                          kind == 'a');
                if (back) handBack = tickOf(at(tick));
                due = std::min(due, standby.NextDue());
            }
        }
        EXPECT_EQ(writes, c.writes);
        EXPECT_EQ(handBack, c.handBack);
        EXPECT_EQ(standby.Active(), c.handBack == -1);
        const DetectStandby::Progress progress = standby.End();
        EXPECT_EQ(progress.ticks, c.ticks);
        EXPECT_EQ(progress.silentTicks, c.silent);
        ASSERT_EQ(progress.answerAfter.has_value(), c.answerAfter >= 0);
        if (progress.answerAfter) {
            EXPECT_EQ(*progress.answerAfter, at(c.answerAfter));
        }
        EXPECT_FALSE(standby.Active());
    }
}

TEST(DetectStandby, StartsOnlyWithATickToWaitForAndPrintsAsTheWindowWould) {
    const Clock::time_point now = Clock::now();
    EXPECT_TRUE(DetectStandby::Worthwhile({now, 0, 10, 1, true}, now));
    EXPECT_TRUE(DetectStandby::Worthwhile({now, 9, 18, 1, true}, now));
    EXPECT_FALSE(DetectStandby::Worthwhile({now, 0, kSilentTicksLimit - 1, 1, true}, now));
    EXPECT_FALSE(DetectStandby::Worthwhile({now, 10, 0, 1, true}, now));
    EXPECT_FALSE(DetectStandby::Worthwhile({now, 0, -1, 1, true}, now));
    // Behind its ticks (the first request was due a tick ago): not now.
    EXPECT_FALSE(DetectStandby::Worthwhile({now - 11 * kPollTickPeriod, 0, 0, 1, true}, now));
    EXPECT_TRUE(DetectStandby::Worthwhile({now - 9 * kPollTickPeriod, 0, 0, 1, true}, now));

    Lines lines;
    AddConsoleSink(&lines);
    DetectStandby standby;
    const Clock::time_point due = standby.Start({Clock::now(), 9, 0, 7, true});
    bool back = false;
    standby.OnDue(due, [] { return true; }, &back);
    EXPECT_TRUE(standby.TakeBlock("{F07}{F07}", 10, 7, due, &back));
    standby.SetEcho(false);  // "Inputs only"
    standby.OnDue(due + 10 * kPollTickPeriod, [] { return true; }, &back);
    EXPECT_TRUE(standby.TakeBlock("{F07}", 5, 7, due + 10 * kPollTickPeriod, &back));
    RemoveConsoleSink(&lines);
    EXPECT_EQ(lines.text,
              "{DET}\nDevice detect response: {F07}\nDevice detect response: {F07}\n");
    EXPECT_FALSE(back);
}

}  // namespace
