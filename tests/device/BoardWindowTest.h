// The real window with a board on a pseudo-terminal: the in-process virtual
// board, or a silent terminal that never answers. Console output is captured
// with its colours.
#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "GuiTest.h"
#include "VirtualBoard.h"
#include "console/Console.h"
#include "device/Connection.h"
#include "ui/loggerDialog.h"

// Every span of console output, with the colour it was printed in.
class CapturedConsole : public ConsoleSink {
  public:
    void Write(const ConsoleSpan& span) override {
        std::lock_guard<std::mutex> lock(mutex_);
        spans_.push_back(span);
    }
    std::vector<ConsoleSpan> Spans() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return spans_;
    }
    void Clear() {
        std::lock_guard<std::mutex> lock(mutex_);
        spans_.clear();
    }
    int Count(int colour, const std::string& text) const {
        int n = 0;
        for (const ConsoleSpan& s : Spans()) n += (s.colour == colour && s.text == text) ? 1 : 0;
        return n;
    }
    int CountColour(int colour) const {
        int n = 0;
        for (const ConsoleSpan& s : Spans()) n += s.colour == colour ? 1 : 0;
        return n;
    }
    // Index of the first span with this text at or after `from`, or -1.
    int Find(const std::string& text, int from = 0) const {
        const auto spans = Spans();
        for (int i = from; i < static_cast<int>(spans.size()); ++i)
            if (spans[static_cast<std::size_t>(i)].text == text) return i;
        return -1;
    }

  private:
    mutable std::mutex mutex_;
    std::vector<ConsoleSpan> spans_;
};

// A pseudo-terminal whose far end only sends what the test tells it to.
class SilentBoard {
  public:
    ~SilentBoard() {
        if (master_ >= 0) close(master_);
    }
    bool Start() {
        master_ = posix_openpt(O_RDWR | O_NOCTTY);
        if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) return false;
        const char* name = ptsname(master_);
        if (name == nullptr) return false;
        path_ = name;
        return true;
    }
    const std::string& DevicePath() const { return path_; }
    bool Send(const std::string& bytes) {
        return write(master_, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
    }
    // Reads and drops what the program wrote so far.
    void Drain() {
        char buffer[4096];
        pollfd p = {master_, POLLIN, 0};
        while (poll(&p, 1, 0) > 0 && (p.revents & POLLIN) &&
               read(master_, buffer, sizeof buffer) > 0) {
        }
    }

  private:
    int master_ = -1;
    std::string path_;
};

class BoardWindowTest : public testing::Test {
  protected:
    void SetUp() override {
        // Settings go to a folder of the test's own.
        char folder[] = "/tmp/brantle-device-test-XXXXXX";
        ASSERT_NE(mkdtemp(folder), nullptr);
        settingsFolder_ = folder;
        setenv("XDG_CONFIG_HOME", folder, 1);
        SetConsoleStdout(false);  // frames are echoed every 20 ms
        AddConsoleSink(&console);

        ASSERT_TRUE(board.Start());
        // detectTick survives closing and opening; tests that count ticks pin it.
        pollDelay = 0;
        detectTick = 0;
        currentPage = 0;  // as at program start; the new window shows page 0
        dialog = new loggerDialog();
        dialog->Show();
        PumpEvents(50);
    }

    void TearDown() override {
        if (dialog != nullptr) {
            if (dialog->serial.IsOpen()) Click(dialog->ID_BUTTON2);
            dialog->Destroy();
            PumpEvents(20);
        }
        board.Stop();
        RemoveConsoleSink(&console);
        SetConsoleStdout(true);
        std::string command = "rm -rf '" + settingsFolder_ + "'";
        ASSERT_EQ(system(command.c_str()), 0);
    }

    void OpenPort(const std::string& path) {
        dialog->ID_COMBOBOX1->SetValue(path);
        Click(dialog->ID_BUTTON1);
    }
    void OpenBoard() {
        OpenPort(board.DevicePath());
        ASSERT_TRUE(dialog->serial.IsOpen());
    }
    void ShowPage(int page) {
        dialog->ID_NOTEBOOK1->SetSelection(static_cast<std::size_t>(page));
        ASSERT_TRUE(PumpUntil([&] { return currentPage == page; }, 2000));
    }
    // Runs poll ticks by hand (the ticks stop counting by time first), so
    // that counts of ticks are exact.
    void PollTicks(int n) {
        dialog->StopPollClock();
        for (int i = 0; i < n; ++i) dialog->PollTick();
    }
    // Hand-driven warm-up: after it the next tick is active.
    void WarmUp() { PollTicks(kWarmUpTicks - 1); }

    wxString Status() const { return dialog->ID_STATICTEXT2->GetLabel(); }
    wxColour StatusColour() const { return dialog->ID_STATICTEXT2->GetForegroundColour(); }
    bool WaitForStatus(const wxString& label, int timeoutMs = 5000) {
        return PumpUntil([&] { return Status() == label; }, timeoutMs);
    }
    std::string SettingsText() const {
        std::string text;
        FILE* file = fopen((settingsFolder_ + "/BrantleConfigHelper.conf").c_str(), "r");
        if (file == nullptr) return text;
        char buffer[512];
        size_t n;
        while ((n = fread(buffer, 1, sizeof buffer, file)) > 0) text.append(buffer, n);
        fclose(file);
        return text;
    }

    CapturedConsole console;
    board::VirtualBoard board{7};
    loggerDialog* dialog = nullptr;
    std::string settingsFolder_;
};

inline const wxColour kOliveStatus(128, 128, 0);
inline const wxColour kGreenStatus(0, 176, 0);
inline const wxColour kRedStatus(255, 0, 0);
