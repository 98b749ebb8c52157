// Hands blocks of received bytes from a receive thread to the GUI thread, in
// arrival order. The queue is bounded: when it holds maxBytes, the receive
// thread waits (the kernel buffers behind it), so a flood costs neither
// unbounded memory nor a frozen window. The GUI thread works through the
// queue in slices of a few milliseconds and posts itself again for the rest.
#pragma once

#include <wx/event.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

class ReceiveHandoff {
  public:
    using Handler = std::function<void(const char* data, int count)>;

    explicit ReceiveHandoff(std::size_t maxBytes = 1 << 20);
    ~ReceiveHandoff();

    // GUI thread, before any Push: where the blocks go, and an optional step
    // run once after each slice of blocks (to show coalesced results).
    void Attach(wxEvtHandler* gui, Handler handler, std::function<void()> afterSlice = {});

    // Any thread. Blocks while the queue is full; returns false (dropping the
    // block) once Cancel has been called. A block whose `waitKey` equals the
    // key last given to AllowWaiting (not -1), pushed while nothing else is
    // queued, does not wake the GUI thread: it waits, in order, for the next
    // block that does, or for DrainWaiting.
    bool Push(const char* data, int count, int waitKey = -1);

    // GUI thread: which blocks may wait (see Push); -1 lets none wait.
    void AllowWaiting(int waitKey);
    // GUI thread: lets none wait any more, and wakes itself for those that
    // do.
    void StopWaiting();
    // GUI thread: deliver the blocks that wait, unless a drain is on its way.
    void DrainWaiting();
    // Any thread: runs `step` on the GUI thread after the blocks pushed before
    // it (a receive thread's last word, such as "the line hung up"). Never
    // waits for room; false once Cancel has been called.
    bool PushStep(std::function<void()> step);

    // GUI thread: wake a waiting Push and refuse further blocks until Resume.
    // Blocks already queued are still delivered, but as stale ones.
    void Cancel();
    void Resume();

    // GUI thread: deliver everything queued now (used by tests and shut-down).
    void DrainAll();

    std::size_t QueuedBytes() const;
    // Any thread: nothing queued and no drain under way.
    bool Idle() const;
    // How many times the GUI thread has been woken for blocks so far.
    unsigned Wakes() const;
    // Whether blocks are queued that do not wait (a flood being worked
    // through in slices, or blocks that came meanwhile).
    bool MoreToDeliver() const;

    // GUI thread, while a block or step is being delivered: true when it was
    // pushed before the last Cancel, that is, it belongs to a connection that
    // has been closed since. Its bytes may still be shown, but it must not
    // change the state of what is open now.
    bool DeliveringStale() const { return deliveringStale_; }
    // GUI thread, while a block is being delivered: when it was received for
    // a block that waited, else now.
    std::chrono::steady_clock::time_point DeliveringReceived() const;

  private:
    struct Block {
        std::string bytes;
        std::function<void()> step;  // set for a step, bytes empty then
        unsigned generation = 0;
        bool waited = false;
        std::chrono::steady_clock::time_point received;
    };
    void DrainSlice();
    bool Enqueue(Block block, int waitKey = -1);
    void Deliver(Block& block);
    void PostDrain();  // with mutex_ held

    // Carries the rest of a long drain to a later visit (see DrainSlice).
    class Continuation;
    std::unique_ptr<Continuation> continuation_;

    mutable std::mutex mutex_;
    std::condition_variable spaceFreed_;
    std::deque<Block> blocks_;
    unsigned generation_ = 0;  // counts Cancel calls
    bool deliveringStale_ = false;
    const Block* delivering_ = nullptr;
    int waitKey_ = -1;
    std::size_t queuedBytes_ = 0;
    std::size_t maxBytes_;
    bool cancelled_ = false;
    bool drainPosted_ = false;
    unsigned wakes_ = 0;
    wxEvtHandler* gui_ = nullptr;
    Handler handler_;
    std::function<void()> afterSlice_;
};
