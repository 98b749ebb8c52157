// The file watch wakes on every way a file of a folder of the test's own
// changes, on the file a link leads to, and on nothing else.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <functional>
#include <string>

#include "TempFolder.h"
#include "WatchNews.h"
#include "platform/FileWatch.h"

namespace {

TEST(FileWatch, WakesOnChangesOfTheWatchedFileOnly) {
    const TempFolder folder;
    const std::string file = folder / "cockpit.ini";
    WatchNews news;
    FileWatch watch(news.Handler());
    ASSERT_TRUE(watch.Watch(file));
    const auto append = [](const std::string& path, const char* text) {
        std::ofstream(path, std::ios::app) << text;
    };
    const struct {
        const char* what;
        std::function<void()> step;
        bool told;
    } steps[] = {
        {"made", [&] { folder.Write("cockpit.ini", "[Key0001]\n"); }, true},
        {"written and closed", [&] { append(file, "[Key0002]\n"); }, true},
        {"an editor renames a new file over it",
         [&] {
             folder.Write("cockpit.ini.new", "[Ind Gear]\n");
             EXPECT_EQ(std::rename((folder / "cockpit.ini.new").c_str(), file.c_str()), 0);
         },
         true},
        {"new permissions", [&] { chmod(file.c_str(), 0600); }, true},
        {"a neighbour written", [&] { folder.Write("other.ini", "x"); }, false},
        {"its .bak written", [&] { folder.Write("cockpit.ini.bak", "x"); }, false},
        {"removed", [&] { unlink(file.c_str()); }, true},
    };
    for (const auto& step : steps)
        EXPECT_EQ(news.After(step.step, step.told), step.told) << step.what;

    // A link: the file it leads to is watched too, in its own folder.
    const std::string target = folder / "real/panel.ini";
    folder.Write("real/panel.ini", "[Key0003]\n");
    const std::string link = folder.Link(target, "link.ini");
    ASSERT_TRUE(watch.Watch(link));
    EXPECT_TRUE(news.After([&] { append(target, "x: 1\n"); })) << "the file behind the link";
    EXPECT_FALSE(news.After([&] { folder.Write("cockpit.ini", "y"); }, false))
        << "the file watched before";
    EXPECT_TRUE(news.After([&] { unlink(link.c_str()); })) << "the link removed";

    EXPECT_FALSE(watch.Watch(folder / "gone/x.ini")) << "a folder that is not there";
    watch.Stop();
    ASSERT_TRUE(watch.Watch(file)) << "started again";
    EXPECT_TRUE(news.After([&] { append(file, "z\n"); }));
}

}  // namespace
