// The Windows side of PortWatch: a message-only window on a thread of its own
// hears WM_DEVICECHANGE for COM port interfaces (and port broadcasts) coming
// and going. A COM name that comes back is such a change too, so the extra
// path needs no watch of its own.
#pragma once

#include <windows.h>

#include <mutex>
#include <string>
#include <thread>

#include "platform/PortWatch.h"

class PortWatch::Impl {
  public:
    // The window's class name: tests find the window by it and send it what
    // the system would.
    static constexpr const wchar_t* kWindowClass = L"BrantlePortWatch";

    Impl() = default;
    ~Impl();

    bool Start(ChangeHandler onChange);
    void Stop();
    void WatchPath(const std::string& path);

  private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void Run(HANDLE ready);

    ChangeHandler onChange_;
    std::thread thread_;
    HWND window_ = nullptr;  // set by the thread before `ready`
    HDEVNOTIFY notify_ = nullptr;

    std::mutex mutex_;
    std::string extraPath_;
};
