// Faults of the board's connection on the real window: the board unplugged
// in the middle of a stream and plugged back, and the connection buttons
// clicked in fast alternation. What must hold: the link state says what
// happened, events flow again after a new open, and nothing is left behind
// (descriptors, threads).
#include <dirent.h>
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "../device/BoardWindowTest.h"
#include "ProcessCounts.h"
#include "Streams.h"

namespace {

using counts::OpenDescriptors;
using counts::Threads;

// What is open now, listed for a failure message.
std::string DescriptorList() {
    std::string list;
    DIR* dir = opendir("/proc/self/fd");
    while (dirent* entry = readdir(dir)) {
        if (entry->d_name[0] == '.') continue;
        char target[256] = {};
        const std::string link = std::string("/proc/self/fd/") + entry->d_name;
        const ssize_t n = readlink(link.c_str(), target, sizeof target - 1);
        list += std::string(entry->d_name) + " -> " + (n > 0 ? target : "?") + "\n";
    }
    closedir(dir);
    return list;
}

class ConnectionFaultTest : public BoardWindowTest {
  protected:
    bool FieldShows(const std::string& event) {
        return PumpUntil([&] { return dialog->ID_TEXTCTRL25->GetValue() == event; }, 5000);
    }
    // Events from the board reach the window: a fresh one is shown (the
    // field is emptied first, as a stream before may have shown the same).
    void ExpectEventsFlow(const std::string& event) {
        dialog->ID_TEXTCTRL25->ChangeValue("");
        console.Clear();
        ASSERT_TRUE(board.Send(event));
        EXPECT_TRUE(FieldShows(event)) << event << " not shown; the field holds "
                                       << dialog->ID_TEXTCTRL25->GetValue();
    }
};

TEST_F(ConnectionFaultTest, BoardUnpluggedMidStreamThenPluggedBackDeliversAgain) {
    const int threadsBefore = Threads();
    OpenBoard();
    ASSERT_TRUE(WaitForStatus("Connected"));
    auto stream = streams::BoardStream(board);
    ASSERT_TRUE(PumpUntil([&] { return stream->Sent() > 1000; }, 5000));
    ASSERT_TRUE(PumpUntil([&] { return dialog->ID_TEXTCTRL25->GetValue().StartsWith("{0"); }));

    board.Unplug();
    // The reading thread saw the hang-up; the port is closed by itself and
    // the window says why.
    ASSERT_TRUE(PumpUntil([&] { return !dialog->serial.IsOpen(); }, 5000));
    EXPECT_EQ(Status(), "Disconnected");
    EXPECT_EQ(StatusColour(), kOliveStatus);
    EXPECT_EQ(dialog->LinkNote->GetLabel(),
              "board unplugged: waiting for it to come back (\"Close\" stops waiting)");
    EXPECT_TRUE(stream->Broken()) << "the board's side is gone";
    stream->Stop();

    // Waiting for the board at its old path ends with Close.
    Click(dialog->ID_BUTTON2);
    EXPECT_EQ(Status(), "Disconnected");
    EXPECT_TRUE(dialog->ID_BUTTON1->IsEnabled());

    // Plugged back in: the board comes up on a terminal again (the path may
    // differ, as a USB adapter's may).
    ASSERT_TRUE(board.Start());
    const int detectsBefore = board.DetectCount();
    OpenBoard();
    ASSERT_TRUE(WaitForStatus("Connected")) << Status();
    EXPECT_GT(board.DetectCount(), detectsBefore);
    ExpectEventsFlow("{0ABC}");
    EXPECT_EQ(console.Count(kColourYellow, "{0ABC}  2748\n"), 1);
    ExpectEventsFlow("{0ABD}");

    Click(dialog->ID_BUTTON2);
    EXPECT_TRUE(PumpUntil([&] { return Threads() <= threadsBefore; }, 3000))
        << Threads() << " threads, " << threadsBefore << " before";
}

// Open, reset and close clicked in fast alternation while the board sends:
// every open lands on the free port, every close frees it, and afterwards no
// more descriptors and threads exist than before.
TEST_F(ConnectionFaultTest, OpenResetCloseInFastAlternationLeavesNothingBehind) {
    auto stream = streams::BoardStream(board, streams::kLineRateBytesPerSecond);
    // One round first: whatever the toolkit or the settings file set up on
    // first use is there before counting.
    OpenBoard();
    Click(dialog->ID_BUTTON8);
    Click(dialog->ID_BUTTON2);
    PumpEvents(600);
    const int descriptors = OpenDescriptors();
    const int threads = Threads();
    const std::string descriptorsBefore = DescriptorList();

    std::mt19937 random(20240611);
    constexpr int kRounds = 200;
    for (int round = 0; round < kRounds; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        Click(dialog->ID_BUTTON1);
        ASSERT_TRUE(dialog->serial.IsOpen());
        ASSERT_FALSE(dialog->ID_BUTTON1->IsEnabled());
        ASSERT_TRUE(dialog->ID_BUTTON8->IsEnabled());
        // The clicks come at every phase: during the DTR pulse of the reading
        // thread, with a reset pending, with bytes waiting in the hand-over.
        PumpEvents(static_cast<int>(random() % 4));
        if (random() % 2 == 0) {
            Click(dialog->ID_BUTTON8);
            PumpEvents(static_cast<int>(random() % 4));
        }
        Click(dialog->ID_BUTTON2);
        ASSERT_FALSE(dialog->serial.IsOpen());
        ASSERT_TRUE(dialog->ID_BUTTON1->IsEnabled());
        ASSERT_FALSE(dialog->ID_BUTTON8->IsEnabled());
        PumpEvents(static_cast<int>(random() % 3));
    }
    PumpEvents(600);  // a pending reset's timer fires on the closed port

    // None left behind: the counts fall back to the first ones or below (the
    // toolkit ends idle worker threads of its own meanwhile, and a thread
    // joined just before the first count may still have been listed then).
    EXPECT_TRUE(PumpUntil([&] { return OpenDescriptors() <= descriptors; }, 3000))
        << "before:\n"
        << descriptorsBefore << "after:\n"
        << DescriptorList();
    EXPECT_TRUE(PumpUntil([&] { return Threads() <= threads; }, 3000))
        << Threads() << " threads, " << threads << " before";

    // The port is still usable and the board still heard.
    OpenBoard();
    ASSERT_TRUE(WaitForStatus("Connected")) << Status();
    stream->Stop();
    ExpectEventsFlow("{0FED}");
}

}  // namespace
