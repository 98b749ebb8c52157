// The thread behind each of our watches on Linux (PortWatch, FileWatch): it
// sleeps in poll(2) on an inotify instance and the shared WakePipe, hands
// every event it reads to the watch, and after each wake-up tells the watch
// whether any of them mattered. The watch adds and removes its inotify
// watches on Descriptor() itself, from any thread.
#pragma once

#include <sys/inotify.h>

#include <atomic>
#include <functional>
#include <thread>

#include "platform/linux/WakePipe.h"

class InotifyThread {
  public:
    // On the thread, for each event read: true when it matters to the watch.
    using EventHandler = std::function<bool(const inotify_event& event)>;
    // On the thread, after each wake-up (an event, or Wake): whether an
    // event of it mattered.
    using WakeHandler = std::function<void(bool mattered)>;

    InotifyThread() = default;
    ~InotifyThread();  // stops and joins the thread
    InotifyThread(const InotifyThread&) = delete;
    InotifyThread& operator=(const InotifyThread&) = delete;

    // Makes the inotify instance; the thread runs from StartThread on.
    // False (nothing made) when the system has no descriptors to give.
    bool Open();
    // False (all closed again) when no thread could be started.
    bool StartThread(EventHandler onEvent, WakeHandler onWake);
    // Any thread but its own: the thread wakes, and onWake runs.
    void Wake();
    // Ends and joins the thread and closes the instance.
    void Stop();

    bool IsOpen() const { return inotify_ >= 0; }
    bool IsRunning() const { return thread_.joinable(); }
    // For inotify_add_watch and inotify_rm_watch while open.
    int Descriptor() const { return inotify_; }

  private:
    void Run();
    // Reads the events that wait; false when inotify can no longer be read.
    bool ReadEvents(bool& mattered);

    int inotify_ = -1;
    WakePipe wake_;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    EventHandler onEvent_;
    WakeHandler onWake_;
};
