// This program beside the serial monitors its users already run, measured
// the same way for each on one X display: start-up until the first window
// of the process is mapped (MapNotify, no polling), resident memory 5 s after
// the port was opened, CPU time and wake-ups over an idle spell with the port
// open, and the time from a write on the port until the X server reports the
// window drawn (X Damage), quiet and under two CPU hogs.
//
//   bench_peers --ours X,Y [--udp X,Y,X,Y] --shim PATH [--quick] [--only NAME]
//
// X,Y is where "Open" lies in the program's window (bench_window
// open-button, which also gives the places of the "UDP port" field and its
// "Start" for --udp, for the same latency by datagram); PATH is ptyshim.so, which lets gtkterm and
// cutecom open a pseudo-terminal as a serial port. The peers are skipped when not installed. An
// empty wx dialog built as the program is (floor_dialog) gives the floor of start-up and memory,
// and the same with as many controls of each kind as our window (floor_dialog --controls) the
// floor for a window that has them all; that one also shows the lines written on its port in a
// text field, the floor of latency.
// Prints one markdown table on standard output.
#include <arpa/inet.h>
#include <dirent.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "BenchReport.h"
#include "platform/TimeSlice.h"

// clang-format off
#include <X11/Xlib.h>
#include <X11/Xatom.h>
#include <X11/extensions/Xdamage.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
// clang-format on

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

double MsSince(Clock::time_point t) {
    return std::chrono::duration<double, std::milli>(Clock::now() - t).count();
}

bool OnPath(const std::string& name) {
    std::stringstream dirs(getenv("PATH") ? getenv("PATH") : "");
    std::string dir;
    while (std::getline(dirs, dir, ':'))
        if (!dir.empty() && access((dir + "/" + name).c_str(), X_OK) == 0) return true;
    return false;
}

void WriteFile(const fs::path& path, const std::string& text) {
    fs::create_directories(path.parent_path());
    std::ofstream(path) << text;
}

// ---------------------------------------------------------------- the port

// A pseudo-terminal standing in for the board: the measured program opens
// its slave side; the bench writes events on the master side and answers
// every detect request, as the board would.
class Port {
  public:
    Port() {
        master_ = posix_openpt(O_RDWR | O_NOCTTY);
        if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) return;
        path_ = ptsname(master_);
        // Kept open so that the line stays up between the programs.
        slave_ = open(path_.c_str(), O_RDWR | O_NOCTTY);
        reader_ = std::thread([this] { Answer(); });
    }
    ~Port() {
        stop_ = true;
        if (reader_.joinable()) reader_.join();
        if (slave_ >= 0) close(slave_);
        if (master_ >= 0) close(master_);
    }
    const std::string& Path() const { return path_; }
    bool Write(const std::string& bytes) {
        return write(master_, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
    }

  private:
    void Answer() {
        std::string seen;
        while (!stop_) {
            pollfd p{master_, POLLIN, 0};
            if (poll(&p, 1, 100) <= 0) continue;
            char buffer[512];
            const ssize_t n = read(master_, buffer, sizeof buffer);
            if (n <= 0) continue;
            seen.append(buffer, static_cast<std::size_t>(n));
            std::size_t at;
            while ((at = seen.find("{DET}")) != std::string::npos) {
                seen.erase(0, at + 5);
                Write("{F01}");
            }
            if (seen.size() > 16) seen.erase(0, seen.size() - 16);
        }
    }
    int master_ = -1, slave_ = -1;
    std::string path_;
    std::atomic<bool> stop_{false};
    std::thread reader_;
};

// Datagrams to the program's UDP server on 127.0.0.1, on a port that was
// free a moment ago.
class UdpSender {
  public:
    UdpSender() {
        socket_ = socket(AF_INET, SOCK_DGRAM, 0);
        const int probe = socket(AF_INET, SOCK_DGRAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (probe >= 0 && bind(probe, reinterpret_cast<sockaddr*>(&address), length) == 0 &&
            getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length) == 0)
            port_ = ntohs(address.sin_port);
        if (probe >= 0) close(probe);
        to_ = address;
    }
    ~UdpSender() {
        if (socket_ >= 0) close(socket_);
    }
    bool Ready() const { return socket_ >= 0 && port_ > 0; }
    int Port() const { return port_; }
    void Send(const std::string& text) {
        sendto(socket_, text.data(), text.size(), 0, reinterpret_cast<const sockaddr*>(&to_),
               sizeof to_);
    }

