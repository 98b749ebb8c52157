// The built brantle-config-helper driven as a separate process, for the tests
// that run the whole program and for the start-up benchmark: where it is,
// starting it with a configuration folder of its own, waiting for its end;
// and finding its window on the X display (by the _NET_WM_PID the toolkit
// sets and by its title) and closing that the way a close box does.
//
// Header only: the support library every test links does not link X11, the
// programs that include this do. Xlib's macros (None, Status, Bool...) clash
// with names in other headers, so include this last.
#pragma once

#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "BrantleVersion.h"

// clang-format off
#include <X11/Xlib.h>
#include <X11/Xatom.h>
#include <X11/Xutil.h>
// clang-format on

extern char** environ;

namespace program {

namespace fs = std::filesystem;

// The title of the program's window.
inline const char* const kTitle = "BRANTLE Config Helper " BRANTLE_VERSION_TEXT;

// The tests are built in build/tests/, the benchmarks in build/bench/, the
// program in build/.
inline fs::path ProgramPath() {
    return fs::read_symlink("/proc/self/exe").parent_path().parent_path() / "brantle-config-helper";
}

inline bool OnPath(const std::string& name) {
    const char* path = getenv("PATH");
    std::stringstream dirs(path ? path : "");
    std::string dir;
    while (std::getline(dirs, dir, ':'))
        if (!dir.empty() && access((dir + "/" + name).c_str(), X_OK) == 0) return true;
    return false;
}

// Starts the program at `path` with `args`, with `configHome` as its
// configuration folder and `configHome`/state as its state folder (where it
// keeps the Remarks and result boxes); `redirect` adds to the file actions
// where its standard streams go. Its pid, or -1 when it could not be started.
inline pid_t Spawn(const std::string& path, const std::string& configHome,
                   const std::function<void(posix_spawn_file_actions_t*)>& redirect,
                   const std::vector<std::string>& args = {}) {
    setenv("XDG_CONFIG_HOME", configHome.c_str(), 1);
    setenv("XDG_STATE_HOME", (configHome + "/state").c_str(), 1);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (redirect) redirect(&actions);
    std::vector<char*> argv{const_cast<char*>(path.c_str())};
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawn(&pid, path.c_str(), &actions, nullptr, argv.data(), environ) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

// The exit status of process `pid` (128 + signal when killed), or -1 when it
// has not ended within `ms`; it is looked at every `pollMs`.
inline int WaitForExit(pid_t pid, int ms, int pollMs = 20) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < end) {
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid)
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        std::this_thread::sleep_for(std::chrono::milliseconds(pollMs));
    }
    return -1;
}

// Kills process `pid` and waits for its end, so no zombie is left.
inline void KillAndReap(pid_t pid) {
    kill(pid, SIGKILL);
    int status = 0;
    waitpid(pid, &status, 0);
}

// A process started by Spawn, killed when this goes while it still runs.
class ChildProcess {
  public:
    ChildProcess() = default;
    ~ChildProcess() { KillIfRunning(); }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // As Spawn; false when the program could not be started.
    bool Start(const std::string& path, const std::string& configHome,
               const std::function<void(posix_spawn_file_actions_t*)>& redirect,
               const std::vector<std::string>& args = {}) {
        pid_ = Spawn(path, configHome, redirect, args);
        return pid_ > 0;
    }
    pid_t Pid() const { return pid_; }

    // The exit status (128 + signal when killed), or -1 when the process has
    // not ended within `ms`.
    int WaitForExit(int ms) {
        const int status = program::WaitForExit(pid_, ms);
        if (status >= 0) exited_ = true;
        return status;
    }
    void KillIfRunning() {
        if (pid_ > 0 && !exited_) KillAndReap(pid_);
        exited_ = true;
    }

  private:
    pid_t pid_ = -1;
    bool exited_ = false;
};

// All of a file, such as the program's redirected output; "" when it cannot
// be read.
inline std::string FileText(const std::string& path) {
    std::ifstream in(path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// A 32-bit CARDINAL property of a window, such as _NET_WM_PID; -1 when the
// window does not have it.
inline long CardinalProperty(Display* display, Window window, const char* name) {
    Atom type = 0;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    long value = -1;
    if (XGetWindowProperty(display, window, XInternAtom(display, name, False), 0, 1, False,
                           XA_CARDINAL, &type, &format, &count, &after, &data) == Success &&
        data != nullptr && count == 1 && format == 32)
        value = *reinterpret_cast<long*>(data);
    if (data != nullptr) XFree(data);
    return value;
}

inline std::string WindowTitle(Display* display, Window window) {
    char* name = nullptr;
    std::string title;
    if (XFetchName(display, window, &name) && name != nullptr) title = name;
    if (name != nullptr) XFree(name);
    return title;
}

// The viewable window of process `pid` with the program's title below
// `under`, a top-level one or one a window manager has framed; 0 when there
// is none (yet). Unmapped windows are passed over with what they hold, which
// cannot be viewable either.
inline Window FindProgramWindow(Display* display, Window under, pid_t pid, int depth = 0) {
    Window root = 0;
    Window parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display, under, &root, &parent, &children, &count)) return 0;
    Window found = 0;
    for (unsigned int i = 0; i < count && found == 0; ++i) {
        XWindowAttributes attributes;
        if (!XGetWindowAttributes(display, children[i], &attributes)) continue;
        if (attributes.map_state != IsViewable) continue;
        if (CardinalProperty(display, children[i], "_NET_WM_PID") == pid &&
            WindowTitle(display, children[i]) == kTitle)
            found = children[i];
        else if (depth < 2)
            found = FindProgramWindow(display, children[i], pid, depth + 1);
    }
    if (children != nullptr) XFree(children);
    return found;
}

// The program's window once it has appeared and had a moment to draw, so it
// can be talked to; 0 when it does not appear within `ms`.
inline Window WaitForProgramWindow(Display* display, pid_t pid, int ms) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < end) {
        const Window window = FindProgramWindow(display, DefaultRootWindow(display), pid);
        if (window != 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            return window;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return 0;
}

// A point given in `window`'s coordinates, in the root window's (for xdotool).
struct RootPoint {
    int x = 0;
    int y = 0;
};

inline RootPoint ToRoot(Display* display, Window window, int x, int y) {
    RootPoint point;
    Window child = 0;
    XTranslateCoordinates(display, window, DefaultRootWindow(display), x, y, &point.x, &point.y,
                          &child);
    return point;
}

// The close box: the WM_DELETE_WINDOW request a window manager sends when it
// is clicked.
inline void RequestClose(Display* display, Window window) {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, window, False, NoEventMask, &event);
    XFlush(display);
}

}  // namespace program
