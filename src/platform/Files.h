// The files the program keeps for the user: reading one whole, replacing one
// as one step, appending without harming what it held, a log kept open for
// appending, and the user's folders for state and settings. Paths and
// contents are UTF-8 byte strings; a reason is the system's words.
//
//   ReadWholeFile        the whole content of a file
//   WriteFileAtomically  replace a file's content; the old or the new, never half
//   ReplaceFileContent   the same for a file of the user's, which stays what it was
//   AppendToFile         add to a file; on failure it is cut back to what it held
//   AppendingFile        a file held open for appending (the console's log)
//   UserStateFolder      where a program keeps state between runs
//   UserSettingsFolder   where a program keeps its settings
//   PathInFolder         a name in a folder, joined as the system does
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>

// Reads the whole file; false when it cannot be read (`missing` tells
// whether it does not exist, `error` why it could not be read).
bool ReadWholeFile(const std::string& path, std::string* content, bool* missing = nullptr,
                   std::string* error = nullptr);

// Replaces the file's content as one step: written to a temporary file
// beside it, flushed to disk and renamed over it, so a crash or a full disk
// leaves either the old or the new content. Creates missing folders (for the
// user alone). False with the reason in `error` when it failed; no temporary
// file is left behind.
bool WriteFileAtomically(const std::string& path, const std::string& content,
                         std::string* error = nullptr);

// Replaces the content of the existing file at `path` as one step, as
// WriteFileAtomically does, but the file stays what it was: its permissions
// (and its owner and group, where the system lets us keep them), and when
// `path` is a symbolic link, the file it leads to is replaced and the link
// stays. False with the reason in `error` when it failed (the file is then
// as it was, and no temporary file is left behind).
bool ReplaceFileContent(const std::string& path, const std::string& content,
                        std::string* error = nullptr);

// Appends to the file at `path`, creating it when it does not exist. The
// bytes are what `bytesAfter` gives for the file's last byte (-1 when the
// file is empty or new; a file that may be added to but not read counts as
// ending in '\n'). The file's earlier content is never touched: a write that
// fails part-way is cut off again, so the file is either as it was or has
// all the bytes, flushed to disk. False with the reason in `error` when it
// failed (a folder or another kind of file than a regular one is refused).
bool AppendToFile(const std::string& path,
                  const std::function<std::string(int lastByte)>& bytesAfter, std::string* error);

// A file held open for appending, written by one thread at a time.
class AppendingFile {
  public:
    AppendingFile();
    ~AppendingFile();  // closes it
    AppendingFile(const AppendingFile&) = delete;
    AppendingFile& operator=(const AppendingFile&) = delete;

    // Opens the file at `path` for appending, creating it when it does not
    // exist. False with the reason in `error`.
    bool Open(const std::string& path, std::string* error);
    // Writes all `size` bytes at the file's end, going on after short writes
    // and interruptions. False with the reason in `error`.
    bool Append(const char* data, std::size_t size, std::string* error);
    void Close();

  private:
    struct Handle;
    std::unique_ptr<Handle> handle_;
};

// The folder for what a program keeps between runs: $XDG_STATE_HOME when it
// is an absolute path, else ~/.local/state (Windows: %LOCALAPPDATA%).
std::string UserStateFolder();

// The folder for settings files: $XDG_CONFIG_HOME when it is set and not
// empty, else ~/.config (Windows: %APPDATA%).
std::string UserSettingsFolder();

// `name` in `folder`, joined with the system's separator ('/', or '\' on
// Windows), so that a path the user is shown reads as the system writes it.
std::string PathInFolder(const std::string& folder, const std::string& name);