  private:
    int socket_ = -1;
    int port_ = 0;
    sockaddr_in to_{};
};

// ---------------------------------------------------------------- processes

pid_t Spawn(const std::vector<std::string>& args, const std::map<std::string, std::string>& env) {
    std::vector<std::string> envText;
    for (char** e = environ; *e != nullptr; ++e) {
        const std::string entry(*e);
        const std::string key = entry.substr(0, entry.find('='));
        if (env.count(key) == 0) envText.push_back(entry);
    }
    for (const auto& [key, value] : env) envText.push_back(key + "=" + value);
    std::vector<char*> argv, envp;
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    for (auto& e : envText) envp.push_back(const_cast<char*>(e.c_str()));
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    // Each program in a session of its own, as one started from a desktop:
    // the kernel shares the CPU between sessions first.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
    pid_t pid = -1;
    if (posix_spawnp(&pid, args[0].c_str(), &actions, &attributes, argv.data(), envp.data()) != 0)
        pid = -1;
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

void Stop(pid_t pid) {
    if (pid <= 0) return;
    kill(pid, SIGTERM);
    for (int i = 0; i < 100; ++i) {
        if (waitpid(pid, nullptr, WNOHANG) == pid) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
}

long StatusKiB(pid_t pid, const std::string& key) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(key + ":", 0) == 0) return std::atol(line.c_str() + key.size() + 1);
    return -1;
}

// CPU time and wake-ups (context switches) of a process, all threads, by
// thread id: a thread that ends between two readings must not take its
// earlier share out of the difference.
struct Usage {
    double cpuMs = 0;
    long switches = 0;
};
std::map<std::string, Usage> ThreadUsage(pid_t pid) {
    std::map<std::string, Usage> threads;
    const std::string tasks = "/proc/" + std::to_string(pid) + "/task";
    std::error_code error;
    for (const auto& task : fs::directory_iterator(tasks, error)) {
        Usage& u = threads[task.path().filename().string()];
        std::ifstream sched(task.path() / "schedstat");
        double ns = 0;
        if (sched >> ns) u.cpuMs = ns / 1e6;
        std::ifstream status(task.path() / "status");
        std::string line;
        while (std::getline(status, line))
            if (line.find("ctxt_switches:") != std::string::npos)
                u.switches += std::atol(line.c_str() + line.find(':') + 1);
    }
    return threads;
}
Usage ProcessUsage(pid_t pid) {
    Usage all;
    for (const auto& [tid, u] : ThreadUsage(pid)) {
        all.cpuMs += u.cpuMs;
        all.switches += u.switches;
    }
    return all;
}
// What the threads alive at the second reading used since the first.
Usage UsageSince(const std::map<std::string, Usage>& before,
                 const std::map<std::string, Usage>& after) {
    Usage spent;
    for (const auto& [tid, u] : after) {
        const auto earlier = before.find(tid);
        spent.cpuMs += u.cpuMs - (earlier != before.end() ? earlier->second.cpuMs : 0);
        spent.switches += u.switches - (earlier != before.end() ? earlier->second.switches : 0);
    }
    return spent;
}

// ---------------------------------------------------------------- X

struct X {
    Display* display = nullptr;
    Window root = 0;
    int damageEvent = 0, damageError = 0;
};

int IgnoreXError(Display*, XErrorEvent*) { return 0; }

long WindowPid(Display* display, Window window) {
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    long pid = -1;
    if (XGetWindowProperty(display, window, XInternAtom(display, "_NET_WM_PID", False), 0, 1, False,
                           XA_CARDINAL, &type, &format, &count, &after, &data) == Success &&
        data != nullptr && count == 1 && format == 32)
        pid = *reinterpret_cast<long*>(data);
    if (data != nullptr) XFree(data);
    return pid;
}

