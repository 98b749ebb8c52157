// When the poll timer next has something to do. The ticks go on counting
// every 20 ms while the port is open, but most of them on a page without
// frames only count: the window sleeps through those and wakes for the next
// tick that sends something or changes the status text.
#pragma once

#include <chrono>

constexpr std::chrono::milliseconds kPollTickPeriod{20};

// What decides the coming ticks.
struct PollState {
    int pollDelay;     // 0 closed, above 1 warm-up ticks left, else polling
    int detectTick;    // active ticks since the last detect request
    int silentTicks;   // active ticks since the board's last message
    bool sendsFrames;  // the page shown sends output frames on active ticks
};

// The pages that send output frames: Indication, AlphNum Indic, Discrete Indic.
inline bool PageSendsFrames(int page) { return page >= 2 && page <= 4; }

// Ticks from now until the next one that writes to the port or may change
// the status text (1: the very next tick); 0 while the port is closed, when
// no tick does anything.
int TicksUntilDue(const PollState& state);
