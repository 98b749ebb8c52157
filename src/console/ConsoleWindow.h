// The "Debug console" window: every diagnostic line printed while it is open,
// in its colour, white-on-black in a monospaced font, the newest line in view.
//
// Printing threads never touch the window: its sink only appends to a bounded
// pending buffer, and a timer on the GUI thread moves what has accumulated
// into the text control in one batch. The control keeps the last kMaxLines
// lines (and at most kMaxChars characters), so a flood costs neither memory
// nor a frozen window.
#pragma once

#include <wx/frame.h>
#include <wx/textctrl.h>
#include <wx/timer.h>

#include <functional>

#include "console/Console.h"
#include "console/ConsoleFormat.h"

class ConsoleWindow : public wxFrame, private ConsoleSink {
public:
    static constexpr std::size_t kMaxLines = 20000;
    static constexpr std::size_t kMaxChars = 4u << 20;
    static constexpr int kFlushMs = 50;
    // Lines moved into the control in one step, and the time one tick may
    // spend on such steps.
    static constexpr std::size_t kChunkLines = 500;
    static constexpr int kFlushBudgetMs = 20;
    static constexpr int kBacklogMs = 5;
    static_assert(kChunkLines <= kMaxLines, "one chunk must fit the control");

    explicit ConsoleWindow(wxWindow* parent);
    ~ConsoleWindow() override;

    // Run when the user closes the window by its close box (not when the
    // program destroys it), before it goes away.
    void SetOnUserClose(std::function<void()> onUserClose);

    // Stops taking output at once; the window itself goes at the next idle time.
    bool Destroy() override;
    bool IsClosing() const { return closing_; }

    // GUI thread: shows everything pending now (the timer does so every kFlushMs).
    void FlushPending();

    wxTextCtrl* Text() const { return text_; }

private:
    void Write(const ConsoleSpan& span) override;  // any thread, output lock held
    void OnTimer(wxTimerEvent& event);
    void OnClose(wxCloseEvent& event);
    void Detach();
    void Append(const std::vector<ConsoleSpan>& runs);
    void RemoveLeadingLines(std::size_t count);

    ConsolePending pending_;
    wxTextCtrl* text_ = nullptr;
    wxTimer timer_;
    std::function<void()> onUserClose_;
    bool attached_ = false;
    bool closing_ = false;
    std::size_t shownLines_ = 0;  // line ends in the control
};
