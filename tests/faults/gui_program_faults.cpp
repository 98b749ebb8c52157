// The built program as a process under load: a board on a pseudo-terminal
// and a UDP sender both sending while the window is closed by its close box,
// and a soak at the board's line rate plus 5,000 datagrams a second with its
// memory watched. Its own standard output tells which events it showed.
//
// BRANTLE_SOAK_SECONDS sets the soak's length (default 20; a long run is
// BRANTLE_SOAK_SECONDS=600 build/tests/gui_faults --gtest_filter='*Soak*').
#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// clang-format off
#include "Streams.h"
#include "ProgramUnderTest.h"  // last: it brings in Xlib's macros
// clang-format on

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
// The sanitizers' shadow memory and freed-memory quarantine come on top.
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif

int SoakSeconds() {
    const char* text = getenv("BRANTLE_SOAK_SECONDS");
    const int seconds = text != nullptr ? std::atoi(text) : 0;
    return seconds > 0 ? seconds : 20;
}

// The program's event lines, told apart by their message: "{0XXX}  N" came
// from the board, "{000XXX}  N" over UDP; and the other lines, kept.
class EventLines {
  public:
    void Take(const std::string& line) {
        if (line.empty() || line[0] != '{') {
            std::lock_guard<std::mutex> lock(mutex_);
            others_ += line + "\n";
        }
        const std::size_t close = line.find("}  ");
        if (line.empty() || line[0] != '{' || close == std::string::npos) return;
        if (close == 5) ++board_;
        if (close == 7) ++udp_;
    }
    long Board() const { return board_; }
    long Udp() const { return udp_; }
    // Waits up to `ms` for a line that holds `text`; all other lines so far.
    std::string WaitForLine(const std::string& text, int ms) {
        const auto end = Clock::now() + std::chrono::milliseconds(ms);
        for (;;) {
            {
                std::lock_guard<std::mutex> lock(mutex_);
                if (others_.find(text) != std::string::npos || Clock::now() >= end) return others_;
            }
            std::this_thread::sleep_for(20ms);
        }
    }

  private:
    std::mutex mutex_;
    std::string others_;
    std::atomic<long> board_{0};
    std::atomic<long> udp_{0};
};

class ProgramFaultTest : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(fs::exists(program::ProgramPath())) << program::ProgramPath();
        ASSERT_TRUE(program::OnPath("xdotool")) << "xdotool is missing (scripts/setup installs it)";
        ASSERT_TRUE(screen.Ok());
        char dir[] = "/tmp/brantle-faults-XXXXXX";
        ASSERT_NE(mkdtemp(dir), nullptr);
        folder = dir;
        ASSERT_TRUE(board.Start());
        // The program comes up with the board's terminal in its port box.
        std::ofstream(folder + "/BrantleConfigHelper.conf")
            << "SerialPort=" << board.DevicePath() << "\nBaudRate=115200\n";
        static const program::DevicePanelLayout measured = program::MeasureDevicePanel();
        layout = measured;
    }
    void TearDown() override {
        board.Stop();
        std::error_code ignored;
        fs::remove_all(folder, ignored);
    }

    std::unique_ptr<program::Process> Start(const std::vector<std::string>& args = {}) {
        auto process = std::make_unique<program::Process>(
            folder, [this](const std::string& line) { events.Take(line); }, args);
        if (process->Pid() > 0) window = screen.WaitForWindow(process->Pid(), 30000);
        return process;
    }

    // "Open" on the board's port, and the UDP server started on a free port
    // with "Start"; both proven by traffic.
    void OpenPortAndListen() {
        ASSERT_NE(window, 0u) << "the program's window did not appear";
        // Counts go on across runs: each run waits for news of its own. A
        // click that lands while a slow (sanitized) program is still settling
        // is clicked again, as a user would.
        const int detectsBefore = board.DetectCount();
        bool opened = false;
        for (int click = 0; click < 3 && !opened; ++click) {
            ASSERT_TRUE(program::ClickAt(screen.OnScreen(window, layout.open)));
            opened = board.WaitForDetects(detectsBefore + 1, 10000);
        }
        ASSERT_TRUE(opened) << "the port was not opened";

        udpPort = loopback::FreePort();
        ASSERT_TRUE(
            program::TypeInto(screen.OnScreen(window, layout.udpPort), std::to_string(udpPort)));
        ASSERT_TRUE(program::ClickAt(screen.OnScreen(window, layout.udpStart)));
        loopback::Sender probe(udpPort);
        const long udpBefore = events.Udp();
        const auto end = Clock::now() + 10s;
        while (events.Udp() == udpBefore && Clock::now() < end) {
            probe.Send(streams::UdpEvent(0));
            std::this_thread::sleep_for(50ms);
        }
        ASSERT_GT(events.Udp(), udpBefore) << "the UDP server is not listening on " << udpPort;
        const long boardBefore = events.Board();
        ASSERT_TRUE(board.SendEvent("0001"));
        const auto shown = Clock::now() + 10s;
        while (events.Board() == boardBefore && Clock::now() < shown)
            std::this_thread::sleep_for(20ms);
        ASSERT_GT(events.Board(), boardBefore) << "the board's events are not shown";
    }

    void CloseByCloseBoxAndExpectCleanExit(program::Process& process) {
        screen.RequestClose(window);
        EXPECT_EQ(process.WaitForExit(kSanitized ? 30000 : 10000), 0) << process.Errors();
        EXPECT_EQ(process.SanitizerReports(), "");
    }

    std::string folder;
    board::VirtualBoard board{7};
    program::Screen screen;
    program::DevicePanelLayout layout;
    EventLines events;
    Window window = 0;
    int udpPort = 0;
};

