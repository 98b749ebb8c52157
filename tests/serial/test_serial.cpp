// The serial driver on real pseudo-terminals and real threads, with the
// virtual board (or a bare terminal) on the other end.
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <memory>
#include <random>
#include <regex>
#include <thread>

#include "PortHolder.h"
#include "SerialTestSupport.h"
#include "VirtualBoard.h"
#include "serial/Serial.h"

using namespace serialtest;

namespace {

// What the receive callback saw. The callback is a plain function, so its
// record is program-wide; each test resets it.
struct Received {
    std::mutex mutex;
    std::condition_variable arrived;
    std::string data;
    int blocks = 0;
    int minCount = INT_MAX;
    int maxCount = 0;
    Clock::time_point first;

    void Reset() {
        std::lock_guard<std::mutex> lock(mutex);
        data.clear();
        blocks = 0;
        minCount = INT_MAX;
        maxCount = 0;
    }
    bool WaitFor(size_t bytes, int timeoutMs) {
        std::unique_lock<std::mutex> lock(mutex);
        return arrived.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                [&] { return data.size() >= bytes; });
    }
    std::string Data() {
        std::lock_guard<std::mutex> lock(mutex);
        return data;
    }
};
Received received;

int Collect(const char* data, int count) {
    {
        std::lock_guard<std::mutex> lock(received.mutex);
        if (received.blocks == 0) received.first = Clock::now();
        ++received.blocks;
        if (count < received.minCount) received.minCount = count;
        if (count > received.maxCount) received.maxCount = count;
        if (count > 0) received.data.append(data, static_cast<size_t>(count));
    }
    received.arrived.notify_all();
    return 0;
}

class SerialTest : public ::testing::Test {
  protected:
    void SetUp() override {
        SetConsoleStdout(false);
        received.Reset();
        ASSERT_TRUE(board.Start());
        serial.SetCallback(Collect);
    }
    void TearDown() override {
        serial.Close();
        SetConsoleStdout(true);
    }
    // Opens the board's port and waits until the start-up pulse is over and
    // data flows (a marker byte sent by the board has arrived).
    void OpenAndWaitForReading(Serial& port) {
        ASSERT_EQ(port.Open(board.DevicePath().c_str(), 115200), 1);
        size_t before = received.Data().size();
        ASSERT_TRUE(board.Send("#"));
        ASSERT_TRUE(received.WaitFor(before + 1, 3000)) << "nothing delivered after the pulse";
    }

    ConsoleCapture console;
    board::VirtualBoard board;
    Serial serial;
};

TEST(SerialDevicePath, NameBecomesDevicePath) {
    const struct {
        const char* name;
        const char* path;
    } cases[] = {
        {"ttyACM0", "/dev/ttyACM0"},  {"ttyUSB12", "/dev/ttyUSB12"}, {"pts/3", "/dev/pts/3"},
        {"/dev/ttyS0", "/dev/ttyS0"}, {"/tmp/board", "/tmp/board"},  {"", "/dev/"},
    };
    for (const auto& c : cases) EXPECT_EQ(Serial::DevicePath(c.name), c.path) << c.name;
}

TEST_F(SerialTest, MissingPortPrintsFullPathAndFails) {
    Serial port;
    int fds = counts::OpenDescriptors();
    EXPECT_EQ(port.Open("ttyNoSuchPort77", 9600), 0);
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(port.BaudRate(), 9600);  // kept even though the open failed
    EXPECT_EQ(console.Count("Serial::Open(): /dev/ttyNoSuchPort77 could not be opened.\n"), 1);
    EXPECT_EQ(console.Count("RX thread"), 0);
    EXPECT_EQ(counts::SettledDescriptors(fds), fds);
    EXPECT_EQ(port.Write("{DET}", 5), -1);
    EXPECT_EQ(port.LastOpenError().error, ENOENT);
    EXPECT_EQ(port.LastOpenError().call, "open");
}

TEST_F(SerialTest, NonTerminalIsReleasedSilently) {
    Serial port;
    int fds = counts::OpenDescriptors();
    EXPECT_EQ(port.Open("/dev/null", 115200), 0);
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(console.Count("could not be opened"), 0);
    EXPECT_EQ(console.Count("RX thread"), 0);
    EXPECT_EQ(counts::SettledDescriptors(fds), fds);
    EXPECT_EQ(port.LastOpenError().error, ENOTTY);
    EXPECT_EQ(port.LastOpenError().call, "line settings");
}

