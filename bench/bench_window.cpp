// The real main window under measurement, in this process, inside the
// toolkit's running event loop as the program runs it:
//
//   bench_window latency [--quick]  board write / datagram -> "EvID(decimal)"
//   bench_window burst   [--quick]  100,000 datagrams: rate, longest stall, peak memory
//   bench_window idle    [--quick]  CPU with the port open and the board answering
//   bench_window floor   [--quick]  CPU of an empty dialog with a 20 ms timer
//   bench_window open-button        where "Open" lies in the window (for bench_peers)
//
// Each mode runs in a process of its own (scripts/bench starts them), so the
// peak memory of the burst is the burst's own. Rows of the table go to
// standard output, details to standard error (see BenchReport.h).
#include <gtk/gtk.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <wx/evtloop.h>
#include <wx/timer.h>
#include <wx/wx.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "BenchReport.h"
#include "GuiTest.h"
#include "Heartbeat.h"
#include "Loopback.h"
#include "VirtualBoard.h"
#include "app/loggerApp.h"
#include "console/Console.h"
#include "ui/loggerDialog.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using bench::Format;
using bench::Row;

double MsBetween(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

// Calls a function on every firing.
class CallingTimer : public wxTimer {
  public:
    explicit CallingTimer(std::function<void()> call) : call_(std::move(call)) {}
    void Notify() override { call_(); }

  private:
    std::function<void()> call_;
};

// Runs the toolkit's loop (not a polling pump: nothing sleeps between events)
// until `done` holds or `timeoutMs` passes; true when it held.
bool RunLoopUntil(const std::function<bool()>& done, int timeoutMs, int checkEveryMs = 5) {
    if (done()) return true;
    wxGUIEventLoop loop;
    bool held = false;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    CallingTimer check([&] {
        if (done()) held = true;
        if (held || Clock::now() > deadline) loop.Exit();
    });
    check.Start(checkEveryMs);
    {
        wxEventLoopActivator active(&loop);
        loop.Run();
    }
    check.Stop();
    return held;
}

void RunLoopFor(int ms) {
    wxGUIEventLoop loop;
    CallingTimer end([&] { loop.Exit(); });
    end.StartOnce(std::max(1, ms));
    wxEventLoopActivator active(&loop);
    loop.Run();
}

// The main window as the program makes it, with settings in a folder of its
// own, and the board, when there is one, connected.
class Window {
  public:
    Window() {
        char folder[] = "/tmp/brantle-bench-XXXXXX";
        if (mkdtemp(folder) != nullptr) folder_ = folder;
        setenv("XDG_CONFIG_HOME", folder_.c_str(), 1);
        dialog = new loggerDialog();
        dialog->Show();
        RunLoopFor(300);  // mapped and drawn once
    }
    ~Window() {
        if (dialog->serial.IsOpen()) Click(dialog->ID_BUTTON2);
        dialog->Destroy();
        RunLoopFor(20);
        std::error_code ignored;
        if (!folder_.empty()) fs::remove_all(folder_, ignored);
    }
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    bool Connect(const std::string& devicePath) {
        dialog->ID_COMBOBOX1->SetValue(devicePath);
        Click(dialog->ID_BUTTON1);
        // A real click leaves the focus on the buttons, not in a text field
        // whose blinking cursor would take frames of its own (see
        // MeasureLatency).
        dialog->ID_BUTTON2->SetFocus();
        // One second of warm-up, then the first detect request.
        return dialog->serial.IsOpen() &&
               RunLoopUntil([&] { return Status() == "Connected"; }, 5000);
    }
    int StartUdp() {
        dialog->ID_TEXTCTRL47->SetValue(Format("%d", loopback::FreePort()));
        Click(dialog->ID_BUTTON22);
        return dialog->udpServer.IsListening() ? dialog->udpServer.BoundPort() : 0;
    }
    wxString Status() const { return dialog->ID_STATICTEXT2->GetLabel(); }

    loggerDialog* dialog = nullptr;

  private:
    std::string folder_;
};

// ---------------------------------------------------------------- latency

// When a receive thread last had bytes: the system's share of the latency.
std::atomic<Clock::time_point> lastReadAt;
int RecordingSerialReceive(const char* data, int count) {
    lastReadAt = Clock::now();
    return OnSerialReceive(data, count);
}
int RecordingDatagram(const char* data, int count) {
    lastReadAt = Clock::now();
    return OnDatagram(data, count);
}

struct LatencyResult {
    bench::Spread set;    // board write -> the field holds the id, loop idle
    bench::Spread drawn;  // board write -> the field drawn with the id
    bench::Spread read;   // board write -> the receive thread has the bytes
    int lost = 0;
    int frames = 0;  // painted during the run
};

// One event at a time: `send(i, id)` writes event i carrying `id`; the time
// runs until "EvID(decimal)" holds the id (checked each time the loop has
// handled its events) and until the field has been drawn with it. Events are
// isolated (20 to 40 ms apart) so that each measures one event's own way.
LatencyResult MeasureLatency(loggerDialog* dialog, int events,
                             const std::function<bool(int id)>& send) {
    struct Event {
        std::string expected;
        Clock::time_point sent, set, drawn, read;
        std::atomic<int> seen{0};  // bit 1: field set, bit 2: drawn
    };
    std::unique_ptr<Event[]> log(new Event[static_cast<std::size_t>(events)]);
    std::vector<int> ids(static_cast<std::size_t>(events));
    for (int i = 0; i < events; ++i) {
        ids[static_cast<std::size_t>(i)] = 1 + (i * 37) % 4000;  // never the previous one
        log[i].expected = std::to_string(ids[static_cast<std::size_t>(i)]);
    }
    std::atomic<int> current{-1};
    wxTextCtrl* field = dialog->ID_TEXTCTRL10;
    // The sender sleeps until the event has been shown: a sender that polled
    // would take CPU time from the threads it measures.
    std::mutex seenMutex;
    std::condition_variable seenChanged;
    auto see = [&](int i, int bit, Clock::time_point at) {
        {
            std::lock_guard<std::mutex> lock(seenMutex);
            (bit == 1 ? log[i].set : log[i].drawn) = at;
            if (bit == 1) log[i].read = lastReadAt.load();
            log[i].seen |= bit;
        }
        seenChanged.notify_one();
    };

    auto onIdle = [&](wxIdleEvent& event) {
        event.Skip();
        const int i = current;
        if (i < 0 || (log[i].seen & 1)) return;
        if (field->GetValue() == log[i].expected) see(i, 1, Clock::now());
    };
    // The program sends idle events only to windows that ask for them.
    const long extraStyle = dialog->GetExtraStyle();
    dialog->SetExtraStyle(extraStyle | wxWS_EX_PROCESS_IDLE);
    dialog->Bind(wxEVT_IDLE, onIdle);

    // The single-line field is a GtkEntry: its "draw" runs when the frame
    // with the new text is painted.
    struct DrawWatch {
        std::atomic<int>* current;
        Event* log;
        std::function<void(int, int, Clock::time_point)> see;
    } watch{&current, log.get(), see};
    auto onDraw = +[](GtkWidget* widget, cairo_t*, gpointer data) -> gboolean {
        const auto now = Clock::now();
        auto* w = static_cast<DrawWatch*>(data);
        const int i = *w->current;
        if (i >= 0 && !(w->log[i].seen & 2) &&
            w->log[i].expected == gtk_entry_get_text(GTK_ENTRY(widget)))
            w->see(i, 2, now);
        return FALSE;
    };
    GtkWidget* entry = static_cast<GtkWidget*>(field->GetHandle());
    const gulong drawHandler = g_signal_connect_after(entry, "draw", G_CALLBACK(onDraw), &watch);
    // Frames painted meanwhile: about one per event when nothing else draws.
    // The toolkit paints at most one frame per 1/60 s, so another drawing (a
    // blinking text cursor, another field) can hold an event's frame back.
    GdkFrameClock* frameClock = gtk_widget_get_frame_clock(entry);
    int frames = 0;
    auto onPaint = +[](GdkFrameClock*, gpointer count) { ++*static_cast<int*>(count); };
    const gulong paintHandler =
        frameClock ? g_signal_connect(frameClock, "paint", G_CALLBACK(onPaint), &frames) : 0;

    wxGUIEventLoop loop;
    std::atomic<int> lost{0};
    std::thread sender([&] {
        std::mt19937 random(12345);
        std::uniform_int_distribution<int> gapMs(20, 40);
        for (int i = 0; i < events && lost < 10; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(gapMs(random)));
            current = i;
            log[i].sent = Clock::now();
            if (!send(ids[static_cast<std::size_t>(i)])) {
                ++lost;
                continue;
            }
            std::unique_lock<std::mutex> lock(seenMutex);
            if (!seenChanged.wait_for(lock, std::chrono::seconds(2),
                                      [&] { return log[i].seen == 3; }) &&
                !(log[i].seen & 1))
                ++lost;
        }
        current = -1;
        dialog->CallAfter([&] { loop.Exit(); });
    });
    {
        wxEventLoopActivator active(&loop);
        loop.Run();
    }
    sender.join();
    g_signal_handler_disconnect(entry, drawHandler);
    if (paintHandler != 0) g_signal_handler_disconnect(frameClock, paintHandler);
    dialog->Unbind(wxEVT_IDLE, onIdle);
    dialog->SetExtraStyle(extraStyle);

    std::vector<double> set, drawn, read;
    for (int i = 0; i < events; ++i) {
        if (log[i].seen & 1) {
            set.push_back(MsBetween(log[i].sent, log[i].set));
            read.push_back(MsBetween(log[i].sent, log[i].read));
        }
        if (log[i].seen & 2) drawn.push_back(MsBetween(log[i].sent, log[i].drawn));
    }
    return {bench::Summarise(set), bench::Summarise(drawn), bench::Summarise(read), lost, frames};
}

