// Opening, polling, resetting and closing the board's port, and the board's
// events reaching the window: the real window with a board on a
// pseudo-terminal.
#include <gtk/gtk.h>
#include <wx/evtloop.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <thread>

#include "BoardWindowTest.h"
#include "Heartbeat.h"
#include "PortHolder.h"
#include "device/BoardProtocol.h"
#include "ui/Controls.h"

namespace {

using Clock = std::chrono::steady_clock;

long ElapsedMs(Clock::time_point since) {
    return static_cast<long>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - since).count());
}

void ExpectClosedState(loggerDialog* dialog) {
    EXPECT_TRUE(dialog->ID_BUTTON1->IsEnabled()) << "Open";
    EXPECT_FALSE(dialog->ID_BUTTON2->IsEnabled()) << "Close";
    EXPECT_FALSE(dialog->ID_BUTTON8->IsEnabled()) << "Reset (Arduino)";
    EXPECT_TRUE(dialog->ID_COMBOBOX1->IsEnabled()) << "port box";
    EXPECT_FALSE(dialog->PollClockRunning()) << "nothing wakes a window without a port";
}

void ExpectOpenState(loggerDialog* dialog) {
    EXPECT_FALSE(dialog->ID_BUTTON1->IsEnabled()) << "Open";
    EXPECT_TRUE(dialog->ID_BUTTON2->IsEnabled()) << "Close";
    EXPECT_TRUE(dialog->ID_BUTTON8->IsEnabled()) << "Reset (Arduino)";
    EXPECT_FALSE(dialog->ID_COMBOBOX1->IsEnabled()) << "port box";
    EXPECT_TRUE(dialog->PollClockRunning());
}

std::string SegmentEcho() { return std::string(segmentFrame, 133) + "\n"; }

int eraseEvents = 0;
void CountErase(wxEraseEvent& event) {
    ++eraseEvents;
    event.Skip();
}

// ---- open, warm-up and the poll schedule

TEST_F(BoardWindowTest, OpenWarmsUpThenSendsDetectOnEveryTenthActiveTick) {
    ExpectClosedState(dialog);
    OpenBoard();
    const std::string path = board.DevicePath();
    EXPECT_EQ(console.Count(kColourGreen, "Port " + path + " opened at 115200\n"), 1);
    ExpectOpenState(dialog);
    EXPECT_EQ(Status(), "Disconnected");
    EXPECT_EQ(pollDelay, kWarmUpTicks);
    EXPECT_NE(SettingsText().find("SerialPort=" + path), std::string::npos);
    EXPECT_NE(SettingsText().find("BaudRate=115200"), std::string::npos);

    WarmUp();
    EXPECT_EQ(pollDelay, 1);
    PollTicks(9);  // active, but page 0 has no frames
    PumpEvents(150);
    EXPECT_EQ(board.TakeReceived(), "") << "nothing before the tenth active tick";

    PollTicks(1);
    ASSERT_TRUE(board.WaitForDetects(1, 2000));
    PollTicks(10);
    ASSERT_TRUE(board.WaitForDetects(2, 2000));
    PumpEvents(50);
    EXPECT_EQ(board.TakeReceived(), "{DET}{DET}");
    EXPECT_EQ(console.Count(kColourCyan, "{DET}\n"), 2);
    // The detect echo leaves bright white in force, not normal.
    ConsolePrintf("next line\n");
    EXPECT_EQ(console.Count(kColourWhite, "next line\n"), 1);
}

