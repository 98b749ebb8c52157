#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "console/Console.h"
#include "console/ConsoleLog.h"

namespace {

namespace fs = std::filesystem;

TEST(ConsoleLog, EveryLineBeginsWithOneStamp) {
    struct Row {
        std::vector<const char*> pieces;
        const char* stamped;
    };
    const Row rows[] = {
        {{"Port /dev/ttyACM0 closed\n"}, "T Port /dev/ttyACM0 closed\n"},
        {{"{0123}", "  291\n"}, "T {0123}  291\n"},  // a line printed in two pieces
        {{"\nACK\n"}, "T \nT ACK\n"},
        {{"a\nb", "c\n"}, "T a\nT bc\n"},
    };
    for (const Row& row : rows) {
        bool atLineStart = true;
        std::string out;
        for (const char* piece : row.pieces) out += StampLines(piece, "T ", &atLineStart);
        EXPECT_EQ(out, row.stamped);
        EXPECT_TRUE(atLineStart);
    }
    EXPECT_TRUE(std::regex_match(LogTimestamp(std::chrono::system_clock::now()),
                                 std::regex(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3} )")));
}

class ConsoleLogFile : public testing::Test {
  protected:
    void SetUp() override {
        char dir[] = "/tmp/brantle-log-XXXXXX";
        ASSERT_NE(mkdtemp(dir), nullptr);
        root = dir;
        SetConsoleStdout(false);
    }
    void TearDown() override {
        SetConsoleStdout(true);
        SetConsoleColour(kColourNormal);
        std::error_code ignored;
        fs::remove_all(root, ignored);
    }
    std::string root;
};

// Appended to what the file held, in order, without colours, each line
// behind its time; lines printed before the log started come first.
TEST_F(ConsoleLogFile, AppendsEveryLineWithItsTime) {
    const std::string file = root +
                             "/d\xc3\xa9"
                             "bug.log";
    std::ofstream(file) << "earlier run\n";
    ConsolePrintf("before the log %d\n", 1);
    {
        ConsoleLog log(file);
        ConsolePrintColoured(kColourYellow, kColourNormal, "{%s}  %d\n", "0123", 291);
        ConsolePrintColoured(kColourCyan, kColourWhite, "{DET}\n");
        ConsolePrintf("Port %s closed\n", "/dev/tty\xc3\xbc");
    }
    ConsolePrintf("after the log\n");
    std::ifstream in(file);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    ASSERT_GE(lines.size(), 5u);
    EXPECT_EQ(lines.front(), "earlier run");
    const std::vector<std::string> last(lines.end() - 4, lines.end());
    const char* const texts[] = {"before the log 1", "{0123}  291", "{DET}",
                                 "Port /dev/tty\xc3\xbc closed"};
    for (int i = 0; i < 4; ++i) {
        ASSERT_GT(last[i].size(), 24u) << last[i];
        EXPECT_EQ(last[i].substr(24), texts[i]);
        EXPECT_TRUE(std::regex_match(last[i].substr(0, 24),
                                     std::regex(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3} )")))
            << last[i];
    }
}

// A log that cannot take anything (a pipe nobody reads) holds up no
// printing thread: past its bound lines are dropped and counted.
TEST_F(ConsoleLogFile, AStuckLogNeverHoldsUpPrinting) {
    const std::string fifo = root + "/fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    auto log = std::make_unique<ConsoleLog>(fifo);
    std::atomic<bool> done{false};
    std::thread printer([&] {
        for (int i = 0; i < 100000; ++i)
            ConsolePrintf("line %06d of the board's output, padded to a realistic length\n", i);
        done = true;
    });
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!done && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_TRUE(done) << "printing waited for the log";
    EXPECT_GT(log->DroppedLines(), 0u);
    // A reader comes and goes at once: the log's writes fail, and it ends.
    const int reader = open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    close(reader);
    printer.join();
    log.reset();
}

}  // namespace
