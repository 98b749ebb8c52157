#include "ini/ReadingNotes.h"

#include <charconv>

namespace {

// The value used, as short as it reads: the defaults are 0 and 1.
std::string UsedText(double value) {
    char buf[32];
    const auto written = std::to_chars(buf, buf + sizeof buf, value);
    return std::string(buf, written.ptr);
}

// The text as typed, cut after `limit` characters (UTF-8 code points) so
// that a pasted page does not become the message.
std::string Quoted(const std::string& text, std::size_t limit) {
    std::size_t chars = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) continue;
        if (chars++ == limit) return '"' + text.substr(0, i) + "\xe2\x80\xa6\"";  // "…"
    }
    return '"' + text + '"';
}

}  // namespace

const char* UnreadText(Unread why) {
    switch (why) {
        case Unread::kEmpty:
            return "is empty";
        case Unread::kNotWhole:
            return "is not a whole number";
        case Unread::kNotNumber:
            return "is not a number";
        case Unread::kOutOfRange:
            return "is out of range";
    }
    return "";
}

std::optional<std::string> FieldNote(const std::string& caption, const std::string& text,
                                     const FieldRule& rule) {
    const std::optional<Unread> why = WhyUnread(rule.number, text);
    if (!why || (*why == Unread::kEmpty && rule.whenEmpty == nullptr)) return std::nullopt;
    const std::string outcome =
        *why == Unread::kEmpty ? rule.whenEmpty : UsedText(rule.fallback) + " used";
    return caption + ' ' + Quoted(text, kQuotedChars) + ' ' + UnreadText(*why) + ": " + outcome;
}

std::string JoinNotes(const std::vector<std::string>& notes) {
    std::string line;
    for (const std::string& note : notes) line += (line.empty() ? "" : "; ") + note;
    return line;
}

void NotedReader::Note(const char* caption, const std::string& text, const FieldRule& rule) {
    if (notes_ == nullptr) return;
    if (std::optional<std::string> note = FieldNote(caption, text, rule))
        notes_->push_back(std::move(*note));
}

std::int32_t NotedReader::Int(const char* caption, const std::string& text, const char* whenEmpty) {
    Note(caption, text, {NumberRule::kInt, 0.0, whenEmpty});
    return ReadInt(text);
}

std::uint32_t NotedReader::Unsigned(const char* caption, const std::string& text) {
    Note(caption, text, {NumberRule::kUnsigned, 0.0});
    return ReadUnsigned(text);
}

double NotedReader::Real(const char* caption, const std::string& text, double fallback) {
    Note(caption, text, {NumberRule::kReal, fallback});
    return ReadReal(text, fallback);
}

bool NotedReader::Empty(const char* caption, const std::string& text, const char* outcome) {
    if (!text.empty()) return false;
    Note(caption, text, {NumberRule::kReal, 0.0, outcome});
    return true;
}
