// The "UDP server" group and datagrams reaching the real window over real
// sockets on the loopback interface.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <wx/evtloop.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "GuiTest.h"
#include "Heartbeat.h"
#include "Loopback.h"
#include "console/Console.h"
#include "ui/Controls.h"
#include "ui/loggerDialog.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;
using namespace loopback;

long ElapsedMs(Clock::time_point since) {
    return static_cast<long>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - since).count());
}

// Console output as lines with their colours; or only a count of event lines
// while a flood runs.
class Console : public ConsoleSink {
  public:
    void Write(const ConsoleSpan& span) override {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!span.text.empty() && span.text[0] == '{') ++eventLines_;
        if (!countOnly_) spans_.push_back(span);
    }
    std::vector<std::string> Lines(int colour) const {
        std::lock_guard<std::mutex> lock(mutex_);
        std::vector<std::string> lines;
        for (const ConsoleSpan& span : spans_)
            if (span.colour == colour) lines.push_back(span.text);
        return lines;
    }
    std::vector<std::string> EventLines() const { return Lines(kColourYellow); }
    std::vector<std::string> AllLines() const {
        std::lock_guard<std::mutex> lock(mutex_);
        std::vector<std::string> lines;
        for (const ConsoleSpan& span : spans_) lines.push_back(span.text);
        return lines;
    }
    int Count(const std::string& text) const {
        std::lock_guard<std::mutex> lock(mutex_);
        return static_cast<int>(std::count_if(
            spans_.begin(), spans_.end(), [&](const ConsoleSpan& s) { return s.text == text; }));
    }
    long EventLineCount() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return eventLines_;
    }
    void Clear(bool countOnly = false) {
        std::lock_guard<std::mutex> lock(mutex_);
        spans_.clear();
        eventLines_ = 0;
        countOnly_ = countOnly;
    }

  private:
    mutable std::mutex mutex_;
    std::vector<ConsoleSpan> spans_;
    long eventLines_ = 0;
    bool countOnly_ = false;
};

class UdpWindowTest : public testing::Test {
  protected:
    void SetUp() override {
        char folder[] = "/tmp/brantle-udp-test-XXXXXX";
        ASSERT_NE(mkdtemp(folder), nullptr);
        settingsFolder_ = folder;
        setenv("XDG_CONFIG_HOME", folder, 1);
        SetConsoleStdout(false);
        AddConsoleSink(&console);
        // Without an active loop the toolkit's own events (timers among
        // them) are not dispatched while the test pumps events.
        activeLoop_ = std::make_unique<wxEventLoopActivator>(&loop_);
        dialog = new loggerDialog();
        dialog->Show();
        PumpEvents(50);
    }

    void TearDown() override {
        if (dialog != nullptr) {
            dialog->Destroy();
            PumpEvents(20);
        }
        activeLoop_.reset();
        RemoveConsoleSink(&console);
        SetConsoleStdout(true);
        std::string command = "rm -rf '" + settingsFolder_ + "'";
        ASSERT_EQ(system(command.c_str()), 0);
    }

    // Starts the server with the "Start" button on a free port.
    void StartListening() {
        port = FreePort();
        dialog->ID_TEXTCTRL47->ChangeValue(wxString::Format("%d", port));
        Click(dialog->ID_BUTTON22);
        ASSERT_TRUE(dialog->udpServer.IsListening());
        ASSERT_EQ(dialog->udpServer.BoundPort(), port);
        sender.To(port);
    }

    void ShowPage(int page) {
        // Through another page, so that the change is reported even when the
        // page is already selected.
        if (dialog->ID_NOTEBOOK1->GetSelection() == page) {
            dialog->ID_NOTEBOOK1->SetSelection(static_cast<std::size_t>((page + 1) % 6));
            PumpEvents(10);
        }
        dialog->ID_NOTEBOOK1->SetSelection(static_cast<std::size_t>(page));
        ASSERT_TRUE(PumpUntil([&] { return currentPage == page; }, 2000));
    }

