// virtual-board: a hub board on a pseudo-terminal, for trying the program
// without hardware. Prints the terminal's device path as its first line, then
// answers the program and sends what its input says.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <mutex>
#include <string>

#include "VirtualBoard.h"

namespace {

const char kUsage[] =
    "usage: virtual-board [--id N] [--link PATH] [--show] [--script FILE] [--no-stdin]\n"
    "                     [--own-terminal]\n"
    "\n"
    "Opens a pseudo-terminal that behaves as the hub board and prints its device\n"
    "path (open that path in the program). Lines of the script, then of standard\n"
    "input, say what the board sends:\n"
    "  0123         a board message: hexadecimal digits, sent as {0123}\n"
    "  !            the acknowledgement byte\n"
    "  raw TEXT     TEXT as it is; escapes \\n \\r \\t \\\\ \\xHH\n"
    "  sleep MS     wait MS milliseconds\n"
    "  # ...        a comment\n"
    "\n"
    "  --id N       detect response id, 0 to 255 (default 1): answers {DET} with {F01}\n"
    "  --link PATH  also make PATH a symbolic link to the terminal\n"
    "  --show       draw the 16 display units and 64 outputs as the program sets them\n"
    "  --script F   run the lines of file F first\n"
    "  --no-stdin   do not read standard input; run until SIGTERM or Ctrl-C\n"
    "  --own-terminal  run in a session of its own that has the terminal as its\n"
    "               controlling terminal (for Wine, whose server would take it)\n"
    "Ends at the end of its input, or on SIGTERM / SIGINT.\n";

volatile sig_atomic_t stopRequested = 0;
int signalPipe[2] = {-1, -1};

void OnStopSignal(int) {
    stopRequested = 1;
    int saved = errno;
    char c = 1;
    ssize_t ignored = write(signalPipe[1], &c, 1);
    (void)ignored;
    errno = saved;
}

bool InstallSignals() {
    if (pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) return false;
    struct sigaction sa;
    std::memset(&sa, 0, sizeof sa);
    sa.sa_handler = OnStopSignal;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGHUP, &sa, nullptr);
    signal(SIGPIPE, SIG_IGN);
    return true;
}

struct Options {
    int id = 1;
    std::string link;
    std::string script;
    bool show = false;
    bool readStdin = true;
    bool ownTerminal = false;
};

// False (with a message) when the command line is wrong.
bool ParseOptions(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        auto value = [&](std::string& out) {
            if (i + 1 >= argc) {
                fprintf(stderr, "virtual-board: %s needs a value\n", arg.c_str());
                return false;
            }
            out = argv[++i];
            return true;
        };
        std::string text;
        if (arg == "--id") {
            if (!value(text)) return false;
            char* end = nullptr;
            long id = strtol(text.c_str(), &end, 10);
            if (text.empty() || *end != '\0' || id < 0 || id > 255) {
                fprintf(stderr, "virtual-board: --id takes a number from 0 to 255\n");
                return false;
            }
            options.id = static_cast<int>(id);
        } else if (arg == "--link") {
            if (!value(options.link)) return false;
        } else if (arg == "--script") {
            if (!value(options.script)) return false;
        } else if (arg == "--show") {
            options.show = true;
        } else if (arg == "--no-stdin") {
            options.readStdin = false;
        } else if (arg == "--own-terminal") {
            options.ownTerminal = true;
        } else if (arg == "--help" || arg == "-h") {
            fputs(kUsage, stdout);
            exit(0);
        } else {
            fprintf(stderr, "virtual-board: unknown option %s\n\n%s", arg.c_str(), kUsage);
            return false;
        }
    }
    return true;
}

// A symbolic link left by an earlier run is replaced; anything else at that
// path is not touched.
bool MakeLink(const std::string& link, const std::string& target) {
    struct stat st;
    if (lstat(link.c_str(), &st) == 0) {
        if (!S_ISLNK(st.st_mode)) {
            fprintf(stderr, "virtual-board: %s exists and is not a link\n", link.c_str());
            return false;
        }
        unlink(link.c_str());
    }
    if (symlink(target.c_str(), link.c_str()) != 0) {
        fprintf(stderr, "virtual-board: cannot link %s: %s\n", link.c_str(), strerror(errno));
        return false;
    }
    return true;
}

// A process that opens a terminal without O_NOCTTY while it leads a session
// with none takes it as its controlling terminal; Wine's server does that
// and then hears of every hang-up. A terminal can control one session only:
// the board's own. The association outlives the descriptor.
bool TakeAsControllingTerminal(const std::string& path) {
    if (setsid() < 0) {
        fprintf(stderr, "virtual-board: --own-terminal: cannot start a session: %s\n",
                strerror(errno));
        return false;
    }
    const int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    const bool taken = fd >= 0 && ioctl(fd, TIOCSCTTY, 0) == 0;
    if (!taken) fprintf(stderr, "virtual-board: --own-terminal: %s\n", strerror(errno));
    if (fd >= 0) close(fd);
    return taken;
}

// ---- --show

constexpr int kDrawnLines = 15;  // the drawing; typed input scrolls below it

