// The built program as a separate process, driven the way a person drives
// it: its window is found on the X display, its buttons are clicked with
// xdotool, its close box is a WM_DELETE_WINDOW request. Its standard output
// is read line by line as it comes (the console prints every event), its
// standard error is kept in a file (sanitizer reports go there), and its
// memory is read from /proc.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>

#include "GuiTest.h"
#include "ui/loggerDialog.h"

// Xlib's macros (None, Status, Bool...) clash with names in the headers above,
// so it comes last.
// clang-format off
#include <X11/Xlib.h>
#include <X11/Xatom.h>
#include <X11/Xutil.h>
// clang-format on

extern char** environ;

namespace program {

namespace fs = std::filesystem;

inline const char* const kTitle = "BRANTLE Config Helper 0.3.0";

// The test binary is in build/tests/, the program in build/.
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

// A field of /proc/PID/status in KiB ("VmRSS", "VmHWM"), -1 when unreadable.
inline long StatusKiB(pid_t pid, const std::string& field) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(field + ":", 0) == 0) return std::atol(line.c_str() + field.size() + 1);
    return -1;
}

// Where the controls of the Device panel lie in the window, relative to its
// top-left corner: the same window built in this process has the same layout.
struct DevicePanelLayout {
    wxPoint open;      // "Open"
    wxPoint udpPort;   // "UDP port" field
    wxPoint udpStart;  // "Start"
};

inline DevicePanelLayout MeasureDevicePanel() {
    auto* dialog = new loggerDialog();
    dialog->Show();
    PumpEvents(100);
    auto centre = [&](wxWindow* control) {
        const wxRect r = control->GetScreenRect();
        return r.GetPosition() + r.GetSize() / 2 - dialog->GetScreenPosition();
    };
    DevicePanelLayout layout{centre(dialog->ID_BUTTON1), centre(dialog->ID_TEXTCTRL47),
                             centre(dialog->ID_BUTTON22)};
    dialog->Destroy();
    PumpEvents(20);
    return layout;
}

class Process {
  public:
    // Starts the program with `configHome` as its configuration folder.
    // `onLine` is called on a reading thread for every line of its standard
    // output.
    Process(const std::string& configHome, std::function<void(const std::string&)> onLine)
        : errors_(configHome + "/stderr.txt"), onLine_(std::move(onLine)) {
        int out[2];
        if (pipe2(out, O_CLOEXEC) != 0) return;
        setenv("XDG_CONFIG_HOME", configHome.c_str(), 1);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errors_.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const std::string path = ProgramPath().string();
        char* argv[] = {const_cast<char*>(path.c_str()), nullptr};
        if (posix_spawn(&pid_, path.c_str(), &actions, nullptr, argv, environ) != 0) pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
        close(out[1]);
        reader_ = std::thread([this, fd = out[0]] { ReadLines(fd); });
    }
    ~Process() {
        if (pid_ > 0 && !exited_) {
            kill(pid_, SIGKILL);
            int status = 0;
            waitpid(pid_, &status, 0);
        }
        if (reader_.joinable()) reader_.join();  // ends at the pipe's end of file
    }
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    pid_t Pid() const { return pid_; }

    // The exit status (128 + signal when killed), or -1 when the process has
    // not ended within `ms`.
    int WaitForExit(int ms) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        while (std::chrono::steady_clock::now() < end) {
            int status = 0;
            if (waitpid(pid_, &status, WNOHANG) == pid_) {
                exited_ = true;
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return -1;
    }

    std::string Errors() const {
        std::ifstream in(errors_);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }
    // The reports of AddressSanitizer, LeakSanitizer, UndefinedBehaviorSanitizer
    // or ThreadSanitizer in the standard error, or "" when there are none.
    std::string SanitizerReports() const {
        const std::string errors = Errors();
        for (const char* mark : {"Sanitizer", "runtime error:"})
            if (errors.find(mark) != std::string::npos) return errors;
        return "";
    }

  private:
    void ReadLines(int fd) {
        std::string pending;
        char buffer[65536];
        for (;;) {
            const ssize_t n = read(fd, buffer, sizeof buffer);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;
            pending.append(buffer, static_cast<std::size_t>(n));
            std::size_t start = 0;
            for (std::size_t end; (end = pending.find('\n', start)) != std::string::npos;
                 start = end + 1)
                onLine_(pending.substr(start, end - start));
            pending.erase(0, start);
        }
        close(fd);
    }

    std::string errors_;
    std::function<void(const std::string&)> onLine_;
    pid_t pid_ = -1;
    bool exited_ = false;
    std::thread reader_;
};

class Screen {
  public:
    Screen() : display_(XOpenDisplay(nullptr)) {}
    ~Screen() {
        if (display_ != nullptr) XCloseDisplay(display_);
    }
    Screen(const Screen&) = delete;
    Screen& operator=(const Screen&) = delete;
    bool Ok() const { return display_ != nullptr; }

