// The port watch wakes on changes of a /dev folder of the test's own: tty
// nodes, the by-id folder made later and its links, and one extra path.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "TempFolder.h"
#include "platform/linux/PortWatchImpl.h"

namespace {

TEST(PortWatch, WakesOnNodesByIdLinksAndTheWaitedForPathOnly) {
    const TempFolder devFolder;
    const TempFolder otherFolder;
    const std::string& dev = devFolder.Path();
    const std::string& other = otherFolder.Path();
    std::atomic<int> changes{0};
    PortWatch watch(std::make_unique<PortWatch::Impl>(dev));
    ASSERT_TRUE(watch.Start([&] { ++changes; }));

    // True when a change is reported within `ms` after `step`. A short wait
    // reports nothing only after the news of earlier steps has stopped coming
    // (one step may be told twice: by its event and by the folder armed).
    auto changeAfter = [&](const std::function<void()>& step, int ms = 5000) {
        int before = changes;
        if (ms < 5000) {
            do {
                before = changes;
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
            } while (changes != before);
        }
        step();
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        while (changes == before && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        return changes != before;
    };
    const std::string node = dev + "/ttyACM0";
    const std::string byId = dev + "/serial/by-id";
    const std::string link = byId + "/usb-Arduino-if00";
    EXPECT_TRUE(changeAfter([&] { std::ofstream{node}; })) << "node made";
    EXPECT_TRUE(changeAfter([&] { mkdir((dev + "/serial").c_str(), 0755); }));
    EXPECT_TRUE(changeAfter([&] { mkdir(byId.c_str(), 0755); }));
    EXPECT_TRUE(changeAfter([&] { EXPECT_EQ(symlink("../../ttyACM0", link.c_str()), 0); }))
        << "link made";
    EXPECT_TRUE(changeAfter([&] { unlink(link.c_str()); })) << "link removed";
    EXPECT_TRUE(changeAfter([&] { chmod(node.c_str(), 0660); })) << "group given by udev";
    EXPECT_TRUE(changeAfter([&] { unlink(node.c_str()); })) << "node removed";
    EXPECT_FALSE(changeAfter([&] { std::ofstream{dev + "/null7"}; }, 300)) << "not a port";

    const std::string board = other + "/board";
    watch.WatchPath(board);
    EXPECT_TRUE(changeAfter([&] { EXPECT_EQ(symlink("/dev/null", board.c_str()), 0); }));
    EXPECT_FALSE(changeAfter([&] { std::ofstream{other + "/unrelated"}; }, 300));
    watch.WatchPath("");
    EXPECT_FALSE(changeAfter([&] { unlink(board.c_str()); }, 300)) << "no longer waited for";

    watch.Stop();
}

}  // namespace
