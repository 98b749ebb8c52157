// Tells when one file changes on disk: a thread of its own sleeps until the
// system reports that the file was written and closed, made, removed, renamed
// away, replaced by another (an editor that saves by renaming a new file
// over the old one) or given new permissions. It wakes only on such news,
// never to look on its own, and passes on only news of the watched file (and,
// for a symbolic link, of the file it leads to), not of its neighbours.
#pragma once

#include <functional>
#include <memory>
#include <string>

class FileWatch {
  public:
    // Called on the watch thread after a change; it should only hand the
    // news on (the watch thread must not touch a window).
    using ChangeHandler = std::function<void()>;

    explicit FileWatch(ChangeHandler onChange);
    ~FileWatch();  // stops and joins the thread

    FileWatch(const FileWatch&) = delete;
    FileWatch& operator=(const FileWatch&) = delete;

    // Watches the file at `path` from now on instead of the one before (an
    // empty path: none); the thread starts with the first path. The file need
    // not exist, its folder must: false when the folder cannot be watched or
    // the system has nothing to watch with (nothing is watched then).
    bool Watch(const std::string& path);
    // Ends the watch and joins the thread; a later Watch starts it again.
    void Stop();

  private:
    class Impl;
    std::unique_ptr<Impl> impl_;
};