    // Every datagram sent before has been shown once an acknowledgement sent
    // after them is printed.
    bool SendAndSettle(const std::vector<std::string>& datagrams) {
        const int acks = console.Count("\nACK\n");
        for (const std::string& datagram : datagrams)
            if (!sender.Send(datagram)) return false;
        if (!sender.Send("!")) return false;
        return PumpUntil([&] { return console.Count("\nACK\n") > acks; }, 5000);
    }

    void ClearEventFields() {
        for (wxTextCtrl* field :
             {dialog->ID_TEXTCTRL22, dialog->ID_TEXTCTRL10, dialog->ID_TEXTCTRL25,
              dialog->ID_TEXTCTRL60, dialog->ID_TEXTCTRL59, dialog->ID_TEXTCTRL62})
            field->ChangeValue("");
    }

    wxEventLoop loop_;
    std::unique_ptr<wxEventLoopActivator> activeLoop_;
    Console console;
    Sender sender;
    loggerDialog* dialog = nullptr;
    int port = 0;
    std::string settingsFolder_;
};

// ---- messages into the fields

struct FieldCase {
    const char* name;
    std::vector<std::string> datagrams;
    const char* idFilter;
    int page;
    const char* eventFilter;
    // Device, EvID, Last control event (DiscrCtrls), EvId, Last control
    // event, Current value (NumCtrls); then the event lines of the console.
    std::vector<std::string> fields;
    std::vector<std::string> lines;
};

const FieldCase kFieldCases[] = {
    {"DiscreteEventWithDefaults",
     {"{000123}"},
     "0",
     0,
     "",
     {"0", "291", "{000123}", "", "", ""},
     {"{000123}  291\n"}},
    {"NumericEventFromSource10",
     {"{0AA0120064}"},
     "10",
     1,
     "",
     {"10", "", "", "18", "{0AA0120064}", "100"},
     {"{0AA0120064}  18   100\n"}},
    {"Filter0AIsDecimalZero", {"{0AA0120064}"}, "0A", 1, "", {"", "", "", "", "", ""}, {}},
    {"FourDigitIdWithValue",
     {"{00A12340064}"},
     "0",
     1,
     "",
     {"0", "", "", "4660", "{00A12340064}", "100"},
     {"{00A12340064}  4660   100\n"}},
    {"FourDigitIdWithoutValue",
     {"{00A0001}"},
     "0",
     1,
     "",
     {"0", "", "", "1", "{00A0001}", "0"},
     {"{00A0001}  1   0\n"}},
    {"Type15OnDiscretePage",
     {"{00F01}"},
     "0",
     0,
     "",
     {"0", "1", "{00F01}", "", "", ""},
     {"{00F01}  1\n"}},
    {"SplitMessage",
     {"{00", "0123}"},
     "0",
     0,
     "",
     {"0", "291", "{000123}", "", "", ""},
     {"{000123}  291\n"}},
    {"TwoMessagesInOneDatagram",
     {"{000123}{000124}"},
     "0",
     0,
     "",
     {"0", "292", "{000124}", "", "", ""},
     {"{000123}  291\n", "{000124}  292\n"}},
    {"ExtraBraceShowsTheEventTwice",
     {"{000123}}"},
     "0",
     0,
     "",
     {"0", "291", "{000123}", "", "", ""},
     {"{000123}  291\n", "{000123}  291\n"}},
    {"IndicationPageShowsOnlyTheDevice", {"{050123}"}, "5", 2, "", {"5", "", "", "", "", ""}, {}},
    {"EventFilterHidesOtherIds",
     {"{00A0120064}"},
     "0",
     1,
     "5",
     {"0", "", "", "18", "{00A0120064}", "-----"},
     {"{00A0120064}  18   100\n"}},
    {"EventFilterNamingTheId",
     {"{00A0120064}"},
     "0",
     1,
     "18",
     {"0", "", "", "18", "{00A0120064}", "100"},
     {"{00A0120064}  18   100\n"}},
    {"UndecodableBodyShowsOnlyTheDevice",
     {"{00123456}"},
     "0",
     0,
     "",
     {"0", "", "", "", "", ""},
     {}},
    {"EmptyAndOversizedDatagramsAreSkipped",
     {"", std::string(3000, '1'), "{000123}"},
     "0",
     0,
     "",
     {"0", "291", "{000123}", "", "", ""},
     {"{000123}  291\n"}},
};