    // The program's viewable top-level window, once it has appeared (0 when
    // it does not within `ms`).
    Window WaitForWindow(pid_t pid, int ms) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        while (std::chrono::steady_clock::now() < end) {
            const Window window = FindWindow(DefaultRootWindow(display_), pid, 0);
            if (window != 0) {
                // Let it draw before it is talked to.
                std::this_thread::sleep_for(std::chrono::milliseconds(300));
                return window;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return 0;
    }

    // A point of the window in root coordinates, for xdotool.
    wxPoint OnScreen(Window window, const wxPoint& inWindow) {
        int x = 0;
        int y = 0;
        Window child = 0;
        XTranslateCoordinates(display_, window, DefaultRootWindow(display_), inWindow.x,
                              inWindow.y, &x, &y, &child);
        return {x, y};
    }

    // The close box: what a window manager sends when it is clicked.
    void RequestClose(Window window) {
        XEvent event{};
        event.xclient.type = ClientMessage;
        event.xclient.window = window;
        event.xclient.message_type = XInternAtom(display_, "WM_PROTOCOLS", False);
        event.xclient.format = 32;
        event.xclient.data.l[0] = static_cast<long>(XInternAtom(display_, "WM_DELETE_WINDOW", False));
        event.xclient.data.l[1] = CurrentTime;
        XSendEvent(display_, window, False, NoEventMask, &event);
        XFlush(display_);
    }

  private:
    long CardinalProperty(Window window, const char* name) {
        Atom type = 0;
        int format = 0;
        unsigned long count = 0;
        unsigned long after = 0;
        unsigned char* data = nullptr;
        long value = -1;
        if (XGetWindowProperty(display_, window, XInternAtom(display_, name, False), 0, 1, False,
                               XA_CARDINAL, &type, &format, &count, &after, &data) == Success &&
            data != nullptr && count == 1 && format == 32)
            value = *reinterpret_cast<long*>(data);
        if (data != nullptr) XFree(data);
        return value;
    }
    std::string Title(Window window) {
        char* name = nullptr;
        std::string title;
        if (XFetchName(display_, window, &name) && name != nullptr) title = name;
        if (name != nullptr) XFree(name);
        return title;
    }
    Window FindWindow(Window under, pid_t pid, int depth) {
        Window root = 0;
        Window parent = 0;
        Window* children = nullptr;
        unsigned int count = 0;
        if (!XQueryTree(display_, under, &root, &parent, &children, &count)) return 0;
        Window found = 0;
        for (unsigned int i = 0; i < count && found == 0; ++i) {
            XWindowAttributes attributes;
            if (XGetWindowAttributes(display_, children[i], &attributes) &&
                attributes.map_state == IsViewable &&
                CardinalProperty(children[i], "_NET_WM_PID") == pid && Title(children[i]) == kTitle)
                found = children[i];
            else if (depth < 2)
                found = FindWindow(children[i], pid, depth + 1);
        }
        if (children != nullptr) XFree(children);
        return found;
    }

    Display* display_;
};

// Runs an xdotool command line; true when it succeeded.
inline bool Xdotool(const std::string& arguments) {
    return system(("xdotool " + arguments + " >/dev/null 2>&1").c_str()) == 0;
}

inline bool ClickAt(const wxPoint& p) {
    return Xdotool("mousemove " + std::to_string(p.x) + " " + std::to_string(p.y) + " click 1");
}

// Clicks into a text field, selects all of it and types `text` over it.
inline bool TypeInto(const wxPoint& p, const std::string& text) {
    return ClickAt(p) && Xdotool("key ctrl+a") && Xdotool("type --delay 30 " + text);
}

}  // namespace program
