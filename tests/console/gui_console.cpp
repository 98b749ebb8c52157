// The "Debug console" window driven through the real main window: the
// toggle, the close box, the colours, and a flood from another thread.
#include <gtest/gtest.h>
#include <gtk/gtk.h>
#include <wx/uiaction.h>
#include <wx/wx.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>

#include "GuiTest.h"
#include "console/Console.h"
#include "console/ConsoleWindow.h"
#include "ui/loggerDialog.h"

namespace {

using Clock = std::chrono::steady_clock;

// The console window on screen, if any (one being destroyed is hidden at once).
ConsoleWindow* ShownConsole() {
    ConsoleWindow* found = nullptr;
    int count = 0;
    for (wxWindow* window : wxTopLevelWindows) {
        if (window->IsShown() && window->GetLabel() == "Debug console") {
            found = dynamic_cast<ConsoleWindow*>(window);
            ++count;
        }
    }
    EXPECT_LE(count, 1) << "more than one console window";
    return found;
}

bool NoConsoleLeft() {
    for (wxWindow* window : wxTopLevelWindows)
        if (dynamic_cast<ConsoleWindow*>(window)) return false;
    return true;
}

// The last complete line (the control's last line is the empty one after it).
wxString LastLine(wxTextCtrl* text) {
    const int lines = text->GetNumberOfLines();
    return lines >= 2 ? text->GetLineText(lines - 2) : wxString();
}

// Counts the ticks of a GUI-thread timer and the longest wait between two.
class TickWatch : public wxEvtHandler {
  public:
    TickWatch() : timer_(this) {
        Bind(wxEVT_TIMER, [this](wxTimerEvent&) {
            const auto now = Clock::now();
            longest = std::max(longest, now - last_);
            last_ = now;
            ++ticks;
        });
    }
    void Start() {
        last_ = Clock::now();
        timer_.Start(10);
    }
    void Stop() { timer_.Stop(); }
    int ticks = 0;
    Clock::duration longest{};

  private:
    wxTimer timer_;
    Clock::time_point last_;
};

class ConsoleGui : public testing::Test {
  protected:
    void SetUp() override {
        SetConsoleStdout(false);
        SetConsoleColour(kColourNormal);
        dialog = new loggerDialog(nullptr, wxID_ANY);
        dialog->Show();
        PumpEvents(50);
        toggle = Find<wxButton>(dialog, "ID_BUTTON9");
        inputsOnly = Find<wxCheckBox>(dialog, "ID_CHECKBOX2");
        ASSERT_NE(toggle, nullptr);
        ASSERT_NE(inputsOnly, nullptr);
    }
    void TearDown() override {
        dialog->Destroy();
        PumpEvents(50);
        EXPECT_TRUE(NoConsoleLeft()) << "the console outlived the main window";
        SetConsoleColour(kColourNormal);
        SetConsoleStdout(true);
    }
    ConsoleWindow* Open() {
        Click(toggle);
        ConsoleWindow* console = ShownConsole();
        EXPECT_NE(console, nullptr);
        PumpEvents(20);
        return console;
    }
    // Waits until the window shows `line` as its last line.
    bool Shows(ConsoleWindow* console, const wxString& line, int timeoutMs = 5000) {
        return PumpUntil([&] { return LastLine(console->Text()) == line; }, timeoutMs);
    }