// Waits for a top-level window of `pid` to be mapped; its id, or 0.
Window WaitForMap(X& x, pid_t pid, int ms, double* mappedMs, Clock::time_point start) {
    const auto deadline = start + std::chrono::milliseconds(ms);
    pollfd connection{ConnectionNumber(x.display), POLLIN, 0};
    while (Clock::now() < deadline) {
        while (XPending(x.display) > 0) {
            XEvent event;
            XNextEvent(x.display, &event);
            // Toolkits map helper windows of a pixel or two as well (Qt):
            // the program's window is a real one.
            XWindowAttributes attributes{};
            if (event.type == MapNotify && WindowPid(x.display, event.xmap.window) == pid &&
                XGetWindowAttributes(x.display, event.xmap.window, &attributes) != 0 &&
                attributes.c_class == InputOutput && attributes.width >= 50 &&
                attributes.height >= 50) {
                *mappedMs = MsSince(start);
                return event.xmap.window;
            }
        }
        if (waitpid(pid, nullptr, WNOHANG) == pid) return 0;
        poll(&connection, 1, 50);
    }
    return 0;
}

void ClickAt(X& x, Window window, int wx, int wy) {
    int rx = 0, ry = 0;
    Window child = 0;
    XTranslateCoordinates(x.display, window, x.root, wx, wy, &rx, &ry, &child);
    XTestFakeMotionEvent(x.display, -1, rx, ry, 0);
    XTestFakeButtonEvent(x.display, 1, True, 0);
    XTestFakeButtonEvent(x.display, 1, False, 0);
    XFlush(x.display);
}

void AltKey(X& x, Window window, KeySym key) {
    // No window manager: the keyboard focus is given to the window itself
    // (a click might land on a menu of the window's own).
    XWarpPointer(x.display, None, window, 0, 0, 0, 0, 200, 200);
    XSetInputFocus(x.display, window, RevertToParent, CurrentTime);
    XSync(x.display, False);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    const KeyCode alt = XKeysymToKeycode(x.display, XK_Alt_L);
    const KeyCode k = XKeysymToKeycode(x.display, key);
    XTestFakeKeyEvent(x.display, alt, True, 0);
    XTestFakeKeyEvent(x.display, k, True, 0);
    XTestFakeKeyEvent(x.display, k, False, 0);
    XTestFakeKeyEvent(x.display, alt, False, 0);
    XFlush(x.display);
}

void Key(X& x, KeySym key, KeySym modifier = NoSymbol) {
    const KeyCode m = modifier != NoSymbol ? XKeysymToKeycode(x.display, modifier) : 0;
    const KeyCode k = XKeysymToKeycode(x.display, key);
    if (m) XTestFakeKeyEvent(x.display, m, True, 0);
    XTestFakeKeyEvent(x.display, k, True, 0);
    XTestFakeKeyEvent(x.display, k, False, 0);
    if (m) XTestFakeKeyEvent(x.display, m, False, 0);
    XFlush(x.display);
}

// Clicks into a text field and types `digits` over its text.
void TypeDigits(X& x, Window window, int wx, int wy, const std::string& digits) {
    ClickAt(x, window, wx, wy);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    Key(x, XK_a, XK_Control_L);
    for (char c : digits) Key(x, XK_0 + (c - '0'));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
}

// ---------------------------------------------------------------- programs

struct Program {
    std::string name;
    std::vector<std::string> args;
    std::map<std::string, std::string> env;
    std::function<void(const fs::path& config, const std::string& port)> configure;
    std::function<void(X&, Window)> openPort;  // none: the port opens at start
    bool hasPort = true;
    // Starts the program's UDP server on the port given; none: no UDP.
    std::function<void(X&, Window, int port)> startUdp;
    bool floor = false;  // a floor to measure against, not a peer
};

struct Results {
    std::vector<double> startMs;
    std::vector<double> startCpuMs;  // CPU time the process used until then
    long rssKiB = -1;
    double idleCpuPercent = -1, idleWakeups = -1;
    bench::Spread quiet, hogs, udpQuiet, udpHogs;
    double strayDamage = 0;  // damage reports per second with nothing written
};

// Time from each write until the window is reported damaged.
// Sends event number i the way under measurement.
using Send = std::function<void(int i)>;

