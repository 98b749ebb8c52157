// State of the conversation with the board, kept by the poll timer (GUI
// thread only).
#pragma once

// 0: port closed, the poll timer does nothing; above 1: warm-up ticks left;
// 1: polling.
extern int pollDelay;
// Active poll ticks since the last detect request, 1..10.
extern int detectTick;

// Ticks of warm-up after an open or a reset (about 1 s at 20 ms).
constexpr int kWarmUpTicks = 50;
// Active ticks without a board message after which the board counts as gone.
constexpr int kSilentTicksLimit = 20;