TEST_F(BoardWindowTest, RealTimerDetectsAboutOneSecondAfterOpenThenEveryTwoHundredMs) {
    const auto opened = Clock::now();
    OpenBoard();
    ASSERT_TRUE(PumpUntil([&] { return board.DetectCount() >= 1; }, 5000));
    const long first = ElapsedMs(opened);
    // 49 warm-up ticks and at most 10 active ones, 20 ms each.
    EXPECT_GE(first, 950);
    EXPECT_LT(first, 4000);
    const auto firstAt = Clock::now();
    ASSERT_TRUE(PumpUntil([&] { return board.DetectCount() >= 6; }, 5000));
    const long fiveIntervals = ElapsedMs(firstAt);
    EXPECT_GE(fiveIntervals, 5 * 190);
    EXPECT_LT(fiveIntervals, 5 * 400);
    EXPECT_TRUE(WaitForStatus("Connected"));
    EXPECT_EQ(StatusColour(), kGreenStatus);
    EXPECT_EQ(dialog->ID_TEXTCTRL22->GetValue(), "7");

    // From now on the answers change nothing on screen. On a page that sends
    // frames they wait for the next poll wake instead of waking the window,
    // also an answer that comes while the wake that sent its request still
    // runs (a real board answers within a millisecond), here pushed as the
    // request is echoed.
    ShowPage(2);
    struct EarlyAnswer : ConsoleSink {
        ReceiveHandoff* handoff = nullptr;
        int pushed = 0;
        void Write(const ConsoleSpan& span) override {
            if (span.text != "{DET}\n") return;
            handoff->Push("{F07}", 5, WholeDetectAnswersId("{F07}", 5));
            ++pushed;
        }
    } early;
    early.handoff = &dialog->serialHandoff;
    AddConsoleSink(&early);
    unsigned wakes = dialog->serialHandoff.Wakes();
    int detects = board.DetectCount();
    const bool detected = PumpUntil([&] { return board.DetectCount() >= detects + 6; }, 5000);
    RemoveConsoleSink(&early);
    ASSERT_TRUE(detected);
    EXPECT_GE(early.pushed, 5);
    EXPECT_LE(dialog->serialHandoff.Wakes() - wakes, 1u);
    EXPECT_EQ(Status(), "Connected");

    // On a page without frames the reading thread sends the requests and
    // takes the answers, printing both lines, and the window sleeps: in the
    // toolkit's own loop (the test's pumping makes passes of its own) the
    // GUI thread wakes for neither, nor walks the controls.
    ShowPage(0);
    // The text cursor's blinking would wake it too.
    g_object_set(gtk_settings_get_default(), "gtk-cursor-blink", FALSE, nullptr);
    ASSERT_TRUE(PumpUntil([&] { return dialog->standbyOn; }, 3000));
    auto guiThreadWakes = [] {
        std::ifstream status("/proc/self/task/" + std::to_string(getpid()) + "/status");
        std::string line;
        while (std::getline(status, line))
            if (line.rfind("voluntary_ctxt_switches:", 0) == 0) return std::stol(line.substr(24));
        return -1L;
    };
    const std::string answer = "Device detect response: {F07}\n";
    const int answers = console.Count(kColourMagenta, answer);
    int walks = 0;
    auto onIdle = [&walks](wxIdleEvent&) { ++walks; };
    wxWindow* field = dialog->ID_TEXTCTRL22;
    field->SetExtraStyle(field->GetExtraStyle() | wxWS_EX_PROCESS_IDLE);
    field->Bind(wxEVT_IDLE, onIdle);
    wakes = dialog->serialHandoff.Wakes();
    detects = board.DetectCount();
    const long guiWakes = guiThreadWakes();
    wxGUIEventLoop loop;
    wxTimer end;
    end.Bind(wxEVT_TIMER, [&loop](wxTimerEvent&) { loop.Exit(); });
    end.StartOnce(2500);
    {
        wxEventLoopActivator active(&loop);
        loop.Run();
    }
    const long guiWoke = guiThreadWakes() - guiWakes;
    field->Unbind(wxEVT_IDLE, onIdle);
    // Twelve or thirteen requests in 2.5 s, each answered.
    EXPECT_GE(board.DetectCount() - detects, 11);
    EXPECT_LE(board.DetectCount() - detects, 14);
    EXPECT_GE(console.Count(kColourMagenta, answer) - answers, 10);
    EXPECT_EQ(dialog->serialHandoff.Wakes() - wakes, 0u);
    // Woken 5 times a second, it would be 12 or more; a few wakes are the
    // toolkit's own after the page change and the end timer.
    EXPECT_LE(guiWoke, 8) << "the poll ticks woke the window";
    EXPECT_LE(walks, 2);
    EXPECT_EQ(Status(), "Connected");
    EXPECT_TRUE(dialog->standbyOn);
    // Typed over, the Device box shows the board's number with its next answer.
    dialog->ID_TEXTCTRL22->SetValue("5");
    EXPECT_TRUE(PumpUntil([&] { return dialog->ID_TEXTCTRL22->GetValue() == "7"; }, 2000));
    // "Inputs only" holds for the lines the reading thread prints.
    ASSERT_TRUE(PumpUntil([&] { return dialog->standbyOn; }, 2000));
    Tick(dialog->ID_CHECKBOX2, true);
    console.Clear();
    detects = board.DetectCount();
    ASSERT_TRUE(PumpUntil([&] { return board.DetectCount() >= detects + 3; }, 3000));
    PumpEvents(50);
    EXPECT_EQ(console.CountColour(kColourCyan), 0) << "requests echoed";
    EXPECT_EQ(console.CountColour(kColourMagenta), 0) << "answers shown";
    EXPECT_TRUE(dialog->standbyOn);
}

struct PageFrames {
    int page;
    const char* order;  // frames of ten active ticks, in sending order
};

TEST_F(BoardWindowTest, FramesFollowThePageShown) {
    OpenBoard();
    WarmUp();
    const PageFrames cases[] = {
        {0, "D"},          {1, "D"},          {5, "D"},
        {3, "SSSSSSSSSD"}, {4, "LLLLLLLLLD"}, {2, "SLSLSLSLSLSLSLSLSLD"},
    };
    for (const PageFrames& c : cases) {
        ShowPage(c.page);
        const std::string order = c.order;
        const int segments =
            board.SegmentCount() + static_cast<int>(std::count(order.begin(), order.end(), 'S'));
        const int leds =
            board.LedCount() + static_cast<int>(std::count(order.begin(), order.end(), 'L'));
        const int detects = board.DetectCount() + 1;
        const std::size_t before = board.Order().size();
        console.Clear();

        PollTicks(10);
        ASSERT_TRUE(board.WaitForDetects(detects, 2000)) << "page " << c.page;
        ASSERT_TRUE(board.WaitForSegmentFrames(segments, 2000)) << "page " << c.page;
        ASSERT_TRUE(board.WaitForLedFrames(leds, 2000)) << "page " << c.page;
        PumpEvents(30);
        EXPECT_EQ(board.Order().substr(before), order) << "page " << c.page;

        // Each frame sent is echoed in bright cyan, exactly as sent.
        int segmentEchoes = 0, ledEchoes = 0;
        for (const ConsoleSpan& s : console.Spans()) {
            if (s.colour != kColourCyan) continue;
            if (s.text == SegmentEcho()) ++segmentEchoes;
            if (s.text == std::string(ledFrame, 69) + "\n") ++ledEchoes;
        }
        EXPECT_EQ(segmentEchoes, static_cast<int>(std::count(order.begin(), order.end(), 'S')));
        EXPECT_EQ(ledEchoes, static_cast<int>(std::count(order.begin(), order.end(), 'L')));
        EXPECT_EQ(console.Count(kColourCyan, "{DET}\n"), 1);
    }
    EXPECT_EQ(board.MalformedCount(), 0);
    EXPECT_EQ(std::string(segmentFrame, 4), "{7SG");
    EXPECT_EQ(segmentFrame[132], '}');
    EXPECT_EQ(std::string(ledFrame, 4), "{LED");
    EXPECT_EQ(ledFrame[68], '}');
}