void ReportLatency(const char* path, const LatencyResult& r, int events) {
    std::fprintf(stderr,
                 "%s latency, %d events: field set median %.3f p99 %.3f max %.3f ms; drawn "
                 "median %.3f p99 %.3f max %.3f ms (%zu drawn); bytes read median %.3f p99 "
                 "%.3f ms; %d lost; %d frames painted\n",
                 path, events, r.set.median, r.set.p99, r.set.max, r.drawn.median, r.drawn.p99,
                 r.drawn.max, r.drawn.count, r.read.median, r.read.p99, r.lost, r.frames);
    const bool complete = r.lost == 0 && r.drawn.count == static_cast<std::size_t>(events);
    Row(Format("Event latency, %s -> \"EvID(decimal)\" drawn", path),
        Format("median %.2f ms, p99 %.2f ms (%d events%s)", r.drawn.median, r.drawn.p99, events,
               complete ? "" : ", SOME NOT SHOWN"),
        "p99 < 5 ms", bench::Verdict(complete && r.drawn.p99 < 5.0));
    Row(Format("  of which until the field holds it (%s)", path),
        Format("median %.2f ms, p99 %.2f ms", r.set.median, r.set.p99), "", "");
    Row(Format("  of which until the bytes are read (%s)", path),
        Format("median %.2f ms, p99 %.2f ms", r.read.median, r.read.p99), "", "");
}

