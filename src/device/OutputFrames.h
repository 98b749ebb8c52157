// The two output test frames: putting the test value of the Indication page
// into them, clearing them, and where each byte shows in the page grids.
// Plain functions over the buffers passed in, so they can be tested without
// a window.
#pragma once

#include <wx/string.h>

#include <string>

constexpr int kSegmentFrameSize = 134;  // 7SG frame (133 bytes) and a NUL
constexpr int kLedFrameSize = 70;       // LED frame (69 bytes) and a NUL
constexpr int kFrameHeaderSize = 4;
constexpr int kDisplayChars = 128;  // 16 units of 8 characters
constexpr int kUnitCount = 16;
constexpr int kUnitLength = 8;
constexpr int kOutputCount = 64;

// What the fill step reads from the Indication page.
struct OutputTestInput {
    std::string device;    // "*Device:" text
    std::string position;  // "**Position:" text
    std::string length;    // "Length:" text
    int indicationType;    // "Indication type" selection: 0 numeric, 1 discrete, else none
    std::string testText;  // "Data for indic. test", already in 8-bit characters
};

// Display character k (0..127) of unit `unit`, position `position`.
inline int DisplayCharIndex(int unit, int position) {
    return kUnitLength * (kUnitCount - 1 - unit) + position;
}

// Puts the test value into the frames: a numeric value into the display
// characters, a discrete value into one output state. Input that names no
// valid place leaves both frames unchanged.
void FillOutputFrames(const OutputTestInput& input, char (&segment)[kSegmentFrameSize],
                      char (&led)[kLedFrameSize]);

// Blanks every display character and switches every output state off; the
// headers and closing braces are left as they are.
void ClearOutputFrames(char (&segment)[kSegmentFrameSize], char (&led)[kLedFrameSize]);

struct GridCell {
    int row;
    int column;
};

// Cell of the "AlphNum Indic" grid that shows display character k.
inline GridCell SegmentGridCell(int k) { return {k / kUnitLength, k % kUnitLength}; }

// Cell of the "Discrete Indic" grid that shows output state i.
inline GridCell LedGridCell(int i) { return {i / 10, i % 10}; }

// One-character text of a display byte. Bytes from 128 up are read as a
// character of the C library's code page; where that code page has no
// single-byte character for it (a multibyte code page such as UTF-8), the
// byte is shown as the Latin-1 character of the same number, so every byte
// shows as exactly one character and none turns into an invalid string.
wxString DisplayCharText(char byte);

// "1" when the lowest bit of the state byte is set, else "0".
inline const char* LedStateText(char state) { return (state & 1) ? "1" : "0"; }
