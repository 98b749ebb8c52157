// Event messages that arrive over UDP: "{", a two-digit hexadecimal source
// number and a board message body, "}". The bytes of successive datagrams form
// one stream; a message may be split over datagrams and a datagram may carry
// several messages. Everything here is plain data, free of any window, so the
// window handler only reads its fields, calls these and writes the result.
#pragma once

#include <string>

// Assembly state of the UDP byte stream, kept across datagrams and across
// stopping and starting the server.
struct UdpMessageState {
    static constexpr int kCapacity = 1000;  // characters of one message text
    char buffer[kCapacity + 1] = {};        // the text and its terminator
    int length = 0;                         // fill position, 0..kCapacity
};

// One message as decoded from its text.
struct UdpMessage {
    int source = 0;        // the first two characters read as "%x"
    bool decoded = false;  // the body had 3, 4, 5, 7, 8 or 9 characters
    int type = 0;
    int id = 0;
    int value = 0;
};

// Where one accepted message shows, besides the Device box.
enum class UdpEventPage { None, Discrete, Numeric };

// What the window reads at the moment a message is processed.
struct UdpDisplayContext {
    long idFilter = 0;        // "ID filter" read as a leading decimal number
    int page = 0;             // the notebook page shown
    std::string eventFilter;  // "Event filter" text (NumCtrls page)
};

// The visible effects of one message.
struct UdpEventView {
    bool accepted = false;  // false: another source; nothing changes at all
    int device = 0;         // the Device box, for every accepted message
    UdpEventPage page = UdpEventPage::None;
    int id = 0;
    int value = 0;
    bool valueFiltered = false;  // "Current value" shows "-----"
};

// Receives what the byte stream carries, in order.
class UdpStreamSink {
public:
    virtual ~UdpStreamSink() = default;
    virtual void OnAcknowledgement() = 0;          // a "!" byte
    virtual void OnMessage(const char* text) = 0;  // a "}" byte, with the text it closes
};

// Works through the bytes of one datagram in order. "{" empties the buffer;
// "}" ends the text with a terminator, moves past it and hands the text up to
// the first terminator to the sink; "!" is an acknowledgement and not stored;
// any other byte is stored while there is room and dropped otherwise.
//
// Because "}" moves past its terminator, a second "}" without a "{" hands
// over the same text again, and bytes between them are stored behind the
// terminator where no text sees them. At the end of the buffer "}" still ends
// and hands over the text, but the fill position stays at the last slot, so
// no number of "}" bytes can move it beyond the buffer.
void AssembleDatagram(UdpMessageState& state, const char* data, int count, UdpStreamSink& sink);

// Decodes a message text: the source from its first two characters (a text
// of fewer characters gives what those read as), and the body after them by
// its length, each field read by "%x" from exactly its own digits:
//   3: T II       4: T III       5: T IIII
//   7: T II VVVV  8: T III VVVV  9: T IIII VVVV
// Bodies of other lengths are not decoded.
UdpMessage DecodeUdpMessage(const char* text);

// The number at the start of a typed text, base 10, as the C library's strtol
// reads it (leading blanks and a sign allowed, trailing text ignored); 0 when
// the text does not begin with a number.
long LeadingNumber(const std::string& text);

// "Current value" is hidden when the "Event filter" holds any text and the id
// differs from the number at its start.
bool EventFilterHides(const std::string& eventFilter, int id);

// Applies the source filter and the page rules to one decoded message.
UdpEventView ViewUdpMessage(const UdpMessage& message, const UdpDisplayContext& context);
