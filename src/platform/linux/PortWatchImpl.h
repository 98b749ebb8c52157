// The Linux side of PortWatch: inotify on the folder of device nodes (tty
// nodes made or removed in it), on its serial/ and serial/by-id/ folders (the
// stable links) and on the folder of the extra path, on an InotifyThread
// whose wake-up also makes it arm a new extra path.
#pragma once

#include <map>
#include <mutex>
#include <string>

#include "platform/PortWatch.h"
#include "platform/linux/InotifyThread.h"

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
    // Adds watches for the folders of interest that exist now. True when a
    // folder got a watch it had not had: what was made in it before cannot
    // be told apart, so that counts as a change.
    bool Arm();
    bool Matters(const std::string& folder, const char* name) const;
    // On the thread: whether the event matters.
    bool Take(const inotify_event& event);

    const std::string devRoot_;
    const std::string serialFolder_;
    const std::string byIdFolder_;
    InotifyThread inotify_;
    ChangeHandler onChange_;

    mutable std::mutex mutex_;  // guards what follows
    std::string extraPath_;
    std::map<int, std::string> folders_;  // watch descriptor -> folder
};