TEST_F(BoardWindowTest, HeadersAreRewrittenBeforeEverySend) {
    OpenBoard();
    WarmUp();
    ShowPage(2);
    std::memcpy(segmentFrame, "xxxx", 4);
    segmentFrame[132] = 'y';
    std::memcpy(ledFrame, "zzzz", 4);
    ledFrame[68] = 'w';
    PollTicks(1);
    ASSERT_TRUE(board.WaitForLedFrames(1, 2000));
    EXPECT_EQ(board.SegmentCount(), 1);
    EXPECT_EQ(board.MalformedCount(), 0);
}

TEST_F(BoardWindowTest, CloseDuringWarmUpSendsNothing) {
    ShowPage(2);
    OpenBoard();
    PumpEvents(300);  // the real timer runs part of the warm-up
    EXPECT_GT(pollDelay, 1);
    Click(dialog->ID_BUTTON2);
    EXPECT_FALSE(dialog->serial.IsOpen());
    EXPECT_EQ(pollDelay, 0);
    ExpectClosedState(dialog);
    EXPECT_EQ(Status(), "Disconnected");
    EXPECT_EQ(StatusColour(), kOliveStatus);
    EXPECT_GE(console.Find("Port " + board.DevicePath() + " closed\n"), 0);

    PumpEvents(1500);  // well past the end the warm-up would have had
    PollTicks(100);
    PumpEvents(100);
    EXPECT_EQ(board.TakeReceived(), "");
    EXPECT_EQ(board.DetectCount() + board.SegmentCount() + board.LedCount(), 0);
}

TEST_F(BoardWindowTest, CloseShowsThePortBoxTextOfTheMoment) {
    OpenBoard();
    dialog->ID_COMBOBOX1->SetValue("renamed meanwhile");
    Click(dialog->ID_BUTTON2);
    EXPECT_EQ(console.Count(kColourNormal, "Port renamed meanwhile closed\n"), 1);
}

TEST_F(BoardWindowTest, OpenOfMissingPortPrintsTwoLinesAndChangesNothing) {
    const std::string path = "/dev/brantle-no-such-port";
    OpenPort(path);
    EXPECT_FALSE(dialog->serial.IsOpen());
    const auto spans = console.Spans();
    const int line = console.Find("Could not open port " + path + "\n");
    ASSERT_GE(line, 1);
    EXPECT_EQ(spans[line].colour, kColourRed);
    EXPECT_NE(spans[line - 1].text.find(path), std::string::npos)
        << "the driver's own line comes first";
    // Then why, and what to do; the window says the same.
    ASSERT_EQ(spans.size(), static_cast<std::size_t>(line) + 3);
    EXPECT_EQ(spans[line + 1].text,
              "Reason: open " + path + ": No such file or directory (ENOENT)\n");
    EXPECT_NE(spans[line + 2].text.find("not plugged in"), std::string::npos);
    EXPECT_TRUE(dialog->portReason->IsShown());
    EXPECT_EQ("What to do: " + GetAccessibleName(dialog->portReason).ToStdString() + "\n",
              spans[line + 2].text);
    ExpectClosedState(dialog);
    EXPECT_EQ(pollDelay, 0);
    EXPECT_EQ(Status(), "Disconnected");
    EXPECT_EQ(SettingsText(), "") << "settings are saved only after a successful open";
    // And the colour in force is normal again.
    ConsolePrintf("after\n");
    EXPECT_EQ(console.Count(kColourNormal, "after\n"), 1);

    // The reason stays until an open succeeds.
    const int height = dialog->GetSize().y;
    OpenBoard();
    EXPECT_FALSE(dialog->portReason->IsShown());
    EXPECT_LT(dialog->GetSize().y, height) << "the window shrinks back to its fitted size";
}

// A port that another program holds names that program and says how to stop it.
TEST_F(BoardWindowTest, OpenOfAPortHeldByAnotherProgramNamesIt) {
    PortHolderProcess holder(board.DevicePath(), "ModemManager");
    ASSERT_TRUE(holder.Holding());
    OpenPort(board.DevicePath());
    ASSERT_FALSE(dialog->serial.IsOpen());
    ExpectClosedState(dialog);
    const std::string shown = GetAccessibleName(dialog->portReason).ToStdString();
    EXPECT_NE(shown.find("is in use by another program. ModemManager (pid " +
                         std::to_string(holder.Pid()) + ") holds it."),
              std::string::npos)
        << shown;
    EXPECT_NE(shown.find("sudo systemctl stop ModemManager.service"), std::string::npos) << shown;
    EXPECT_EQ(console.Count(kColourNormal, "What to do: " + shown + "\n"), 1);
}

TEST_F(BoardWindowTest, OpenAfterCloseWorksAgainOnTheSamePort) {
    OpenBoard();
    ASSERT_TRUE(WaitForStatus("Connected"));
    Click(dialog->ID_BUTTON2);
    EXPECT_EQ(Status(), "Disconnected");
    const int detects = board.DetectCount();
    OpenBoard();
    ExpectOpenState(dialog);
    ASSERT_TRUE(PumpUntil([&] { return board.DetectCount() > detects; }, 5000));
    EXPECT_TRUE(WaitForStatus("Connected"));
}

// ---- link state

TEST_F(BoardWindowTest, TwentySilentActiveTicksShowDisconnected) {
    OpenBoard();
    ASSERT_TRUE(WaitForStatus("Connected"));  // answers "{DET}": the warm-up is over
    dialog->StopPollClock();
    PumpEvents(100);  // answers still on their way arrive
    ASSERT_TRUE(board.SendEvent("F09"));
    ASSERT_TRUE(PumpUntil([&] { return dialog->ID_TEXTCTRL22->GetValue() == "9"; }));
    ASSERT_EQ(dialog->silentTicks, 0);
    ASSERT_EQ(pollDelay, 1);
    // Without pumping, the board's answers to "{DET}" wait in the hand-over.
    PollTicks(19);
    EXPECT_EQ(Status(), "Connected");
    PollTicks(1);
    EXPECT_EQ(Status(), "Disconnected");
    EXPECT_EQ(StatusColour(), kOliveStatus);
    PollTicks(30);
    EXPECT_EQ(dialog->silentTicks, 50) << "goes on counting";
    // The answers are still there, in order: the board is back.
    EXPECT_TRUE(WaitForStatus("Connected"));
    EXPECT_EQ(StatusColour(), kGreenStatus);
    EXPECT_EQ(dialog->silentTicks, 0);
}

