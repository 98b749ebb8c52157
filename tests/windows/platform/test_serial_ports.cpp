// The Win32 side of the serial ports without a board: port names, the port
// list, a failed open and the port watch, in the test prefix where COM5 is
// mapped (tests/windows/wine-env.sh) and COM77 is not. The line itself is tried
// against the virtual board in tests/windows/serial/.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <mutex>

#include "platform/PortDevices.h"
#include "platform/PortWatch.h"
#include "platform/SerialLine.h"
#include "platform/windows/PortWatchImpl.h"

// (after windows.h)
#include <dbt.h>

TEST(SerialPorts, DevicePathsAndWhetherTheyMayBeOpened) {
    const struct {
        const char* name;
        const char* path;
        int present;  // -1: not asked (COM5 is mapped whether a board is behind it or not)
    } rows[] = {
        {"COM5", "\\\\.\\COM5", -1},
        {"\\\\.\\COM5", "\\\\.\\COM5", -1},
        {"COM77", "\\\\.\\COM77", 0},
        {"NUL", "\\\\.\\NUL", 1},
        {"\\\\.\\COM\xc3\xbc", "\\\\.\\COM\xc3\xbc", 0},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(SerialLine::DevicePath(row.name), row.path) << row.name;
        if (row.present < 0) continue;
        EXPECT_EQ(SerialLine::MayOpen(row.path), row.present == 1) << row.path;
    }
}

TEST(SerialPorts, ListsTheMappedPortAndNoPrinterPort) {
    const std::vector<SerialDevice> devices = PortDevices::ListSerialDevices();
    const auto named = [&](const char* name) {
        return std::count_if(devices.begin(), devices.end(),
                             [&](const SerialDevice& d) { return d.path == name; });
    };
    EXPECT_EQ(named("COM5"), 1) << "listed once, whichever list knows it";
    for (const SerialDevice& d : devices) EXPECT_NE(d.path.rfind("LPT", 0), 0u) << d.path;
}

TEST(SerialPorts, AMissingPortIsNotThere) {
    SerialLine line;
    std::string call;
    int error = 0;
    EXPECT_FALSE(line.Open(SerialLine::DevicePath("COM77"), &call, &error));
    EXPECT_FALSE(line.IsOpen());
    EXPECT_EQ(error, ENOENT);
    EXPECT_EQ(call, "CreateFileW");
}

// The watch's window gets what Windows sends when a COM port comes or goes;
// other device news and other events are not port changes.
TEST(SerialPorts, WatchHearsPortChangesAndStops) {
    std::mutex mutex;
    int changes = 0;
    PortWatch watch;
    ASSERT_TRUE(watch.Start([&] {
        std::lock_guard<std::mutex> lock(mutex);
        ++changes;
    }));
    watch.WatchPath("\\\\.\\COM5");
    const HWND window =
        FindWindowExW(HWND_MESSAGE, nullptr, PortWatch::Impl::kWindowClass, nullptr);
    ASSERT_NE(window, nullptr);
    DEV_BROADCAST_PORT_W port{};
    port.dbcp_size = sizeof port;
    port.dbcp_devicetype = DBT_DEVTYP_PORT;
    DEV_BROADCAST_HDR volume{};
    volume.dbch_size = sizeof volume;
    volume.dbch_devicetype = DBT_DEVTYP_VOLUME;
    const struct {
        WPARAM event;
        const void* data;
        int changes;  // counted after it
    } rows[] = {
        {DBT_DEVICEARRIVAL, &port, 1},      {DBT_DEVICEREMOVECOMPLETE, &port, 2},
        {DBT_DEVICEQUERYREMOVE, &port, 2},  {DBT_DEVICEARRIVAL, &volume, 2},
        {DBT_DEVNODES_CHANGED, nullptr, 2}, {DBT_DEVICEARRIVAL, &port, 3},
    };
    for (const auto& row : rows) {
        // Sent: handled on the watch's thread before this returns.
        SendMessageW(window, WM_DEVICECHANGE, row.event, reinterpret_cast<LPARAM>(row.data));
        std::lock_guard<std::mutex> lock(mutex);
        EXPECT_EQ(changes, row.changes) << row.event;
    }
    const auto start = std::chrono::steady_clock::now();
    watch.Stop();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    EXPECT_EQ(FindWindowExW(HWND_MESSAGE, nullptr, PortWatch::Impl::kWindowClass, nullptr),
              nullptr);
}