class Display {
  public:
    Display(const board::VirtualBoard& board, bool terminal) : board_(board), terminal_(terminal) {
        if (terminal_) {
            // Clear, keep the top for the drawing and let input scroll below.
            printf("\x1b[H\x1b[2J\x1b[%d;r\x1b[%d;1H", kDrawnLines + 1, kDrawnLines + 1);
        }
        Draw();
    }
    ~Display() {
        if (terminal_) printf("\x1b[r\x1b[999;1H\n");
        fflush(stdout);
    }

    void Draw() {
        std::lock_guard<std::mutex> lock(mutex_);
        std::string out;
        if (terminal_)
            out +=
                "\x1b"
                "7\x1b[H";  // save the cursor, go home
        Line(out, "virtual-board " + board_.DevicePath() + "  id " + std::to_string(board_.Id()) +
                      "  7SG frames " + std::to_string(board_.SegmentCount()) + "  LED frames " +
                      std::to_string(board_.LedCount()));
        Line(out, "Display units (unit [positions 0-7]):");
        for (int row = 0; row < 4; ++row) {
            std::string line;
            for (int col = 0; col < 4; ++col) {
                int unit = board::kUnits - 1 - (row * 4 + col);
                char label[8];
                snprintf(label, sizeof label, "  %2d [", unit);
                line += label + Printable(board_.UnitText(unit)) + "]";
            }
            Line(out, line);
        }
        Line(out, "Outputs (# on, . off):");
        for (int row = 0; row * 10 < board::kOutputs; ++row) {
            char label[8];
            snprintf(label, sizeof label, "  %2d  ", row * 10);
            std::string line = label;
            for (int i = row * 10; i < row * 10 + 10 && i < board::kOutputs; ++i) {
                line += board_.OutputOn(i) ? '#' : '.';
            }
            Line(out, line);
        }
        Line(out, "");
        if (terminal_)
            out +=
                "\x1b"
                "8";  // back to where input goes
        fputs(out.c_str(), stdout);
        fflush(stdout);
    }

  private:
    void Line(std::string& out, const std::string& text) {
        out += text;
        if (terminal_) out += "\x1b[K";
        out += '\n';
    }
    static std::string Printable(std::string text) {
        for (char& c : text) {
            if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) > 0x7E) {
                c = '?';
            }
        }
        return text;
    }

    const board::VirtualBoard& board_;
    bool terminal_;
    std::mutex mutex_;
};

// ---- input

bool Interrupted() { return stopRequested != 0; }

void RunLine(board::VirtualBoard& vb, const std::string& line, const std::string& where, int n) {
    if (!vb.RunScriptLine(line, Interrupted)) {
        fprintf(stderr, "virtual-board: %s line %d not understood: %s\n", where.c_str(), n,
                line.c_str());
    }
}

void RunScript(board::VirtualBoard& vb, const std::string& path) {
    std::ifstream in(path);
    if (!in) {
        fprintf(stderr, "virtual-board: cannot read %s\n", path.c_str());
        return;
    }
    std::string line;
    for (int n = 1; !Interrupted() && std::getline(in, line); ++n) RunLine(vb, line, path, n);
}

// Reads standard input line by line until its end or a stop signal.
void RunStdin(board::VirtualBoard& vb) {
    std::string pending;
    char buffer[1024];
    int n = 0;
    while (!Interrupted()) {
        pollfd p[2] = {{STDIN_FILENO, POLLIN, 0}, {signalPipe[0], POLLIN, 0}};
        if (poll(p, 2, -1) < 0) {
            if (errno == EINTR) continue;
            return;
        }
        if (p[1].revents) return;
        ssize_t got = read(STDIN_FILENO, buffer, sizeof buffer);
        if (got < 0 && (errno == EINTR || errno == EAGAIN)) continue;
        if (got <= 0) break;
        pending.append(buffer, static_cast<size_t>(got));
        size_t end;
        while ((end = pending.find('\n')) != std::string::npos && !Interrupted()) {
            RunLine(vb, pending.substr(0, end), "input", ++n);
            pending.erase(0, end + 1);
        }
    }
    if (!pending.empty() && !Interrupted()) RunLine(vb, pending, "input", ++n);
}

void WaitForStop() {
    while (!Interrupted()) {
        pollfd p = {signalPipe[0], POLLIN, 0};
        poll(&p, 1, -1);
    }
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!ParseOptions(argc, argv, options)) return 2;
    if (!InstallSignals()) return 1;

    board::VirtualBoard vb(options.id);
    if (!vb.Start()) {
        fprintf(stderr, "virtual-board: cannot open a pseudo-terminal: %s\n", strerror(errno));
        return 1;
    }
    if (options.ownTerminal && !TakeAsControllingTerminal(vb.DevicePath())) return 1;
    printf("%s\n", vb.DevicePath().c_str());
    fflush(stdout);
    if (!options.link.empty() && !MakeLink(options.link, vb.DevicePath())) return 1;

    {
        std::unique_ptr<Display> display;
        if (options.show) {
            display.reset(new Display(vb, isatty(STDOUT_FILENO) != 0));
            Display* d = display.get();
            vb.SetChangeListener([d] { d->Draw(); });
        }
        if (!options.script.empty()) RunScript(vb, options.script);
        if (options.readStdin) {
            RunStdin(vb);
        } else {
            WaitForStop();
        }
        // The drawing runs on the board's thread: stop it before the display goes.
        vb.Stop();
    }
    if (!options.link.empty()) unlink(options.link.c_str());
    return 0;
}
