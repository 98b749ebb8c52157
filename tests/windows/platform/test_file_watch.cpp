// The file watch on Win32 wakes on every way the watched file changes (an
// editor's rename over it too, and a name spelled in other case), and on
// nothing of its neighbours.
#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <string>

#include "WatchNews.h"
#include "Win32Folder.h"
#include "platform/FileWatch.h"

namespace {

TEST(Win32FileWatch, WakesOnChangesOfTheWatchedFileOnly) {
    const Win32Folder folder;
    // Spelled in other case than the file is made with, as Windows allows.
    const std::string file = folder / "Cockpit \xc3\xb6lstand.INI";
    WatchNews news;
    FileWatch watch(news.Handler());
    ASSERT_TRUE(watch.Watch(file));
    const struct {
        const char* what;
        std::function<void()> step;
        bool told;
    } steps[] = {
        {"made", [&] { folder.Write("cockpit \xc3\x96lstand.ini", "[Key0001]\r\n"); }, true},
        {"written", [&] { EXPECT_TRUE(folder.Append(file, "[Key0002]\r\n")); }, true},
        {"an editor renames a new file over it",
         [&] {
             const std::string fresh = folder.Write("cockpit.ini.new", "[Ind Gear]\r\n");
             EXPECT_TRUE(
                 MoveFileExW(Utf16(fresh).c_str(), Utf16(file).c_str(), MOVEFILE_REPLACE_EXISTING));
         },
         true},
        {"new attributes",
         [&] { EXPECT_TRUE(SetFileAttributesW(Utf16(file).c_str(), FILE_ATTRIBUTE_READONLY)); },
         true},
        {"a neighbour written", [&] { folder.Write("other.ini", "x"); }, false},
        {"its .bak written", [&] { folder.Write("cockpit \xc3\x96lstand.ini.bak", "x"); }, false},
        {"a file of a subfolder of the same name",
         [&] { folder.Write("sub\\cockpit \xc3\x96lstand.ini", "x"); }, false},
        {"removed",
         [&] {
             SetFileAttributesW(Utf16(file).c_str(), FILE_ATTRIBUTE_NORMAL);
             EXPECT_TRUE(DeleteFileW(Utf16(file).c_str()));
         },
         true},
    };
    for (const auto& step : steps)
        EXPECT_EQ(news.After(step.step, step.told), step.told) << step.what;

    // Another file from now on: the one before is no news any more.
    const std::string panel = folder.Write("real\\panel.ini", "[Key0003]\r\n");
    ASSERT_TRUE(watch.Watch(folder.Path() + "/real/panel.ini")) << "/ as separator";
    EXPECT_TRUE(news.After([&] { EXPECT_TRUE(folder.Append(panel, "x: 2\r\n")); }));
    EXPECT_FALSE(news.After([&] { folder.Write("cockpit \xc3\x96lstand.ini", "y"); }, false))
        << "the file watched before";

    EXPECT_FALSE(watch.Watch(folder / "gone\\x.ini")) << "a folder that is not there";
    EXPECT_TRUE(watch.Watch("")) << "none";
    EXPECT_FALSE(news.After([&] { EXPECT_TRUE(folder.Append(panel, "x: 3\r\n")); }, false));
    watch.Stop();
    ASSERT_TRUE(watch.Watch(file)) << "started again";
    EXPECT_TRUE(news.After([&] { EXPECT_TRUE(folder.Append(file, "z\r\n")); }));
}

}  // namespace
