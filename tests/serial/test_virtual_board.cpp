// The virtual board: its frame parser and script lines as plain functions,
// the board in-process on a real pseudo-terminal, and the `virtual-board`
// program itself.
#include <gtest/gtest.h>
#include <limits.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <thread>
#include <utility>
#include <vector>

#include "SerialTestSupport.h"
#include "VirtualBoard.h"

using namespace serialtest;
using board::FrameKind;
using board::ScriptAction;

namespace {

std::string SegmentFrame(const std::string& body) { return "{7SG" + body + "}"; }
std::string LedFrame(const std::string& body) { return "{LED" + body + "}"; }

// Frames found in `input`, as "D", "S:<body>", "L:<body>", joined by "|".
std::string Parse(const std::string& input, int* malformed = nullptr, bool byteByByte = false) {
    std::string out;
    board::FrameParser parser([&](FrameKind kind, const std::string& body) {
        if (!out.empty()) out += "|";
        out += static_cast<char>(kind);
        if (kind != FrameKind::Detect) out += ":" + body;
    });
    if (byteByByte) {
        for (char c : input) parser.Feed(&c, 1);
    } else {
        parser.Feed(input.data(), input.size());
    }
    if (malformed) *malformed = parser.Malformed();
    return out;
}

TEST(FrameParser, FindsFramesAndSkipsTheRest) {
    const std::string digits(128, '8');
    const std::string states = std::string(32, '1') + std::string(32, '0');
    std::string braces(128, ' ');
    braces[0] = '{';
    braces[127] = '}';
    const struct {
        std::string input;
        std::string frames;
        int malformed;
    } cases[] = {
        {"{DET}", "D", 0},
        {"{DET}{DET}", "D|D", 0},
        {SegmentFrame(digits), "S:" + digits, 0},
        {LedFrame(states), "L:" + states, 0},
        {"\r\njunk{DET}more junk", "D", 0},
        // Display characters may be braces: the body has a fixed length.
        {SegmentFrame(braces), "S:" + braces, 0},
        {"{DE}", "", 1},
        {"{XYZ}{DET}", "D", 1},
        {"{DETX}{DET}", "D", 1},
        // A short frame takes its own closing brace as a body byte and is
        // dropped where its brace should be; the next frame is still found.
        {SegmentFrame(digits.substr(1)) + "{DET}{DET}", "D|D", 1},
        {LedFrame(states.substr(0, 63)) + "{DET}", "D", 1},
        {LedFrame(states.substr(0, 63)) + "}", "L:" + states.substr(0, 63) + "}", 0},
        {"{7S{DET}", "D", 1},
        {"{DET" + LedFrame(states), "L:" + states, 1},
    };
    for (const auto& c : cases) {
        int malformed = -1;
        EXPECT_EQ(Parse(c.input, &malformed), c.frames) << c.input;
        EXPECT_EQ(malformed, c.malformed) << c.input;
        EXPECT_EQ(Parse(c.input, nullptr, true), c.frames) << "byte by byte: " << c.input;
    }
}

TEST(ScriptLines, SayWhatToSend) {
    const struct {
        const char* line;
        ScriptAction::Kind kind;
        std::string bytes;
        int ms;
    } cases[] = {
        {"0123", ScriptAction::Send, "{0123}", 0},
        {"  a0120064  \r\n", ScriptAction::Send, "{a0120064}", 0},
        {"F01", ScriptAction::Send, "{F01}", 0},
        {"12345", ScriptAction::Send, "{12345}", 0},  // wrong lengths are the user's to try
        {"!", ScriptAction::Send, "!", 0},
        {"raw {01!23}", ScriptAction::Send, "{01!23}", 0},
        {"raw {A01\\r\\n", ScriptAction::Send, "{A01\r\n", 0},
        {"raw \\x7b\\x7D\\\\ ", ScriptAction::Send, "{}\\ ", 0},
        {"raw ", ScriptAction::Send, "", 0},
        {"sleep 250", ScriptAction::Sleep, "", 250},
        {"sleep   0", ScriptAction::Sleep, "", 0},
        {"", ScriptAction::None, "", 0},
        {"   ", ScriptAction::None, "", 0},
        {"# a comment", ScriptAction::None, "", 0},
        {"sleep", ScriptAction::Invalid, "", 0},
        {"sleep -5", ScriptAction::Invalid, "", 0},
        {"sleep 5x", ScriptAction::Invalid, "", 0},
        {"01 23", ScriptAction::Invalid, "", 0},
        {"G01", ScriptAction::Invalid, "", 0},
        {"!!", ScriptAction::Invalid, "", 0},
        {"raw \\q", ScriptAction::Invalid, "", 0},
        {"raw \\x4", ScriptAction::Invalid, "", 0},
        {"raw \\xZZ", ScriptAction::Invalid, "", 0},
        {"raw end\\", ScriptAction::Invalid, "", 0},
    };
    for (const auto& c : cases) {
        ScriptAction a = board::ParseScriptLine(c.line);
        EXPECT_EQ(a.kind, c.kind) << "'" << c.line << "'";
        if (a.kind == ScriptAction::Send) {
            EXPECT_EQ(a.bytes, c.bytes) << c.line;
        }
        if (a.kind == ScriptAction::Sleep) {
            EXPECT_EQ(a.ms, c.ms) << c.line;
        }
    }
}

class BoardTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(vb.Start());
        slave = OpenRawSlave(vb.DevicePath());
        ASSERT_GE(slave, 0);
    }
    void TearDown() override {
        if (slave >= 0) close(slave);
    }
    void Write(const std::string& bytes) {
        ASSERT_EQ(write(slave, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    }

    board::VirtualBoard vb{1};
    int slave = -1;
};

TEST_F(BoardTest, AnswersEachDetectRequest) {
    Write("{DET}");
    EXPECT_EQ(ReadFor(slave, 5, 1000), "{F01}");
    Write("{DET}{D");
    Write("ET}");
    EXPECT_EQ(ReadFor(slave, 10, 1000), "{F01}{F01}");
    EXPECT_EQ(vb.DetectCount(), 3);
}

TEST(Board, DetectResponseCarriesTheId) {
    for (auto c : std::vector<std::pair<int, std::string>>{
             {0, "{F00}"}, {1, "{F01}"}, {42, "{F2A}"}, {255, "{FFF}"}}) {
        board::VirtualBoard vb(c.first);
        EXPECT_EQ(vb.DetectResponse(), c.second);
        ASSERT_TRUE(vb.Start());
        int slave = OpenRawSlave(vb.DevicePath());
        ASSERT_GE(slave, 0);
        ASSERT_EQ(write(slave, "{DET}", 5), 5);
        EXPECT_EQ(ReadFor(slave, 5, 1000), c.second);
        close(slave);
    }
}

TEST_F(BoardTest, KeepsTheLatestFramesInOrder) {
    std::string display(128, ' ');
    display.replace(0, 8, "UNIT  15");    // unit 15 comes first in the frame
    display.replace(120, 8, "unit 0  ");  // unit 0 last
    std::string outputs(64, '0');
    outputs[0] = outputs[5] = outputs[63] = '1';
    Write(SegmentFrame(std::string(128, '-')));
    Write("{DET}");
    // A frame split over several writes, as a serial line may deliver it.
    const std::string led = LedFrame(outputs);
    Write(led.substr(0, 10));
    Write(led.substr(10));
    Write(SegmentFrame(display));
    ASSERT_TRUE(vb.WaitForSegmentFrames(2, 1000));
    ASSERT_TRUE(vb.WaitForLedFrames(1, 1000));
    EXPECT_EQ(vb.Order(), "SDLS");
    EXPECT_EQ(vb.SegmentBody(), display);
    EXPECT_EQ(vb.UnitText(15), "UNIT  15");
    EXPECT_EQ(vb.UnitText(0), "unit 0  ");
    EXPECT_EQ(vb.UnitText(7), "        ");
    EXPECT_EQ(vb.UnitText(16), "");
    EXPECT_EQ(vb.LedBody(), outputs);
    EXPECT_TRUE(vb.OutputOn(0));
    EXPECT_TRUE(vb.OutputOn(5));
    EXPECT_TRUE(vb.OutputOn(63));
    EXPECT_FALSE(vb.OutputOn(1));
    EXPECT_FALSE(vb.OutputOn(64));
    EXPECT_EQ(vb.SegmentCount(), 2);
    EXPECT_EQ(vb.LedCount(), 1);
    EXPECT_EQ(vb.MalformedCount(), 0);
    EXPECT_EQ(vb.TakeReceived().size(), 133u + 5 + 69 + 133);
    EXPECT_EQ(vb.TakeReceived(), "");
}

TEST_F(BoardTest, RunsScriptLines) {
    EXPECT_TRUE(vb.RunScriptLine("0123"));
    EXPECT_TRUE(vb.RunScriptLine("!"));
    EXPECT_TRUE(vb.RunScriptLine("raw {A01"));
    EXPECT_TRUE(vb.RunScriptLine("raw 20064}\\r\\n"));
    EXPECT_TRUE(vb.RunScriptLine("# nothing"));
    EXPECT_FALSE(vb.RunScriptLine("not a line"));
    EXPECT_EQ(ReadFor(slave, 20, 1000), "{0123}!{A0120064}\r\n");
    Clock::time_point start = Clock::now();
    EXPECT_TRUE(vb.RunScriptLine("sleep 120"));
    EXPECT_GE(MsSince(start), 115);
    start = Clock::now();
    EXPECT_TRUE(vb.RunScriptLine("sleep 5000", [] { return true; }));
    EXPECT_LT(MsSince(start), 100) << "an interrupted sleep must end early";
}

// The program closes and reopens its port: the board goes on answering, and
// what it sent while nobody listened, before the first open too, is not
// delivered later.
TEST_F(BoardTest, SurvivesThePortClosingAndReopening) {
    board::VirtualBoard fresh{2};
    ASSERT_TRUE(fresh.Start());
    EXPECT_FALSE(fresh.SendEvent("0123"));
    const int first = OpenRawSlave(fresh.DevicePath());
    ASSERT_GE(first, 0);
    EXPECT_TRUE(fresh.SendEvent("0456"));
    EXPECT_EQ(ReadFor(first, 6, 1000), "{0456}");
    close(first);

    for (int round = 0; round < 3; ++round) {
        close(slave);
        slave = -1;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        EXPECT_FALSE(vb.SendEvent("0123"));
        slave = OpenRawSlave(vb.DevicePath());
        ASSERT_GE(slave, 0);
        Write("{DET}");
        EXPECT_EQ(ReadFor(slave, 5, 1000), "{F01}");
        EXPECT_TRUE(vb.SendEvent("0456"));
        EXPECT_EQ(ReadFor(slave, 6, 1000), "{0456}");
    }
}

// While no program has the port open the board waits without spinning.
TEST_F(BoardTest, IdleWithoutProgramCostsNoCpu) {
    close(slave);
    slave = -1;
    timespec before, after;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &before);
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &after);
    double cpuMs = (after.tv_sec - before.tv_sec) * 1e3 + (after.tv_nsec - before.tv_nsec) / 1e6;
    EXPECT_LT(cpuMs, 50.0);
}