int RunLatency(bool quick) {
    const int events = quick ? 150 : 500;
    board::VirtualBoard board(7);
    if (!board.Start()) {
        std::fprintf(stderr, "bench_window: no pseudo-terminal\n");
        return 1;
    }
    Window window;
    if (!window.Connect(board.DevicePath())) {
        std::fprintf(stderr, "bench_window: the board did not connect\n");
        return 1;
    }
    window.dialog->serial.SetCallback(RecordingSerialReceive);
    const LatencyResult serial = MeasureLatency(
        window.dialog, events, [&](int id) { return board.Send(Format("{0%03X}", id)); });
    ReportLatency("serial", serial, events);

    // UDP on its own: the board's detect responses would set the Device box
    // to its number between datagrams of source 00, a frame every 200 ms.
    Click(window.dialog->ID_BUTTON2);
    const int port = window.StartUdp();
    if (port == 0) {
        std::fprintf(stderr, "bench_window: the UDP server did not start\n");
        return 1;
    }
    window.dialog->udpServer.SetCallback(RecordingDatagram);
    window.dialog->ID_BUTTON23->SetFocus();  // as a click on "Start" leaves it
    RunLoopFor(100);
    loopback::Sender sender(port);
    const LatencyResult udp = MeasureLatency(window.dialog, events, [&](int id) {
        return sender.Send(Format("{000%03X}", id));  // source 00, type 0
    });
    ReportLatency("UDP", udp, events);
    return 0;
}

