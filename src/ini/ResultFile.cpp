#include "ini/ResultFile.h"

namespace {

const char* LineEndText(LineEnds ends) { return ends == LineEnds::kCrLf ? "\r\n" : "\n"; }

}  // namespace

std::string WithLineEnds(const std::string& text, LineEnds ends) {
    std::string out;
    out.reserve(text.size() + text.size() / 16);
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            out += LineEndText(ends);
            ++i;
        } else if (text[i] == '\n') {
            out += LineEndText(ends);
        } else {
            out += text[i];
        }
    }
    return out;
}

std::string TextToAppend(const std::string& text, LineEnds ends, int lastByte) {
    std::string out = WithLineEnds(text, ends);
    if (lastByte >= 0 && lastByte != '\n' && !out.empty()) out.insert(0, LineEndText(ends));
    return out;
}

bool AppendResultToFile(const std::string& path, const std::string& text, LineEnds ends,
                        std::string* error) {
    return AppendToFile(
        path, [&](int lastByte) { return TextToAppend(text, ends, lastByte); }, error);
}

std::string KeptStateFolder() { return PathInFolder(UserStateFolder(), "BrantleConfigHelper"); }