class UdpFields : public UdpWindowTest, public testing::WithParamInterface<FieldCase> {};

TEST_P(UdpFields, DatagramsReachTheFieldsOfThePageShown) {
    const FieldCase& c = GetParam();
    StartListening();
    dialog->ID_TEXTCTRL63->ChangeValue(c.idFilter);
    dialog->ID_TEXTCTRL61->ChangeValue(c.eventFilter);
    ShowPage(c.page);
    ClearEventFields();
    console.Clear();

    ASSERT_TRUE(SendAndSettle(c.datagrams));
    const std::vector<std::string> fields = {dialog->ID_TEXTCTRL22->GetValue().ToStdString(),
                                             dialog->ID_TEXTCTRL10->GetValue().ToStdString(),
                                             dialog->ID_TEXTCTRL25->GetValue().ToStdString(),
                                             dialog->ID_TEXTCTRL60->GetValue().ToStdString(),
                                             dialog->ID_TEXTCTRL59->GetValue().ToStdString(),
                                             dialog->ID_TEXTCTRL62->GetValue().ToStdString()};
    EXPECT_EQ(fields, c.fields);
    EXPECT_EQ(console.EventLines(), c.lines);
    EXPECT_EQ(dialog->ID_STATICTEXT2->GetLabel(), "Disconnected") << "no sign of life over UDP";
}

INSTANTIATE_TEST_SUITE_P(Table, UdpFields, testing::ValuesIn(kFieldCases),
                         [](const testing::TestParamInfo<FieldCase>& info) {
                             return std::string(info.param.name);
                         });

TEST_F(UdpWindowTest, AcknowledgementIsHiddenByInputsOnly) {
    StartListening();
    ShowPage(0);
    console.Clear();
    Tick(dialog->ID_CHECKBOX2, true);
    ASSERT_TRUE(sender.Send("!"));
    ASSERT_TRUE(sender.Send("{000123}"));
    ASSERT_TRUE(PumpUntil([&] { return console.EventLines().size() == 1; }));
    EXPECT_EQ(console.Count("\nACK\n"), 0);

    Tick(dialog->ID_CHECKBOX2, false);
    ASSERT_TRUE(sender.Send("!"));
    EXPECT_TRUE(PumpUntil([&] { return console.Count("\nACK\n") == 1; }));
    EXPECT_EQ(console.Lines(kColourNormal), std::vector<std::string>{"\nACK\n"});
}

TEST_F(UdpWindowTest, MessageAssemblySurvivesStopAndStart) {
    StartListening();
    ShowPage(0);
    ASSERT_TRUE(sender.Send("{0001"));
    ASSERT_TRUE(SendAndSettle({}));
    Click(dialog->ID_BUTTON23);
    Click(dialog->ID_BUTTON22);
    ASSERT_TRUE(dialog->udpServer.IsListening());
    ASSERT_TRUE(SendAndSettle({"23}"}));
    EXPECT_EQ(dialog->ID_TEXTCTRL10->GetValue(), "291");
}

// ---- buttons

void ExpectIdle(loggerDialog* dialog, bool stopEnabled) {
    EXPECT_TRUE(dialog->ID_BUTTON22->IsEnabled()) << "Start";
    EXPECT_TRUE(dialog->ID_TEXTCTRL47->IsEnabled()) << "UDP port";
    EXPECT_EQ(dialog->ID_BUTTON23->IsEnabled(), stopEnabled) << "Stop";
    EXPECT_FALSE(dialog->udpServer.IsListening());
}