// ---------------------------------------------------------------- burst

// The GUI thread's time on a CPU and time spent runnable but waiting for one
// (nanoseconds, from the scheduler's statistics).
struct SchedTimes {
    long long ranNs = 0, waitedNs = 0;
};
SchedTimes ThreadSchedTimes() {
    SchedTimes t;
    if (FILE* file = std::fopen("/proc/thread-self/schedstat", "r")) {
        if (std::fscanf(file, "%lld %lld", &t.ranNs, &t.waitedNs) != 2) t = {};
        std::fclose(file);
    }
    return t;
}

// A 10 ms timer (the Heartbeat of the flood tests) that also tells, for its
// longest gap, how long the GUI thread ran and how long it waited for a CPU:
// a stall the thread spent waiting is the machine's load, one it spent
// running is the program's.
class StallWatch : public Heartbeat {
  public:
    using Heartbeat::Heartbeat;
    void Notify() override {
        const auto now = Clock::now();
        const SchedTimes sched = ThreadSchedTimes();
        if (Beats() > 0) {
            const double gapMs = MsBetween(last_, now);
            if (gapMs > longestMs_) {
                longestMs_ = gapMs;
                ranMs_ = (sched.ranNs - sched_.ranNs) / 1e6;
                waitedMs_ = (sched.waitedNs - sched_.waitedNs) / 1e6;
            }
        }
        last_ = now;
        sched_ = sched;
        Heartbeat::Notify();
    }
    double LongestMs() const { return longestMs_; }
    double RanMs() const { return ranMs_; }
    double WaitedMs() const { return waitedMs_; }

  private:
    Clock::time_point last_;
    SchedTimes sched_;
    double longestMs_ = 0, ranMs_ = 0, waitedMs_ = 0;
};

// Counts the event lines the window prints (one per datagram shown) and
// when the last one came.
class EventLineCounter : public ConsoleSink {
  public:
    void Write(const ConsoleSpan& span) override {
        if (span.text.empty() || span.text[0] != '{') return;
        lines_.fetch_add(1, std::memory_order_relaxed);
        last_ = Clock::now();
    }
    long Lines() const { return lines_; }
    Clock::time_point Last() const { return last_; }

  private:
    std::atomic<long> lines_{0};
    std::atomic<Clock::time_point> last_{};
};

