// While the board answers every detect request and the page shown sends no
// output frames, nothing on screen changes from one request to the next. The
// reading thread then sends the requests itself, on the poll ticks' grid,
// and takes the board's unchanged answers (printing both lines as the window
// would), so the window sleeps. The poll ticks still count every 20 ms: when
// the window takes over again (End), it learns how far the thread got and
// counts on from there. The thread hands back before the tick on which the
// silence limit would be reached, on a write that fails, and on anything
// else the board sends, which goes to the window as before.
#pragma once

#include <chrono>
#include <functional>
#include <mutex>
#include <optional>

// The console lines of a detect request sent and of the board's answer (its
// text between the braces), the same whoever sends or takes them.
void PrintDetectRequest();
void PrintDetectResponse(const char* text);

class DetectStandby {
  public:
    using Clock = std::chrono::steady_clock;
    static constexpr Clock::time_point kNever = Clock::time_point::max();

    // The window's poll counters when it goes to sleep.
    struct Plan {
        Clock::time_point origin;  // when the last counted tick was due
        int detectTick = 0;        // active ticks since the last detect request
        int silentTicks = 0;       // active ticks since the board's last message
        int answerId = 0;          // the board the window shows as connected
        bool echo = true;          // print the request and answer lines
    };
    // How far the thread got, for the window's counters.
    struct Progress {
        int ticks = 0;        // ticks after the origin up to the last request sent; 0: none
        int silentTicks = 0;  // the silent count after that tick (when ticks > 0)
        std::optional<Clock::time_point> answerAfter;  // the last answer after it
    };

    // Whether handing over makes sense: the thread hands back on the tick
    // before the one the silence limit falls on (the window shows that one
    // itself), so that tick must still be ahead, and the first the thread
    // is due on must not have come yet.
    static bool Worthwhile(const Plan& plan, Clock::time_point now);

    // GUI thread. Start returns when the reading thread is first due.
    Clock::time_point Start(const Plan& plan);
    Progress End();
    bool Active() const;
    void SetEcho(bool echo);

    // Reading thread, when it is due: sends the request through `sendRequest`
    // (false: the write failed) when one falls due. Returns when it is due
    // next; `*handBack` tells that the standby ended and the window must be
    // woken to go on.
    Clock::time_point OnDue(Clock::time_point now, const std::function<bool()>& sendRequest,
                            bool* handBack);
    // Reading thread, for every block read: true when the block was nothing
    // but answers of the expected board (`answersId`, as WholeDetectAnswersId
    // gives it) and was taken here. Anything else ends the standby
    // (`*handBack` when it was on) and goes to the window; the caller passes
    // -1 for answers while the window still has earlier blocks to show, which
    // keeps the order.
    bool TakeBlock(const char* data, int count, int answersId, Clock::time_point now,
                   bool* handBack);
    // When the reading thread is due next (an answer moves the hand-back on).
    Clock::time_point NextDue() const;

  private:
    int TickIndex(Clock::time_point t) const;  // the last tick due at or before t
    Clock::time_point TickTime(int index) const;
    int HandBackTick() const;  // the tick before the one the silence limit falls on

    mutable std::mutex mutex_;
    bool active_ = false;
    bool echo_ = true;
    Plan plan_;
    int nextDetect_ = 0;     // tick index of the next request
    int lastWritten_ = 0;    // tick index of the last request sent; 0: none
    int lastAnswer_ = 0;     // tick index of the board's last message (as counted)
    int answerAtWrite_ = 0;  // lastAnswer_ when the last request was sent
    std::optional<Clock::time_point> answerAfter_;
};
