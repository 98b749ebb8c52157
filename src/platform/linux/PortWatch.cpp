#include <algorithm>
#include <cstring>
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
    if (!inotify_.Open()) return false;
    Arm();
    return inotify_.StartThread([this](const inotify_event& event) { return Take(event); },
                                [this](bool changed) {
                                    if (Arm()) changed = true;
                                    if (changed && onChange_) onChange_();
                                });
}

void PortWatch::Impl::Stop() {
    inotify_.Stop();
    std::lock_guard<std::mutex> lock(mutex_);
    folders_.clear();
}

void PortWatch::Impl::WatchPath(const std::string& path) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (path == extraPath_) return;
        extraPath_ = path;
    }
    inotify_.Wake();  // the thread arms the new folder
}

bool PortWatch::Impl::Arm() {
    std::vector<std::string> wanted = {devRoot_, serialFolder_, byIdFolder_};
    std::lock_guard<std::mutex> lock(mutex_);
    if (!extraPath_.empty()) wanted.push_back(FolderOf(extraPath_));
    // A folder no longer of interest (the path waited for before) is let go.
    for (auto it = folders_.begin(); it != folders_.end();) {
        if (std::find(wanted.begin(), wanted.end(), it->second) == wanted.end()) {
            inotify_rm_watch(inotify_.Descriptor(), it->first);
            it = folders_.erase(it);
        } else {
            ++it;
        }
    }
    bool added = false;
    for (const std::string& folder : wanted) {
        // The same folder twice gives the same descriptor: nothing new then.
        const int wd =
            inotify_add_watch(inotify_.Descriptor(), folder.c_str(), kEvents | IN_ONLYDIR);
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

bool PortWatch::Impl::Take(const inotify_event& event) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto folder = folders_.find(event.wd);
    if (folder == folders_.end()) return false;
    if (event.mask & IN_IGNORED) {  // the folder itself went
        folders_.erase(folder);
        return true;
    }
    return event.len > 0 && Matters(folder->second, event.name);
}