TEST_F(BoardWindowTest, BoardThatStopsAnsweringIsShownDisconnected) {
    SilentBoard silent;
    ASSERT_TRUE(silent.Start());
    OpenPort(silent.DevicePath());
    ASSERT_TRUE(dialog->serial.IsOpen());
    // A message of a length that decodes to nothing still shows the board.
    ASSERT_TRUE(silent.Send("{12345}"));
    ASSERT_TRUE(WaitForStatus("Connected", 5000));
    ASSERT_TRUE(PumpUntil([] { return pollDelay == 1; }, 3000));
    ASSERT_TRUE(silent.Send("{F03}"));
    ASSERT_TRUE(PumpUntil([&] { return dialog->ID_TEXTCTRL22->GetValue() == "3"; }, 3000));
    const auto lastAnswer = Clock::now();
    ASSERT_TRUE(WaitForStatus("Disconnected", 3000));
    EXPECT_GE(ElapsedMs(lastAnswer), 350) << "20 active ticks of 20 ms";
    EXPECT_EQ(StatusColour(), kOliveStatus);
    ASSERT_TRUE(silent.Send("{F04}"));
    EXPECT_TRUE(WaitForStatus("Connected"));
    EXPECT_EQ(dialog->ID_TEXTCTRL22->GetValue(), "4");
}

// A board that stops reading (a hung firmware, an adapter that takes no more)
// fills the line. The window goes on answering while the frames that no
// longer go out show "Comm.Error" and the reason; once the line drains, the
// board's answers bring "Connected" back and the reason goes.
TEST_F(BoardWindowTest, BoardThatTakesNoDataNeverFreezesTheWindow) {
    SilentBoard silent;
    ASSERT_TRUE(silent.Start());
    OpenPort(silent.DevicePath());
    ASSERT_TRUE(dialog->serial.IsOpen());
    ShowPage(2);      // both frames on every tick
    PumpEvents(300);  // the page's first drawing is not what is measured
    // The longest the window took over one pass of its events: a handler
    // that waits for the line holds the pass up. (The time between passes
    // is left out: on a busy machine that is the scheduler's.)
    Clock::duration longest{};
    auto answersUntil = [&](const std::function<bool()>& done, int timeoutMs) {
        const auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
        while (!done()) {
            if (Clock::now() > end) return false;
            const auto start = Clock::now();
            wxTheApp->ProcessPendingEvents();
            while (wxTheApp->Pending()) wxTheApp->Dispatch();
            wxTheApp->ProcessIdle();
            longest = std::max(longest, Clock::now() - start);
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return true;
    };
    ASSERT_TRUE(answersUntil([&] { return Status() == "Comm.Error"; }, 60000));
    EXPECT_EQ(StatusColour(), kRedStatus);
    EXPECT_TRUE(dialog->portReason->IsShown());
    wxString reason = dialog->portReason->GetLabel();
    reason.Replace("\n", " ");  // wrapped to the panel
    EXPECT_TRUE(reason.StartsWith("The board does not take data")) << reason;
    answersUntil([] { return false; }, 1000);
    EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(longest).count(),
              250 * kSlowBuildFactor)
        << "the window did not answer for so long (ms)";
    EXPECT_EQ(console.Count(kColourRed,
                            "Port " + silent.DevicePath() + ": the board does not take data\n"),
              1);

    ASSERT_TRUE(answersUntil(
        [&] {
            silent.Drain();
            return !dialog->portReason->IsShown();
        },
        5000));
    ASSERT_TRUE(silent.Send("{F03}"));
    EXPECT_TRUE(answersUntil(
        [&] {
            silent.Drain();
            return Status() == "Connected";
        },
        5000));
}

// ---- unplug and reconnection: the board's terminal behind a link, as udev
// makes /dev/serial/by-id links; unplugging closes the terminal, plugging in
// again makes a new one and points the link at it.

class UnplugTest : public BoardWindowTest {
  protected:
    void SetUp() override {
        BoardWindowTest::SetUp();
        link_ = settingsFolder_ + "/board";
        PointLink();
    }
    void PointLink() {
        const std::string fresh = link_ + ".new";
        ASSERT_EQ(symlink(board.DevicePath().c_str(), fresh.c_str()), 0);
        ASSERT_EQ(rename(fresh.c_str(), link_.c_str()), 0);
    }
    void Replug() {
        ASSERT_TRUE(board.Start());
        PointLink();
    }
    void OpenAndUnplug() {
        OpenPort(link_);
        ASSERT_TRUE(WaitForStatus("Connected"));
        board.Unplug();
        ASSERT_TRUE(PumpUntil([&] { return !dialog->serial.IsOpen(); }, 5000));
    }
    wxString Note() const { return dialog->LinkNote->GetLabel(); }
    std::string link_;
};

