// The port watch wakes on changes of a /dev folder of the test's own: tty
// nodes, the by-id folder made later and its links, and one extra path.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <functional>
#include <memory>
#include <string>

#include "TempFolder.h"
#include "WatchNews.h"
#include "platform/linux/PortWatchImpl.h"

namespace {

TEST(PortWatch, WakesOnNodesByIdLinksAndTheWaitedForPathOnly) {
    const TempFolder devFolder;
    const TempFolder otherFolder;
    const std::string& dev = devFolder.Path();
    const std::string& other = otherFolder.Path();
    WatchNews news;
    PortWatch watch(std::make_unique<PortWatch::Impl>(dev));
    ASSERT_TRUE(watch.Start(news.Handler()));
    const std::string node = dev + "/ttyACM0";
    const std::string byId = dev + "/serial/by-id";
    const std::string link = byId + "/usb-Arduino-if00";
    EXPECT_TRUE(news.After([&] { std::ofstream{node}; })) << "node made";
    EXPECT_TRUE(news.After([&] { mkdir((dev + "/serial").c_str(), 0755); }));
    EXPECT_TRUE(news.After([&] { mkdir(byId.c_str(), 0755); }));
    EXPECT_TRUE(news.After([&] { EXPECT_EQ(symlink("../../ttyACM0", link.c_str()), 0); }))
        << "link made";
    EXPECT_TRUE(news.After([&] { unlink(link.c_str()); })) << "link removed";
    EXPECT_TRUE(news.After([&] { chmod(node.c_str(), 0660); })) << "group given by udev";
    EXPECT_TRUE(news.After([&] { unlink(node.c_str()); })) << "node removed";
    EXPECT_FALSE(news.After([&] { std::ofstream{dev + "/null7"}; }, false)) << "not a port";

    const std::string board = other + "/board";
    watch.WatchPath(board);
    EXPECT_TRUE(news.After([&] { EXPECT_EQ(symlink("/dev/null", board.c_str()), 0); }));
    EXPECT_FALSE(news.After([&] { std::ofstream{other + "/unrelated"}; }, false));
    watch.WatchPath("");
    EXPECT_FALSE(news.After([&] { unlink(board.c_str()); }, false)) << "no longer waited for";

    watch.Stop();
}

}  // namespace
