#include "ini/IniFile.h"

#include <algorithm>
#include <cstdio>
#include <map>

namespace {

enum class LineKind { kBlank, kComment, kHeader, kOther };

struct Line {
    std::size_t at;
    LineKind kind;
    std::string header;  // for kHeader
};

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

// Blanks, a CR before the line end included, end a line's content.
LineKind Classify(const std::string& text, std::size_t from, std::size_t to, std::string* header) {
    while (from < to && IsBlank(text[from])) ++from;
    while (to > from && IsBlank(text[to - 1])) --to;
    if (from == to) return LineKind::kBlank;
    if (text[from] == ';' || text[from] == '#') return LineKind::kComment;
    if (text[from] != '[') return LineKind::kOther;
    const std::size_t close = text.find(']', from);
    if (close == std::string::npos || close >= to) return LineKind::kOther;
    std::size_t after = close + 1;
    while (after < to && IsBlank(text[after])) ++after;
    if (after < to && text[after] != ';' && text[after] != '#') return LineKind::kOther;
    *header = text.substr(from, close + 1 - from);
    return LineKind::kHeader;
}

std::vector<Line> ReadLines(const std::string& text) {
    std::vector<Line> lines;
    std::size_t at = 0;
    // A file saved with a byte order mark still has its first header.
    const std::string bom = "\xef\xbb\xbf";
    const std::size_t skip = text.compare(0, bom.size(), bom) == 0 ? bom.size() : 0;
    while (at < text.size()) {
        std::size_t end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        Line line{at == 0 ? skip : at, LineKind::kBlank, {}};
        line.kind = Classify(text, line.at, end, &line.header);
        lines.push_back(std::move(line));
        at = end + 1;
    }
    return lines;
}

bool IsControlHeader(const std::string& header) {
    std::size_t at = 4;
    if (header.compare(0, at, "[Key") != 0) return false;
    if (at < header.size() && header[at] == '-') ++at;
    const std::size_t digits = at;
    while (at < header.size() && header[at] >= '0' && header[at] <= '9') ++at;
    return at > digits && at + 1 == header.size();
}

bool IsIndicationHeader(const std::string& header) { return header.compare(0, 5, "[Ind ") == 0; }

// "line 4", "lines 4 and 9", "lines 4, 9 and 12".
std::string LinesText(const std::vector<int>& lines) {
    std::string text = lines.size() == 1 ? "line " : "lines ";
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i > 0) text += i + 1 == lines.size() ? " and " : ", ";
        text += std::to_string(lines[i]);
    }
    return text;
}

bool AllBlank(const std::string& text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return IsBlank(c) || c == '\n'; });
}

}  // namespace

std::vector<IniSection> ReadIniSections(const std::string& text) {
    const std::vector<Line> lines = ReadLines(text);
    std::vector<IniSection> sections;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].kind != LineKind::kHeader) continue;
        std::size_t first = i;
        while (first > 0 && lines[first - 1].kind == LineKind::kComment) --first;
        IniSection section;
        section.header = lines[i].header;
        section.line = static_cast<int>(i) + 1;
        section.begin = lines[first].at;
        section.headerAt = lines[i].at;
        if (!sections.empty()) sections.back().end = section.begin;
        sections.push_back(std::move(section));
    }
    if (!sections.empty()) sections.back().end = text.size();
    return sections;
}

std::string ControlHeader(long id) {
    char header[32];
    std::snprintf(header, sizeof header, "[Key%04ld]", id);
    return header;
}

std::string Counted(std::size_t count, const char* what) {
    return std::to_string(count) + " " + what + (count == 1 ? "" : "s");
}

std::string IniSummary(const std::string& name, const std::vector<IniSection>& sections) {
    std::size_t controls = 0, indications = 0;
    for (const IniSection& section : sections) {
        if (IsControlHeader(section.header)) ++controls;
        if (IsIndicationHeader(section.header)) ++indications;
    }
    const std::size_t others = sections.size() - controls - indications;
    return name + ": " + Counted(controls, "control section") + ", " +
           Counted(indications, "indication section") +
           (others > 0 ? ", " + Counted(others, "other section") : "");
}

std::string DescribedLine(long id, const std::string& name,
                          const std::vector<IniSection>& sections) {
    const std::string header = ControlHeader(id);
    const std::string key = header.substr(1, header.size() - 2);
    if (name.empty()) return key + ": no ini file chosen";
    for (const IniSection& section : sections)
        if (section.header == header)
            return key + ": in " + name + ", line " + std::to_string(section.line);
    return key + ": not in " + name + " yet";
}