TEST_F(UnplugTest, UnpluggedBoardIsClosedAndComesBackWithoutAClick) {
    OpenAndUnplug();
    EXPECT_EQ(Status(), "Disconnected");
    EXPECT_EQ(Note(), "board unplugged: waiting for it to come back (\"Close\" stops waiting)");
    EXPECT_EQ(console.Count(kColourRed, "Port " + link_ + ": board unplugged\n"), 1);
    EXPECT_EQ(pollDelay, 0);
    EXPECT_TRUE(dialog->ID_BUTTON2->IsEnabled()) << "Close ends the wait";
    EXPECT_FALSE(dialog->ID_BUTTON8->IsEnabled()) << "Reset (Arduino)";
    const int detects = board.DetectCount();

    Replug();
    ASSERT_TRUE(PumpUntil([&] { return dialog->serial.IsOpen(); }, 5000));
    EXPECT_GT(pollDelay, 1) << "the warm-up starts again";
    // The new connection's thread starts with the reset pulse.
    EXPECT_TRUE(
        PumpUntil([&] { return console.Count(kColourNormal, "DTR off result: 0\n") == 2; }, 3000))
        << "and the reset pulse";
    EXPECT_EQ(Note(), "");
    EXPECT_TRUE(WaitForStatus("Connected"));
    EXPECT_GT(board.DetectCount(), detects);
    ExpectOpenState(dialog);
    EXPECT_EQ(console.Count(kColourGreen, "Port " + link_ + " opened at 115200\n"), 2);
}

TEST_F(UnplugTest, NoReconnectionWhenTheOptionIsOffOrAfterClose) {
    Tick(dialog->ReconnectBox, false);
    EXPECT_NE(SettingsText().find("ReconnectAutomatically=0"), std::string::npos);
    OpenAndUnplug();
    EXPECT_EQ(Note(), "board unplugged");
    ExpectClosedState(dialog);
    Replug();
    PumpEvents(1500);
    EXPECT_FALSE(dialog->serial.IsOpen()) << "option off";

    Tick(dialog->ReconnectBox, true);
    OpenAndUnplug();
    Click(dialog->ID_BUTTON2);
    EXPECT_EQ(Note(), "");
    ExpectClosedState(dialog);
    Replug();
    PumpEvents(1500);
    EXPECT_FALSE(dialog->serial.IsOpen()) << "after Close";
    EXPECT_EQ(Status(), "Disconnected");
}

// Bytes the reading thread handed over before the Close are shown after it;
// they must not turn a closed port "Connected". The stand-in reading thread
// streams through the real receive callback.
TEST_F(BoardWindowTest, CloseUnderAStreamingBoardAlwaysEndsDisconnected) {
    ShowPage(0);
    std::atomic<bool> stop{false};
    std::thread stream([&] {
        // Mostly a message that decodes to nothing (it shows the board,
        // prints nothing), now and then an event that prints its line.
        for (unsigned n = 0; !stop; ++n) {
            if (n % 16 == 0)
                OnSerialReceive("{0123}", 6);
            else
                OnSerialReceive("{12345}", 7);
            std::this_thread::sleep_for(std::chrono::microseconds(50));
        }
    });
    const std::string closed = "Port " + board.DevicePath() + " closed\n";
    for (int round = 0; round < 60; ++round) {
        OpenBoard();
        ASSERT_TRUE(WaitForStatus("Connected", 3000)) << round;
        ASSERT_TRUE(PumpUntil([&] { return dialog->serialHandoff.QueuedBytes() > 0; }, 3000));
        console.Clear();
        Click(dialog->ID_BUTTON2);
        ASSERT_TRUE(PumpUntil([&] { return dialog->serialHandoff.QueuedBytes() == 0; }, 3000));
        PumpEvents(5);
        ASSERT_EQ(Status(), "Disconnected") << "round " << round;
        EXPECT_EQ(StatusColour(), kOliveStatus);
        // The console reads in the order things happened: no event line of
        // the closed connection after the line that says it closed.
        const int closedAt = console.Find(closed);
        ASSERT_GE(closedAt, 0) << round;
        EXPECT_EQ(console.Find("{0123}  291\n", closedAt), -1) << "round " << round;
    }
    stop = true;
    stream.join();
}

TEST_F(BoardWindowTest, ResetPausesPollingForTheWarmUpAndEndsTheDtrPulse) {
    OpenBoard();
    ASSERT_TRUE(WaitForStatus("Connected"));
    ASSERT_TRUE(PumpUntil([&] { return dialog->silentTicks > 0; }, 2000));
    Click(dialog->ID_BUTTON8);
    const auto clicked = Clock::now();
    EXPECT_EQ(Status(), "Disconnected");
    EXPECT_EQ(StatusColour(), kOliveStatus);
    EXPECT_EQ(dialog->silentTicks, 0);
    EXPECT_EQ(pollDelay, kWarmUpTicks);
    EXPECT_TRUE(dialog->resetTimer.IsRunning());
    // A request written just before the click may reach the board a moment
    // later; the warm-up sends none.
    PumpEvents(50);
    const int detects = board.DetectCount();

    ASSERT_TRUE(PumpUntil([&] { return !dialog->resetTimer.IsRunning(); }, 3000));
    EXPECT_GE(ElapsedMs(clicked), 480);
    EXPECT_LT(ElapsedMs(clicked), 1500);
    PumpEvents(std::max(0L, 850 - ElapsedMs(clicked)));
    EXPECT_EQ(board.DetectCount(), detects) << "no polling during the warm-up";
    ASSERT_TRUE(PumpUntil([&] { return board.DetectCount() > detects; }, 3000));
    EXPECT_GE(ElapsedMs(clicked), 950);
    EXPECT_TRUE(WaitForStatus("Connected"));
}

// ---- the board's messages in the window