TEST_F(UdpWindowTest, StartAndStopSetTheButtons) {
    EXPECT_EQ(dialog->ID_TEXTCTRL47->GetValue(), "50000");
    EXPECT_EQ(dialog->ID_TEXTCTRL63->GetValue(), "0");
    ExpectIdle(dialog, false);
    EXPECT_EQ(GetAccessibleName(dialog->udpState), "Stopped");

    StartListening();
    EXPECT_FALSE(dialog->ID_BUTTON22->IsEnabled()) << "Start";
    EXPECT_FALSE(dialog->ID_TEXTCTRL47->IsEnabled()) << "UDP port";
    EXPECT_TRUE(dialog->ID_BUTTON23->IsEnabled()) << "Stop";
    EXPECT_EQ(dialog->udpState->GetLabel(), wxString::Format("Listening on UDP port %d", port));
    EXPECT_EQ(GetAccessibleName(dialog->udpState), dialog->udpState->GetLabel());

    Click(dialog->ID_BUTTON23);
    ExpectIdle(dialog, false);
    EXPECT_EQ(dialog->udpState->GetLabel(), "Stopped");
    EXPECT_TRUE(BoundSocket(port).ok()) << "the port is free again";

    Click(dialog->ID_BUTTON23);  // Stop runs whatever the state
    ExpectIdle(dialog, false);
}

TEST_F(UdpWindowTest, StartOnAPortInUseSaysSoAndLeaksNothing) {
    BoundSocket blocker;
    ASSERT_TRUE(blocker.ok());
    dialog->ID_TEXTCTRL47->ChangeValue(wxString::Format("%d", blocker.port()));
    const int before = counts::OpenDescriptors();
    for (int attempt = 0; attempt < 20; ++attempt) Click(dialog->ID_BUTTON22);
    ExpectIdle(dialog, false);
    EXPECT_EQ(counts::SettledDescriptors(before), before);
    const std::string port = std::to_string(blocker.port());
    EXPECT_EQ(console.Count("UDP server not started: bind UDP port " + port +
                            ": Address already in use (EADDRINUSE)\n"),
              20);
    EXPECT_TRUE(dialog->udpReason->IsShown());
    EXPECT_TRUE(GetAccessibleName(dialog->udpReason)
                    .StartsWith("UDP port " + port + " is in use by another program."))
        << GetAccessibleName(dialog->udpReason);
    // A start that succeeds takes the reason away.
    StartListening();
    EXPECT_FALSE(dialog->udpReason->IsShown());
}

// Only a whole number from 1 to 65535 is a port: anything else is refused
// with a reason, and nothing is bound (no random port, no low 16 bits).
TEST_F(UdpWindowTest, PortThatIsNotOneIsRefusedAndNothingIsBound) {
    for (const char* text : {"abc", "0", "70000", "65536", "123abc", "", "-1", "5e4"}) {
        console.Clear();
        dialog->ID_TEXTCTRL47->ChangeValue(text);
        Click(dialog->ID_BUTTON22);
        ExpectIdle(dialog, false);
        EXPECT_EQ(dialog->udpServer.BoundPort(), 0) << text;
        EXPECT_EQ(console.Count("UDP server not started: UDP port \"" + std::string(text) +
                                "\" refused: not a whole number from 1 to 65535\n"),
                  1)
            << text;
        EXPECT_NE(GetAccessibleName(dialog->udpReason).Find("from 1 to 65535"), wxNOT_FOUND)
            << text;
    }
    const int free = FreePort();
    dialog->ID_TEXTCTRL47->ChangeValue(wxString::Format(" %d ", free));
    Click(dialog->ID_BUTTON22);
    EXPECT_EQ(dialog->udpServer.BoundPort(), free);
    EXPECT_FALSE(dialog->udpReason->IsShown());
}