bench::Spread Latency(X& x, Window window, const Send& send, int events, std::FILE* log,
                      const char* label) {
    const Damage damage = XDamageCreate(x.display, window, XDamageReportNonEmpty);
    std::mt19937 random(7);
    std::vector<double> samples;
    pollfd connection{ConnectionNumber(x.display), POLLIN, 0};
    int lost = 0;
    for (int i = 0; i < events; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(30 + random() % 21));
        XDamageSubtract(x.display, damage, None, None);
        XSync(x.display, False);
        while (XPending(x.display) > 0) {
            XEvent event;
            XNextEvent(x.display, &event);
        }
        const auto start = Clock::now();
        send(i);
        bool seen = false;
        while (!seen && MsSince(start) < 1000) {
            poll(&connection, 1, 5);
            while (XPending(x.display) > 0) {
                XEvent event;
                XNextEvent(x.display, &event);
                if (event.type == x.damageEvent + XDamageNotify) seen = true;
            }
        }
        if (seen)
            samples.push_back(MsSince(start));
        else
            ++lost;
    }
    XDamageDestroy(x.display, damage);
    const bench::Spread s = bench::Summarise(samples);
    std::fprintf(log, "%s: median %.2f ms, p99 %.2f ms, max %.2f ms, %d of %d not drawn\n", label,
                 s.median, s.p99, s.max, lost, events);
    return s;
}

double StrayDamage(X& x, Window window, int ms) {
    const Damage damage = XDamageCreate(x.display, window, XDamageReportNonEmpty);
    XSync(x.display, False);
    int count = 0;
    const auto start = Clock::now();
    pollfd connection{ConnectionNumber(x.display), POLLIN, 0};
    while (MsSince(start) < ms) {
        poll(&connection, 1, 20);
        while (XPending(x.display) > 0) {
            XEvent event;
            XNextEvent(x.display, &event);
            if (event.type == x.damageEvent + XDamageNotify) {
                ++count;
                XDamageSubtract(x.display, damage, None, None);
            }
        }
    }
    XDamageDestroy(x.display, damage);
    return count * 1000.0 / ms;
}

// Whether process `pid` has `path` open.
bool HoldsPath(pid_t pid, const std::string& path) {
    std::error_code error;
    const fs::path fds = "/proc/" + std::to_string(pid) + "/fd";
    for (fs::directory_iterator it(fds, error), end; !error && it != end; it.increment(error)) {
        std::error_code linkError;
        if (fs::read_symlink(it->path(), linkError).string() == path) return true;
    }
    return false;
}

