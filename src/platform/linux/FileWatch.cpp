// The Linux side of FileWatch: inotify on the folder of the file, not on the
// file itself (that watch would follow the old file away when an editor
// renames a new one over it), and for a symbolic link on the folder of the
// file it leads to as well, on an InotifyThread.
#include "platform/FileWatch.h"

#include <cstdlib>
#include <map>
#include <mutex>
#include <utility>
#include <vector>

#include "platform/linux/InotifyThread.h"

namespace {

// Written and closed, made, removed, renamed in or out, or given new
// permissions (a file that could not be read may be readable now).
constexpr uint32_t kEvents =
    IN_CLOSE_WRITE | IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_ATTRIB;

// A name of interest in a folder.
using Spot = std::pair<std::string, std::string>;

Spot SpotOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return {".", path};
    return {slash == 0 ? "/" : path.substr(0, slash), path.substr(slash + 1)};
}

// The file itself, and the file a symbolic link leads to.
std::vector<Spot> SpotsOf(const std::string& path) {
    std::vector<Spot> spots;
    if (path.empty()) return spots;
    spots.push_back(SpotOf(path));
    if (char* resolved = realpath(path.c_str(), nullptr)) {
        const Spot target = SpotOf(resolved);
        std::free(resolved);
        if (target != spots.front()) spots.push_back(target);
    }
    return spots;
}

}  // namespace

class FileWatch::Impl {
  public:
    explicit Impl(ChangeHandler onChange) : onChange_(std::move(onChange)) {}
    ~Impl() { Stop(); }

    bool Watch(const std::string& path) {
        if (!inotify_.IsRunning() && !path.empty() && !Start()) return false;
        std::lock_guard<std::mutex> lock(mutex_);
        path_ = path;
        return Arm() || path.empty();
    }

    void Stop() {
        inotify_.Stop();
        std::lock_guard<std::mutex> lock(mutex_);
        names_.clear();
        armed_.clear();
        armedAll_ = true;
    }

  private:
    bool Start() {
        return inotify_.Open() &&
               inotify_.StartThread([this](const inotify_event& event) { return Take(event); },
                                    [this](bool changed) { AfterWake(changed); });
    }

    // On the thread. A link may lead elsewhere now: the folders are armed
    // anew before the news goes out, so that what the news brings about
    // (reading the file) sees every later change.
    void AfterWake(bool changed) {
        if (!changed) return;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            Arm();
        }
        onChange_();
    }

    // Watches the folders of the path's spots when they differ from the ones
    // watched, or a folder has gone since. True when every spot is watched.
    // With mutex_ held.
    bool Arm() {
        std::vector<Spot> wanted = SpotsOf(path_);
        if (wanted == armed_ && !lost_) return armedAll_;
        for (const auto& watched : names_) inotify_rm_watch(inotify_.Descriptor(), watched.first);
        names_.clear();
        armed_ = wanted;
        lost_ = false;
        armedAll_ = true;
        for (const Spot& spot : wanted) {
            // The same folder twice gives the same descriptor.
            const int wd =
                inotify_add_watch(inotify_.Descriptor(), spot.first.c_str(), kEvents | IN_ONLYDIR);
            if (wd < 0) {
                armedAll_ = false;
                continue;
            }
            names_[wd].push_back(spot.second);
        }
        return armedAll_;
    }

    // On the thread: whether the event is about a spot.
    bool Take(const inotify_event& event) {
        if (event.mask & IN_Q_OVERFLOW) return true;  // news lost: the file may have changed
        std::lock_guard<std::mutex> lock(mutex_);
        auto folder = names_.find(event.wd);
        if (folder == names_.end()) return false;
        if (event.mask & IN_IGNORED) {  // the folder itself went
            names_.erase(folder);
            lost_ = true;
            return true;
        }
        for (const std::string& name : folder->second)
            if (event.len > 0 && name == event.name) return true;
        return false;
    }

    const ChangeHandler onChange_;
    InotifyThread inotify_;

    std::mutex mutex_;  // guards what follows
    std::string path_;
    std::vector<Spot> armed_;                        // the spots names_ was made for
    std::map<int, std::vector<std::string>> names_;  // watch descriptor -> names in its folder
    bool lost_ = false;                              // a watched folder went
    bool armedAll_ = true;                           // every spot of armed_ is watched
};

FileWatch::FileWatch(ChangeHandler onChange) : impl_(std::make_unique<Impl>(std::move(onChange))) {}
FileWatch::~FileWatch() = default;
bool FileWatch::Watch(const std::string& path) { return impl_->Watch(path); }
void FileWatch::Stop() { impl_->Stop(); }