TEST_F(SerialTest, RefusedRateIsReleasedSilently) {
    Serial port;
    int fds = counts::OpenDescriptors();
    EXPECT_EQ(port.Open(board.DevicePath().c_str(), 0), 0);
    EXPECT_EQ(port.Open(board.DevicePath().c_str(), -9600), 0);
    EXPECT_EQ(console.Count("RX thread"), 0);
    EXPECT_EQ(counts::SettledDescriptors(fds), fds);
    // The port was let go: it opens at a real rate.
    EXPECT_EQ(port.Open(board.DevicePath().c_str(), 9600), 1);
}

TEST_F(SerialTest, OpenPrintsItsLinesAndPulsesDtr) {
    ASSERT_EQ(serial.Open(board.DevicePath().c_str(), 115200), 1);
    ASSERT_TRUE(console.WaitForCount("DTR on result: ", 1, 2000));
    serial.Close();
    const std::string text = console.Text();
    std::smatch m;
    ASSERT_TRUE(std::regex_search(text, m,
                                  std::regex("Serial::Open\\(\\): " + board.DevicePath() +
                                             " opened sexyfully handle=([0-9]+)\\.\n")))
        << text;
    EXPECT_GE(std::stoi(m[1]), 3);
    EXPECT_TRUE(std::regex_search(text, std::regex("Serial::Open\\(\\): RX thread has been created "
                                                   "\\([0-9]+\\)\n")))
        << text;
    // A pseudo-terminal has no DTR line: both changes report failure.
    size_t started = text.find("Serial::ReadingThread(): Started\n");
    size_t off = text.find("DTR off result: 0\n");
    size_t on = text.find("DTR on result: 0\n");
    size_t finished = text.find("Serial::ReadingThread(): Finished\n");
    ASSERT_NE(started, std::string::npos) << text;
    ASSERT_NE(off, std::string::npos) << text;
    ASSERT_NE(on, std::string::npos) << text;
    ASSERT_NE(finished, std::string::npos) << text;
    EXPECT_LT(started, off);
    EXPECT_LT(off, on);
    EXPECT_LT(on, finished);
}

TEST_F(SerialTest, DtrOnClosedPortReportsFailure) {
    serial.DtrOn();
    serial.DtrOff();
    EXPECT_EQ(console.Count("DTR on result: 0\n"), 1);
    EXPECT_EQ(console.Count("DTR off result: 0\n"), 1);
}

TEST_F(SerialTest, OpenPortCannotBeOpenedAgain) {
    ASSERT_EQ(serial.Open(board.DevicePath().c_str(), 115200), 1);
    Serial second;
    EXPECT_EQ(second.Open(board.DevicePath().c_str(), 115200), 0);
    EXPECT_EQ(console.Count("Serial::Open(): " + board.DevicePath() + " could not be opened.\n"),
              1);
    EXPECT_FALSE(second.IsOpen());
    // Through another name of the same device, too.
    const std::string link = "/tmp/serial-test-link-" + std::to_string(getpid());
    ASSERT_EQ(symlink(board.DevicePath().c_str(), link.c_str()), 0);
    EXPECT_EQ(second.Open(link.c_str(), 115200), 0);
    unlink(link.c_str());
    EXPECT_EQ(ClassifyPortFailure(second.LastOpenError()), PortFailureKind::Busy);
    serial.Close();
    EXPECT_EQ(second.Open(board.DevicePath().c_str(), 115200), 1);
    EXPECT_EQ(second.LastOpenError().error, 0) << "an open that succeeds leaves no reason";
}

// Another process that holds the port (lock and exclusive flag) turns the
// open away as busy, root or not.
TEST_F(SerialTest, PortHeldByAnotherProcessIsBusy) {
    PortHolderProcess holder(board.DevicePath(), "holder");
    ASSERT_TRUE(holder.Holding());
    EXPECT_EQ(serial.Open(board.DevicePath().c_str(), 115200), 0);
    EXPECT_EQ(ClassifyPortFailure(serial.LastOpenError()), PortFailureKind::Busy)
        << serial.LastOpenError().call << " " << serial.LastOpenError().error;
}

