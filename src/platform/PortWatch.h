// Tells when serial ports come and go: a thread of its own sleeps until the
// system reports that a port appeared or went (or that its node got new
// permissions), or that one more path of interest (the port a closed
// connection waits for, which may be a link anywhere) was made or removed. It
// wakes only on such a change, never to look around on its own.
#pragma once

#include <functional>
#include <memory>
#include <string>

class PortWatch {
  public:
    // Called on the watch thread after a change; it should only hand the
    // news on (the watch thread must not touch a window).
    using ChangeHandler = std::function<void()>;

    // The system's own ports.
    PortWatch();
    // The system's side of the watch; each system makes its own (tests make
    // one that watches a folder of theirs).
    class Impl;
    explicit PortWatch(std::unique_ptr<Impl> impl);
    ~PortWatch();  // stops and joins the thread

    PortWatch(const PortWatch&) = delete;
    PortWatch& operator=(const PortWatch&) = delete;

    // False when the system has nothing to watch with (nothing is watched
    // then).
    bool Start(ChangeHandler onChange);
    void Stop();

    // Any thread: also report when this path appears, disappears or changes
    // its permissions (empty: no extra path).
    void WatchPath(const std::string& path);

  private:
    std::unique_ptr<Impl> impl_;
};