int RunBurst(bool quick) {
    const int datagrams = 100000;
    (void)quick;  // the burst is short either way
    Window window;
    const int port = window.StartUdp();
    if (port == 0) {
        std::fprintf(stderr, "bench_window: the UDP server did not start\n");
        return 1;
    }
    EventLineCounter shown;
    AddConsoleSink(&shown);
    const long residentBefore = bench::StatusKiB("VmRSS:");

    StallWatch heartbeat([&] { return window.dialog->udpHandoff.QueuedBytes(); });
    heartbeat.Start(10);
    std::atomic<bool> done{false};
    std::atomic<long> sent{0};
    const auto start = Clock::now();
    std::thread flood([&] {
        loopback::Sender sender(port);
        char message[16];
        for (int i = 0; i < datagrams; ++i) {
            std::snprintf(message, sizeof message, "{000%03X}", 1 + i % 4000);
            sent += sender.Send(message) ? 1 : 0;
        }
        done = true;
    });
    // Everything sent has been shown or dropped by the kernel.
    loopback::KernelQueue queue;
    const bool settled = RunLoopUntil(
        [&] {
            if (!done) return false;
            queue = loopback::ReadKernelQueue(port);
            return queue.queuedBytes == 0 && window.dialog->udpHandoff.QueuedBytes() == 0 &&
                   shown.Lines() + queue.drops == sent;
        },
        120000, 10);
    heartbeat.Stop();
    flood.join();
    RemoveConsoleSink(&shown);
    const double seconds = MsBetween(start, shown.Last()) / 1000.0;
    const long peakKiB = bench::StatusKiB("VmHWM:");
    const double rate = seconds > 0 ? shown.Lines() / seconds : 0;

    std::fprintf(stderr,
                 "burst: %ld sent, %ld shown, %ld dropped by the kernel, in %.3f s; longest "
                 "timer gap %.1f ms (GUI thread ran %.1f ms, waited %.1f ms for a CPU) over %d "
                 "beats; most queued %zu bytes; resident %ld KiB before, peak %ld KiB%s\n",
                 sent.load(), shown.Lines(), queue.drops, seconds, heartbeat.LongestMs(),
                 heartbeat.RanMs(), heartbeat.WaitedMs(), heartbeat.Beats(),
                 heartbeat.MostSampled(), residentBefore, peakKiB,
                 settled ? "" : "; DID NOT SETTLE");
    Row("UDP burst of 100,000 datagrams: handled",
        Format("%s/s (%s shown, %s dropped by the kernel)",
               bench::Thousands(static_cast<long>(rate)).c_str(),
               bench::Thousands(shown.Lines()).c_str(), bench::Thousands(queue.drops).c_str()),
        "", settled ? "" : "DID NOT SETTLE");
    Row("  longest GUI stall (10 ms timer's longest gap)",
        Format("%.0f ms (GUI thread ran %.0f ms, waited %.0f ms for a CPU)", heartbeat.LongestMs(),
               heartbeat.RanMs(), heartbeat.WaitedMs()),
        "<= 100 ms", bench::Verdict(heartbeat.LongestMs() <= 100));
    Row("  peak resident memory", Format("%.1f MB", peakKiB / 1024.0), "< 150 MB",
        bench::Verdict(peakKiB > 0 && peakKiB < 150 * 1024));
    return settled ? 0 : 1;
}

// ---------------------------------------------------------------- idle

// The virtual-board tool in a process of its own, so that its CPU time is
// not the program's.
class BoardProcess {
  public:
    explicit BoardProcess(const std::string& tool) {
        int out[2];
        if (pipe(out) != 0) return;
        pid_ = fork();
        if (pid_ == 0) {
            dup2(out[1], STDOUT_FILENO);
            close(out[0]);
            close(out[1]);
            execl(tool.c_str(), tool.c_str(), "--id", "7", "--no-stdin",
                  static_cast<char*>(nullptr));
            _exit(127);
        }
        close(out[1]);
        FILE* lines = fdopen(out[0], "r");
        char path[256] = {};
        if (lines != nullptr && std::fgets(path, sizeof path, lines) != nullptr) {
            devicePath_ = path;
            while (!devicePath_.empty() && devicePath_.back() == '\n') devicePath_.pop_back();
        }
        if (lines != nullptr) std::fclose(lines);
    }
    ~BoardProcess() {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            int status = 0;
            waitpid(pid_, &status, 0);
        }
    }
    const std::string& DevicePath() const { return devicePath_; }

  private:
    pid_t pid_ = -1;
    std::string devicePath_;
};