// The socket fails under the receive thread: what arrived before is shown
// first, then the group says the server stopped and why, Start is offered
// again, and the port is free for it.
TEST_F(UdpWindowTest, SocketFailureStopsTheServerAndSaysWhy) {
    StartListening();
    ShowPage(0);
    console.Clear();
    // The window's loop does not run until the thread has ended, so the
    // datagram and the news of the end wait in the hand-over together.
    const auto waitFor = [](auto done) {
        const auto deadline = Clock::now() + 5s;
        while (!done() && Clock::now() < deadline) std::this_thread::sleep_for(2ms);
        return done();
    };
    ASSERT_TRUE(sender.Send("{000123}"));
    ASSERT_TRUE(waitFor([&] { return dialog->udpHandoff.QueuedBytes() > 0; }));
    ASSERT_TRUE(BreakSocket(port));
    ASSERT_TRUE(sender.Send("!"));  // wakes the thread onto the broken socket
    ASSERT_TRUE(waitFor([&] { return !dialog->udpServer.IsListening(); }));

    const std::string stopped = "UDP server stopped: recvfrom UDP port " + std::to_string(port) +
                                ": Socket operation on non-socket (ENOTSOCK)\n";
    const std::string line = "The UDP server stopped listening on port " + std::to_string(port) +
                             ": Socket operation on non-socket. Press Start to listen again.";
    ASSERT_TRUE(PumpUntil([&] { return console.Count(stopped) == 1; }));
    const std::vector<std::string> expected = {"{000123}  291\n", stopped,
                                               "What to do: " + line + "\n"};
    EXPECT_EQ(console.AllLines(), expected);
    ExpectIdle(dialog, false);
    EXPECT_EQ(dialog->udpState->GetLabel(), "Stopped");
    EXPECT_EQ(GetAccessibleName(dialog->udpState), "Stopped");
    EXPECT_TRUE(dialog->udpReason->IsShown());
    EXPECT_EQ(GetAccessibleName(dialog->udpReason), line);
    EXPECT_TRUE(BoundSocket(port).ok()) << "the port is free again";

    StartListening();
    EXPECT_FALSE(dialog->udpReason->IsShown());
    ASSERT_TRUE(SendAndSettle({"{000124}"}));
    EXPECT_EQ(dialog->ID_TEXTCTRL10->GetValue(), "292");
}

TEST_F(UdpWindowTest, StopAndStartAHundredTimes) {
    StartListening();
    ShowPage(0);
    const int before = counts::OpenDescriptors();
    for (int round = 0; round < 100; ++round) {
        Click(dialog->ID_BUTTON23);
        Click(dialog->ID_BUTTON22);
        ASSERT_TRUE(dialog->udpServer.IsListening()) << "round " << round;
    }
    EXPECT_EQ(counts::SettledDescriptors(before), before);
    ASSERT_TRUE(SendAndSettle({"{000042}"}));
    EXPECT_EQ(dialog->ID_TEXTCTRL10->GetValue(), "66");
}

// ---- flood, stop and close under load

std::string NumericEvent(int i) {
    char message[24];
    std::snprintf(message, sizeof message, "{00A%03X%04X}", i % 4096, i & 0xFFFF);
    return message;
}

