// PortWatchImpl.h brings windows.h, which dbt.h needs first.
#include "platform/windows/PortWatchImpl.h"
// (after windows.h)
#include <dbt.h>

namespace {

// ntddser.h's GUID_DEVINTERFACE_COMPORT: every COM port driver of note
// (usbser, FTDI, CH340, CP210x) registers its ports under it.
const GUID kComPortInterface = {
    0x86e0d1e0, 0x8089, 0x11d0, {0x9c, 0xe4, 0x08, 0x00, 0x3e, 0x30, 0x1f, 0x73}};

bool IsPortChange(WPARAM event, LPARAM data) {
    if (event != DBT_DEVICEARRIVAL && event != DBT_DEVICEREMOVECOMPLETE) return false;
    const auto* header = reinterpret_cast<const DEV_BROADCAST_HDR*>(data);
    return header != nullptr && (header->dbch_devicetype == DBT_DEVTYP_DEVICEINTERFACE ||
                                 header->dbch_devicetype == DBT_DEVTYP_PORT);
}

}  // namespace

PortWatch::PortWatch() : impl_(std::make_unique<Impl>()) {}
PortWatch::PortWatch(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
PortWatch::~PortWatch() = default;
bool PortWatch::Start(ChangeHandler onChange) { return impl_->Start(std::move(onChange)); }
void PortWatch::Stop() { impl_->Stop(); }
void PortWatch::WatchPath(const std::string& path) { impl_->WatchPath(path); }

PortWatch::Impl::~Impl() { Stop(); }

bool PortWatch::Impl::Start(ChangeHandler onChange) {
    Stop();
    onChange_ = std::move(onChange);
    const HANDLE ready = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (ready == nullptr) return false;
    try {
        thread_ = std::thread(&Impl::Run, this, ready);
    } catch (const std::system_error&) {
        CloseHandle(ready);
        return false;
    }
    WaitForSingleObject(ready, INFINITE);
    CloseHandle(ready);
    if (window_ == nullptr) {
        thread_.join();
        return false;
    }
    return true;
}

void PortWatch::Impl::Stop() {
    if (!thread_.joinable()) return;
    PostMessageW(window_, WM_CLOSE, 0, 0);
    thread_.join();
    window_ = nullptr;
}

void PortWatch::Impl::WatchPath(const std::string& path) {
    std::lock_guard<std::mutex> lock(mutex_);
    extraPath_ = path;
}

LRESULT CALLBACK PortWatch::Impl::WindowProc(HWND window, UINT message, WPARAM wParam,
                                             LPARAM lParam) {
    auto* self = reinterpret_cast<Impl*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    switch (message) {
        case WM_DEVICECHANGE:
            if (self != nullptr && IsPortChange(wParam, lParam) && self->onChange_)
                self->onChange_();
            return TRUE;
        case WM_CLOSE:
            DestroyWindow(window);
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProcW(window, message, wParam, lParam);
    }
}

void PortWatch::Impl::Run(HANDLE ready) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = &Impl::WindowProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = kWindowClass;
    // A second watch finds the class made already.
    RegisterClassExW(&windowClass);
    const HWND window = CreateWindowExW(0, kWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                        windowClass.hInstance, nullptr);
    if (window != nullptr) {
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        DEV_BROADCAST_DEVICEINTERFACE_W filter{};
        filter.dbcc_size = sizeof filter;
        filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
        filter.dbcc_classguid = kComPortInterface;
        notify_ = RegisterDeviceNotificationW(window, &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
    }
    window_ = window;
    SetEvent(ready);
    if (window == nullptr) return;
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    if (notify_ != nullptr) UnregisterDeviceNotification(notify_);
    notify_ = nullptr;
}