// Counts the board's detect responses as the window reports them, and the
// longest time between two: the board answered throughout when it stays
// near the 200 ms of the detect requests.
class DetectResponses : public ConsoleSink {
  public:
    void Write(const ConsoleSpan& span) override {
        if (span.text.rfind("Device detect response:", 0) != 0) return;
        const auto now = Clock::now();
        if (count_ > 0) longestGapMs_ = std::max(longestGapMs_, MsBetween(last_, now));
        last_ = now;
        ++count_;
    }
    // Called after the sink is removed.
    int Count() const { return count_; }
    double LongestGapMs(Clock::time_point end) const {
        return count_ == 0 ? MsBetween(start_, end)
                           : std::max(longestGapMs_, MsBetween(last_, end));
    }

  private:
    const Clock::time_point start_ = Clock::now();
    Clock::time_point last_;
    double longestGapMs_ = 0;
    int count_ = 0;
};

int RunIdle(bool quick) {
    const int seconds = quick ? 10 : 60;
    const fs::path tool = fs::read_symlink("/proc/self/exe").parent_path().parent_path() / "tools" /
                          "virtual-board" / "virtual-board";
    BoardProcess board(tool.string());
    if (board.DevicePath().empty()) {
        std::fprintf(stderr, "bench_window: %s did not start\n", tool.c_str());
        return 1;
    }
    Window window;
    // First without a port: nothing should wake the window at all.
    {
        window.dialog->ID_BUTTON1->SetFocus();  // no blinking cursor
        RunLoopFor(1000);
        const int closedSeconds = quick ? 3 : 10;
        const long switchesBefore = bench::ContextSwitches();
        const double cpuBefore = bench::CpuMs();
        const auto start = Clock::now();
        RunLoopFor(closedSeconds * 1000);
        const double wallMs = MsBetween(start, Clock::now());
        const double perSecond = (bench::ContextSwitches() - switchesBefore) * 1000.0 / wallMs;
        const double percent = 100.0 * (bench::CpuMs() - cpuBefore) / wallMs;
        std::fprintf(stderr, "idle, port closed: %.1f wake-ups/s, %.3f %% of a core over %d s\n",
                     perSecond, percent, closedSeconds);
        Row(Format("Idle, port closed (%d s): wake-ups", closedSeconds),
            Format("%.1f/s, %.2f %% of one core", perSecond, percent), "0/s",
            bench::Verdict(perSecond < 1.0));
    }
    if (!window.Connect(board.DevicePath())) {
        std::fprintf(stderr, "bench_window: the board did not connect\n");
        return 1;
    }
    RunLoopFor(2000);  // past the first frames and the console lines of opening

    // Nothing of the benchmark's own runs meanwhile: no timer, no polling.
    DetectResponses responses;
    AddConsoleSink(&responses);
    GdkFrameClock* frameClock =
        gtk_widget_get_frame_clock(static_cast<GtkWidget*>(window.dialog->GetHandle()));
    int frames = 0;
    auto onPaint = +[](GdkFrameClock*, gpointer count) { ++*static_cast<int*>(count); };
    const gulong paintHandler =
        frameClock ? g_signal_connect(frameClock, "paint", G_CALLBACK(onPaint), &frames) : 0;
    const long switchesBefore = bench::ContextSwitches();
    const double cpuBefore = bench::CpuMs();
    const auto start = Clock::now();
    RunLoopFor(seconds * 1000);
    const double cpuMs = bench::CpuMs() - cpuBefore;
    const auto end = Clock::now();
    const long switches = bench::ContextSwitches() - switchesBefore;
    RemoveConsoleSink(&responses);
    if (paintHandler != 0) g_signal_handler_disconnect(frameClock, paintHandler);
    const double wallMs = MsBetween(start, end);
    const double percent = 100.0 * cpuMs / wallMs;
    const double gapMs = responses.LongestGapMs(end);
    const bool answered = gapMs < 1000 && window.Status() == "Connected";

    std::fprintf(stderr,
                 "idle: %.1f ms CPU in %.1f s = %.3f %% of a core; %d detect responses, longest "
                 "gap %.0f ms; status %s; %d frames painted; %.1f wake-ups/s (all threads)\n",
                 cpuMs, wallMs / 1000, percent, responses.Count(), gapMs,
                 static_cast<const char*>(window.Status().utf8_str()), frames,
                 switches * 1000.0 / wallMs);
    Row(Format("Idle CPU, port open, board answering (%d s)", seconds),
        Format("%.2f %% of one core, %.1f wake-ups/s%s", percent, switches * 1000.0 / wallMs,
               answered ? "" : ", BOARD LOST"),
        "< 1 %", bench::Verdict(percent < 1.0 && answered));
    return answered ? 0 : 1;
}

