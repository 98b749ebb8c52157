// Filling the output test frames from arbitrary field texts: nothing is
// written outside the display characters and output states, the headers,
// closing braces and NULs stay, and every written byte is a test text
// character or an output state.
//
// Input: byte 0 the indication type (mod 3: numeric, discrete, none), then
// the device, position, length and test texts separated by NUL bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "device/OutputFrames.h"

namespace {

void Check(bool condition) {
    if (!condition) std::abort();
}

std::string NextField(const std::uint8_t*& data, const std::uint8_t* end) {
    const std::uint8_t* stop = static_cast<const std::uint8_t*>(std::memchr(data, 0, end - data));
    if (!stop) stop = end;
    std::string field(reinterpret_cast<const char*>(data), stop - data);
    data = stop == end ? end : stop + 1;
    return field;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const std::uint8_t* end = data + size;
    const int type = data[0] % 3 == 2 ? -1 : data[0] % 3;
    ++data;
    OutputTestInput input;
    input.device = NextField(data, end);
    input.position = NextField(data, end);
    input.length = NextField(data, end);
    input.testText = NextField(data, end);
    input.indicationType = type;

    // Own allocations, so that the sanitizer sees any write past either frame.
    auto segment = std::make_unique<char[][kSegmentFrameSize]>(1);
    auto led = std::make_unique<char[][kLedFrameSize]>(1);
    std::memset(segment[0], '.', kSegmentFrameSize);
    std::memcpy(segment[0], "{7SG", 4);
    segment[0][132] = '}';
    segment[0][133] = '\0';
    std::memset(led[0], '.', kLedFrameSize);
    std::memcpy(led[0], "{LED", 4);
    led[0][68] = '}';
    led[0][69] = '\0';

    FillOutputFrames(input, segment[0], led[0]);

    Check(std::memcmp(segment[0], "{7SG", 4) == 0 && segment[0][132] == '}' &&
          segment[0][133] == '\0');
    Check(std::memcmp(led[0], "{LED", 4) == 0 && led[0][68] == '}' && led[0][69] == '\0');
    int segmentChanges = 0;
    for (int i = 4; i < 132; ++i) {
        if (segment[0][i] == '.') continue;
        ++segmentChanges;
        Check(input.testText.find(segment[0][i]) != std::string::npos);
    }
    int ledChanges = 0;
    for (int i = 4; i < 68; ++i) {
        if (led[0][i] == '.') continue;
        ++ledChanges;
        Check(led[0][i] == '0' || led[0][i] == '1');
    }
    Check(segmentChanges <= 8 && ledChanges <= 1);
    Check(type == 0 || segmentChanges == 0);
    Check(type == 1 || ledChanges == 0);

    ClearOutputFrames(segment[0], led[0]);
    Check(segment[0][132] == '}' && led[0][68] == '}');
    return 0;
}
