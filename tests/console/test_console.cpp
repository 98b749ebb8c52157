// Diagnostic output without a window: what reaches a sink and standard
// output, in which colour and order, and the pending buffer of the window.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "console/Console.h"
#include "console/ConsoleFormat.h"

namespace {

class RecordingSink : public ConsoleSink {
public:
    void Write(const ConsoleSpan& span) override {
        std::lock_guard<std::mutex> lock(mutex);
        spans.push_back(span);
    }
    std::mutex mutex;
    std::vector<ConsoleSpan> spans;
};

// Registers a recording sink for one test, with standard output off so the
// test log stays readable, and leaves the normal colour in force.
class ConsoleOutput : public testing::Test {
protected:
    void SetUp() override {
        SetConsoleStdout(false);
        SetConsoleColour(kColourNormal);
        AddConsoleSink(&sink);
    }
    void TearDown() override {
        RemoveConsoleSink(&sink);
        SetConsoleColour(kColourNormal);
        SetConsoleStdout(true);
    }
    RecordingSink sink;
};

TEST_F(ConsoleOutput, ConcurrentColouredLinesArriveWholeInTheirColourAndInThreadOrder) {
    // Each printer has its own colour; one more thread prints uncoloured
    // lines, which must always come out in the normal colour that every
    // coloured line restores: a colour change escaping its line would show.
    const std::vector<int> colours = {kColourGreen, kColourCyan, kColourRed, kColourMagenta,
                                      kColourYellow, kColourWhite};
    constexpr int kLines = 20000;
    std::atomic<bool> go{false};
    std::vector<std::thread> threads;
    for (std::size_t t = 0; t < colours.size(); ++t) {
        threads.emplace_back([&, t] {
            while (!go) std::this_thread::yield();
            for (int i = 0; i < kLines; ++i)
                ConsolePrintColoured(colours[t], kColourNormal, "T%zu L%05d {%s}\n", t, i,
                                     "0123456789abcdef");
        });
    }
    threads.emplace_back([&] {
        while (!go) std::this_thread::yield();
        for (int i = 0; i < kLines; ++i) ConsolePrintf("P L%05d plain\n", i);
    });
    go = true;
    for (std::thread& thread : threads) thread.join();

    std::vector<int> next(colours.size() + 1, 0);
    ASSERT_EQ(sink.spans.size(), (colours.size() + 1) * kLines);
    for (const ConsoleSpan& span : sink.spans) {
        std::size_t t = 0;
        int line = -1;
        char text[32] = {};
        if (span.text[0] == 'P') {
            t = colours.size();
            ASSERT_EQ(std::sscanf(span.text.c_str(), "P L%05d %31s", &line, text), 2) << span.text;
            char whole[32];
            std::snprintf(whole, sizeof whole, "P L%05d plain\n", line);
            EXPECT_EQ(span.text, whole);
            EXPECT_EQ(span.colour, kColourNormal) << span.text;
        } else {
            ASSERT_EQ(std::sscanf(span.text.c_str(), "T%zu L%05d %31s", &t, &line, text), 3)
                << span.text;
            ASSERT_LT(t, colours.size());
            EXPECT_STREQ(text, "{0123456789abcdef}");
            EXPECT_EQ(span.text.back(), '\n');
            EXPECT_EQ(span.colour, colours[t]) << span.text;
        }
        EXPECT_EQ(line, next[t]) << "thread " << t << " out of order";
        next[t] = line + 1;
    }
}

TEST_F(ConsoleOutput, ColourInForceCarriesToUncolouredLines) {
    // Each step prints through the real call; the expected colour is what
    // the line after it shows.
    ConsolePrintf("before anything\n");
    ConsolePrintColoured(kColourCyan, kColourWhite, "{DET}\n");
    ConsolePrintf("Port %s closed\n", "/dev/ttyUSB0");
    ConsolePrintf("Program closed\n");
    ConsolePrintColoured(kColourYellow, kColourNormal, "{%s}  %d\n", "0123", 291);
    ConsolePrintf("\nACK\n");
    SetConsoleColour(kColourRed);
    ConsolePrintf("red by hand\n");
    ConsolePrintColoured(kColourGreen, kColourNormal, "Port %s opened at %d\n", "/dev/ttyUSB0", 115200);
    ConsolePrintf("DTR on result: %d\n", 0);

    const std::vector<std::pair<int, std::string>> expected = {
        {kColourNormal, "before anything\n"},
        {kColourCyan, "{DET}\n"},
        {kColourWhite, "Port /dev/ttyUSB0 closed\n"},
        {kColourWhite, "Program closed\n"},
        {kColourYellow, "{0123}  291\n"},
        {kColourNormal, "\nACK\n"},
        {kColourRed, "red by hand\n"},
        {kColourGreen, "Port /dev/ttyUSB0 opened at 115200\n"},
        {kColourNormal, "DTR on result: 0\n"},
    };
    ASSERT_EQ(sink.spans.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(sink.spans[i].colour, expected[i].first) << expected[i].second;
        EXPECT_EQ(sink.spans[i].text, expected[i].second);
    }
}

TEST_F(ConsoleOutput, TextOfAnyLengthArrivesUntruncated) {
    // Around the formatter's first-try buffer, and far beyond it.
    for (std::size_t length : {1u, 510u, 511u, 512u, 513u, 4096u, 100u * 1024u}) {
        std::string body(length, 'x');
        for (std::size_t i = 0; i < length; i += 97) body[i] = static_cast<char>('a' + i % 26);
        sink.spans.clear();
        ConsolePrintf("%s\n", body.c_str());
        ASSERT_EQ(sink.spans.size(), 1u) << length;
        EXPECT_EQ(sink.spans[0].text.size(), length + 1) << length;
        EXPECT_EQ(sink.spans[0].text, body + "\n") << length;

        sink.spans.clear();
        ConsolePrintColoured(kColourCyan, kColourNormal, "%s|%d\n", body.c_str(), 7);
        ASSERT_EQ(sink.spans.size(), 1u);
        EXPECT_EQ(sink.spans[0].text, body + "|7\n") << length;
    }
}

TEST_F(ConsoleOutput, EmptyTextReachesNoSinkAndRemovedSinkHearsNothing) {
    ConsolePrintf("%s", "");
    EXPECT_TRUE(sink.spans.empty());
    RecordingSink other;
    AddConsoleSink(&other);
    AddConsoleSink(&other);  // a second registration does not double the output
    ConsolePrintf("one\n");
    RemoveConsoleSink(&other);
    ConsolePrintf("two\n");
    ASSERT_EQ(other.spans.size(), 1u);
    EXPECT_EQ(other.spans[0].text, "one\n");
    EXPECT_EQ(sink.spans.size(), 2u);
}

// ---- standard output

TEST(ConsoleStdoutText, AnsiWrapsColouredTextAndPlainLeavesItAlone) {
    struct Case {
        int colour;
        std::string text;
        bool ansi;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {kColourNormal, "Program closed\n", true, "Program closed\n"},
        {kColourWhite, "Port p closed\n", true, "\x1b[97mPort p closed\x1b[0m\n"},
        {kColourCyan, "{DET}\n", true, "\x1b[96m{DET}\x1b[0m\n"},
        {kColourGreen, "ok\n", true, "\x1b[92mok\x1b[0m\n"},
        {kColourRed, "bad\n", true, "\x1b[91mbad\x1b[0m\n"},
        {kColourMagenta, "det\n", true, "\x1b[95mdet\x1b[0m\n"},
        {kColourYellow, "{0123}  291\n", true, "\x1b[93m{0123}  291\x1b[0m\n"},
        {kColourYellow, "no line end", true, "\x1b[93mno line end\x1b[0m"},
        {kColourWhite, "\nACK\n", true, "\x1b[97m\nACK\x1b[0m\n"},
        {kColourYellow, "{0123}  291\n", false, "{0123}  291\n"},
        {kColourWhite, "Port p closed\n", false, "Port p closed\n"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ConsoleStdoutText(c.colour, c.text, c.ansi), c.expected)
            << c.colour << " " << c.text << " ansi=" << c.ansi;
}

TEST(ConsoleStdoutText, AttributeBitsMapToAnsiColours) {
    // blue 1, green 2, red 4, intensity 8 -> ANSI red 1, green 2, blue 4.
    const std::vector<std::pair<int, std::string>> cases = {
        {0, "30"}, {1, "34"}, {2, "32"}, {3, "36"}, {4, "31"}, {5, "35"}, {6, "33"}, {7, ""},
        {8, "90"}, {9, "94"}, {10, "92"}, {11, "96"}, {12, "91"}, {13, "95"}, {14, "93"},
        {15, "97"}, {0x1E, "93"},  // background bits do not change the text colour
    };
    for (const auto& [attribute, parameter] : cases)
        EXPECT_EQ(AnsiColourParameter(attribute), parameter) << attribute;
}

// Points standard output at `fd` for the lifetime of the object.
class RedirectStdout {
public:
    explicit RedirectStdout(int fd) {
        std::fflush(stdout);
        saved_ = dup(fileno(stdout));
        dup2(fd, fileno(stdout));
    }
    ~RedirectStdout() {
        std::fflush(stdout);
        dup2(saved_, fileno(stdout));
        close(saved_);
    }

private:
    int saved_;
};

std::string ReadAvailable(int fd) {
    std::string out;
    char buffer[4096];
    for (;;) {
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n <= 0) break;
        out.append(buffer, static_cast<std::size_t>(n));
    }
    return out;
}

TEST(ConsoleStdout, PipeGetsPlainTextLineByLineWithoutWaitingForExit) {
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    fcntl(fds[0], F_SETFL, O_NONBLOCK);
    SetConsoleStdout(true);
    std::string seen;
    {
        RedirectStdout redirect(fds[1]);
        ConsolePrintColoured(kColourYellow, kColourNormal, "{%s}  %d\n", "0123", 291);
        // Read while standard output is still redirected: the line must have
        // been flushed by the print itself.
        seen = ReadAvailable(fds[0]);
        ConsolePrintColoured(kColourCyan, kColourWhite, "{DET}\n");
        ConsolePrintf("Port %s closed\n", "p");
    }
    SetConsoleColour(kColourNormal);
    seen += ReadAvailable(fds[0]);
    close(fds[0]);
    close(fds[1]);
    EXPECT_EQ(seen, "{0123}  291\n{DET}\nPort p closed\n");
}

TEST(ConsoleStdout, TerminalGetsAnsiColours) {
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    ASSERT_EQ(grantpt(master), 0);
    ASSERT_EQ(unlockpt(master), 0);
    const int slave = open(ptsname(master), O_RDWR | O_NOCTTY);
    ASSERT_GE(slave, 0);
    fcntl(master, F_SETFL, O_NONBLOCK);
    int pipeFds[2];
    ASSERT_EQ(pipe(pipeFds), 0);
    SetConsoleStdout(true);
    {
        // Whether it is a terminal is remembered from the first line ...
        RedirectStdout redirect(pipeFds[1]);
        ConsolePrintf("into a pipe\n");
    }
    close(pipeFds[0]);
    close(pipeFds[1]);
    SetConsoleStdout(true);  // ... until standard output is switched on again
    {
        RedirectStdout redirect(slave);
        ConsolePrintColoured(kColourCyan, kColourWhite, "{DET}\n");
        ConsolePrintf("Port %s closed\n", "p");
        SetConsoleColour(kColourNormal);
        ConsolePrintf("normal\n");
    }
    usleep(20000);
    const std::string seen = ReadAvailable(master);
    close(slave);
    close(master);
    // The terminal turns line ends into CR LF.
    EXPECT_EQ(seen, "\x1b[96m{DET}\x1b[0m\r\n\x1b[97mPort p closed\x1b[0m\r\nnormal\r\n");
}

TEST(ConsoleStdout, VanishedReaderCostsTheLinesNotTheProgram) {
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    close(fds[0]);
    RecordingSink sink;
    AddConsoleSink(&sink);
    SetConsoleStdout(true);
    {
        RedirectStdout redirect(fds[1]);
        for (int i = 0; i < 3; ++i) ConsolePrintf("into the void %d\n", i);
    }
    RemoveConsoleSink(&sink);
    close(fds[1]);
    EXPECT_EQ(sink.spans.size(), 3u);  // and the process is still here
}

TEST(ConsoleStdout, SwitchedOffWritesNothing) {
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    fcntl(fds[0], F_SETFL, O_NONBLOCK);
    {
        RedirectStdout redirect(fds[1]);
        SetConsoleStdout(false);
        ConsolePrintf("hidden\n");
        SetConsoleStdout(true);
        ConsolePrintf("shown\n");
    }
    EXPECT_EQ(ReadAvailable(fds[0]), "shown\n");
    close(fds[0]);
    close(fds[1]);
}

// ---- the window's colours and pending buffer

TEST(ConsoleColourRgb, AttributesUseTheClassicConsolePalette) {
    const std::vector<std::pair<int, std::uint32_t>> cases = {
        {kColourNormal, 0xC0C0C0}, {kColourGreen, 0x00FF00}, {kColourCyan, 0x00FFFF},
        {kColourRed, 0xFF0000},    {kColourMagenta, 0xFF00FF}, {kColourYellow, 0xFFFF00},
        {kColourWhite, 0xFFFFFF},  {0, 0x000000},             {8, 0x808080},
        {1, 0x000080},             {6, 0x808000},             {0x4E, 0xFFFF00},
    };
    for (const auto& [attribute, rgb] : cases) EXPECT_EQ(ConsoleColourRgb(attribute), rgb) << attribute;
}

std::string Joined(const std::vector<ConsoleSpan>& runs) {
    std::string all;
    for (const ConsoleSpan& run : runs) all += run.text;
    return all;
}

TEST(ConsolePending, TakeMergesNeighboursOfOneColourAndEmpties) {
    ConsolePending pending(100, 1 << 20);
    pending.Add(7, "a\n");
    pending.Add(7, "b\n");
    pending.Add(14, "c\n");
    pending.Add(7, "d");
    pending.Add(7, "");
    pending.Add(7, "e\n");
    EXPECT_EQ(pending.PendingLines(), 4u);
    const std::vector<ConsoleSpan> runs = pending.Take();
    ASSERT_EQ(runs.size(), 3u);
    EXPECT_EQ(runs[0].colour, 7);
    EXPECT_EQ(runs[0].text, "a\nb\n");
    EXPECT_EQ(runs[1].colour, 14);
    EXPECT_EQ(runs[1].text, "c\n");
    EXPECT_EQ(runs[2].text, "de\n");
    EXPECT_TRUE(pending.Take().empty());
    EXPECT_EQ(pending.PendingLines(), 0u);
    EXPECT_EQ(pending.PendingBytes(), 0u);
}

TEST(ConsolePending, TakeInChunksCutsAtLineEndsAndKeepsTheRestInOrder) {
    ConsolePending pending(100, 1 << 20);
    pending.Add(7, "a\nb");
    pending.Add(14, "c\nd\n");
    pending.Add(7, "e");
    struct Step {
        std::size_t maxLines;
        std::vector<std::pair<int, std::string>> runs;
        std::size_t linesLeft, bytesLeft;
    };
    const std::vector<Step> steps = {
        {1, {{7, "a\n"}}, 2, 6},
        {1, {{7, "b"}, {14, "c\n"}}, 1, 3},
        {0, {}, 1, 3},
        {5, {{14, "d\n"}, {7, "e"}}, 0, 0},
        {5, {}, 0, 0},
    };
    for (std::size_t i = 0; i < steps.size(); ++i) {
        const std::vector<ConsoleSpan> runs = pending.Take(steps[i].maxLines);
        ASSERT_EQ(runs.size(), steps[i].runs.size()) << "step " << i;
        for (std::size_t r = 0; r < runs.size(); ++r) {
            EXPECT_EQ(runs[r].colour, steps[i].runs[r].first) << "step " << i;
            EXPECT_EQ(runs[r].text, steps[i].runs[r].second) << "step " << i;
        }
        EXPECT_EQ(pending.PendingLines(), steps[i].linesLeft) << "step " << i;
        EXPECT_EQ(pending.PendingBytes(), steps[i].bytesLeft) << "step " << i;
    }
}

TEST(ConsolePending, FullBufferDropsItsOldestLines) {
    struct Case {
        const char* name;
        std::size_t maxLines, maxBytes;
        std::vector<std::string> added;
        std::string kept;
        std::size_t dropped;
    };
    const std::vector<Case> cases = {
        {"under the cap", 3, 100, {"1\n", "2\n", "3\n"}, "1\n2\n3\n", 0},
        {"line cap", 3, 100, {"1\n", "2\n", "3\n", "4\n", "5\n"}, "3\n4\n5\n", 2},
        {"lines split over pieces", 1, 100, {"a", "b", "c\n", "d", "e\n"}, "de\n", 1},
        {"several lines in one piece", 2, 100, {"1\n2\n3\n4\n"}, "3\n4\n", 2},
        {"unfinished line kept", 1, 100, {"x\n", "y\n", "z"}, "y\nz", 1},
        {"byte cap", 100, 10, {"aaaa\n", "bbbb\n", "cccc\n"}, "bbbb\ncccc\n", 1},
        {"huge unfinished line keeps its end", 100, 4, {"ab", "cdef", "gh"}, "efgh", 0},
    };
    for (const Case& c : cases) {
        ConsolePending pending(c.maxLines, c.maxBytes);
        for (const std::string& piece : c.added) pending.Add(7, piece);
        EXPECT_EQ(pending.PendingBytes(), c.kept.size()) << c.name;
        EXPECT_EQ(pending.DroppedLines(), c.dropped) << c.name;
        EXPECT_EQ(Joined(pending.Take()), c.kept) << c.name;
    }
}

TEST(ConsolePending, ConcurrentAddersLoseOnlyWhatTheCapDropsAndKeepOrder) {
    ConsolePending pending(500, 1 << 20);
    constexpr int kThreads = 4, kLines = 20000;
    std::atomic<int> running{kThreads};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < kLines; ++i)
                pending.Add(10 + t, std::to_string(t) + " " + std::to_string(i) + "\n");
            --running;
        });
    }
    std::vector<int> last(kThreads, -1);
    std::size_t received = 0;
    auto consume = [&] {
        for (const ConsoleSpan& run : pending.Take()) {
            std::size_t start = 0;
            while (start < run.text.size()) {
                const std::size_t end = run.text.find('\n', start);
                ASSERT_NE(end, std::string::npos);
                int t = -1, i = -1;
                ASSERT_EQ(std::sscanf(run.text.c_str() + start, "%d %d", &t, &i), 2);
                ASSERT_EQ(run.colour, 10 + t);
                ASSERT_GT(i, last[t]) << "thread " << t;
                last[t] = i;
                ++received;
                start = end + 1;
            }
        }
    };
    while (running > 0) consume();
    for (std::thread& thread : threads) thread.join();
    EXPECT_LE(pending.PendingLines(), 500u);
    consume();
    EXPECT_EQ(received + pending.DroppedLines(), std::size_t{kThreads} * kLines);
}

}  // namespace