Results Measure(X& x, const Program& program, bool quick, std::FILE* log) {
    Results r;
    const int starts = quick ? 3 : 5;
    for (int i = 0; i <= starts; ++i) {
        Port port;
        char folder[] = "/tmp/brantle-peers-XXXXXX";
        if (mkdtemp(folder) == nullptr) return r;
        const fs::path config(folder);
        // No blinking cursor in any toolkit that reads GTK's settings.
        WriteFile(config / "gtk-3.0" / "settings.ini", "[Settings]\ngtk-cursor-blink=false\n");
        if (program.configure) program.configure(config, port.Path());
        auto env = program.env;
        env["XDG_CONFIG_HOME"] = config.string();
        env["XDG_RUNTIME_DIR"] = config.string();  // mkdtemp made it 0700
        env["HOME"] = config.string();
        auto args = program.args;
        for (auto& a : args)
            if (a == "@PORT@") a = port.Path();

        XSelectInput(x.display, x.root, SubstructureNotifyMask);
        XSync(x.display, True);
        const auto start = Clock::now();
        const pid_t pid = Spawn(args, env);
        double mappedMs = -1;
        const Window window = pid > 0 ? WaitForMap(x, pid, 20000, &mappedMs, start) : 0;
        XSelectInput(x.display, x.root, NoEventMask);
        // The first start reads the libraries from disk: not counted.
        const double startCpuMs = window != 0 ? ProcessUsage(pid).cpuMs : -1;
        if (i > 0 && window != 0) {
            r.startMs.push_back(mappedMs);
            r.startCpuMs.push_back(startCpuMs);
        }
        std::fprintf(log, "%s start %d: %.0f ms, %.0f ms CPU\n", program.name.c_str(), i, mappedMs,
                     startCpuMs);
        const bool last = i == starts;
        if (last && window != 0 && program.hasPort) {
            std::this_thread::sleep_for(std::chrono::milliseconds(500));
            if (program.openPort) {
                // A key or click that comes before the program takes input
                // is lost: asked again until the program holds the port.
                // (A program may open the port for a moment while it looks
                // at the serial devices: held means held for a while.)
                auto held = [&] {
                    if (!HoldsPath(pid, port.Path())) return false;
                    std::this_thread::sleep_for(std::chrono::milliseconds(300));
                    return HoldsPath(pid, port.Path());
                };
                for (int attempt = 0; attempt < 10; ++attempt) {
                    if (attempt > 0)
                        std::fprintf(log, "%s: port not open yet, asking again\n",
                                     program.name.c_str());
                    program.openPort(x, window);
                    std::this_thread::sleep_for(std::chrono::milliseconds(700));
                    if (held()) break;
                }
            }
            std::this_thread::sleep_for(std::chrono::seconds(5));
            if (!HoldsPath(pid, port.Path())) {
                // Nothing of an idle or silent program would be worth a row.
                std::fprintf(log, "%s: the port did not open\n", program.name.c_str());
                Stop(pid);
                std::error_code ignored;
                fs::remove_all(config, ignored);
                continue;
            }
            r.rssKiB = StatusKiB(pid, "VmRSS");
            const int idleSeconds = quick ? 10 : 30;
            const auto before = ThreadUsage(pid);
            std::this_thread::sleep_for(std::chrono::seconds(idleSeconds));
            const Usage idle = UsageSince(before, ThreadUsage(pid));
            r.idleCpuPercent = 100.0 * idle.cpuMs / (idleSeconds * 1000.0);
            r.idleWakeups = static_cast<double>(idle.switches) / idleSeconds;
            r.strayDamage = StrayDamage(x, window, 2000);
            const int events = quick ? 100 : 200;
            const Send serial = [&port](int i) {
                char text[32];
                std::snprintf(text, sizeof text, "{0%03X}\r\n", 1 + i % 0xFFE);
                port.Write(text);
            };
            Send udp;
            UdpSender sender;
            if (program.startUdp && sender.Ready()) {
                program.startUdp(x, window, sender.Port());
                std::this_thread::sleep_for(std::chrono::milliseconds(500));
                udp = [&sender](int i) {
                    char text[32];
                    std::snprintf(text, sizeof text, "{00%04X}", 1 + i % 0xFFFE);
                    sender.Send(text);
                };
            }
            r.quiet = Latency(x, window, serial, events, log, (program.name + " quiet").c_str());
            if (udp)
                r.udpQuiet =
                    Latency(x, window, udp, events, log, (program.name + " UDP quiet").c_str());
            if (OnPath("stress-ng")) {
                // In a session of their own (as every program Spawn starts),
                // as a simulator started from the desktop runs beside the
                // program.
                const pid_t hogs = Spawn({"stress-ng", "--cpu", "2", "--timeout", "300"}, {});
                std::this_thread::sleep_for(std::chrono::seconds(1));
                r.hogs = Latency(x, window, serial, events, log,
                                 (program.name + " under 2 CPU hogs").c_str());
                if (udp)
                    r.udpHogs = Latency(x, window, udp, events, log,
                                        (program.name + " UDP under 2 CPU hogs").c_str());
                Stop(hogs);
            }
        } else if (last && window != 0) {
            std::this_thread::sleep_for(std::chrono::seconds(5));
            r.rssKiB = StatusKiB(pid, "VmRSS");
        }
        Stop(pid);
        std::error_code ignored;
        fs::remove_all(config, ignored);
    }
    std::fprintf(log,
                 "%s: RSS %ld KiB, idle %.3f %% of a core, %.1f wake-ups/s, %.1f stray damage/s\n",
                 program.name.c_str(), r.rssKiB, r.idleCpuPercent, r.idleWakeups, r.strayDamage);
    return r;
}

std::string Cell(double value, const char* format) {
    if (value < 0) return "n/a";
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

}  // namespace

