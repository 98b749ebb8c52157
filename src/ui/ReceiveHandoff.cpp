#include "ui/ReceiveHandoff.h"

#include <wx/timer.h>

namespace {
// Work done per visit of the GUI thread before it lets events through again.
constexpr auto kSlice = std::chrono::milliseconds(8);
}  // namespace

// The rest of a long drain goes through a timer, not a queued call: the
// toolkit keeps handling queued calls, including ones queued meanwhile, until
// none is left, so under a steady flood no timer, input or paint would get
// between the slices.
class ReceiveHandoff::Continuation : public wxTimer {
  public:
    explicit Continuation(ReceiveHandoff& handoff) : handoff_(handoff) {}
    void Notify() override { handoff_.DrainSlice(); }

  private:
    ReceiveHandoff& handoff_;
};

ReceiveHandoff::ReceiveHandoff(std::size_t maxBytes) : maxBytes_(maxBytes) {}

ReceiveHandoff::~ReceiveHandoff() { Cancel(); }

void ReceiveHandoff::Attach(wxEvtHandler* gui, Handler handler, std::function<void()> afterSlice) {
    std::lock_guard<std::mutex> lock(mutex_);
    gui_ = gui;
    handler_ = std::move(handler);
    afterSlice_ = std::move(afterSlice);
}

bool ReceiveHandoff::Push(const char* data, int count, int waitKey) {
    if (count <= 0) return true;
    Block block;
    block.bytes.assign(data, static_cast<std::size_t>(count));
    return Enqueue(std::move(block), waitKey);
}

void ReceiveHandoff::AllowWaiting(int waitKey) {
    std::lock_guard<std::mutex> lock(mutex_);
    waitKey_ = waitKey;
}

void ReceiveHandoff::StopWaiting() {
    std::lock_guard<std::mutex> lock(mutex_);
    waitKey_ = -1;
    if (!blocks_.empty() && !drainPosted_ && !cancelled_ && gui_ != nullptr) PostDrain();
}

bool ReceiveHandoff::MoreToDeliver() const {
    std::lock_guard<std::mutex> lock(mutex_);
    // Blocks wait only behind blocks that wait: the last one tells.
    return !blocks_.empty() && !blocks_.back().waited;
}

bool ReceiveHandoff::Idle() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return blocks_.empty() && !drainPosted_;
}

unsigned ReceiveHandoff::Wakes() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return wakes_;
}

void ReceiveHandoff::PostDrain() {
    drainPosted_ = true;
    ++wakes_;
    // Queued on the window itself: if the window goes first, its pending
    // calls go with it.
    gui_->CallAfter([this] { DrainSlice(); });
}

void ReceiveHandoff::DrainWaiting() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        // With a drain on its way the queue may hold a flood, which goes in
        // slices.
        if (blocks_.empty() || drainPosted_) return;
    }
    DrainAll();
}

std::chrono::steady_clock::time_point ReceiveHandoff::DeliveringReceived() const {
    if (delivering_ != nullptr && delivering_->waited) return delivering_->received;
    return std::chrono::steady_clock::now();
}

bool ReceiveHandoff::PushStep(std::function<void()> step) {
    Block block;
    block.step = std::move(step);
    return Enqueue(std::move(block));
}

bool ReceiveHandoff::Enqueue(Block block, int waitKey) {
    std::unique_lock<std::mutex> lock(mutex_);
    // A step takes no room, so a thread ending its work is never held up.
    if (!block.bytes.empty())
        spaceFreed_.wait(lock, [&] { return cancelled_ || queuedBytes_ < maxBytes_; });
    if (cancelled_ || gui_ == nullptr) return false;
    block.generation = generation_;
    // Waits only behind blocks that wait too, so the order holds.
    block.waited = waitKey != -1 && waitKey == waitKey_ && !drainPosted_;
    if (block.waited) block.received = std::chrono::steady_clock::now();
    const bool wake = !block.waited;
    queuedBytes_ += block.bytes.size();
    blocks_.push_back(std::move(block));
    if (wake && !drainPosted_) PostDrain();
    return true;
}

void ReceiveHandoff::Deliver(Block& block) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        deliveringStale_ = block.generation != generation_;
    }
    delivering_ = &block;
    if (block.step)
        block.step();
    else if (handler_)
        handler_(block.bytes.data(), static_cast<int>(block.bytes.size()));
    deliveringStale_ = false;
    delivering_ = nullptr;
}

void ReceiveHandoff::Cancel() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        cancelled_ = true;
        waitKey_ = -1;
        ++generation_;
    }
    spaceFreed_.notify_all();
}

void ReceiveHandoff::Resume() {
    std::lock_guard<std::mutex> lock(mutex_);
    cancelled_ = false;
}

std::size_t ReceiveHandoff::QueuedBytes() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return queuedBytes_;
}

void ReceiveHandoff::DrainSlice() {
    const auto start = std::chrono::steady_clock::now();
    bool delivered = false;
    for (;;) {
        Block block;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (blocks_.empty()) {
                drainPosted_ = false;
                break;
            }
            if (delivered && std::chrono::steady_clock::now() - start > kSlice) {
                // Leave the rest for the next visit so the window keeps responding.
                if (!continuation_) continuation_ = std::make_unique<Continuation>(*this);
                continuation_->StartOnce(1);
                break;
            }
            block = std::move(blocks_.front());
            blocks_.pop_front();
            queuedBytes_ -= block.bytes.size();
        }
        spaceFreed_.notify_all();
        Deliver(block);
        delivered = true;
    }
    if (delivered && afterSlice_) afterSlice_();
}

void ReceiveHandoff::DrainAll() {
    for (;;) {
        Block block;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (blocks_.empty()) break;
            block = std::move(blocks_.front());
            blocks_.pop_front();
            queuedBytes_ -= block.bytes.size();
        }
        spaceFreed_.notify_all();
        Deliver(block);
    }
    if (afterSlice_) afterSlice_();
}
