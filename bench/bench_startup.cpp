// Start-up: from starting the program's process to its window being mapped
// on the X server, for the built brantle-config-helper itself. Each start
// gets a configuration folder of its own and is ended by the close box.
//
//   bench_startup [--quick]     5 starts (3 with --quick), after one unmeasured
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "BenchReport.h"

// clang-format off
#include <X11/Xlib.h>
#include <X11/Xatom.h>
#include <X11/Xutil.h>
// clang-format on

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

const char* const kTitle = "BRANTLE Config Helper 0.3.0";

long PidOf(Display* display, Window window) {
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    long pid = -1;
    if (XGetWindowProperty(display, window, XInternAtom(display, "_NET_WM_PID", False), 0, 1,
                           False, XA_CARDINAL, &type, &format, &count, &after, &data) == Success &&
        data != nullptr && count == 1 && format == 32)
        pid = *reinterpret_cast<long*>(data);
    if (data != nullptr) XFree(data);
    return pid;
}

bool HasTitle(Display* display, Window window) {
    char* name = nullptr;
    const bool match = XFetchName(display, window, &name) && name != nullptr && kTitle == std::string(name);
    if (name != nullptr) XFree(name);
    return match;
}

// The viewable window of process `pid` with the program's title, a top-level
// one or one a window manager has framed; 0 when there is none yet.
Window FindWindow(Display* display, Window under, pid_t pid, int depth = 0) {
    Window root = 0, parent = 0, *children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display, under, &root, &parent, &children, &count)) return 0;
    Window found = 0;
    for (unsigned int i = 0; i < count && found == 0; ++i) {
        XWindowAttributes attributes;
        if (!XGetWindowAttributes(display, children[i], &attributes)) continue;
        if (attributes.map_state != IsViewable) continue;
        if (PidOf(display, children[i]) == pid && HasTitle(display, children[i]))
            found = children[i];
        else if (depth < 2)
            found = FindWindow(display, children[i], pid, depth + 1);
    }
    if (children != nullptr) XFree(children);
    return found;
}

// Ignores the errors of asking about windows that vanish meanwhile.
int IgnoreXError(Display*, XErrorEvent*) { return 0; }

void CloseByCloseBox(Display* display, Window window) {
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

// Exit status, or -1 when the process was still running after `ms` (then killed).
int WaitOrKill(pid_t pid, int ms) {
    const auto end = Clock::now() + std::chrono::milliseconds(ms);
    int status = 0;
    while (Clock::now() < end) {
        if (waitpid(pid, &status, WNOHANG) == pid)
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
    return -1;
}

// One start: milliseconds until the window is mapped, or -1.
double StartOnce(Display* display, const std::string& program) {
    char folder[] = "/tmp/brantle-bench-start-XXXXXX";
    if (mkdtemp(folder) == nullptr) return -1;
    setenv("XDG_CONFIG_HOME", folder, 1);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    char* argv[] = {const_cast<char*>(program.c_str()), nullptr};
    const Window root = DefaultRootWindow(display);
    // Maps of top-level windows (and window manager frames) wake us at once;
    // the tree is also searched every few milliseconds.
    XSelectInput(display, root, SubstructureNotifyMask);
    XSync(display, True);

    pid_t pid = -1;
    const auto start = Clock::now();
    if (posix_spawn(&pid, program.c_str(), &actions, nullptr, argv, environ) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    double shownMs = -1;
    Window window = 0;
    if (pid > 0) {
        const auto deadline = start + std::chrono::seconds(20);
        pollfd connection{ConnectionNumber(display), POLLIN, 0};
        while (Clock::now() < deadline) {
            while (XPending(display) > 0) {
                XEvent event;
                XNextEvent(display, &event);
            }
            window = FindWindow(display, root, pid);
            if (window != 0) {
                shownMs = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
                break;
            }
            if (waitpid(pid, nullptr, WNOHANG) == pid) {
                pid = -1;  // ended without a window
                break;
            }
            poll(&connection, 1, 2);
        }
    }
    XSelectInput(display, root, NoEventMask);
    if (pid > 0) {
        if (window != 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            CloseByCloseBox(display, window);
        }
        const int status = WaitOrKill(pid, 5000);
        if (status != 0) std::fprintf(stderr, "bench_startup: the program ended with %d\n", status);
    }
    std::error_code ignored;
    fs::remove_all(folder, ignored);
    return shownMs;
}

}  // namespace

int main(int argc, char** argv) {
    const int starts = bench::Quick(argc, argv) ? 3 : 5;
    const std::string program =
        (fs::read_symlink("/proc/self/exe").parent_path().parent_path() / "brantle-config-helper")
            .string();
    if (access(program.c_str(), X_OK) != 0) {
        std::fprintf(stderr, "bench_startup: %s is not built\n", program.c_str());
        return 1;
    }
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "bench_startup: no X display\n");
        return 1;
    }
    XSetErrorHandler(IgnoreXError);

    // The first start loads the libraries from disk; it is shown apart.
    const double first = StartOnce(display, program);
    std::vector<double> ms;
    for (int i = 0; i < starts; ++i) ms.push_back(StartOnce(display, program));
    XCloseDisplay(display);

    const bool allShown =
        first >= 0 && std::none_of(ms.begin(), ms.end(), [](double m) { return m < 0; });
    const bench::Spread s = bench::Summarise(ms);
    std::fprintf(stderr, "start-up: first %.0f ms; then", first);
    for (double m : ms) std::fprintf(stderr, " %.0f", m);
    std::fprintf(stderr, " ms\n");
    bench::Row("Start-up, process start to window mapped",
               allShown ? bench::Format("median %.0f ms, worst %.0f ms (%d starts; first %.0f ms)",
                                        s.median, std::max(s.max, first), starts, first)
                        : std::string("WINDOW NOT SHOWN"),
               "< 1 s", bench::Verdict(allShown && std::max(s.max, first) < 1000));
    return allShown ? 0 : 1;
}
