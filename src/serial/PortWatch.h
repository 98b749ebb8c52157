// Tells when serial ports come and go: a thread that sleeps on inotify until
// a tty node appears in or leaves /dev, a /dev/serial/by-id link changes, or
// one more path of interest (the port a closed connection waits for, which
// may be a link anywhere) is made or removed. It wakes only on such a change,
// never to look around on its own.
#pragma once

#include <atomic>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>

class PortWatch {
  public:
    // Called on the watch thread after a change; it should only hand the
    // news on (the watch thread must not touch a window).
    using ChangeHandler = std::function<void()>;

    explicit PortWatch(std::string devRoot = "/dev");
    ~PortWatch();  // stops and joins the thread

    PortWatch(const PortWatch&) = delete;
    PortWatch& operator=(const PortWatch&) = delete;

    // False when the system has no inotify to give (nothing is watched then).
    bool Start(ChangeHandler onChange);
    void Stop();

    // Any thread: also report when this path appears, disappears or changes
    // its permissions (empty: no extra path).
    void WatchPath(const std::string& path);

  private:
    void Run();
    // Adds watches for the folders of interest that exist now. True when a
    // folder got a watch it had not had: what was made in it before cannot
    // be told apart, so that counts as a change.
    bool Arm();
    bool Matters(const std::string& folder, const char* name) const;
    void Wake();

    const std::string devRoot_;
    const std::string serialFolder_;
    const std::string byIdFolder_;
    int inotify_ = -1;
    int wakePipe_[2] = {-1, -1};
    std::thread thread_;
    std::atomic<bool> stop_{false};
    ChangeHandler onChange_;

    mutable std::mutex mutex_;  // guards what follows
    std::string extraPath_;
    std::map<int, std::string> folders_;  // watch descriptor -> folder
};