TEST_F(BoardWindowTest, EventsReachTheFieldsOfThePageShown) {
    OpenBoard();
    ASSERT_TRUE(WaitForStatus("Connected"));
    // No more "{DET}": its answers would overwrite the Device box below.
    dialog->StopPollClock();
    PumpEvents(100);

    // DiscrCtrls. The event is drawn as it is handed over, not with the
    // toolkit's next frame (which comes up to 17 ms after the last one).
    std::string drawn;
    auto onDraw = +[](GtkWidget* entry, cairo_t*, gpointer text) -> gboolean {
        *static_cast<std::string*>(text) = gtk_entry_get_text(GTK_ENTRY(entry));
        return FALSE;
    };
    GtkWidget* idField = static_cast<GtkWidget*>(dialog->ID_TEXTCTRL10->GetHandle());
    const gulong drawHandler = g_signal_connect_after(idField, "draw", G_CALLBACK(onDraw), &drawn);
    // Nor does drawing it offer the enclosing windows an erase event: each
    // cost a drawing context, most of the time an event took to draw.
    wxWindow* page = dialog->ID_NOTEBOOK1->GetCurrentPage();
    eraseEvents = 0;
    dialog->Bind(wxEVT_ERASE_BACKGROUND, CountErase);
    page->Bind(wxEVT_ERASE_BACKGROUND, CountErase);
    ASSERT_TRUE(board.SendEvent("0123"));
    // Waits, without handling events, until the reading thread has it.
    const auto sent = Clock::now();
    while (dialog->serialHandoff.QueuedBytes() == 0 && ElapsedMs(sent) < 3000)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    dialog->serialHandoff.DrainAll();
    g_signal_handler_disconnect(idField, drawHandler);
    dialog->Unbind(wxEVT_ERASE_BACKGROUND, CountErase);
    page->Unbind(wxEVT_ERASE_BACKGROUND, CountErase);
    EXPECT_EQ(drawn, "291");
    EXPECT_EQ(eraseEvents, 0);
    EXPECT_EQ(dialog->ID_TEXTCTRL25->GetValue(), "{0123}");
    EXPECT_EQ(dialog->ID_TEXTCTRL10->GetValue(), "291");
    EXPECT_EQ(console.Count(kColourYellow, "{0123}  291\n"), 1);
    // A numeric event is not shown here; the next discrete one is.
    ASSERT_TRUE(board.Send("{A0120064}{0001}"));
    ASSERT_TRUE(PumpUntil([&] { return dialog->ID_TEXTCTRL25->GetValue() == "{0001}"; }));
    EXPECT_EQ(dialog->ID_TEXTCTRL10->GetValue(), "1");
    EXPECT_EQ(dialog->ID_TEXTCTRL59->GetValue(), "");
    EXPECT_EQ(console.Count(kColourYellow, "{A0120064}  18   100\n"), 0);

    // NumCtrls, with the "Event filter" rule.
    ShowPage(1);
    struct Case {
        const char* filter;
        const char* message;
        const char* currentValue;
    };
    const Case cases[] = {
        {"", "A0120064", "100"},      {"18", "A0120065", "101"},    {"5", "A0120066", "-----"},
        {"abc", "A0120067", "-----"}, {"18xyz", "a0120068", "104"},
    };
    for (const Case& c : cases) {
        dialog->ID_TEXTCTRL61->ChangeValue(c.filter);
        ASSERT_TRUE(board.SendEvent(c.message));
        const wxString shown = wxString("{") + c.message + "}";
        ASSERT_TRUE(PumpUntil([&] { return dialog->ID_TEXTCTRL59->GetValue() == shown; }))
            << c.message;
        EXPECT_EQ(dialog->ID_TEXTCTRL60->GetValue(), "18") << c.message;
        EXPECT_EQ(dialog->ID_TEXTCTRL62->GetValue(), c.currentValue) << "filter " << c.filter;
    }
    EXPECT_EQ(console.Count(kColourYellow, "{A0120064}  18   100\n"), 1);
    EXPECT_EQ(console.Count(kColourYellow, "{a0120068}  18   104\n"), 1);
    // A discrete event is not shown on NumCtrls.
    dialog->ID_TEXTCTRL61->ChangeValue("");
    ASSERT_TRUE(board.Send("{0123}{A0200010}"));
    ASSERT_TRUE(PumpUntil([&] { return dialog->ID_TEXTCTRL62->GetValue() == "16"; }));
    EXPECT_EQ(console.Count(kColourYellow, "{0123}  291\n"), 1);
    EXPECT_EQ(dialog->ID_TEXTCTRL10->GetValue(), "1");

    // Another page: only the sign of life.
    ShowPage(3);
    ASSERT_TRUE(board.Send("{0222}{A0130001}{F2A}"));
    ASSERT_TRUE(PumpUntil([&] { return dialog->ID_TEXTCTRL22->GetValue() == "42"; }));
    EXPECT_EQ(dialog->ID_TEXTCTRL10->GetValue(), "1");
    EXPECT_EQ(dialog->ID_TEXTCTRL60->GetValue(), "32");
    EXPECT_EQ(dialog->ID_TEXTCTRL62->GetValue(), "16");
    EXPECT_EQ(console.Count(kColourMagenta, "Device detect response: {F2A}\n"), 1);
}

TEST_F(BoardWindowTest, InputsOnlyHidesEchoesButNotEvents) {
    OpenBoard();
    ASSERT_TRUE(WaitForStatus("Connected"));
    Tick(dialog->ID_CHECKBOX2, true);
    ShowPage(2);
    ASSERT_EQ(pollDelay, 1);  // the board answered "{DET}"
    console.Clear();
    const int segments = board.SegmentCount(), leds = board.LedCount();
    const int detects = board.DetectCount();
    PollTicks(20);
    ASSERT_TRUE(board.WaitForSegmentFrames(segments + 18, 2000)) << "frames still go out";
    ASSERT_TRUE(board.WaitForLedFrames(leds + 18, 2000));
    ASSERT_TRUE(board.WaitForDetects(detects + 2, 2000));
    PumpEvents(100);  // the answers to those requests, before the next one
    ASSERT_TRUE(board.Send("!{F05}"));
    ASSERT_TRUE(PumpUntil([&] { return dialog->ID_TEXTCTRL22->GetValue() == "5"; }));
    ShowPage(0);
    ASSERT_TRUE(board.SendEvent("0124"));
    ASSERT_TRUE(PumpUntil([&] { return dialog->ID_TEXTCTRL10->GetValue() == "292"; }));
    EXPECT_EQ(console.CountColour(kColourCyan), 0) << "echoes hidden";
    EXPECT_EQ(console.CountColour(kColourMagenta), 0) << "detect responses hidden";
    EXPECT_EQ(console.Find("\nACK\n"), -1) << "acknowledgements hidden";
    EXPECT_EQ(console.Count(kColourYellow, "{0124}  292\n"), 1) << "events shown";

    Tick(dialog->ID_CHECKBOX2, false);
    console.Clear();
    ASSERT_TRUE(board.Send("{01!25}{F06}"));
    ASSERT_TRUE(PumpUntil([&] { return dialog->ID_TEXTCTRL22->GetValue() == "6"; }));
    EXPECT_EQ(dialog->ID_TEXTCTRL10->GetValue(), "293") << "the ack does not split the message";
    const int ack = console.Find("\nACK\n");
    const int event = console.Find("{0125}  293\n");
    EXPECT_GE(ack, 0);
    EXPECT_GT(event, ack) << "in arrival order";
    EXPECT_EQ(console.Count(kColourMagenta, "Device detect response: {F06}\n"), 1);
}

