// Helpers for tests that drive the real window.
#pragma once

#include <wx/wx.h>

#include <chrono>
#include <functional>

class loggerDialog;

// How many times slower the window's own work runs in this build: a
// sanitizer build takes several times as long for every paint and layout.
#if defined(__SANITIZE_THREAD__)
inline constexpr int kSlowBuildFactor = 10;
#elif defined(__SANITIZE_ADDRESS__)
inline constexpr int kSlowBuildFactor = 4;
#else
inline constexpr int kSlowBuildFactor = 1;
#endif

// Lets the toolkit handle pending events for about `ms` milliseconds.
void PumpEvents(int ms = 50);

// Pumps events until `done` holds or `timeoutMs` passes; true when it held.
bool PumpUntil(const std::function<bool()>& done, int timeoutMs = 5000);

// Finds a control of the window by its window name, or fails the test.
template <typename T>
T* Find(wxWindow* top, const char* name) {
    return dynamic_cast<T*>(wxWindow::FindWindowByName(name, top));
}

// Simulates a click / selection the way the toolkit reports it, so the bound
// handler runs.
void Click(wxButton* button);
void Select(wxChoice* choice, int index);
void Tick(wxCheckBox* box, bool ticked);