    loggerDialog* dialog = nullptr;
    wxButton* toggle = nullptr;
    wxCheckBox* inputsOnly = nullptr;
};

TEST_F(ConsoleGui, ButtonOpensClosesAndReopensAndInputsOnlyFollows) {
    EXPECT_EQ(ShownConsole(), nullptr);
    EXPECT_FALSE(inputsOnly->IsEnabled());

    ConsoleWindow* console = Open();
    ASSERT_NE(console, nullptr);
    EXPECT_EQ(console->GetTitle(), "Debug console");
    EXPECT_EQ(dialog->consoleOn & 1, 1);
    EXPECT_TRUE(inputsOnly->IsEnabled());
    Tick(inputsOnly, true);
    EXPECT_TRUE(dialog->InputsOnly());

    // The main window goes on working beside it: its own controls still
    // take clicks and the console takes none of its input away.
    EXPECT_TRUE(dialog->IsEnabled());
    EXPECT_TRUE(toggle->IsEnabled());

    Click(toggle);
    EXPECT_EQ(ShownConsole(), nullptr);
    EXPECT_TRUE(PumpUntil(NoConsoleLeft));
    EXPECT_EQ(dialog->consoleOn & 1, 0);
    EXPECT_FALSE(inputsOnly->IsEnabled());
    EXPECT_TRUE(inputsOnly->IsChecked()) << "closing must keep the tick";
    EXPECT_TRUE(dialog->InputsOnly());

    console = Open();
    ASSERT_NE(console, nullptr);
    EXPECT_EQ(dialog->consoleOn & 1, 1);
    EXPECT_TRUE(inputsOnly->IsEnabled());
    EXPECT_TRUE(inputsOnly->IsChecked());
}

TEST_F(ConsoleGui, BothWindowsTakeRealInputWhileTheMainWindowRunsModally) {
    // As in the program: the main window runs modally and the console is
    // opened from it. Real pointer input (through the X server) must reach
    // the console (to select and scroll) and still the main window.
    dialog->Hide();
    bool selected = false, ticked = false, ran = false;
    dialog->CallAfter([&] {
        ran = true;
        ConsoleWindow* console = Open();
        if (console) {
            for (int i = 0; i < 50; ++i) ConsolePrintf("line %02d of some console text\n", i);
            Shows(console, "line 49 of some console text");
            // Apart from the check box, so that neither covers the other
            // (there is no window manager to place them).
            const wxRect box = inputsOnly->GetScreenRect();
            console->SetSize(box.GetRight() > 500 ? 0 : box.GetRight() + 20, box.GetBottom() + 20,
                             400, 200);
            PumpEvents(300);

            wxUIActionSimulator input;
            wxTextCtrl* text = console->Text();
            input.MouseMove(text->GetScreenRect().GetPosition() + wxPoint(30, 30));
            PumpEvents(100);
            input.MouseDblClick();
            selected = PumpUntil(
                [&] {
                    long from = 0, to = 0;
                    text->GetSelection(&from, &to);
                    return to > from;
                },
                2000);

            const bool before = inputsOnly->IsChecked();
            input.MouseMove(box.GetPosition() + wxPoint(8, box.height / 2));
            PumpEvents(100);
            input.MouseClick();
            ticked = PumpUntil([&] { return inputsOnly->IsChecked() != before; }, 2000);
        }
        dialog->EndModal(wxID_OK);
    });
    dialog->ShowModal();
    ASSERT_TRUE(ran);
    EXPECT_TRUE(selected) << "the console took no pointer input beside the modal main window";
    EXPECT_TRUE(ticked) << "the main window took no pointer input with the console open";
}

// The close box: the window manager's delete request, as GTK gets it. It
// used to be ignored while the main window ran modally, as it always does.
void PressCloseBox(wxWindow* window) {
    GdkEvent* event = gdk_event_new(GDK_DELETE);
    event->any.window = GDK_WINDOW(g_object_ref(gtk_widget_get_window(window->GetHandle())));
    event->any.send_event = TRUE;
    gtk_main_do_event(event);
    gdk_event_free(event);
}

TEST_F(ConsoleGui, CloseBoxCountsAsSwitchingOff) {
    Tick(inputsOnly, true);
    dialog->Hide();
    bool closed = false;
    dialog->CallAfter([&] {
        ConsoleWindow* console = Open();
        if (console) {
            PressCloseBox(console);
            closed = PumpUntil(NoConsoleLeft);
        }
        dialog->EndModal(wxID_OK);
    });
    dialog->ShowModal();
    EXPECT_TRUE(closed) << "the close box left the console open";
    EXPECT_EQ(dialog->consoleOn & 1, 0);
    EXPECT_FALSE(inputsOnly->IsEnabled());
    EXPECT_TRUE(inputsOnly->IsChecked());

    // The next press opens, not closes.
    ConsoleWindow* console = Open();
    ASSERT_NE(console, nullptr);
    EXPECT_EQ(dialog->consoleOn & 1, 1);
    EXPECT_TRUE(inputsOnly->IsEnabled());
    ConsolePrintf("still alive\n");
    EXPECT_TRUE(Shows(console, "still alive"));
}

// Checks that the window's line `row` reads `line` in `colour` (first and
// last character).
void ExpectLine(wxTextCtrl* text, int row, const wxString& line, const wxColour& colour) {
    EXPECT_EQ(text->GetLineText(row), line) << "row " << row;
    for (long x : {0L, static_cast<long>(line.length()) - 1}) {
        wxTextAttr style;
        ASSERT_TRUE(text->GetStyle(text->XYToPosition(x, row), style));
        EXPECT_EQ(style.GetTextColour(), colour) << line << " at " << x;
    }
}

TEST_F(ConsoleGui, LinesShowInTheirColoursWhiteOnBlackMonospaced) {
    ConsoleWindow* console = Open();
    ASSERT_NE(console, nullptr);
    wxTextCtrl* text = console->Text();
    EXPECT_FALSE(text->IsEditable());
    EXPECT_TRUE(text->GetFont().IsFixedWidth());
    EXPECT_EQ(text->GetBackgroundColour(), *wxBLACK);

    ConsolePrintColoured(kColourYellow, kColourNormal, "{%s}  %d\n", "0123", 291);
    ConsolePrintColoured(kColourMagenta, kColourNormal, "Device detect response: {%s}\n", "DEV1");
    ConsolePrintColoured(kColourCyan, kColourWhite, "{DET}\n");
    ConsolePrintf("Port %s closed\n", "/dev/ttyUSB0");
    ConsolePrintColoured(kColourGreen, kColourNormal, "Port %s opened at %d\n", "/dev/ttyUSB0",
                         115200);
    ConsolePrintColoured(kColourRed, kColourNormal, "Could not open port %s\n", "/dev/ttyUSB9");
    ConsolePrintf("Program closed\n");
    ASSERT_TRUE(Shows(console, "Program closed"));

    struct Expected {
        const char* line;
        wxColour colour;
    };
    const Expected expected[] = {
        {"{0123}  291", wxColour(255, 255, 0)},
        {"Device detect response: {DEV1}", wxColour(255, 0, 255)},
        {"{DET}", wxColour(0, 255, 255)},
        {"Port /dev/ttyUSB0 closed", wxColour(255, 255, 255)},  // white left in force by {DET}
        {"Port /dev/ttyUSB0 opened at 115200", wxColour(0, 255, 0)},
        {"Could not open port /dev/ttyUSB9", wxColour(255, 0, 0)},
        {"Program closed", wxColour(192, 192, 192)},
    };
    // The last 7 lines (the window starts with the lines printed before).
    const int first = text->GetNumberOfLines() - 8;
    ASSERT_GE(first, 0);
    for (int i = 0; i < 7; ++i) ExpectLine(text, first + i, expected[i].line, expected[i].colour);
}

// Opened after the fact, the window shows the last 5,000 lines printed
// before, in their colours and order, then goes on live.
TEST_F(ConsoleGui, HistoryPrintedBeforeOpeningIsShownFirst) {
    const int printed = static_cast<int>(kConsoleHistoryLines) + 1000;
    for (int i = 0; i < printed; ++i) {
        if (i % 2)
            ConsolePrintColoured(kColourYellow, kColourNormal, "{%04X}  %d\n", i, i);
        else
            ConsolePrintf("history line %05d\n", i);
    }
    ConsoleWindow* console = Open();
    ASSERT_NE(console, nullptr);
    ConsolePrintf("live\n");
    ASSERT_TRUE(Shows(console, "live"));
    wxTextCtrl* text = console->Text();
    ASSERT_EQ(text->GetNumberOfLines(), static_cast<int>(kConsoleHistoryLines) + 2);
    for (int row : {0, 1, static_cast<int>(kConsoleHistoryLines) - 1}) {
        const int i = 1000 + row;
        if (i % 2)
            ExpectLine(text, row, wxString::Format("{%04X}  %d", i, i), wxColour(255, 255, 0));
        else
            ExpectLine(text, row, wxString::Format("history line %05d", i),
                       wxColour(192, 192, 192));
    }
}

TEST_F(ConsoleGui, FloodFromAThreadKeepsTheCapAndTheWindowResponsive) {
    constexpr int kLines = 100000;
    ConsoleWindow* console = Open();
    ASSERT_NE(console, nullptr);

    TickWatch watch;
    watch.Start();
    std::atomic<bool> done{false};
    const auto start = Clock::now();
    Clock::duration printing{};
    std::thread flood([&] {
        for (int i = 0; i < kLines; ++i) {
            if (i % 10 == 9)
                ConsolePrintColoured(kColourYellow, kColourNormal, "{%04X}  %d flood line %06d\n",
                                     i, i, i);
            else
                ConsolePrintf(
                    "flood line %06d of the board's output, padded to a realistic length\n", i);
        }
        printing = Clock::now() - start;
        done = true;
    });
    const bool shown = PumpUntil(
        [&] {
            return done && LastLine(console->Text())
                               .Contains(wxString::Format("flood line %06d", kLines - 1));
        },
        60000);
    const auto total = Clock::now() - start;
    flood.join();
    watch.Stop();

    const auto ms = [](Clock::duration d) {
        return std::chrono::duration_cast<std::chrono::milliseconds>(d).count();
    };
    std::printf(
        "[ flood    ] %d lines: printed in %lld ms, last line shown after %lld ms; "
        "GUI timer ticked %d times, longest gap %lld ms\n",
        kLines, static_cast<long long>(ms(printing)), static_cast<long long>(ms(total)),
        watch.ticks, static_cast<long long>(ms(watch.longest)));

    EXPECT_TRUE(shown) << "last line not shown: " << LastLine(console->Text());
    EXPECT_LT(ms(watch.longest), 500) << "the GUI thread stalled";
    EXPECT_GT(watch.ticks, 0);
    EXPECT_LE(console->Text()->GetNumberOfLines(), static_cast<int>(ConsoleWindow::kMaxLines) + 1);
    // The newest line is in view: the view is scrolled to the end.
    PumpEvents(100);
    wxTextCtrl* text = console->Text();
    EXPECT_GE(text->GetScrollPos(wxVERTICAL) + text->GetScrollThumb(wxVERTICAL),
              text->GetScrollRange(wxVERTICAL) - 1);
    // Lines are whole and in order at the end of the window.
    const wxString last = text->GetLineText(text->GetNumberOfLines() - 2);
    const wxString before = text->GetLineText(text->GetNumberOfLines() - 3);
    EXPECT_TRUE(last.Contains("flood line 099999")) << last;
    EXPECT_TRUE(before.StartsWith("flood line 099998 of the board's output")) << before;
}

}  // namespace