// ---- shut-down

TEST_F(BoardWindowTest, CloseBoxWhileOpenStopsTheReadingThreadFirst) {
    ShowPage(1);
    OpenBoard();
    ASSERT_TRUE(WaitForStatus("Connected"));
    std::atomic<bool> stop{false};
    std::thread sender([&] {
        for (int i = 0; !stop; ++i) {
            char event[16];
            std::snprintf(event, sizeof event, "A001%04X", i & 0xFFFF);
            board.SendEvent(event);
        }
    });
    PumpEvents(200);
    console.Clear();
    EXPECT_TRUE(dialog->Close());  // as the close box does
    EXPECT_FALSE(dialog->serial.IsOpen()) << "reading thread ended with the close";
    dialog->Destroy();
    PumpEvents(200);  // the board keeps sending; nothing may reach the window
    EXPECT_EQ(theDialog, nullptr);
    dialog = nullptr;
    stop = true;
    sender.join();
    EXPECT_EQ(console.Find("Program closed\n"), -1) << "the close box prints nothing";
}

TEST_F(BoardWindowTest, QuitWithPortOpenSavesClosesAndSaysSo) {
    OpenBoard();
    const std::string settings = settingsFolder_ + "/BrantleConfigHelper.conf";
    ASSERT_EQ(std::remove(settings.c_str()), 0);
    console.Clear();
    Click(dialog->ID_BUTTON3);
    EXPECT_FALSE(dialog->serial.IsOpen());
    const int closed = console.Find("Port " + board.DevicePath() + " closed\n");
    const int goodbye = console.Find("Program closed\n");
    EXPECT_GE(closed, 0);
    EXPECT_GT(goodbye, closed);
    EXPECT_NE(SettingsText().find("SerialPort=" + board.DevicePath()), std::string::npos);
    PumpEvents(50);
    EXPECT_FALSE(dialog->IsShown());
}

// ---- flood and latency

long ResidentKiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6);
    return 0;
}

TEST_F(BoardWindowTest, FloodKeepsTheWindowResponsiveAndEndsWithTheLastEvent) {
    ShowPage(1);
    OpenBoard();
    ASSERT_TRUE(WaitForStatus("Connected"));
    RemoveConsoleSink(&console);  // 100,000 lines would only measure this test

    constexpr int kMessages = 100000;
    std::string burst;
    burst.reserve(kMessages * 10);
    char message[16];
    for (int i = 0; i < kMessages; ++i) {
        std::snprintf(message, sizeof message, "{A%03X%04X}", i % 4096, i & 0xFFFF);
        burst += message;
    }
    const int last = kMessages - 1;
    const wxString lastId = wxString::Format("%d", last % 4096);
    const wxString lastValue = wxString::Format("%d", last & 0xFFFF);
    std::snprintf(message, sizeof message, "{A%03X%04X}", last % 4096, last & 0xFFFF);
    const wxString lastEvent = message;

    const long residentBefore = ResidentKiB();
    Heartbeat heartbeat([&] { return dialog->serialHandoff.QueuedBytes(); });
    heartbeat.Start(10);
    std::atomic<bool> sent{false}, sentAll{false};
    const auto start = Clock::now();
    std::thread sender([&] {
        sentAll = board.Send(burst);
        sent = true;
    });
    const bool shown = PumpUntil(
        [&] {
            return sent && dialog->ID_TEXTCTRL59->GetValue() == lastEvent &&
                   dialog->serialHandoff.QueuedBytes() == 0;
        },
        60000);
    const long tookMs = ElapsedMs(start);
    heartbeat.Stop();
    sender.join();
    const long residentAfter = ResidentKiB();
    AddConsoleSink(&console);

    ASSERT_TRUE(sentAll);
    ASSERT_TRUE(shown);
    EXPECT_EQ(dialog->ID_TEXTCTRL60->GetValue(), lastId);
    EXPECT_EQ(dialog->ID_TEXTCTRL62->GetValue(), lastValue);
    EXPECT_EQ(Status(), "Connected");
    EXPECT_GT(heartbeat.Beats(), 2);
    EXPECT_LT(heartbeat.LongestGapMs(), 500) << "window stayed responsive";
    EXPECT_LE(heartbeat.MostSampled(), std::size_t(1 << 20) + 1000) << "hand-over stays bounded";
    EXPECT_LT(residentAfter - residentBefore, 64 * 1024) << "KiB";
    std::printf(
        "[ flood    ] %d messages in %ld ms, longest timer gap %ld ms, most queued %zu "
        "bytes, resident +%ld KiB\n",
        kMessages, tookMs, heartbeat.LongestGapMs(), heartbeat.MostSampled(),
        residentAfter - residentBefore);
}

// When the reading thread last received bytes (for the latency breakdown).
std::atomic<Clock::time_point> lastReadAt;
int RecordingReceive(const char* data, int count) {
    lastReadAt = Clock::now();
    return OnSerialReceive(data, count);
}

