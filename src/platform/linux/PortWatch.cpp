#include <poll.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <system_error>
#include <vector>

#include "platform/linux/PortWatchImpl.h"

namespace {

// Made, removed, renamed in or out, or given new permissions (udev sets the
// group of a new node a moment after the kernel made it).
constexpr uint32_t kEvents = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_ATTRIB;

std::string FolderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

PortWatch::PortWatch() : impl_(std::make_unique<Impl>()) {}
PortWatch::PortWatch(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
PortWatch::~PortWatch() = default;
bool PortWatch::Start(ChangeHandler onChange) { return impl_->Start(std::move(onChange)); }
void PortWatch::Stop() { impl_->Stop(); }
void PortWatch::WatchPath(const std::string& path) { impl_->WatchPath(path); }

PortWatch::Impl::Impl(std::string devRoot)
    : devRoot_(std::move(devRoot)),
      serialFolder_(devRoot_ + "/serial"),
      byIdFolder_(devRoot_ + "/serial/by-id") {}

PortWatch::Impl::~Impl() { Stop(); }

bool PortWatch::Impl::Start(ChangeHandler onChange) {
    Stop();
    onChange_ = std::move(onChange);
    inotify_ = inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
    if (inotify_ < 0) return false;
    if (!wake_.Open()) {
        Stop();
        return false;
    }
    stop_ = false;
    Arm();
    try {
        thread_ = std::thread(&Impl::Run, this);
    } catch (const std::system_error&) {
        Stop();
        return false;
    }
    return true;
}

void PortWatch::Impl::Stop() {
    if (thread_.joinable()) {
        stop_ = true;
        wake_.Wake();
        thread_.join();
    }
    if (inotify_ >= 0) close(inotify_);
    inotify_ = -1;
    wake_.Close();
    std::lock_guard<std::mutex> lock(mutex_);
    folders_.clear();
}

void PortWatch::Impl::WatchPath(const std::string& path) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (path == extraPath_) return;
        extraPath_ = path;
    }
    wake_.Wake();  // the thread arms the new folder
}

bool PortWatch::Impl::Arm() {
    std::vector<std::string> wanted = {devRoot_, serialFolder_, byIdFolder_};
    std::lock_guard<std::mutex> lock(mutex_);
    if (!extraPath_.empty()) wanted.push_back(FolderOf(extraPath_));
    // A folder no longer of interest (the path waited for before) is let go.
    for (auto it = folders_.begin(); it != folders_.end();) {
        if (std::find(wanted.begin(), wanted.end(), it->second) == wanted.end()) {
            inotify_rm_watch(inotify_, it->first);
            it = folders_.erase(it);
        } else {
            ++it;
        }
    }
    bool added = false;
    for (const std::string& folder : wanted) {
        // The same folder twice gives the same descriptor: nothing new then.
        const int wd = inotify_add_watch(inotify_, folder.c_str(), kEvents | IN_ONLYDIR);
        if (wd < 0) continue;
        if (folders_.emplace(wd, folder).second) added = true;
    }
    return added;
}

bool PortWatch::Impl::Matters(const std::string& folder, const char* name) const {
    if (folder == serialFolder_ || folder == byIdFolder_) return true;
    if (!extraPath_.empty() && folder == FolderOf(extraPath_) && NameOf(extraPath_) == name)
        return true;
    if (folder == devRoot_)
        return std::strncmp(name, "tty", 3) == 0 || std::strcmp(name, "serial") == 0;
    return false;
}

bool PortWatch::Impl::ReadEvents(bool& failed) {
    alignas(inotify_event) char buffer[4096];
    bool changed = false;
    ssize_t n;
    while ((n = read(inotify_, buffer, sizeof buffer)) > 0) {
        std::lock_guard<std::mutex> lock(mutex_);
        for (ssize_t at = 0; at < n;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            auto folder = folders_.find(event->wd);
            if (folder == folders_.end()) continue;
            if (event->mask & IN_IGNORED) {  // the folder itself went
                folders_.erase(folder);
                changed = true;
                continue;
            }
            if (event->len > 0 && Matters(folder->second, event->name)) changed = true;
        }
    }
    failed = n < 0 && errno != EAGAIN && errno != EINTR;
    return changed;
}

void PortWatch::Impl::Run() {
    while (!stop_) {
        pollfd p[2] = {{inotify_, POLLIN, 0}, {wake_.ReadFd(), POLLIN, 0}};
        if (poll(p, 2, -1) < 0) {
            if (errno == EINTR) continue;
            return;
        }
        if (stop_) return;
        bool changed = false;
        if (p[1].revents != 0) wake_.Drain();
        if (p[0].revents != 0) {
            bool failed = false;
            changed = ReadEvents(failed);
            if (failed) return;
        }
        if (Arm()) changed = true;
        if (changed && onChange_) onChange_();
    }
}