TEST_F(BoardTest, UnplugHangsUpTheProgramSide) {
    vb.Unplug();
    char c;
    pollfd p = {slave, POLLIN, 0};
    ASSERT_EQ(poll(&p, 1, 1000), 1);
    EXPECT_TRUE(p.revents & POLLHUP);
    EXPECT_LE(read(slave, &c, 1), 0);
    EXPECT_EQ(write(slave, "{DET}", 5), -1);
    EXPECT_FALSE(vb.Send("{0123}"));
}

// ---- the program

// The tool sits in the build tree beside the tests.
std::string ToolPath() {
    char self[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0) return "";
    std::string dir(self, static_cast<size_t>(n));
    dir.erase(dir.rfind('/'));
    return dir + "/../tools/virtual-board/virtual-board";
}

struct Tool {
    pid_t pid = -1;
    int in = -1;   // its standard input
    int out = -1;  // its standard output

    bool Start(const std::vector<std::string>& args) {
        int toChild[2], fromChild[2];
        if (pipe2(toChild, O_CLOEXEC) != 0 || pipe2(fromChild, O_CLOEXEC) != 0) return false;
        std::vector<char*> argv;
        const std::string path = ToolPath();
        argv.push_back(const_cast<char*>(path.c_str()));
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        pid = fork();
        if (pid == 0) {
            dup2(toChild[0], 0);
            dup2(fromChild[1], 1);
            int null = open("/dev/null", O_WRONLY);  // keep the test log clean
            if (null >= 0) dup2(null, 2);
            execv(argv[0], argv.data());
            _exit(127);
        }
        close(toChild[0]);
        close(fromChild[1]);
        in = toChild[1];
        out = fromChild[0];
        return pid > 0;
    }
    int Wait(int timeoutMs) {
        Clock::time_point start = Clock::now();
        int status = 0;
        while (waitpid(pid, &status, WNOHANG) == 0) {
            if (MsSince(start) > timeoutMs) {
                kill(pid, SIGKILL);
                waitpid(pid, &status, 0);
                return -1;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        pid = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    ~Tool() {
        if (in >= 0) close(in);
        if (out >= 0) close(out);
        if (pid > 0) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
    }
};

std::string ReadLine(int fd, int timeoutMs) {
    std::string line;
    Clock::time_point start = Clock::now();
    while (MsSince(start) < timeoutMs) {
        std::string c = ReadFor(fd, 1, static_cast<int>(timeoutMs - MsSince(start)));
        if (c.empty() || c == "\n") break;
        line += c;
    }
    return line;
}

class BoardProgram : public ::testing::Test {
  protected:
    void SetUp() override {
        if (access(ToolPath().c_str(), X_OK) != 0) {
            GTEST_SKIP() << "virtual-board is not built at " << ToolPath();
        }
    }
};

TEST_F(BoardProgram, PrintsPathLinksAnswersAndSendsInput) {
    const std::string link = "/tmp/virtual-board-test-" + std::to_string(getpid());
    Tool tool;
    ASSERT_TRUE(tool.Start({"--id", "7", "--link", link}));
    const std::string path = ReadLine(tool.out, 3000);
    ASSERT_EQ(path.rfind("/dev/pts/", 0), 0u) << path;
    char target[PATH_MAX] = {};
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ASSERT_GT(readlink(link.c_str(), target, sizeof target - 1), 0);
    EXPECT_EQ(std::string(target), path);

    int slave = OpenRawSlave(link);
    ASSERT_GE(slave, 0);
    ASSERT_EQ(write(slave, "{DET}", 5), 5);
    EXPECT_EQ(ReadFor(slave, 5, 2000), "{F07}");
    const std::string script = "0123\n!\nraw x\\n\nbad line\nsleep 10\n8abc0001\n";
    ASSERT_EQ(write(tool.in, script.data(), script.size()), static_cast<ssize_t>(script.size()));
    EXPECT_EQ(ReadFor(slave, 19, 2000), "{0123}!x\n{8abc0001}");

    close(tool.in);  // end of input ends the board
    tool.in = -1;
    EXPECT_EQ(tool.Wait(3000), 0);
    struct stat st;
    EXPECT_NE(lstat(link.c_str(), &st), 0) << "the link is removed at the end";
    close(slave);
}

TEST_F(BoardProgram, RunsScriptAndEndsOnSigterm) {
    char scriptPath[] = "/tmp/virtual-board-script-XXXXXX";
    int fd = mkstemp(scriptPath);
    ASSERT_GE(fd, 0);
    const std::string script = "# wait for the port\nsleep 300\n0123\n!\n";
    ASSERT_EQ(write(fd, script.data(), script.size()), static_cast<ssize_t>(script.size()));
    close(fd);
    Tool tool;
    ASSERT_TRUE(tool.Start({"--script", scriptPath, "--no-stdin"}));
    const std::string path = ReadLine(tool.out, 3000);
    int slave = OpenRawSlave(path);
    ASSERT_GE(slave, 0);
    EXPECT_EQ(ReadFor(slave, 7, 2000), "{0123}!");
    // Still there after the script: answers until told to stop.
    ASSERT_EQ(write(slave, "{DET}", 5), 5);
    EXPECT_EQ(ReadFor(slave, 5, 2000), "{F01}");
    kill(tool.pid, SIGTERM);
    EXPECT_EQ(tool.Wait(3000), 0);
    close(slave);
    unlink(scriptPath);
}

TEST_F(BoardProgram, RejectsBadOptions) {
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"--id", "256"}, {"--id", "x"}, {"--id"}, {"--frobnicate"}}) {
        Tool tool;
        ASSERT_TRUE(tool.Start(args));
        EXPECT_EQ(tool.Wait(3000), 2) << args[0];
    }
}

}  // namespace
