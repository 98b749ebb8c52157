#include "device/OutputFrames.h"

#include "ini/SectionText.h"

#include <wx/strconv.h>

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Leading blanks, an optional sign and digits, read as the C library's
// strtol / atoi do. The magnitude saturates just past the 32-bit range so
// that the callers can tell an overflow without any undefined arithmetic.
struct ScannedInteger {
    bool negative = false;
    std::int64_t magnitude = 0;  // at most 2^31 + 1
    bool hasDigits = false;
    std::size_t end = 0;  // index just past the last character read
};

ScannedInteger ScanInteger(const std::string& text) {
    constexpr std::int64_t kSaturated = std::int64_t{1} << 32;
    ScannedInteger scan;
    std::size_t i = 0;
    while (i < text.size() && IsBlank(text[i])) ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        scan.negative = text[i] == '-';
        ++i;
    }
    while (i < text.size() && IsDigit(text[i])) {
        scan.hasDigits = true;
        scan.magnitude = std::min(kSaturated, scan.magnitude * 10 + (text[i] - '0'));
        ++i;
    }
    scan.end = scan.hasDigits ? i : 0;
    return scan;
}

// The signed value of a scan, clamped to the 32-bit range as the C library
// of a 32-bit long does; `inRange` tells whether clamping was needed.
int ClampedValue(const ScannedInteger& scan, bool* inRange) {
    const std::int64_t value = scan.negative ? -scan.magnitude : scan.magnitude;
    const std::int64_t clamped = std::clamp<std::int64_t>(value, INT32_MIN, INT32_MAX);
    if (inRange) *inRange = clamped == value;
    return static_cast<int>(clamped);
}

// atoi: as much of a number as the text starts with, 0 when none.
int ReadLeadingInt(const std::string& text) { return ClampedValue(ScanInteger(text), nullptr); }

void FillNumeric(int device, int position, int length, const std::string& text,
                 char (&segment)[kSegmentFrameSize]) {
    if (device < 0 || device >= kUnitCount || position < 0 || position >= kUnitLength) return;
    const long long n = std::min<long long>(static_cast<long long>(text.size()), length);
    if (n < 1 || n > kUnitLength) return;
    const int first = DisplayCharIndex(device, position);
    // Characters running past position 7 go on into unit device - 1; past
    // unit 0 there is no display left, and those characters are dropped
    // rather than written over the closing brace and beyond.
    const int count = std::min<int>(static_cast<int>(n), kDisplayChars - first);
    std::memcpy(segment + kFrameHeaderSize + first, text.data(), count);
}

void FillDiscrete(int position, const std::string& text, char (&led)[kLedFrameSize]) {
    if (position < 0 || position >= kOutputCount) return;
    const int value = ReadLeadingInt(text);
    led[kFrameHeaderSize + position] = (value % 2 != 0) ? '1' : '0';
}

}  // namespace

void FillOutputFrames(const OutputTestInput& input, char (&segment)[kSegmentFrameSize],
                      char (&led)[kLedFrameSize]) {
    const int device = ReadInt(input.device);
    const int position = ReadInt(input.position);
    const int length = ReadInt(input.length);
    switch (input.indicationType) {
        case 0:
            FillNumeric(device, position, length, input.testText, segment);
            break;
        case 1:
            FillDiscrete(position, input.testText, led);
            break;
        default:
            break;
    }
}

void ClearOutputFrames(char (&segment)[kSegmentFrameSize], char (&led)[kLedFrameSize]) {
    std::memset(segment + kFrameHeaderSize, ' ', kDisplayChars);
    std::memset(led + kFrameHeaderSize, '0', kOutputCount);
}

wxString DisplayCharText(char byte) {
    const unsigned char code = static_cast<unsigned char>(byte);
    if (code >= 128) {
        const wxString converted(&byte, wxConvLibc, 1);
        if (converted.length() == 1) return converted;
    }
    return wxString(wxUniChar(static_cast<unsigned>(code)));
}