TEST_F(ProgramFaultTest, CloseBoxWhilePortOpenAndUdpListeningAndBothFloodingExitsCleanly) {
    for (int run = 0; run < 3; ++run) {
        SCOPED_TRACE("run " + std::to_string(run));
        auto process = Start();
        ASSERT_GT(process->Pid(), 0);
        OpenPortAndListen();
        if (HasFatalFailure()) return;

        auto boardFlood = streams::BoardStream(board);
        auto udpFlood = streams::UdpStream(udpPort);
        const long boardBefore = events.Board();
        const long udpBefore = events.Udp();
        const auto end = Clock::now() + 10s;
        while ((events.Board() < boardBefore + 500 || events.Udp() < udpBefore + 500) &&
               Clock::now() < end)
            std::this_thread::sleep_for(10ms);
        ASSERT_GE(events.Board(), boardBefore + 500) << "the board's flood is being shown";
        ASSERT_GE(events.Udp(), udpBefore + 500) << "the UDP flood is being shown";

        CloseByCloseBoxAndExpectCleanExit(*process);
        boardFlood->Stop();
        udpFlood->Stop();
        // The port came free: the next run opens it again.
    }
}

// --port NAME opens that port at the start as "Open" does, the settings
// naming another; a port that cannot be opened tells why.
TEST_F(ProgramFaultTest, PortOnTheCommandLineIsOpenedAtTheStart) {
    std::ofstream(folder + "/BrantleConfigHelper.conf") << "SerialPort=/dev/ttyS31\n";
    const int detectsBefore = board.DetectCount();
    auto process = Start({"--port", board.DevicePath()});
    ASSERT_NE(window, 0u) << "the program's window did not appear";
    EXPECT_TRUE(board.WaitForDetects(detectsBefore + 1, 15000)) << "the port was not opened";
    const std::string opened = "Port " + board.DevicePath() + " opened at 115200";
    EXPECT_NE(events.WaitForLine(opened, 5000).find(opened), std::string::npos);
    // Kept for the next start, as "Open" keeps it.
    EXPECT_NE(program::FileText(folder + "/BrantleConfigHelper.conf")
                  .find("SerialPort=" + board.DevicePath()),
              std::string::npos);
    CloseByCloseBoxAndExpectCleanExit(*process);

    const std::string missing = folder + "/no-such-port";
    process = Start({"--port=" + missing});
    ASSERT_NE(window, 0u) << "the program's window did not appear";
    const std::string lines = events.WaitForLine("What to do: ", 15000);
    EXPECT_NE(lines.find("Could not open port " + missing), std::string::npos) << lines;
    EXPECT_NE(lines.find("Reason: "), std::string::npos) << lines;
    EXPECT_NE(lines.find("What to do: "), std::string::npos) << lines;
    CloseByCloseBoxAndExpectCleanExit(*process);
}

// Memory of the program, sampled once a second.
struct Sample {
    double at;  // seconds into the soak
    long residentKiB;
    long boardEvents;
    long udpEvents;
};

