// The ini file the results go to: its sections with their lines and bounds,
// what the window says of it, the repeats a save would make, and putting a
// result's sections in the place of the file's.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include "TempFolder.h"
#include "ini/IniFile.h"

namespace {

struct Found {
    std::string header;
    int line;
    std::string text;  // the section from where it begins to where the next begins
    bool operator==(const Found& o) const {
        return header == o.header && line == o.line && text == o.text;
    }
};

std::ostream& operator<<(std::ostream& out, const Found& f) {
    return out << testing::PrintToString(f.header) << " line " << f.line << " "
               << testing::PrintToString(f.text);
}

std::vector<Found> Sections(const std::string& text) {
    std::vector<Found> found;
    for (const IniSection& s : ReadIniSections(text)) {
        EXPECT_LE(s.begin, s.headerAt);
        found.push_back({s.header, s.line, text.substr(s.begin, s.end - s.begin)});
    }
    return found;
}

TEST(IniFile, SectionsTheirLinesAndBounds) {
    const struct {
        const char* what;
        std::string text;
        std::vector<Found> sections;
    } rows[] = {
        {"CR LF; text before the first section belongs to none; a comment block on its header",
         "; by hand\r\n\r\n[Key0001]\r\nmode: a\r\n\r\n# Gear\r\n[Ind Gear]\r\npos: 1\r\n",
         {{"[Key0001]", 3, "[Key0001]\r\nmode: a\r\n\r\n"},
          {"[Ind Gear]", 7, "# Gear\r\n[Ind Gear]\r\npos: 1\r\n"}}},
        {"LF and no last line end", "[Key0001]\nmode: a", {{"[Key0001]", 1, "[Key0001]\nmode: a"}}},
        {"blank lines and a comment a blank line parts from the next header stay above",
         "[Key0001]\nx: 1\n; x: 0\n\n[Key0002]\n",
         {{"[Key0001]", 1, "[Key0001]\nx: 1\n; x: 0\n\n"}, {"[Key0002]", 5, "[Key0002]\n"}}},
        {"a comment block of several lines at the very start",
         "# a\n; b\n[Key0001]\n",
         {{"[Key0001]", 3, "# a\n; b\n[Key0001]\n"}}},
        {"blanks around a header and a comment after it",
         "  [Ind A b] ; lamp\t\r\nk: v\r\n",
         {{"[Ind A b]", 1, "  [Ind A b] ; lamp\t\r\nk: v\r\n"}}},
        {"not headers: a value in brackets, no closing bracket, text after it",
         "a = [x]\n[Key0001\n[Key0002] x\n",
         {}},
        {"bytes of a Windows code page",
         "; H\xf6he\n[Ind H\xf6he]\n",
         {{"[Ind H\xf6he]", 2, "; H\xf6he\n[Ind H\xf6he]\n"}}},
        {"a byte order mark stays outside the first section",
         "\xef\xbb\xbf[Key0003]\r\n",
         {{"[Key0003]", 1, "[Key0003]\r\n"}}},
        {"a lone CR ends no line", "[Key0001]\rx\n[Key0002]\n", {{"[Key0002]", 2, "[Key0002]\n"}}},
        {"the same header twice",
         "[Key0001]\n[Key0001]\n",
         {{"[Key0001]", 1, "[Key0001]\n"}, {"[Key0001]", 2, "[Key0001]\n"}}},
        {"empty", "", {}},
    };
    for (const auto& row : rows) EXPECT_EQ(Sections(row.text), row.sections) << row.what;
}

TEST(IniFile, SummaryAndWhetherAControlIsDescribed) {
    const struct {
        std::string text;
        const char* summary;
    } files[] = {
        {"[Key0001]\n[Key0002]\n[Ind Gear]\n",
         "cockpit.ini: 2 control sections, 1 indication section"},
        {"; nothing yet\n", "cockpit.ini: 0 control sections, 0 indication sections"},
        {"[General]\n[Key12]\n[Keyboard]\n[Key-005]\n[Ind ]\n[Indicator]\n[Key1]\n",
         "cockpit.ini: 3 control sections, 1 indication section, 3 other sections"},
    };
    for (const auto& file : files)
        EXPECT_EQ(IniSummary("cockpit.ini", ReadIniSections(file.text)), file.summary);

    const auto sections = ReadIniSections("[Ind Gear]\n[Key0291]\n\n[Key-005]\n[Key0291]\n");
    const struct {
        long id;
        const char* name;
        const char* line;
    } controls[] = {
        {291, "cockpit.ini", "Key0291: in cockpit.ini, line 2"},  // the first of two
        {-5, "cockpit.ini", "Key-005: in cockpit.ini, line 4"},
        {7,
         "h\xc3\xbc"
         "b.ini",
         "Key0007: not in h\xc3\xbc"
         "b.ini yet"},
        {12345, "cockpit.ini", "Key12345: not in cockpit.ini yet"},
        {291, "", "Key0291: no ini file chosen"},
    };
    for (const auto& control : controls)
        EXPECT_EQ(DescribedLine(control.id, control.name, sections), control.line) << control.id;
}

TEST(IniFile, RepeatsAreNamedBeforeWriting) {
    const std::string tail =
        "\nReplace: the new sections take the place of the old ones (the last one where the "
        "result holds a section more than once); the rest of cockpit.ini stays as it is, and "
        "the file as it was is kept as cockpit.ini.bak.\nAppend anyway: the whole result is "
        "added at the end.";
    std::string many;
    for (int id = 1; id <= 10; ++id) many += ControlHeader(id) + "\n" + ControlHeader(id) + "\n";
    const struct {
        const char* what;
        std::string file, result;
        std::string question;  // empty: no repeats, nothing is asked
    } rows[] = {
        {"no repeats", "[Key0001]\n[Ind Gear]\n", "[Key0002]\n[Ind Flaps]\n[Key0001x]\n", ""},
        {"in the file, in the result twice, both",
         "[Ind Gear]\n[Key0291]\n; a\n[Ind Gear]\n[Key0002]\n",
         "[Key0017]\n[Key0291]\n[Key0017]\n[Ind Gear]\n[Key0003]\n[Ind Gear]\n",
         "Some sections of the result would be in cockpit.ini twice:\n"
         "[Key0017]: the result holds it 2 times\n"
         "[Key0291]: cockpit.ini has it at line 2\n"
         "[Ind Gear]: cockpit.ini has it at lines 1 and 4; the result holds it 2 times\n" +
             tail},
        {"past eight, how many more", "[Key0004]\n[Key0004]\n[Key0004]\n", many,
         "Some sections of the result would be in cockpit.ini twice:\n"
         "[Key0001]: the result holds it 2 times\n"
         "[Key0002]: the result holds it 2 times\n"
         "[Key0003]: the result holds it 2 times\n"
         "[Key0004]: cockpit.ini has it at lines 1, 2 and 3; the result holds it 2 times\n"
         "[Key0005]: the result holds it 2 times\n"
         "[Key0006]: the result holds it 2 times\n"
         "[Key0007]: the result holds it 2 times\n"
         "[Key0008]: the result holds it 2 times\n"
         "and 2 more\n" +
             tail},
    };
    for (const auto& row : rows) {
        const auto repeats = FindRepeats(ReadIniSections(row.file), ReadIniSections(row.result));
        EXPECT_EQ(repeats.empty() ? "" : RepeatQuestion("cockpit.ini", repeats), row.question)
            << row.what;
    }
}

TEST(IniFile, ReplacingSwapsExactlyTheOldSections) {
    const LineEnds crlf = LineEnds::kCrLf, lf = LineEnds::kLf;
    const struct {
        const char* what;
        std::string file, result;
        LineEnds ends;
        std::string content;
        int replaced, appended;
    } rows[] = {
        {"from the header to the next section's comment block; the file's comment stays",
         "; top\r\n\r\n# about A\r\n[Key0001]\r\nmode: old\r\n\r\n# about B\r\n[Key0002]\r\nb\r\n",
         "[Key0001]\r\nmode: new\r\n\r\n", crlf,
         "; top\r\n\r\n# about A\r\n[Key0001]\r\nmode: new\r\n\r\n# about B\r\n[Key0002]\r\nb\r\n",
         1, 0},
        {"new remarks take the place of the old comment block",
         "; top\r\n\r\n# about A\r\n[Key0001]\r\nmode: old\r\n\r\n# about B\r\n[Key0002]\r\nb\r\n",
         "#####\r\n# new\r\n#####\r\n[Key0001]\r\nmode: new\r\n\r\n", crlf,
         "; top\r\n\r\n#####\r\n# new\r\n#####\r\n[Key0001]\r\nmode: new\r\n\r\n# about "
         "B\r\n[Key0002]\r\nb\r\n",
         1, 0},
        {"blank lines and a parted comment go with the old section",
         "[Key0001]\nx: 1\n; x: 0\n\n\n[Key0002]\ny\n", "[Key0001]\nx: 2\n\n", lf,
         "[Key0001]\nx: 2\n\n[Key0002]\ny\n", 1, 0},
        {"the last section without a line end; a new one added", "[Ind A]\npos: 1\n[Key0001]\nx: 1",
         "[Key0001]\nx: 2\n\n[Key0009]\nz\n\n", lf,
         "[Ind A]\npos: 1\n[Key0001]\nx: 2\n\n[Key0009]\nz\n\n", 1, 1},
        {"a new last line without its end does not join the next header",
         "[Key0001]\nx: 1\n[Key0002]\n", "[Key0001]\nx: 2", lf, "[Key0001]\nx: 2\n[Key0002]\n", 1,
         0},
        {"the last of the result's two, in the place of the file's first of two",
         "[Key0001]\na\n[Key0001]\nb\n", "[Key0001]\nc\n[Key0001]\nd\n", lf,
         "[Key0001]\nd\n[Key0001]\nb\n", 1, 0},
        {"other bytes and line ends stay; the new section has the chosen ones",
         "; H\xf6he\r\n[Ind H\xf6he]\r\nx\r\n[Key0001]\r\ny\r\n", "[Key0001]\r\nz\r\n", lf,
         "; H\xf6he\r\n[Ind H\xf6he]\r\nx\r\n[Key0001]\nz\n", 1, 0},
        {"the result's text before its first section goes to the end", "[Key0001]\nx\n",
         "stray\n\n[Key0001]\ny\n", lf, "[Key0001]\ny\nstray\n\n", 1, 0},
        {"an unfinished last line gets its end before what is added", "[Key0001]\nx",
         "[Key0002]\ny\n", lf, "[Key0001]\nx\n[Key0002]\ny\n", 0, 1},
        {"an empty file", "", "[Key0001]\nx\n", crlf, "[Key0001]\r\nx\r\n", 0, 1},
    };
    for (const auto& row : rows) {
        const Replacement done = ReplaceSections(row.file, row.result, row.ends);
        EXPECT_EQ(done.content, row.content) << row.what;
        EXPECT_EQ(done.replaced, row.replaced) << row.what;
        EXPECT_EQ(done.appended, row.appended) << row.what;
    }
}

// On disk: the file as it was goes to the .bak, the file stays what it was
// (its permissions, a link stays a link), a missing file is made, and a .bak
// that cannot be written leaves the file alone.
TEST(IniFile, ReplacingOnDiskKeepsTheOldFileAndWhatTheFileIs) {
#ifdef _WIN32
    GTEST_SKIP() << "permission bits and links: the Windows side's own test covers what it keeps";
#endif
    namespace fs = std::filesystem;
    const TempFolder folder;
    const std::string old = "[Key0001]\r\nx: 1\r\n";
    const std::string target = folder.Write("real/panel.ini", old);
    chmod(target.c_str(), 0640);
    const std::string link = folder.Link(target, "cockpit.ini");
    Replacement done;
    std::string error, text;
    ASSERT_TRUE(ReplaceSectionsInFile(link, "[Key0001]\nx: 2\n", LineEnds::kCrLf, &done, &error))
        << error;
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ((fs::status(target).permissions() & fs::perms::all),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    ASSERT_TRUE(ReadWholeFile(target, &text));
    EXPECT_EQ(text, "[Key0001]\r\nx: 2\r\n");
    ASSERT_TRUE(ReadWholeFile(link + ".bak", &text));
    EXPECT_EQ(text, old);

    const std::string fresh = folder / "new.ini";
    ASSERT_TRUE(
        ReplaceSectionsInFile(fresh, "[Key0002]\n[Key0002]\ny\n", LineEnds::kLf, &done, &error))
        << error;
    ASSERT_TRUE(ReadWholeFile(fresh, &text));
    EXPECT_EQ(text, "[Key0002]\ny\n");
    EXPECT_FALSE(fs::exists(fresh + ".bak"));

    fs::remove(link + ".bak");
    folder.Folder("cockpit.ini.bak");  // in the way, even of the superuser
    EXPECT_FALSE(ReplaceSectionsInFile(link, "[Key0001]\nx: 3\n", LineEnds::kLf, &done, &error));
    EXPECT_EQ(error, "could not keep the file as it was in " + link + ".bak: Is a directory");
    ASSERT_TRUE(ReadWholeFile(target, &text));
    EXPECT_EQ(text, "[Key0001]\r\nx: 2\r\n");
}

}  // namespace