// Another program that is not root is turned away by the exclusive flag, and
// is let in again once the port is closed.
TEST_F(SerialTest, OtherProgramIsTurnedAwayWhileOpen) {
    if (geteuid() != 0) GTEST_SKIP() << "needs root to act as another user";
    ASSERT_EQ(chmod(board.DevicePath().c_str(), 0666), 0);
    auto openAsNobody = [&]() {
        pid_t pid = fork();
        if (pid == 0) {
            if (setgid(65534) != 0 || setuid(65534) != 0) _exit(3);
            int fd = open(board.DevicePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
            _exit(fd >= 0 ? 0 : (errno == EBUSY ? 1 : 2));
        }
        int status = 0;
        waitpid(pid, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    };
    ASSERT_EQ(serial.Open(board.DevicePath().c_str(), 115200), 1);
    EXPECT_EQ(openAsNobody(), 1) << "expected EBUSY while the port is open";
    serial.Close();
    EXPECT_EQ(openAsNobody(), 0) << "the port stayed exclusive after closing";
}

// A user outside the group that owns the port is told which group to join.
TEST_F(SerialTest, ForbiddenPortNamesItsGroup) {
    if (geteuid() != 0) GTEST_SKIP() << "needs root to act as another user";
    const group* dialout = getgrnam("dialout");
    if (dialout == nullptr) GTEST_SKIP() << "no group dialout";
    const std::string path = board.DevicePath();
    ASSERT_EQ(chown(path.c_str(), 0, dialout->gr_gid), 0);
    ASSERT_EQ(chmod(path.c_str(), 0660), 0);
    pid_t pid = fork();
    if (pid == 0) {
        if (setgid(65534) != 0 || setuid(65534) != 0) _exit(3);
        Serial port;
        if (port.Open(path.c_str(), 115200) != 0) _exit(4);
        const PortOpenError& error = port.LastOpenError();
        const FailureText why = DescribePortFailure(path, error, GatherPortFacts(path, error));
        const bool told = error.error == EACCES &&
                          why.hint.find("sudo usermod -aG dialout $USER") != std::string::npos;
        _exit(told ? 0 : 1);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, 0);
}

TEST_F(SerialTest, FirstDeliveryWaitsForThePulse) {
    ASSERT_EQ(serial.Open(board.DevicePath().c_str(), 115200), 1);
    Clock::time_point opened = Clock::now();
    ASSERT_TRUE(board.Send("{F01}"));
    ASSERT_TRUE(received.WaitFor(5, 3000));
    long ms = static_cast<long>(
        std::chrono::duration_cast<std::chrono::milliseconds>(received.first - opened).count());
    EXPECT_GE(ms, 950);
    EXPECT_LE(ms, 1500);
    EXPECT_EQ(received.Data(), "{F01}");
}

// Blocks of every size, more than the receive buffer holds at once: all bytes
// arrive in order, never in a block of 0 or more than the buffer.
TEST_F(SerialTest, BytesArriveInOrderAcrossBlocks) {
    for (int bufferSize : {1000, 64, 1}) {
        SCOPED_TRACE(bufferSize);
        received.Reset();
        Serial port(bufferSize);
        port.SetCallback(Collect);
        OpenAndWaitForReading(port);
        received.Reset();
        std::mt19937 random(42);
        std::string sent;
        for (int chunk = 0; chunk < 200; ++chunk) {
            std::string bytes(1 + random() % 1500, '\0');
            for (char& c : bytes) c = static_cast<char>(sent.size() * 7 + (&c - &bytes[0]));
            sent += bytes;
            ASSERT_TRUE(board.Send(bytes));
            if (chunk % 50 == 0) std::this_thread::sleep_for(std::chrono::milliseconds(30));
        }
        ASSERT_TRUE(received.WaitFor(sent.size(), 10000));
        std::lock_guard<std::mutex> lock(received.mutex);
        EXPECT_TRUE(received.data == sent) << "bytes lost, doubled or out of order";
        EXPECT_GE(received.minCount, 1);
        EXPECT_LE(received.maxCount, bufferSize);
        EXPECT_GT(received.blocks, 1);
    }
}

// Data that is there is handed over at once, not after a read time-out of
// 100 ms: the typical delivery takes far less than that.
TEST_F(SerialTest, DataIsDeliveredWithoutWaiting) {
    OpenAndWaitForReading(serial);
    std::vector<long> ms;
    for (int i = 0; i < 21; ++i) {
        size_t before = received.Data().size();
        Clock::time_point sent = Clock::now();
        ASSERT_TRUE(board.Send("{0123}"));
        // A busy machine may hold one delivery up; the median below judges.
        ASSERT_TRUE(received.WaitFor(before + 6, 10000));
        ms.push_back(MsSince(sent));
        // Land at different points of the reading thread's poll period.
        std::this_thread::sleep_for(std::chrono::milliseconds(7 * i % 60));
    }
    std::sort(ms.begin(), ms.end());
    EXPECT_LT(ms[ms.size() / 2], 30) << "median delivery time in ms";
}

TEST_F(SerialTest, WrittenFramesReachTheBoard) {
    OpenAndWaitForReading(serial);
    std::string frame = "{7SG" + std::string(128, ' ') + "}";
    frame.replace(4 + 120, 4, "1234");  // unit 0, positions 0 to 3
    EXPECT_EQ(serial.Write(frame.data(), static_cast<int>(frame.size())), 133);
    ASSERT_TRUE(board.WaitForSegmentFrames(1, 2000));
    EXPECT_EQ(board.UnitText(0), "1234    ");
    EXPECT_EQ(serial.Write("", 0), 0);
}

TEST_F(SerialTest, BoardAnswersDetectThroughTheDriver) {
    OpenAndWaitForReading(serial);
    size_t before = received.Data().size();
    ASSERT_EQ(serial.Write("{DET}", 5), 5);
    ASSERT_TRUE(received.WaitFor(before + 5, 2000));
    EXPECT_EQ(received.Data().substr(before), "{F01}");
    EXPECT_EQ(board.DetectCount(), 1);
}

// Open and close a hundred times, most closes during the start-up pulse: one
// reading thread at a time, each close prompt, every thread started and
// finished, no descriptor left behind.
TEST_F(SerialTest, OpenCloseCyclesLeaveNoThreadOrDescriptor) {
    const int fds = counts::OpenDescriptors();
    const int threads = counts::Threads();
    std::mt19937 random(7);
    std::vector<long> closesInPulse;
    for (int cycle = 0; cycle < 100; ++cycle) {
        SCOPED_TRACE(cycle);
        ASSERT_EQ(serial.Open(board.DevicePath().c_str(), 115200), 1);
        EXPECT_EQ(counts::SettledThreads(threads + 1), threads + 1);
        if (cycle % 20 == 19) {
            size_t before = received.Data().size();
            ASSERT_TRUE(board.Send("."));
            ASSERT_TRUE(received.WaitFor(before + 1, 3000));
            serial.Close();
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(random() % 120));
            Clock::time_point start = Clock::now();
            serial.Close();
            closesInPulse.push_back(MsSince(start));
        }
        EXPECT_EQ(counts::SettledThreads(threads), threads);
        EXPECT_FALSE(serial.IsOpen());
    }
    // Waiting out the pulse would take 500 ms or more; a busy machine may
    // hold a few closes up, so the median is judged.
    std::sort(closesInPulse.begin(), closesInPulse.end());
    EXPECT_LT(closesInPulse[closesInPulse.size() / 2], 200) << "median close in ms";
    EXPECT_EQ(console.Count("Serial::ReadingThread(): Started\n"), 100);
    EXPECT_EQ(console.Count("Serial::ReadingThread(): Finished\n"), 100);
    EXPECT_EQ(console.Count("RX thread has been created"), 100);
    EXPECT_EQ(counts::SettledDescriptors(fds), fds);
}

// Open again without closing: the old thread is gone before the new one starts.
TEST_F(SerialTest, ReopenWithoutCloseKeepsOneThread) {
    const int threads = counts::Threads();
    for (int i = 0; i < 5; ++i) {
        ASSERT_EQ(serial.Open(board.DevicePath().c_str(), 115200), 1);
        EXPECT_EQ(counts::SettledThreads(threads + 1), threads + 1);
    }
    OpenAndWaitForReading(serial);
    serial.Close();
    EXPECT_EQ(console.Count("Serial::ReadingThread(): Started\n"), 6);
    EXPECT_EQ(console.Count("Serial::ReadingThread(): Finished\n"), 6);
}

TEST_F(SerialTest, DestructionWaitsForTheThread) {
    const int threads = counts::Threads();
    const int fds = counts::OpenDescriptors();
    auto port = std::make_unique<Serial>();
    ASSERT_EQ(port->Open(board.DevicePath().c_str(), 115200), 1);
    Clock::time_point start = Clock::now();
    port.reset();
    EXPECT_LT(MsSince(start), 200);
    EXPECT_EQ(counts::SettledThreads(threads), threads);
    EXPECT_EQ(counts::SettledDescriptors(fds), fds);
    EXPECT_EQ(console.Count("Serial::ReadingThread(): Finished\n"), 1);
}

TEST_F(SerialTest, CloseWhileDataFloodsIsPrompt) {
    OpenAndWaitForReading(serial);
    std::atomic<bool> flooding{true};
    std::thread flood([&] {
        while (flooding) board.Send(std::string(512, 'x'));
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    Clock::time_point start = Clock::now();
    serial.Close();
    EXPECT_LT(MsSince(start), 200);
    flooding = false;
    flood.join();
    EXPECT_EQ(console.Count("Serial::ReadingThread(): Finished\n"), 1);
}

TEST_F(SerialTest, UnplugEndsTheThreadAndFailsWrites) {
    OpenAndWaitForReading(serial);
    board.Unplug();
    EXPECT_TRUE(console.WaitForCount("Serial::ReadingThread(): Finished\n", 1, 1000));
    EXPECT_EQ(serial.Write("{DET}", 5), -1);
    EXPECT_TRUE(serial.IsOpen());  // until the owner closes it
    const int fds = counts::OpenDescriptors();
    serial.Close();
    EXPECT_EQ(counts::SettledDescriptors(fds - 3),
              fds - 3);  // the port and both ends of the wake pipe
    EXPECT_EQ(console.Count("Serial::ReadingThread(): Finished\n"), 1);
}

TEST_F(SerialTest, UnplugDuringThePulseEndsTheThread) {
    ASSERT_EQ(serial.Open(board.DevicePath().c_str(), 115200), 1);
    board.Unplug();
    EXPECT_TRUE(console.WaitForCount("Serial::ReadingThread(): Finished\n", 1, 2000));
    EXPECT_EQ(serial.Write("{DET}", 5), -1);
    EXPECT_EQ(received.Data(), "");
}

// Nobody reads the board's side: once the terminal's buffer is full, what is
// handed over no longer goes out. No Write waits for the line; a block that
// does not go out within the line's time plus a margin fails the next Write;
// while the line is full a newer frame of a kind replaces the one waiting, so
// the board gets the latest once it reads again.
TEST(SerialWrite, FullLineFailsWritesWithoutWaitingAndKeepsTheLatestFrame) {
    SetConsoleStdout(false);
    RawPty pty;
    ASSERT_TRUE(pty.Ok());
    Serial port;
    ASSERT_EQ(port.Open(pty.path.c_str(), 115200), 1);
    const std::string filler(4096, 'x');
    long slowest = 0;
    int accepted = 0;
    bool failed = false;
    const Clock::time_point began = Clock::now();
    while (!failed && MsSince(began) < 30000) {
        const Clock::time_point start = Clock::now();
        failed = port.Write(filler.data(), static_cast<int>(filler.size()), 1) == -1;
        slowest = std::max(slowest, MsSince(start));
        accepted += failed ? 0 : 1;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ASSERT_TRUE(failed) << "a full line never failed a write";
    EXPECT_GT(accepted, 1);
    EXPECT_LT(slowest, 50) << "ms a Write waited";
    EXPECT_GE(MsSince(began), Serial::WriteAllowance(4096, 115200).count() / 1000000);
    EXPECT_TRUE(port.OutputStalled());

    for (int i = 0; i < 100; ++i) {
        const std::string frame = "{L" + std::to_string(i) + "}";
        port.Write(frame.data(), static_cast<int>(frame.size()), 2);
    }
    // The board reads again: everything waiting goes out.
    const std::string drained = ReadFor(pty.master, 1 << 22, 3000);
    std::size_t frames = 0;
    for (std::size_t at = drained.find("{L"); at != std::string::npos;
         at = drained.find("{L", at + 1))
        ++frames;
    EXPECT_NE(drained.find("{L99}"), std::string::npos);
    EXPECT_LE(frames, 2u) << "frames of one kind piled up behind the full line";
    EXPECT_FALSE(port.OutputStalled());
    port.Write("{DET}", 5);  // may still tell of a failure before the drain
    EXPECT_EQ(port.Write("{DET}", 5), 5);
    EXPECT_EQ(ReadFor(pty.master, 10, 2000), "{DET}{DET}");
    port.Close();
    SetConsoleStdout(true);
}

}  // namespace
