// The built program as a separate process, driven the way a person drives
// it: its window is found on the X display, its buttons are clicked with
// xdotool, its close box is a WM_DELETE_WINDOW request. Its standard output
// is read line by line as it comes (the console prints every event), its
// standard error is kept in a file (sanitizer reports go there), and its
// memory is read from /proc.
#pragma once

#include <errno.h>
#include <fcntl.h>
#include <spawn.h>
#include <stdlib.h>
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
#include <vector>

#include "GuiTest.h"
#include "ui/loggerDialog.h"

// clang-format off
#include "ProgramWindow.h"  // last: it brings in Xlib's macros
// clang-format on

namespace program {

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
    // Starts the program with `configHome` as its configuration folder and
    // `args` on its command line. `onLine` is called on a reading thread for
    // every line of its standard output.
    Process(const std::string& configHome, std::function<void(const std::string&)> onLine,
            const std::vector<std::string>& args = {})
        : errors_(configHome + "/stderr.txt"), onLine_(std::move(onLine)) {
        int out[2];
        if (pipe2(out, O_CLOEXEC) != 0) return;
        const auto redirect = [&](posix_spawn_file_actions_t* actions) {
            posix_spawn_file_actions_adddup2(actions, out[1], STDOUT_FILENO);
            posix_spawn_file_actions_addopen(actions, STDERR_FILENO, errors_.c_str(),
                                             O_WRONLY | O_CREAT | O_TRUNC, 0644);
        };
        process_.Start(ProgramPath().string(), configHome, redirect, args);
        close(out[1]);
        reader_ = std::thread([this, fd = out[0]] { ReadLines(fd); });
    }
    ~Process() {
        process_.KillIfRunning();
        if (reader_.joinable()) reader_.join();  // ends at the pipe's end of file
    }
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    pid_t Pid() const { return process_.Pid(); }

    // The exit status (128 + signal when killed), or -1 when the process has
    // not ended within `ms`.
    int WaitForExit(int ms) { return process_.WaitForExit(ms); }

    std::string Errors() const { return FileText(errors_); }
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
    ChildProcess process_;
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
    Window WaitForWindow(pid_t pid, int ms) { return WaitForProgramWindow(display_, pid, ms); }

    // A point of the window in root coordinates, for xdotool.
    wxPoint OnScreen(Window window, const wxPoint& inWindow) {
        const RootPoint point = ToRoot(display_, window, inWindow.x, inWindow.y);
        return {point.x, point.y};
    }

    // The close box: what a window manager sends when it is clicked.
    void RequestClose(Window window) { program::RequestClose(display_, window); }

  private:
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