struct Percentiles {
    double median, p90, p99, max;
};
Percentiles Summarise(std::vector<double> ms) {
    std::sort(ms.begin(), ms.end());
    const std::size_t n = ms.size();
    return {ms[n / 2], ms[n * 90 / 100], ms[n * 99 / 100], ms.back()};
}

// The time from the board's write of an event to the event field holding it,
// measured inside a real event loop as the program runs it, and the part of it
// spent before the reading thread had the bytes (the system's share).
TEST_F(BoardWindowTest, LatencyFromBoardWriteToField) {
    ShowPage(1);
    OpenBoard();
    ASSERT_TRUE(WaitForStatus("Connected"));
    dialog->serial.SetCallback(RecordingReceive);

    constexpr int kEvents = 400;
    std::vector<double> toFieldMs, toReadMs;
    std::atomic<int> shownIndex{-1};
    std::atomic<Clock::time_point> sentAt[kEvents];
    wxString expected[kEvents];
    for (int i = 0; i < kEvents; ++i) expected[i] = wxString::Format("{A123%04X}", i);

    // The field is checked whenever the loop has handled its events.
    int waitingFor = 0;
    auto onIdle = [&](wxIdleEvent& event) {
        event.Skip();
        if (waitingFor < kEvents && dialog->ID_TEXTCTRL59->GetValue() == expected[waitingFor]) {
            const auto now = Clock::now();
            const auto sent = sentAt[waitingFor].load();
            toFieldMs.push_back(std::chrono::duration<double, std::milli>(now - sent).count());
            toReadMs.push_back(
                std::chrono::duration<double, std::milli>(lastReadAt.load() - sent).count());
            shownIndex = waitingFor;
            ++waitingFor;
        }
    };
    dialog->Bind(wxEVT_IDLE, onIdle);

    wxGUIEventLoop loop;
    std::atomic<bool> failed{false};
    std::string failure;  // written by the sender, read after the join
    std::thread sender([&] {
        for (int i = 0; i < kEvents && !failed; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1 + i % 4));
            sentAt[i] = Clock::now();
            if (!board.Send(std::string(expected[i].mb_str()))) {
                failure = "the board could not send event " + std::to_string(i);
                failed = true;
                break;
            }
            // Generous: a loaded machine may hold the GUI thread for seconds.
            const auto deadline = Clock::now() + std::chrono::seconds(10);
            while (shownIndex < i && Clock::now() < deadline)
                std::this_thread::sleep_for(std::chrono::microseconds(100));
            if (shownIndex < i) {
                failure = "event " + std::to_string(i) + " was not shown within 10 s";
                failed = true;
            }
        }
        dialog->CallAfter([&] { loop.Exit(); });
    });
    {
        wxEventLoopActivator active(&loop);
        loop.Run();
    }
    sender.join();
    dialog->Unbind(wxEVT_IDLE, onIdle);

    ASSERT_FALSE(failed) << failure;
    ASSERT_EQ(toFieldMs.size(), static_cast<std::size_t>(kEvents));
    const Percentiles field = Summarise(toFieldMs);
    const Percentiles read = Summarise(toReadMs);
    std::printf(
        "[ latency  ] board write to field (%d events): median %.3f ms, 90th %.3f ms, "
        "99th %.3f ms, max %.3f ms\n",
        kEvents, field.median, field.p90, field.p99, field.max);
    std::printf(
        "[ latency  ] of which board write to bytes read: median %.3f ms, 90th %.3f ms, "
        "99th %.3f ms, max %.3f ms\n",
        read.median, read.p90, read.p99, read.max);
    // The target is 5 ms at the 99th percentile (scripts/bench measures it);
    // on a loaded machine the system's share alone exceeds that for many
    // events. A hand-over that waited for the 20 ms poll tick or a read
    // time-out would delay most events, so the median catches it whatever
    // the load.
    EXPECT_LT(field.median, 10.0);
}

// Blocks allowed to wait stay queued without waking the window, in order
// before the next block that wakes it, or until the window takes them; they
// report when they came, not when they are delivered.
TEST(ReceiveHandoffWaiting, WaitsInOrderUntilWokenOrTaken) {
    wxEvtHandler gui;
    ReceiveHandoff handoff;
    std::string seen;
    std::vector<long long> lateMs;
    handoff.Attach(&gui, [&](const char* data, int count) {
        seen.append(data, static_cast<std::size_t>(count));
        lateMs.push_back(std::chrono::duration_cast<std::chrono::milliseconds>(
                             std::chrono::steady_clock::now() - handoff.DeliveringReceived())
                             .count());
    });
    handoff.AllowWaiting(7);
    ASSERT_TRUE(handoff.Push("a", 1, 7));
    ASSERT_TRUE(handoff.Push("b", 1, 7));
    PumpEvents(100);
    EXPECT_EQ(seen, "") << "nothing woke the window";
    ASSERT_TRUE(handoff.Push("c", 1, 8));  // another key wakes it
    EXPECT_TRUE(PumpUntil([&] { return seen == "abc"; }, 3000)) << seen;
    ASSERT_TRUE(handoff.Push("d", 1, 7));
    PumpEvents(100);
    handoff.AllowWaiting(-1);
    ASSERT_TRUE(handoff.Push("e", 1, 7));  // no longer allowed: wakes
    EXPECT_TRUE(PumpUntil([&] { return seen == "abcde"; }, 3000)) << seen;
    ASSERT_EQ(lateMs.size(), 5u);
    EXPECT_GE(lateMs[0], 100) << "counted from when it came";
    EXPECT_GE(lateMs[3], 100);
    handoff.AllowWaiting(7);
    ASSERT_TRUE(handoff.Push("f", 1, 7));
    handoff.DrainWaiting();
    EXPECT_EQ(seen, "abcdef");
    EXPECT_EQ(handoff.QueuedBytes(), 0u);
}

}  // namespace