std::vector<RepeatedHeader> FindRepeats(const std::vector<IniSection>& file,
                                        const std::vector<IniSection>& result) {
    std::vector<RepeatedHeader> repeats;
    std::map<std::string, RepeatedHeader> byHeader;
    std::vector<std::string> order;
    for (const IniSection& section : result) {
        RepeatedHeader& repeat = byHeader[section.header];
        if (repeat.inResult++ == 0) {
            repeat.header = section.header;
            order.push_back(section.header);
        }
    }
    for (const IniSection& section : file) {
        auto found = byHeader.find(section.header);
        if (found != byHeader.end()) found->second.fileLines.push_back(section.line);
    }
    for (const std::string& header : order) {
        const RepeatedHeader& repeat = byHeader[header];
        if (!repeat.fileLines.empty() || repeat.inResult > 1) repeats.push_back(repeat);
    }
    return repeats;
}

std::string RepeatQuestion(const std::string& name, const std::vector<RepeatedHeader>& repeats) {
    std::string text = "Some sections of the result would be in " + name + " twice:\n";
    for (std::size_t i = 0; i < repeats.size() && i < kRepeatsNamed; ++i) {
        const RepeatedHeader& repeat = repeats[i];
        text += repeat.header + ": ";
        if (!repeat.fileLines.empty()) text += name + " has it at " + LinesText(repeat.fileLines);
        if (!repeat.fileLines.empty() && repeat.inResult > 1) text += "; ";
        if (repeat.inResult > 1)
            text += "the result holds it " + std::to_string(repeat.inResult) + " times";
        text += "\n";
    }
    if (repeats.size() > kRepeatsNamed)
        text += "and " + std::to_string(repeats.size() - kRepeatsNamed) + " more\n";
    return text + "\nReplace: the new sections take the place of the old ones (the last one " +
           "where the result holds a section more than once); the rest of " + name +
           " stays as it is, and the file as it was is kept as " + name + ".bak.\n" +
           "Append anyway: the whole result is added at the end.";
}

Replacement ReplaceSections(const std::string& file, const std::string& result, LineEnds ends) {
    const std::string text = WithLineEnds(result, ends);
    const std::vector<IniSection> old = ReadIniSections(file);
    const std::vector<IniSection> fresh = ReadIniSections(text);
    std::map<std::string, std::size_t> lastFresh;
    for (std::size_t i = 0; i < fresh.size(); ++i) lastFresh[fresh[i].header] = i;
    std::map<std::string, const IniSection*> firstOld;
    for (const IniSection& section : old) firstOld.emplace(section.header, &section);

    struct Cut {
        std::size_t from, to;
        std::string text;
    };
    std::vector<Cut> cuts;
    Replacement done;
    // What the result holds before its first section belongs to none: it
    // goes to the end with the new sections, unless it is only blank lines.
    std::string tail = text.substr(0, fresh.empty() ? text.size() : fresh.front().begin);
    if (AllBlank(tail)) tail.clear();
    for (std::size_t i = 0; i < fresh.size(); ++i) {
        const IniSection& section = fresh[i];
        if (lastFresh[section.header] != i) continue;
        std::string piece = text.substr(section.begin, section.end - section.begin);
        const auto found = firstOld.find(section.header);
        if (found == firstOld.end()) {
            tail += piece;
            ++done.appended;
            continue;
        }
        const IniSection& replaced = *found->second;
        const bool ownComment = section.begin < section.headerAt;
        // The next header of the file must not join the new section's last line.
        if (replaced.end < file.size() && !piece.empty() && piece.back() != '\n')
            piece += ends == LineEnds::kCrLf ? "\r\n" : "\n";
        cuts.push_back({ownComment ? replaced.begin : replaced.headerAt, replaced.end, piece});
        ++done.replaced;
    }
    std::sort(cuts.begin(), cuts.end(), [](const Cut& a, const Cut& b) { return a.from < b.from; });
    std::size_t at = 0;
    for (const Cut& cut : cuts) {
        done.content.append(file, at, cut.from - at);
        done.content += cut.text;
        at = cut.to;
    }
    done.content.append(file, at, std::string::npos);
    const int lastByte =
        done.content.empty() ? -1 : static_cast<unsigned char>(done.content.back());
    done.content += TextToAppend(tail, ends, lastByte);
    return done;
}

bool ReplaceSectionsInFile(const std::string& path, const std::string& result, LineEnds ends,
                           Replacement* done, std::string* error) {
    std::string held;
    bool missing = false;
    if (!ReadWholeFile(path, &held, &missing, error)) {
        if (!missing) return false;
        // Nothing to replace in a file that is not there: it is made.
        *done = ReplaceSections(std::string(), result, ends);
        return AppendToFile(
            path, [&](int lastByte) { return TextToAppend(done->content, ends, lastByte); }, error);
    }
    *done = ReplaceSections(held, result, ends);
    std::string why;
    if (!WriteFileAtomically(path + ".bak", held, &why)) {
        if (error) *error = "could not keep the file as it was in " + path + ".bak: " + why;
        return false;
    }
    done->keptOld = true;
    return ReplaceFileContent(path, done->content, error);
}