TEST_F(ProgramFaultTest, SoakAtLineRateAndFiveThousandDatagramsASecondKeepsMemoryFlat) {
    const int seconds = SoakSeconds();
    auto process = Start();
    ASSERT_GT(process->Pid(), 0);
    OpenPortAndListen();
    if (HasFatalFailure()) return;
    const pid_t pid = process->Pid();
    const long boardShownBefore = events.Board();
    const long udpShownBefore = events.Udp();
    const int detectsBefore = board.DetectCount();
    const long startKiB = program::StatusKiB(pid, "VmRSS");

    auto boardStream = streams::BoardStream(board, streams::kLineRateBytesPerSecond);
    auto udpStream = streams::UdpStream(udpPort, 5000);
    std::vector<Sample> samples;
    const auto start = Clock::now();
    int detectsAtLastQuarter = -1;
    for (int s = 1; s <= seconds; ++s) {
        std::this_thread::sleep_until(start + std::chrono::seconds(s));
        samples.push_back({std::chrono::duration<double>(Clock::now() - start).count(),
                           program::StatusKiB(pid, "VmRSS"), events.Board(), events.Udp()});
        if (s == seconds - seconds / 4) detectsAtLastQuarter = board.DetectCount();
        ASSERT_GT(samples.back().residentKiB, 0) << "the program ended";
    }
    boardStream->Stop();
    udpStream->Stop();
    const long boardSent = boardStream->Sent();
    const long udpSent = udpStream->Sent();
    // Everything sent is shown, or was dropped by the kernel before the
    // program could take it (UDP only; a terminal does not drop).
    const auto settle = Clock::now() + 20s;
    loopback::KernelQueue queue;
    while (Clock::now() < settle) {
        queue = loopback::ReadKernelQueue(udpPort);
        if (events.Board() - boardShownBefore == boardSent &&
            events.Udp() - udpShownBefore + queue.drops == udpSent)
            break;
        std::this_thread::sleep_for(50ms);
    }
    const long peakKiB = program::StatusKiB(pid, "VmHWM");

    // Memory settles within the first quarter (the hand-overs and the
    // toolkit's caches fill up); from then on it stays flat.
    const std::size_t settled = std::max<std::size_t>(samples.size() / 4, 1) - 1;
    const long settledKiB = samples[settled].residentKiB;
    long highestAfter = 0;
    for (std::size_t i = settled; i < samples.size(); ++i)
        highestAfter = std::max(highestAfter, samples[i].residentKiB);
    const long endKiB = samples.back().residentKiB;
    std::printf(
        "[ soak     ] %d s: board %ld events sent, %ld shown; UDP %ld datagrams sent, %ld "
        "shown, %ld dropped by the kernel; resident at start %ld KiB, after %zu s %ld KiB, at "
        "end %ld KiB, peak %ld KiB\n",
        seconds, boardSent, events.Board() - boardShownBefore, udpSent,
        events.Udp() - udpShownBefore, queue.drops, startKiB, settled + 1, settledKiB, endKiB,
        peakKiB);
    for (const Sample& s : samples) {
        if (samples.size() <= 30 || static_cast<int>(s.at) % 30 == 0)
            std::printf("[ soak     ] %6.1f s  %7ld KiB  board %8ld  udp %9ld\n", s.at,
                        s.residentKiB, s.boardEvents, s.udpEvents);
    }
    RecordProperty("resident_start_kib", std::to_string(startKiB));
    RecordProperty("resident_end_kib", std::to_string(endKiB));
    RecordProperty("resident_peak_kib", std::to_string(peakKiB));

    // Both streams were shown the whole time, the poll timer kept running.
    EXPECT_EQ(events.Board() - boardShownBefore, boardSent) << "no board event is lost";
    EXPECT_EQ(events.Udp() - udpShownBefore + queue.drops, udpSent)
        << "every datagram is shown or counted as dropped by the kernel";
    EXPECT_GE(boardSent, static_cast<long>(seconds * streams::kLineRateBytesPerSecond / 6 * 0.9));
    EXPECT_GE(udpSent, seconds * 5000L * 9 / 10);
    EXPECT_GT(samples.back().boardEvents, samples[samples.size() * 3 / 4].boardEvents);
    EXPECT_GT(samples.back().udpEvents, samples[samples.size() * 3 / 4].udpEvents);
    EXPECT_GT(board.DetectCount(), detectsAtLastQuarter) << "detect requests continued";
    EXPECT_GT(detectsAtLastQuarter, detectsBefore);

    const long flatKiB = kSanitized ? 32 * 1024 : 8 * 1024;
    EXPECT_LT(highestAfter - settledKiB, flatKiB) << "memory grew after it settled";
    EXPECT_LT(endKiB - settledKiB, flatKiB) << "memory grew after it settled";
    if (!kSanitized) {
        EXPECT_LT(peakKiB, 150 * 1024) << "peak resident memory";
    }

    CloseByCloseBoxAndExpectCleanExit(*process);
}

}  // namespace
