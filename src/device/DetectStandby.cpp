#include "device/DetectStandby.h"

#include <algorithm>
#include <string>

#include "console/Console.h"
#include "device/Connection.h"
#include "device/PollSchedule.h"

namespace {
constexpr int kDetectEvery = 10;  // active ticks from one request to the next
}

void PrintDetectRequest() { ConsolePrintColoured(kColourCyan, kColourWhite, "{DET}\n"); }

void PrintDetectResponse(const char* text) {
    ConsolePrintColoured(kColourMagenta, kColourNormal, "Device detect response: {%s}\n", text);
}

bool DetectStandby::Worthwhile(const Plan& plan, Clock::time_point now) {
    // Something to wait for: a tick before the one it hands back on. The
    // request just sent, whose answer is still on its way, does not count
    // against it: the answer moves the hand-back on.
    if (plan.detectTick < 0 || plan.detectTick >= kDetectEvery || plan.silentTicks < 0 ||
        plan.silentTicks >= kSilentTicksLimit - 1)
        return false;
    // And not yet due: a window behind its ticks catches up itself.
    const int first =
        std::min(kDetectEvery - plan.detectTick, kSilentTicksLimit - 1 - plan.silentTicks);
    return plan.origin + first * kPollTickPeriod > now;
}

int DetectStandby::TickIndex(Clock::time_point t) const {
    if (t < plan_.origin) return -1;
    return static_cast<int>(std::min<long long>((t - plan_.origin) / kPollTickPeriod, 1 << 30));
}

DetectStandby::Clock::time_point DetectStandby::TickTime(int index) const {
    return plan_.origin + index * kPollTickPeriod;
}

int DetectStandby::HandBackTick() const { return lastAnswer_ + kSilentTicksLimit - 1; }

DetectStandby::Clock::time_point DetectStandby::Start(const Plan& plan) {
    std::lock_guard<std::mutex> lock(mutex_);
    plan_ = plan;
    echo_ = plan.echo;
    active_ = true;
    nextDetect_ = kDetectEvery - plan.detectTick;
    lastWritten_ = 0;
    // A message `silentTicks` ticks before the origin: the counts follow alike.
    lastAnswer_ = -plan.silentTicks;
    answerAtWrite_ = lastAnswer_;
    answerAfter_.reset();
    return TickTime(std::min(nextDetect_, HandBackTick()));
}

DetectStandby::Progress DetectStandby::End() {
    std::lock_guard<std::mutex> lock(mutex_);
    active_ = false;
    Progress progress;
    progress.ticks = lastWritten_;
    progress.silentTicks = lastWritten_ > 0 ? lastWritten_ - answerAtWrite_ : plan_.silentTicks;
    progress.answerAfter = answerAfter_;
    lastWritten_ = 0;
    answerAfter_.reset();
    return progress;
}

DetectStandby::Clock::time_point DetectStandby::NextDue() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return active_ ? TickTime(std::min(nextDetect_, HandBackTick())) : kNever;
}

bool DetectStandby::Active() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return active_;
}

void DetectStandby::SetEcho(bool echo) {
    std::lock_guard<std::mutex> lock(mutex_);
    echo_ = echo;
}

DetectStandby::Clock::time_point DetectStandby::OnDue(Clock::time_point now,
                                                      const std::function<bool()>& sendRequest,
                                                      bool* handBack) {
    *handBack = false;
    std::lock_guard<std::mutex> lock(mutex_);
    if (!active_) return kNever;
    const int tick = TickIndex(now);
    // A whole tick late (the machine was stalled): the window's own rules
    // decide how to go on rather than a burst of late requests.
    const bool late = tick > nextDetect_;
    if (tick >= nextDetect_ && nextDetect_ <= HandBackTick() && !late) {
        if (!sendRequest()) {
            // Left to the window, which tries that tick itself and reports it.
            active_ = false;
            *handBack = true;
            return kNever;
        }
        if (echo_) PrintDetectRequest();
        lastWritten_ = nextDetect_;
        answerAtWrite_ = lastAnswer_;
        answerAfter_.reset();
        nextDetect_ += kDetectEvery;
    }
    if (late || tick >= HandBackTick()) {
        active_ = false;
        *handBack = true;
        return kNever;
    }
    return TickTime(std::min(nextDetect_, HandBackTick()));
}

bool DetectStandby::TakeBlock(const char* data, int count, int answersId, Clock::time_point now,
                              bool* handBack) {
    *handBack = false;
    std::lock_guard<std::mutex> lock(mutex_);
    if (!active_) return false;
    if (answersId != plan_.answerId) {
        active_ = false;
        *handBack = true;
        return false;
    }
    // A message that comes after a request's tick but before the request was
    // sent counts before that tick, as on the window's own wake.
    lastAnswer_ = std::min(TickIndex(now), nextDetect_ - 1);
    answerAfter_ = now;
    if (!echo_) return true;
    // Whole answers only ("{F07}{F07}"): each one's text between its braces.
    for (int i = 0; i < count;) {
        const int close = static_cast<int>(std::find(data + i, data + count, '}') - data);
        PrintDetectResponse(std::string(data + i + 1, data + close).c_str());
        i = close + 1;
    }
    return true;
}
