#include "console/ConsoleFormat.h"

#include <algorithm>
#include <cstdint>
#include <utility>

std::string AnsiColourParameter(int attribute) {
    const int fg = attribute & 0x0F;
    if (fg == kColourNormal) return "";
    // Console attributes put blue in bit 0 and red in bit 2; ANSI colour
    // numbers are the other way round.
    const int ansi = ((fg & 4) ? 1 : 0) | ((fg & 2) ? 2 : 0) | ((fg & 1) ? 4 : 0);
    return std::to_string(((fg & 8) ? 90 : 30) + ansi);
}

std::string ConsoleStdoutText(int colour, const std::string& text, bool ansi) {
    const std::string parameter = ansi ? AnsiColourParameter(colour) : std::string();
    if (parameter.empty() || text.empty()) return text;
    std::string out = "\x1b[" + parameter + "m";
    const bool endsLine = text.back() == '\n';
    out.append(text, 0, text.size() - (endsLine ? 1 : 0));
    out += "\x1b[0m";
    if (endsLine) out += '\n';
    return out;
}

std::uint32_t ConsoleColourRgb(int attribute) {
    const int fg = attribute & 0x0F;
    if (fg == 7) return 0xC0C0C0;  // the palette's light grey is not half of white
    if (fg == 8) return 0x808080;
    const std::uint32_t level = (fg & 8) ? 0xFF : 0x80;
    return ((fg & 4) ? level << 16 : 0) | ((fg & 2) ? level << 8 : 0) | ((fg & 1) ? level : 0);
}

std::size_t CountLineEnds(const std::string& text) {
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

ConsolePending::ConsolePending(std::size_t maxLines, std::size_t maxBytes)
    : maxLines_(maxLines), maxBytes_(maxBytes) {}

void ConsolePending::Add(int colour, const std::string& text) {
    if (text.empty()) return;
    std::lock_guard<std::mutex> lock(mutex_);
    spans_.push_back(ConsoleSpan{colour, text});
    lines_ += CountLineEnds(text);
    bytes_ += text.size();
    while (lines_ > maxLines_ || (bytes_ > maxBytes_ && lines_ > 0)) DropOldestLine();
    if (bytes_ > maxBytes_) {
        // One unfinished line larger than the whole buffer: keep its end.
        std::size_t excess = bytes_ - maxBytes_;
        while (excess > 0) {
            const std::size_t left = spans_.front().text.size() - frontOffset_;
            const std::size_t cut = std::min(left, excess);
            frontOffset_ += cut;
            bytes_ -= cut;
            excess -= cut;
            if (frontOffset_ == spans_.front().text.size()) {
                spans_.pop_front();
                frontOffset_ = 0;
            }
        }
    }
}

void ConsolePending::DropOldestLine() {
    // Called with lines_ > 0, so a line end is ahead.
    for (;;) {
        const std::string& front = spans_.front().text;
        const std::size_t end = front.find('\n', frontOffset_);
        const std::size_t stop = end == std::string::npos ? front.size() : end + 1;
        bytes_ -= stop - frontOffset_;
        frontOffset_ = stop;
        if (frontOffset_ == front.size()) {
            spans_.pop_front();
            frontOffset_ = 0;
        }
        if (end != std::string::npos) break;
    }
    --lines_;
    ++dropped_;
}

std::vector<ConsoleSpan> ConsolePending::Take(std::size_t maxLines) {
    std::deque<ConsoleSpan> taken;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (lines_ <= maxLines) {
            taken.swap(spans_);
            if (!taken.empty() && frontOffset_ > 0) taken.front().text.erase(0, frontOffset_);
            frontOffset_ = 0;
            lines_ = 0;
            bytes_ = 0;
        } else {
            // Whole spans while they end within the lines wanted, then the
            // head of the span that holds the last wanted line end.
            std::size_t wanted = maxLines;
            while (wanted > 0) {
                ConsoleSpan& front = spans_.front();
                const std::size_t ends = std::count(front.text.begin() + frontOffset_, front.text.end(), '\n');
                if (ends < wanted || (ends == wanted && front.text.back() == '\n')) {
                    if (frontOffset_ > 0) front.text.erase(0, frontOffset_);
                    bytes_ -= front.text.size();
                    taken.push_back(std::move(front));
                    spans_.pop_front();
                    frontOffset_ = 0;
                    wanted -= ends;
                    lines_ -= ends;
                } else {
                    std::size_t stop = frontOffset_;
                    for (std::size_t n = 0; n < wanted; ++n) stop = front.text.find('\n', stop) + 1;
                    taken.push_back(ConsoleSpan{front.colour, front.text.substr(frontOffset_, stop - frontOffset_)});
                    bytes_ -= stop - frontOffset_;
                    frontOffset_ = stop;
                    lines_ -= wanted;
                    wanted = 0;
                }
            }
        }
    }
    // Merged outside the lock: the printing threads wait only for the cut.
    std::vector<ConsoleSpan> runs;
    for (ConsoleSpan& span : taken) {
        if (span.text.empty()) continue;
        if (!runs.empty() && runs.back().colour == span.colour) {
            runs.back().text += span.text;
        } else {
            runs.push_back(std::move(span));
        }
    }
    return runs;
}

std::vector<ConsoleSpan> ConsolePending::Snapshot() const {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<ConsoleSpan> copy(spans_.begin(), spans_.end());
    if (!copy.empty() && frontOffset_ > 0) copy.front().text.erase(0, frontOffset_);
    return copy;
}

std::size_t ConsolePending::PendingLines() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return lines_;
}

std::size_t ConsolePending::PendingBytes() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return bytes_;
}

std::size_t ConsolePending::DroppedLines() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return dropped_;
}
