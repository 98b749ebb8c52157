// The Win32 side of FileWatch: overlapped ReadDirectoryChangesW on the
// folder of the file, not on the file (an editor that renames a new file
// over the old one must count), and for a symbolic link on the folder of the
// file it leads to as well. One thread of its own owns the folders' handles
// and their reads (a thread's pending reads end with it): it sleeps in
// WaitForMultipleObjects on their events and a wake event, by which Watch
// and Stop hand it work. Names are compared case-insensitively, as the file
// system does.
#include "platform/FileWatch.h"

#include <windows.h>

#include <condition_variable>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "platform/windows/Win32Text.h"

namespace {

// Made, removed, renamed in or out, written, resized, or given new
// attributes or permissions (a file that could not be read may be readable
// now).
constexpr DWORD kChanges = FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_LAST_WRITE |
                           FILE_NOTIFY_CHANGE_SIZE | FILE_NOTIFY_CHANGE_ATTRIBUTES |
                           FILE_NOTIFY_CHANGE_SECURITY;

// A name of interest in a folder.
struct Spot {
    std::wstring folder;
    std::wstring name;
    bool operator==(const Spot& other) const {
        return folder == other.folder && name == other.name;
    }
};

Spot SpotOf(std::wstring path) {
    for (wchar_t& c : path)
        if (c == L'/') c = L'\\';
    const std::size_t slash = path.rfind(L'\\');
    if (slash == std::wstring::npos) {
        if (path.size() >= 2 && path[1] == L':') return {path.substr(0, 2), path.substr(2)};
        return {L".", path};
    }
    std::wstring folder = path.substr(0, slash);
    // "C:" would be the drive's current folder, "" the current drive's root.
    if (folder.empty() || (folder.size() == 2 && folder[1] == L':')) folder += L'\\';
    return {folder, path.substr(slash + 1)};
}

// The file itself, and the file a symbolic link leads to.
std::vector<Spot> SpotsOf(const std::string& path) {
    std::vector<Spot> spots;
    if (path.empty()) return spots;
    const std::wstring wide = Utf16(path);
    spots.push_back(SpotOf(wide));
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_REPARSE_POINT))
        return spots;
    HANDLE file = CreateFileW(wide.c_str(), FILE_READ_ATTRIBUTES,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) return spots;
    wchar_t resolved[32768];
    const DWORD n = GetFinalPathNameByHandleW(file, resolved, sizeof resolved / sizeof resolved[0],
                                              FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    CloseHandle(file);
    if (n == 0 || n >= sizeof resolved / sizeof resolved[0]) return spots;
    const Spot target = SpotOf(std::wstring(resolved, n));
    if (!(target == spots.front())) spots.push_back(target);
    return spots;
}

bool SameName(const wchar_t* a, std::size_t aLength, const std::wstring& b) {
    return CompareStringOrdinal(a, static_cast<int>(aLength), b.data(), static_cast<int>(b.size()),
                                TRUE) == CSTR_EQUAL;
}

// A watched folder: its handle, the read pending on it and the names of
// interest in it.
struct Folder {
    std::wstring path;
    HANDLE handle = INVALID_HANDLE_VALUE;
    OVERLAPPED overlapped{};
    std::vector<std::wstring> names;
    // DWORD-aligned, as ReadDirectoryChangesW wants; 64 KiB is the most a
    // folder on a network share can report at once.
    std::vector<DWORD> buffer = std::vector<DWORD>(16384);
    bool pending = false;

    bool Read() {
        pending = ReadDirectoryChangesW(handle, buffer.data(),
                                        static_cast<DWORD>(buffer.size() * sizeof(DWORD)), FALSE,
                                        kChanges, nullptr, &overlapped, nullptr) != 0;
        return pending;
    }

    // Ends the pending read (the buffer must outlive it) and closes.
    void Close() {
        if (pending) {
            CancelIoEx(handle, &overlapped);
            DWORD ignored = 0;
            GetOverlappedResult(handle, &overlapped, &ignored, TRUE);
            pending = false;
        }
        if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
        handle = INVALID_HANDLE_VALUE;
        if (overlapped.hEvent != nullptr) CloseHandle(overlapped.hEvent);
        overlapped.hEvent = nullptr;
    }

    // Whether the finished read told of a name of interest; false in
    // *usable when the folder cannot be read any more (it went). A read that
    // overflowed lost its news: the file may have changed.
    bool Take(bool* usable) {
        pending = false;
        DWORD bytes = 0;
        if (!GetOverlappedResult(handle, &overlapped, &bytes, FALSE)) {
            *usable = false;
            return true;
        }
        *usable = true;
        if (bytes == 0) return true;
        bool mattered = false;
        const char* at = reinterpret_cast<const char*>(buffer.data());
        for (;;) {
            const auto* info = reinterpret_cast<const FILE_NOTIFY_INFORMATION*>(at);
            const std::size_t length = info->FileNameLength / sizeof(wchar_t);
            for (const std::wstring& name : names)
                if (SameName(info->FileName, length, name)) mattered = true;
            if (info->NextEntryOffset == 0) break;
            at += info->NextEntryOffset;
        }
        return mattered;
    }
};

}  // namespace

class FileWatch::Impl {
  public:
    explicit Impl(ChangeHandler onChange) : onChange_(std::move(onChange)) {}
    ~Impl() { Stop(); }

