// The Win32 serial line end to end against the Linux virtual board, run by
// tests/windows/serial-board.sh: COM5 leads to the board's terminal, lines
// written to $BRANTLE_BOARD_DIR/board-in make the board send, and a file
// "unplug" there makes the script stop the board. One board per run, so the
// steps are one test in order.
#include <gtest/gtest.h>
#include <windows.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>

#include "platform/SerialLine.h"
#include "serial/PortFailure.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr std::int64_t kMs = 1000000;
// Generous: the machine may be busy with other builds and Wine programs.
constexpr auto kDeadline = std::chrono::seconds(20);

// The folder the script shares, as Wine sees a Unix path.
std::string BoardFile(const char* name) {
    const char* dir = std::getenv("BRANTLE_BOARD_DIR");
    std::string path = std::string("Z:") + (dir != nullptr ? dir : "") + "/" + name;
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}

bool UnderWine() {
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

// Reads until `text` came or the deadline passed; what was read.
std::string ReadUntil(SerialLine& line, const std::string& text) {
    std::string got;
    const Clock::time_point end = Clock::now() + kDeadline;
    while (got.find(text) == std::string::npos && Clock::now() < end) {
        if (!(line.Wait(SerialLine::kReadable, 1000 * kMs) & SerialLine::kReadable)) continue;
        char buffer[256];
        const int n = line.Read(buffer, sizeof buffer);
        if (n < 0) break;
        got.append(buffer, static_cast<std::size_t>(n));
    }
    return got;
}

void WriteAll(SerialLine& line, const std::string& bytes) {
    std::size_t done = 0;
    const Clock::time_point end = Clock::now() + kDeadline;
    while (done < bytes.size() && Clock::now() < end) {
        const int n = line.Write(bytes.data() + done, static_cast<int>(bytes.size() - done));
        ASSERT_GE(n, 0);
        done += static_cast<std::size_t>(n);
        if (done < bytes.size()) line.Wait(SerialLine::kWritable, 1000 * kMs);
    }
    EXPECT_EQ(done, bytes.size());
}

}  // namespace

TEST(SerialBoard, TalksToTheBoardAndHearsTheUnplug) {
    ASSERT_NE(std::getenv("BRANTLE_BOARD_DIR"), nullptr) << "run by tests/windows/serial-board.sh";
    const std::string path = SerialLine::DevicePath("COM5");
    EXPECT_TRUE(SerialLine::MayOpen(path));

    SerialLine line;
    std::string call;
    int error = 0;
    ASSERT_TRUE(line.Open(path, &call, &error)) << call << " " << error;
    EXPECT_NE(line.HandleNumber(), -1);

    // The port is this process's alone while open.
    {
        SerialLine second;
        EXPECT_FALSE(second.Open(path, &call, &error));
        EXPECT_EQ(error, EBUSY);
        const PortOpenError failure{error, call};
        const FailureText text = DescribePortFailure(path, failure, GatherPortFacts(path, failure));
        EXPECT_EQ(text.summary, "COM5 is in use by another program.");
        EXPECT_NE(text.hint.find("serial monitor"), std::string::npos) << text.hint;
    }

    ASSERT_TRUE(line.Configure(115200, &call, &error)) << call << " " << error;
    // A pseudo-terminal has no DTR: Wine says "not supported", and the
    // program shows that and carries on.
    const int dtr = line.SetDtr(false);
    if (UnderWine()) {
        EXPECT_EQ(dtr, 0);
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_SUPPORTED));
    } else {
        EXPECT_EQ(dtr, 1);
    }

    // Nothing to read: the wait lasts its time, and a Wake ends it early.
    Clock::time_point start = Clock::now();
    EXPECT_EQ(line.Wait(SerialLine::kReadable, 300 * kMs), 0u);
    EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(300));
    std::thread waker([&line] { line.Wake(); });
    EXPECT_EQ(line.Wait(SerialLine::kReadable, -1) & SerialLine::kWoken,
              unsigned{SerialLine::kWoken});
    waker.join();

    WriteAll(line, "{DET}");
    EXPECT_NE(ReadUntil(line, "{F01}").find("{F01}"), std::string::npos);

    {
        std::ofstream boardIn(BoardFile("board-in"));
        boardIn << "0123\n3f\n" << std::flush;
        ASSERT_TRUE(boardIn.good()) << BoardFile("board-in");
    }
    EXPECT_NE(ReadUntil(line, "{0123}{3f}").find("{0123}{3f}"), std::string::npos);

    // Unplugged: the line hangs up, reads fail, and the port is gone.
    std::ofstream(BoardFile("unplug")) << "now\n";
    bool hungUp = false;
    const Clock::time_point end = Clock::now() + kDeadline;
    while (!hungUp && Clock::now() < end) {
        const unsigned seen = line.Wait(SerialLine::kReadable, 1000 * kMs);
        char buffer[64];
        if ((seen & SerialLine::kReadable) && line.Read(buffer, sizeof buffer) < 0) hungUp = true;
    }
    EXPECT_TRUE(hungUp);
    EXPECT_EQ(line.Write("{DET}", 5), -1);
    start = Clock::now();
    line.Close();
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(5));
    EXPECT_FALSE(line.IsOpen());
}