TEST_F(UdpWindowTest, FloodKeepsTheWindowResponsiveAndMemoryBounded) {
    StartListening();
    ShowPage(1);
    console.Clear(true);  // count the event lines only

    constexpr int kDatagrams = 100000;
    const long residentBefore = ResidentKiB();
    Heartbeat heartbeat([&] { return dialog->udpHandoff.QueuedBytes(); });
    heartbeat.Start(10);
    std::atomic<bool> done{false};
    std::atomic<long> sent{0};
    const auto start = Clock::now();
    std::thread flood([&] {
        Sender floodSender;
        floodSender.To(port);
        for (int i = 0; i < kDatagrams; ++i) sent += floodSender.Send(NumericEvent(i)) ? 1 : 0;
        done = true;
    });
    // Everything sent has either been shown or dropped by the kernel.
    const bool settled = PumpUntil(
        [&] {
            if (!done) return false;
            const KernelQueue queue = ReadKernelQueue(port);
            return queue.queuedBytes == 0 && dialog->udpHandoff.QueuedBytes() == 0 &&
                   console.EventLineCount() + queue.drops == sent;
        },
        60000);
    const long tookMs = ElapsedMs(start);
    heartbeat.Stop();
    flood.join();
    const long residentAfter = ResidentKiB();
    const KernelQueue queue = ReadKernelQueue(port);

    std::printf(
        "[ flood    ] %ld datagrams in %ld ms: %ld shown, %ld dropped by the kernel; longest "
        "timer gap %ld ms, most queued %zu bytes, resident %+ld KiB\n",
        sent.load(), tookMs, console.EventLineCount(), queue.drops, heartbeat.LongestGapMs(),
        heartbeat.MostSampled(), residentAfter - residentBefore);
    ASSERT_EQ(sent.load(), kDatagrams);
    ASSERT_TRUE(settled) << console.EventLineCount() << " shown, " << queue.drops << " dropped";
    EXPECT_GT(console.EventLineCount(), 0);
    EXPECT_GT(heartbeat.Beats(), 2);
    EXPECT_LT(heartbeat.LongestGapMs(), 500) << "window stayed responsive";
    EXPECT_LE(heartbeat.MostSampled(), std::size_t(1 << 20) + 2048) << "hand-over stays bounded";
    EXPECT_LT(residentAfter - residentBefore, 64 * 1024) << "KiB";

    // The fields hold the last event that arrived.
    console.Clear();
    const std::string last = NumericEvent(kDatagrams + 7);
    ASSERT_TRUE(SendAndSettle({last}));
    EXPECT_EQ(dialog->ID_TEXTCTRL59->GetValue(), last);
    EXPECT_EQ(dialog->ID_TEXTCTRL60->GetValue(), wxString::Format("%d", (kDatagrams + 7) % 4096));
    EXPECT_EQ(dialog->ID_TEXTCTRL62->GetValue(), wxString::Format("%d", (kDatagrams + 7) & 0xFFFF));
}

// A sender that keeps the hand-over full until told to stop.
class BackgroundFlood {
  public:
    explicit BackgroundFlood(int port) {
        thread_ = std::thread([this, port] {
            Sender floodSender;
            floodSender.To(port);
            for (int i = 0; !stop_; ++i) floodSender.Send(NumericEvent(i));
        });
    }
    ~BackgroundFlood() {
        stop_ = true;
        thread_.join();
    }

  private:
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

TEST_F(UdpWindowTest, StopDuringAFloodReturnsPromptly) {
    StartListening();
    ShowPage(1);
    console.Clear(true);
    BackgroundFlood flood(port);
    // Let the hand-over fill up without draining it, so the receive thread
    // waits for room when Stop comes.
    ASSERT_TRUE(PumpUntil([&] { return console.EventLineCount() > 100; }));
    const auto filling = Clock::now();
    while (dialog->udpHandoff.QueuedBytes() + 16 < (1u << 20) && ElapsedMs(filling) < 20000)
        std::this_thread::sleep_for(10ms);
    ASSERT_GE(dialog->udpHandoff.QueuedBytes() + 16, 1u << 20) << "the hand-over is full";
    const auto stopping = Clock::now();
    Click(dialog->ID_BUTTON23);
    EXPECT_LT(ElapsedMs(stopping), 1000);
    ExpectIdle(dialog, false);

    // Started again, it delivers.
    Click(dialog->ID_BUTTON22);
    ASSERT_TRUE(dialog->udpServer.IsListening());
    const long shown = console.EventLineCount();
    EXPECT_TRUE(PumpUntil([&] { return console.EventLineCount() > shown; }));
}

TEST_F(UdpWindowTest, ClosingTheWindowWhileListeningStopsTheServerFirst) {
    StartListening();
    ShowPage(1);
    console.Clear(true);
    {
        BackgroundFlood flood(port);
        ASSERT_TRUE(PumpUntil([&] { return console.EventLineCount() > 100; }));
        EXPECT_TRUE(dialog->Close());  // as the close box does
        dialog->Destroy();
        dialog = nullptr;
        PumpEvents(200);  // datagrams keep coming; nothing may reach the window
        EXPECT_EQ(theDialog, nullptr);
    }
    EXPECT_TRUE(BoundSocket(port).ok()) << "the socket is closed";
}

}  // namespace
