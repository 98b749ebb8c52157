// The Linux side of PortWatch: inotify on the folder of device nodes (tty
// nodes made or removed in it), on its serial/ and serial/by-id/ folders (the
// stable links) and on the folder of the extra path, all in one poll(2) with
// the WakePipe that stops the thread or makes it arm a new extra path.
#pragma once

#include <atomic>
#include <map>
#include <mutex>
#include <string>
#include <thread>

#include "platform/PortWatch.h"
#include "platform/linux/WakePipe.h"

class PortWatch::Impl {
  public:
    // `devRoot`: where the device nodes appear; tests give a folder of their
    // own.
    explicit Impl(std::string devRoot = "/dev");
    ~Impl();

    bool Start(ChangeHandler onChange);
    void Stop();
    void WatchPath(const std::string& path);

  private:
    void Run();
    // Adds watches for the folders of interest that exist now. True when a
    // folder got a watch it had not had: what was made in it before cannot
    // be told apart, so that counts as a change.
    bool Arm();
    bool Matters(const std::string& folder, const char* name) const;
    // Reads the events that wait; true when one of them matters. False with
    // `failed` set when inotify can no longer be read.
    bool ReadEvents(bool& failed);

    const std::string devRoot_;
    const std::string serialFolder_;
    const std::string byIdFolder_;
    int inotify_ = -1;
    WakePipe wake_;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    ChangeHandler onChange_;

    mutable std::mutex mutex_;  // guards what follows
    std::string extraPath_;
    std::map<int, std::string> folders_;  // watch descriptor -> folder
};