// The toolkit's own cost of the poll timer's schedule: an empty dialog with a
// 20 ms timer that does nothing. The program's idle CPU cannot go below it.
int RunFloor(bool quick) {
    const int seconds = quick ? 10 : 30;
    wxDialog* empty = new wxDialog(nullptr, wxID_ANY, "floor");
    empty->Show();
    CallingTimer tick([] {});
    tick.Start(20);
    RunLoopFor(2000);
    const double cpuBefore = bench::CpuMs();
    const auto start = Clock::now();
    RunLoopFor(seconds * 1000);
    const double percent = 100.0 * (bench::CpuMs() - cpuBefore) / MsBetween(start, Clock::now());
    tick.Stop();
    empty->Destroy();
    RunLoopFor(20);
    std::fprintf(stderr, "floor: an empty dialog with a 20 ms timer, %d s: %.3f %% of a core\n",
                 seconds, percent);
    Row(Format("  for reference: an empty dialog with a 20 ms timer (%d s)", seconds),
        Format("%.2f %% of one core", percent), "", "");
    return 0;
}

// Where "Open" lies in the window, from its top-left corner, as "X,Y", and
// on a second line the "UDP port" field and its "Start" as "X,Y,X,Y": the
// peer comparison clicks there in the program started as a process.
int PrintOpenButton() {
    Window window;
    auto centre = [&](wxWindow* control) {
        const wxRect r = control->GetScreenRect();
        return r.GetPosition() + r.GetSize() / 2 - window.dialog->GetScreenPosition();
    };
    const wxPoint open = centre(window.dialog->ID_BUTTON1);
    const wxPoint udp = centre(window.dialog->ID_TEXTCTRL47);
    const wxPoint start = centre(window.dialog->ID_BUTTON22);
    const std::string text =
        Format("%d,%d\n%d,%d,%d,%d\n", open.x, open.y, udp.x, udp.y, start.x, start.y);
    return write(bench::RowsFd(), text.data(), text.size()) == static_cast<ssize_t>(text.size())
               ? 0
               : 1;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode != "latency" && mode != "burst" && mode != "idle" && mode != "floor" &&
        mode != "open-button") {
        std::fprintf(stderr,
                     "usage: bench_window latency|burst|idle|floor|open-button [--quick]\n");
        return 2;
    }
    const bool quick = bench::Quick(argc, argv);
    bench::KeepRowsApart();

    // The toolkit starts as in the program, but without its own main loop;
    // it sees no arguments of ours.
    int toolkitArgc = 1;
    char* toolkitArgv[] = {argv[0], nullptr};
    wxApp::SetInstance(new wxApp);
    if (!wxEntryStart(toolkitArgc, toolkitArgv)) return 2;
    wxTheApp->CallOnInit();
    ConfigureToolkit();  // as the program's start-up does
    int result = 0;
    {
        wxEventLoop loop;
        wxEventLoopActivator active(&loop);
        result = mode == "open-button" ? PrintOpenButton()
                 : mode == "latency"   ? RunLatency(quick)
                 : mode == "burst"     ? RunBurst(quick)
                 : mode == "idle"      ? RunIdle(quick)
                                       : RunFloor(quick);
    }
    wxEntryCleanup();
    return result;
}