    bool Watch(const std::string& path) {
        if (!thread_.joinable() && !path.empty() && !Start()) return false;
        if (!thread_.joinable()) return true;                  // nothing watched, nothing to stop
        if (std::this_thread::get_id() == thread_.get_id()) {  // from the handler
            std::lock_guard<std::mutex> lock(mutex_);
            path_ = path;
            return Arm() || path.empty();
        }
        std::unique_lock<std::mutex> lock(mutex_);
        path_ = path;
        const unsigned long asked = ++asked_;
        SetEvent(wake_);
        done_.wait(lock, [&] { return armedFor_ >= asked || !running_; });
        return (running_ && armedAll_) || path.empty();
    }

    void Stop() {
        if (thread_.joinable()) {
            {
                std::lock_guard<std::mutex> lock(mutex_);
                stop_ = true;
            }
            SetEvent(wake_);
            thread_.join();
        }
        if (wake_ != nullptr) CloseHandle(wake_);
        wake_ = nullptr;
        stop_ = false;
        path_.clear();
        armed_.clear();
    }

  private:
    bool Start() {
        wake_ = CreateEventW(nullptr, FALSE, FALSE, nullptr);
        if (wake_ == nullptr) return false;
        running_ = true;
        try {
            thread_ = std::thread(&Impl::Run, this);
        } catch (const std::system_error&) {
            running_ = false;
            CloseHandle(wake_);
            wake_ = nullptr;
            return false;
        }
        return true;
    }

    void Run() {
        for (;;) {
            std::vector<HANDLE> waits{wake_};
            for (const auto& folder : folders_)
                if (folder->pending) waits.push_back(folder->overlapped.hEvent);
            const DWORD woke = WaitForMultipleObjects(static_cast<DWORD>(waits.size()),
                                                      waits.data(), FALSE, INFINITE);
            if (woke == WAIT_OBJECT_0) {
                std::lock_guard<std::mutex> lock(mutex_);
                if (stop_) break;
                if (asked_ != armedFor_) {
                    Arm();
                    armedFor_ = asked_;
                    done_.notify_all();
                }
                continue;
            }
            if (woke == WAIT_FAILED || woke >= WAIT_OBJECT_0 + waits.size()) break;
            // Every folder whose read has ended, not only the first one.
            bool mattered = false;
            for (const auto& folder : folders_) {
                if (!folder->pending || WaitForSingleObject(folder->overlapped.hEvent, 0) != 0)
                    continue;
                bool usable = true;
                if (folder->Take(&usable)) mattered = true;
                if (!usable || !folder->Read()) {
                    lost_ = true;
                    mattered = true;
                }
            }
            if (!mattered) continue;
            // A link may lead elsewhere now, a folder may have come back:
            // armed anew before the news goes out, so that what the news
            // brings about (reading the file) sees every later change.
            {
                std::lock_guard<std::mutex> lock(mutex_);
                Arm();
            }
            onChange_();
        }
        std::lock_guard<std::mutex> lock(mutex_);
        for (const auto& folder : folders_) folder->Close();
        folders_.clear();
        running_ = false;
        done_.notify_all();
    }

    // Watches the folders of the path's spots when they differ from the ones
    // watched, or a folder has gone since. True when every spot is watched.
    // On the thread, with mutex_ held.
    bool Arm() {
        std::vector<Spot> wanted = SpotsOf(path_);
        if (wanted == armed_ && !lost_) return armedAll_;
        for (const auto& folder : folders_) folder->Close();
        folders_.clear();
        armed_ = wanted;
        lost_ = false;
        armedAll_ = true;
        for (const Spot& spot : wanted) {
            bool known = false;  // the same folder twice is read once
            for (const auto& folder : folders_)
                if (SameName(spot.folder.data(), spot.folder.size(), folder->path)) {
                    folder->names.push_back(spot.name);
                    known = true;
                }
            if (known) continue;
            auto folder = std::make_unique<Folder>();
            folder->path = spot.folder;
            folder->names.push_back(spot.name);
            folder->handle = CreateFileW(
                spot.folder.c_str(), FILE_LIST_DIRECTORY,
                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OVERLAPPED, nullptr);
            folder->overlapped.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
            if (folder->handle == INVALID_HANDLE_VALUE || folder->overlapped.hEvent == nullptr ||
                !folder->Read()) {
                folder->Close();
                armedAll_ = false;
                continue;
            }
            folders_.push_back(std::move(folder));
        }
        return armedAll_;
    }

    const ChangeHandler onChange_;
    HANDLE wake_ = nullptr;  // auto-reset: Watch and Stop
    std::thread thread_;

    std::mutex mutex_;  // guards what follows
    std::condition_variable done_;
    std::string path_;
    unsigned long asked_ = 0;     // Watch calls so far
    unsigned long armedFor_ = 0;  // the last one the thread has armed for
    bool stop_ = false;
    bool running_ = false;
    // The thread's own, changed only with mutex_ held.
    std::vector<Spot> armed_;  // the spots folders_ was made for
    // Each at a fixed address: the system writes into its OVERLAPPED and
    // buffer while a read is pending.
    std::vector<std::unique_ptr<Folder>> folders_;
    bool lost_ = false;     // a watched folder went
    bool armedAll_ = true;  // every spot of armed_ is watched
};

FileWatch::FileWatch(ChangeHandler onChange) : impl_(std::make_unique<Impl>(std::move(onChange))) {}
FileWatch::~FileWatch() = default;
bool FileWatch::Watch(const std::string& path) { return impl_->Watch(path); }
void FileWatch::Stop() { impl_->Stop(); }
