#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "ScopedEnvironment.h"
#include "ini/ResultFile.h"

namespace {

namespace fs = std::filesystem;

struct AppendRow {
    const char* what;
    const char* text;
    LineEnds ends;
    int lastByte;
    const char* appended;
};

TEST(ResultFile, TextToAppend) {
    const AppendRow rows[] = {
        {"as the box has them", "[Key0001]\r\nmode: x\r\n\r\n", LineEnds::kCrLf, -1,
         "[Key0001]\r\nmode: x\r\n\r\n"},
        {"LF chosen", "[Key0001]\r\nmode: x\r\n\r\n", LineEnds::kLf, '\n',
         "[Key0001]\nmode: x\n\n"},
        {"lines typed with LF, CR LF chosen", "# a\nb\r\n", LineEnds::kCrLf, -1, "# a\r\nb\r\n"},
        {"file's last line unfinished", "[Ind A]\r\n", LineEnds::kCrLf, ';', "\r\n[Ind A]\r\n"},
        {"unfinished, LF chosen", "[Ind A]\r\n", LineEnds::kLf, 'x', "\n[Ind A]\n"},
        {"a lone CR stays", "a\rb\n", LineEnds::kLf, -1, "a\rb\n"},
    };
    for (const AppendRow& row : rows)
        EXPECT_EQ(TextToAppend(row.text, row.ends, row.lastByte), row.appended) << row.what;
}

class ResultFileOnDisk : public testing::Test {
  protected:
    void SetUp() override {
        char dir[] = "/tmp/brantle-result-XXXXXX";
        ASSERT_NE(mkdtemp(dir), nullptr);
        root = dir;
    }
    void TearDown() override {
        std::error_code ignored;
        fs::permissions(root, fs::perms::owner_all, fs::perm_options::add, ignored);
        fs::remove_all(root, ignored);
    }
    std::string Read(const std::string& path) {
        std::string text;
        EXPECT_TRUE(ReadWholeFile(path, &text)) << path;
        return text;
    }
    std::string root;
};

TEST_F(ResultFileOnDisk, AppendsWithoutTouchingWhatTheFileHeld) {
    const std::string file = root + "/H\xc3\xb6he.ini";  // a non-ASCII name, as UTF-8
    const std::string held = "[Key0001]\r\nmode: discrete_event\r\n\r\n; no line end";
    ASSERT_TRUE(WriteFileAtomically(file, held));
    std::string error;
    ASSERT_TRUE(
        AppendResultToFile(file, "# Gear \xc3\xbc\r\n[Ind Gear]\r\n", LineEnds::kCrLf, &error))
        << error;
    EXPECT_EQ(Read(file), held + "\r\n# Gear \xc3\xbc\r\n[Ind Gear]\r\n");

    const std::string fresh = root + "/new.ini";  // created when new
    ASSERT_TRUE(AppendResultToFile(fresh, "[Key0002]\r\n", LineEnds::kLf, &error)) << error;
    EXPECT_EQ(Read(fresh), "[Key0002]\n");
}

TEST_F(ResultFileOnDisk, FailuresGiveTheSystemsReason) {
    std::string error;
    EXPECT_FALSE(AppendResultToFile(root, "x\n", LineEnds::kLf, &error));  // a folder
    EXPECT_EQ(error, "Is a directory");
    EXPECT_FALSE(AppendResultToFile(root + "/missing/a.ini", "x\n", LineEnds::kLf, &error));
    EXPECT_EQ(error, "No such file or directory");
    if (geteuid() != 0) {  // permissions do not bind the superuser
        const std::string file = root + "/locked.ini";
        ASSERT_TRUE(WriteFileAtomically(file, "kept\n"));
        fs::permissions(file, fs::perms::owner_read);
        EXPECT_FALSE(AppendResultToFile(file, "x\n", LineEnds::kLf, &error));
        EXPECT_EQ(error, "Permission denied");
        EXPECT_EQ(Read(file), "kept\n");
        fs::permissions(root, fs::perms::owner_read | fs::perms::owner_exec);
        EXPECT_FALSE(WriteFileAtomically(root + "/state/result.txt", "x", &error));
        EXPECT_FALSE(fs::exists(root + "/state"));
    }
}

TEST_F(ResultFileOnDisk, KeptFoldersFollowTheXdgVariables) {
    const std::string home = getenv("HOME");
    ScopedEnvironment state("XDG_STATE_HOME", "/tmp/st\xc3\xa4te");
    EXPECT_EQ(KeptStateFolder(), "/tmp/st\xc3\xa4te/BrantleConfigHelper");
    state.Set("relative");  // not absolute: ignored
    EXPECT_EQ(KeptStateFolder(), home + "/.local/state/BrantleConfigHelper");
    ScopedEnvironment settings("XDG_CONFIG_HOME", "/tmp/c\xc3\xb6nfig");
    EXPECT_EQ(UserSettingsFolder(), "/tmp/c\xc3\xb6nfig");
    settings.Set("");  // empty: ignored
    EXPECT_EQ(UserSettingsFolder(), home + "/.config");
}

}  // namespace
