// The text protocol of the hub board, without any window: assembling the
// board's braced messages from the byte stream and decoding them.
//
// Board to program: "{" + 3, 4, 7 or 8 hexadecimal digits + "}", and the
// acknowledgement byte "!". Program to board: "{DET}" and the two output
// frames (their headers are below).
#pragma once

#include <cstdint>

// Frame headers and lengths of what the program sends.
constexpr const char kDetectRequest[] = "{DET}";
constexpr int kDetectRequestLength = 5;
constexpr const char kSegmentHeader[] = "{7SG";
constexpr int kSegmentFrameLength = 133;  // "{7SG", 128 characters, "}"
constexpr const char kLedHeader[] = "{LED";
constexpr int kLedFrameLength = 69;  // "{LED", 64 states, "}"

// Board message types.
constexpr unsigned kDetectResponseType = 15;
constexpr unsigned kNumericEventType = 10;

// One decoded board message.
struct BoardMessage {
    unsigned type = 0;   // 0..15 (more only for a text with a minus sign)
    unsigned id = 0;     // 8 or 12 bits
    unsigned value = 0;  // 0..65535, 0 in the short forms
};

// Reads `text` (NUL-terminated) as the C library's scanf "%X" does into an
// unsigned 32-bit number: leading blanks, an optional sign and "0x" prefix,
// then the leading hexadecimal digits; 0 when there are none.
std::uint32_t ReadHexNumber(const char* text);

// Decodes a message text of `length` characters (NUL-terminated at `length`).
// Only the 3-, 4-, 7- and 8-character forms carry a type, id and value; for
// any other length the result is false and `message` is left alone.
bool DecodeBoardMessage(const char* text, int length, BoardMessage* message);

// The board id when `data` holds nothing but one or more whole detect
// answers ("{" + text + "}" each, as the assembler reads them from a fresh
// "{"), all with the same id; -1 for anything else. Such bytes change nothing
// on screen while that id is shown as connected.
int WholeDetectAnswersId(const char* data, int count);

// Collects the bytes of board messages across reads. Only "{" starts a
// message afresh; "}" ends one but keeps its characters, so bytes that follow
// a "}" are appended to them until the next "{".
class MessageAssembler {
  public:
    static constexpr int kCapacity = 1000;

    enum class Item {
        None,     // the byte was stored, dropped or started a message
        Message,  // a "}": Text() and Length() hold the message
        Ack,      // a "!": acknowledgement, not stored
    };

    Item Take(char byte);

    // The message text of the last Item::Message, NUL-terminated.
    const char* Text() const { return buffer_; }
    int Length() const { return length_; }

  private:
    char buffer_[kCapacity + 1] = {};
    int length_ = 0;
};
