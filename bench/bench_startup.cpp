// Start-up: from starting the program's process to its window being mapped
// on the X server, for the built brantle-config-helper itself. Each start
// gets a configuration folder of its own and is ended by the close box.
//
//   bench_startup [--quick]     5 starts (3 with --quick), after one unmeasured
#include <fcntl.h>
#include <poll.h>
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
#include "ProgramWindow.h"  // last: it brings in Xlib's macros

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// Ignores the errors of asking about windows that vanish meanwhile.
int IgnoreXError(Display*, XErrorEvent*) { return 0; }

// Exit status, or -1 when the process was still running after `ms` (then killed).
int WaitOrKill(pid_t pid, int ms) {
    const int status = program::WaitForExit(pid, ms, 10);
    if (status < 0) program::KillAndReap(pid);
    return status;
}

// One start: milliseconds until the window is mapped, or -1.
double StartOnce(Display* display, const std::string& path) {
    char folder[] = "/tmp/brantle-bench-start-XXXXXX";
    if (mkdtemp(folder) == nullptr) return -1;
    const Window root = DefaultRootWindow(display);
    // Maps of top-level windows (and window manager frames) wake us at once;
    // the tree is also searched every few milliseconds.
    XSelectInput(display, root, SubstructureNotifyMask);
    XSync(display, True);

    const auto start = Clock::now();
    pid_t pid = program::Spawn(path, folder, [](posix_spawn_file_actions_t* actions) {
        posix_spawn_file_actions_addopen(actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    });
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
            window = program::FindProgramWindow(display, root, pid);
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
            program::RequestClose(display, window);
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
    const std::string path = program::ProgramPath().string();
    if (access(path.c_str(), X_OK) != 0) {
        std::fprintf(stderr, "bench_startup: %s is not built\n", path.c_str());
        return 1;
    }
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "bench_startup: no X display\n");
        return 1;
    }
    XSetErrorHandler(IgnoreXError);

    // The first start loads the libraries from disk; it is shown apart.
    const double first = StartOnce(display, path);
    std::vector<double> ms;
    for (int i = 0; i < starts; ++i) ms.push_back(StartOnce(display, path));
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