int main(int argc, char** argv) {
    bool quick = false;
    int openX = -1, openY = -1, udpX = -1, udpY = -1, startX = -1, startY = -1;
    std::string shim, floorPath, only;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--quick")
            quick = true;
        else if (a == "--ours" && i + 1 < argc)
            std::sscanf(argv[++i], "%d,%d", &openX, &openY);
        else if (a == "--shim" && i + 1 < argc)
            shim = argv[++i];
        else if (a == "--only" && i + 1 < argc)
            only = argv[++i];
        else if (a == "--udp" && i + 1 < argc)
            std::sscanf(argv[++i], "%d,%d,%d,%d", &udpX, &udpY, &startX, &startY);
        else {
            std::fprintf(stderr,
                         "usage: bench_peers --ours X,Y --shim PATH [--quick] [--only NAME]\n");
            return 2;
        }
    }
    // The benchmark's own wake-up for a damage report is not the program's
    // latency: under the hogs it would otherwise wait for a hog's time slice.
    RequestShortSlice();
    setsid();
    const fs::path here = fs::read_symlink("/proc/self/exe").parent_path();
    const std::string ours = (here.parent_path() / "brantle-config-helper").string();
    floorPath = (here / "floor_dialog").string();
    X x;
    x.display = XOpenDisplay(nullptr);
    if (x.display == nullptr) {
        std::fprintf(stderr, "bench_peers: no X display\n");
        return 1;
    }
    XSetErrorHandler(IgnoreXError);
    x.root = DefaultRootWindow(x.display);
    if (!XDamageQueryExtension(x.display, &x.damageEvent, &x.damageError)) {
        std::fprintf(stderr, "bench_peers: the X server has no Damage extension\n");
        return 1;
    }

    std::vector<Program> programs;
    Program self{"this program", {ours}, {}, nullptr, nullptr, true, nullptr};
    self.configure = [](const fs::path& config, const std::string& port) {
        WriteFile(config / "BrantleConfigHelper.conf",
                  "SerialPort=" + port + "\nBaudRate=115200\n");
    };
    self.openPort = [openX, openY](X& x, Window window) { ClickAt(x, window, openX, openY); };
    if (udpX >= 0)
        self.startUdp = [udpX, udpY, startX, startY](X& x, Window window, int port) {
            TypeDigits(x, window, udpX, udpY, std::to_string(port));
            ClickAt(x, window, startX, startY);
        };
    programs.push_back(self);
    if (OnPath("gtkterm") && !shim.empty()) {
        Program p{"gtkterm",
                  {"gtkterm", "-p", "@PORT@", "-s", "115200", "-L"},
                  {{"LD_PRELOAD", shim}},
                  nullptr,
                  nullptr,
                  true,
                  nullptr};
        p.configure = [](const fs::path& config, const std::string& port) {
            // Its own settings as it writes them on a first start, which
            // otherwise shows a dialog about them.
            WriteFile(config / ".gtktermrc",
                      "[default]\nport\t= " + port +
                          "\nspeed\t= 115200\nbits\t= 8\nstopbits\t= 1\nparity\t= none\n"
                          "flow\t= none\nwait_delay\t= 0\nwait_char\t= -1\n"
                          "rs485_rts_time_before_tx\t= 30\nrs485_rts_time_after_tx\t= 30\n"
                          "echo\t= False\ncrlfauto\t= False\ntimestamp\t= False\n"
                          "font\t= \"Monospace 12\"\nterm_block_cursor\t= True\n"
                          "term_rows\t= 80\nterm_columns\t= 25\nterm_scrollback\t= 10000\n"
                          "term_visual_bell\t= True\n");
        };
        programs.push_back(p);
    }
    if (OnPath("cutecom") && !shim.empty()) {
        Program p{"cutecom", {"cutecom"}, {{"LD_PRELOAD", shim}}, nullptr, nullptr, true, nullptr};
        p.configure = [](const fs::path& config, const std::string& port) {
            // A cutecom that was ended leaves its lock file (LCK..pts_N)
            // behind, and a later one refuses the port of the same number.
            std::string name = port.substr(std::strlen("/dev/"));
            std::replace(name.begin(), name.end(), '/', '_');
            std::error_code ignored;
            fs::remove("/run/lock/LCK.." + name, ignored);
            WriteFile(config / "CuteCom" / "CuteCom5.conf",
                      "[sessions]\n1\\BaudRate=115200\n1\\DataBits=8\n1\\Device=" + port +
                          "\n1\\FlowControl=0\n1\\OpenMode=3\n1\\Parity=0\n1\\StopBits=1\n"
                          "1\\autoReconnect=false\n1\\name=Default\n1\\showCtrlCharacters=false\n"
                          "1\\showTimestamp=false\nsize=1\n");
        };
        p.openPort = [](X& x, Window window) { AltKey(x, window, XK_o); };  // "&Open"
        programs.push_back(p);
    }
    Program floor{
        "empty wx dialog (floor)", {floorPath}, {}, nullptr, nullptr, false, nullptr, true};
    // The same toolkit with as many controls of each kind as our window, and
    // none of its logic: the floor for a window that has them all from the
    // start. It shows each line read from the port in a text field, read by
    // the toolkit's own loop, and sends a detect request every 200 ms: the
    // floor of latency and of idle CPU.
    Program controls{"wx dialog with our window's controls (floor)",
                     {floorPath, "--controls", "--port", "@PORT@"},
                     {},
                     nullptr,
                     nullptr,
                     true,
                     nullptr,
                     true};
    if (access(floorPath.c_str(), X_OK) == 0) {
        programs.push_back(floor);
        programs.push_back(controls);
    }

    std::vector<Results> results;
    // --only NAME: that program alone (for trying a change).
    if (!only.empty())
        programs.erase(std::remove_if(programs.begin(), programs.end(),
                                      [&](const Program& p) { return p.name.find(only) != 0; }),
                       programs.end());
    for (const Program& p : programs) results.push_back(Measure(x, p, quick, stderr));
    XCloseDisplay(x.display);

    // The table: one column a program, then ours over the best peer.
    auto best = [&](auto get) {
        double b = -1;
        for (std::size_t i = 1; i < programs.size(); ++i)
            if (programs[i].hasPort && !programs[i].floor && get(results[i]) >= 0 &&
                (b < 0 || get(results[i]) < b))
                b = get(results[i]);
        return b;
    };
    struct Row {
        const char* name;
        std::function<double(const Results&)> get;
        const char* format;
    };
    const Row rows[] = {
        {"start-up to window mapped, median (ms)",
         [](const Results& r) {
             return r.startMs.empty() ? -1 : bench::Summarise(r.startMs).median;
         },
         "%.0f"},
        {"CPU time until mapped, median (ms)",
         [](const Results& r) {
             return r.startCpuMs.empty() ? -1 : bench::Summarise(r.startCpuMs).median;
         },
         "%.0f"},
        {"resident memory 5 s after the port opened (MB)",
         [](const Results& r) { return r.rssKiB < 0 ? -1 : r.rssKiB / 1024.0; }, "%.1f"},
        {"idle CPU, port open (% of a core)", [](const Results& r) { return r.idleCpuPercent; },
         "%.2f"},
        {"idle wake-ups per second, port open", [](const Results& r) { return r.idleWakeups; },
         "%.1f"},
        {"write to damage, median (ms)",
         [](const Results& r) { return r.quiet.count ? r.quiet.median : -1; }, "%.2f"},
        {"write to damage, p99 (ms)",
         [](const Results& r) { return r.quiet.count ? r.quiet.p99 : -1; }, "%.2f"},
        {"under 2 CPU hogs: median (ms)",
         [](const Results& r) { return r.hogs.count ? r.hogs.median : -1; }, "%.2f"},
        {"under 2 CPU hogs: p99 (ms)",
         [](const Results& r) { return r.hogs.count ? r.hogs.p99 : -1; }, "%.2f"},
        {"UDP datagram to damage, median (ms)",
         [](const Results& r) { return r.udpQuiet.count ? r.udpQuiet.median : -1; }, "%.2f"},
        {"UDP datagram to damage, p99 (ms)",
         [](const Results& r) { return r.udpQuiet.count ? r.udpQuiet.p99 : -1; }, "%.2f"},
        {"UDP under 2 CPU hogs: median (ms)",
         [](const Results& r) { return r.udpHogs.count ? r.udpHogs.median : -1; }, "%.2f"},
        {"UDP under 2 CPU hogs: p99 (ms)",
         [](const Results& r) { return r.udpHogs.count ? r.udpHogs.p99 : -1; }, "%.2f"},
    };
    std::printf("| Measure |");
    for (const Program& p : programs) std::printf(" %s |", p.name.c_str());
    std::printf(" ours / best peer |\n|---|");
    for (std::size_t i = 0; i < programs.size(); ++i) std::printf("---|");
    std::printf("---|\n");
    for (const Row& row : rows) {
        std::printf("| %s |", row.name);
        for (std::size_t i = 0; i < programs.size(); ++i)
            std::printf(" %s |", Cell(row.get(results[i]), row.format).c_str());
        const double b = best(row.get), o = row.get(results[0]);
        std::printf(" %s |\n", b > 0 && o >= 0 ? Cell(o / b, "%.2fx").c_str() : "n/a");
    }
    return 0;
}
