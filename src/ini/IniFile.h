// The ini file the results go to, as plain code over its bytes: the sections
// it holds with the line of each header, what the window says about it, the
// sections a result would repeat, and putting a result's sections in the
// place of the file's own. The bytes are taken as they are (CR LF or LF, a
// missing last line end, text in any code page); nothing here rewrites a
// byte it was not asked to replace.
//
// Where a section begins and ends: a section is its header line, the lines
// after it up to the next section, and the comment lines (";" or "#")
// directly above its header, with no blank line between, for those describe
// it (the comment block the composers write above a section is such a one).
// So blank lines, and comments that a blank line parts from the next header,
// stay with the section before: the text between two headers belongs to the
// upper one, except the comment block that sits on the lower one. Text
// before the first section belongs to none.
#pragma once

#include <string>
#include <vector>

#include "ini/ResultFile.h"  // LineEnds

struct IniSection {
    std::string header;        // "[Key0291]": the line from "[" to "]"
    int line = 0;              // of the header, counted from 1
    std::size_t begin = 0;     // where the section begins: its comment block, or its header
    std::size_t headerAt = 0;  // where its header line begins
    std::size_t end = 0;       // where the next section begins, or the end of the text
};

// The sections of `text` in file order. A header line holds "[", a name and
// "]", with blanks around it and a comment after it allowed.
std::vector<IniSection> ReadIniSections(const std::string& text);

// "[Key0291]" for the control with event id 291 (as the composers head it).
std::string ControlHeader(long id);

// "1 control section", "42 control sections".
std::string Counted(std::size_t count, const char* what);

// What the line under the result box says of a file called `name` that holds
// `sections`: "cockpit.ini: 42 control sections, 17 indication sections",
// and how many others when it holds any.
std::string IniSummary(const std::string& name, const std::vector<IniSection>& sections);

// Whether the control with event id `id` has a section in the file called
// `name`: "Key0291: in cockpit.ini, line 120" (its first one) or
// "Key0291: not in cockpit.ini yet"; an empty name: no file is chosen.
std::string DescribedLine(long id, const std::string& name,
                          const std::vector<IniSection>& sections);

// A header that a save would repeat: the file has it already, or the result
// holds it more than once.
struct RepeatedHeader {
    std::string header;
    std::vector<int> fileLines;  // where the file has it (empty: not in the file)
    int inResult = 0;            // how often the result holds it
};

// The result's headers that the file has already or that the result holds
// more than once, in the order the result has them first.
std::vector<RepeatedHeader> FindRepeats(const std::vector<IniSection>& file,
                                        const std::vector<IniSection>& result);

// The question "Save…" asks before writing such repeats to the file called
// `name` (at most kRepeatsNamed headers are named, then how many more).
constexpr std::size_t kRepeatsNamed = 8;
std::string RepeatQuestion(const std::string& name, const std::vector<RepeatedHeader>& repeats);

// The answers to that question.
enum class RepeatChoice { kReplace, kAppendAnyway, kCancel };

// The file's content after replacing: each section of the result whose
// header the file has takes the place of the file's first section of that
// header; the result's other sections follow at the end of the file, after a
// line end of their own when its last line is unfinished. Of sections the
// result holds more than once, only the last is written. Everything else of
// the file stays byte for byte. The result's text is written with `ends`.
//
// The replaced piece is the old section from its header on, and its comment
// block too when the new section brings one of its own: a comment of the
// file's above a section stays unless new remarks come in its place.
struct Replacement {
    std::string content;
    int replaced = 0;      // sections of the file replaced
    int appended = 0;      // sections added at the end
    bool keptOld = false;  // what the file held is in its .bak (ReplaceSectionsInFile)
};
Replacement ReplaceSections(const std::string& file, const std::string& result, LineEnds ends);

// Replaces the result's sections in the ini file at `path` (ReplaceSections
// on what the file holds at this moment, so that nothing another program
// wrote since it was read is lost). Before the file is replaced, as one
// step, what it held is kept as `path` + ".bak"; a file that does not exist
// is made. False with the reason in `error` (the file is then as it was).
bool ReplaceSectionsInFile(const std::string& path, const std::string& result, LineEnds ends,
                           Replacement* done, std::string* error);
