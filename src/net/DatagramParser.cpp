#include "net/DatagramParser.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

void AssembleDatagram(UdpMessageState& state, const char* data, int count, UdpStreamSink& sink) {
    for (int i = 0; i < count; ++i) {
        const char byte = data[i];
        if (byte == '{') {
            state.length = 0;
        } else if (byte == '}') {
            // The fill position may sit one behind the last character (after
            // a full text) but never beyond the terminator slot.
            state.buffer[state.length] = '\0';
            if (state.length < UdpMessageState::kCapacity) ++state.length;
            sink.OnMessage(state.buffer);
        } else if (byte == '!') {
            sink.OnAcknowledgement();
        } else if (state.length < UdpMessageState::kCapacity) {
            state.buffer[state.length++] = byte;
        }
    }
}

namespace {

// Reads `digits` characters of `text` from `start` the way "%x" reads them
// when they are all it is given: leading blanks skipped, 0 when no
// hexadecimal number starts there.
int ReadHexField(const char* text, int start, int digits) {
    char field[8] = {};
    std::memcpy(field, text + start, static_cast<std::size_t>(digits));
    unsigned int number = 0;
    if (std::sscanf(field, "%x", &number) != 1) return 0;
    return static_cast<int>(number);
}

struct BodyLayout {
    int length;
    int idDigits;
    int valueDigits;
};

constexpr BodyLayout kBodies[] = {
    {3, 2, 0}, {4, 3, 0}, {5, 4, 0}, {7, 2, 4}, {8, 3, 4}, {9, 4, 4},
};

}  // namespace

UdpMessage DecodeUdpMessage(const char* text) {
    UdpMessage message;
    const std::size_t length = std::strlen(text);
    message.source = ReadHexField(text, 0, length < 2 ? static_cast<int>(length) : 2);
    if (length < 2) return message;

    const char* body = text + 2;
    const int bodyLength = static_cast<int>(length - 2);
    for (const BodyLayout& layout : kBodies) {
        if (layout.length != bodyLength) continue;
        message.decoded = true;
        message.type = ReadHexField(body, 0, 1);
        message.id = ReadHexField(body, 1, layout.idDigits);
        if (layout.valueDigits > 0)
            message.value = ReadHexField(body, 1 + layout.idDigits, layout.valueDigits);
        break;
    }
    return message;
}

long LeadingNumber(const std::string& text) { return std::strtol(text.c_str(), nullptr, 10); }

bool EventFilterHides(const std::string& eventFilter, int id) {
    return !eventFilter.empty() && id != LeadingNumber(eventFilter);
}

UdpEventView ViewUdpMessage(const UdpMessage& message, const UdpDisplayContext& context) {
    UdpEventView view;
    if (message.source != context.idFilter) return view;
    view.accepted = true;
    view.device = message.source;
    if (!message.decoded) return view;

    const bool numeric = message.type == 10;
    if (context.page == 0 && !numeric) {
        view.page = UdpEventPage::Discrete;
    } else if (context.page == 1 && numeric) {
        view.page = UdpEventPage::Numeric;
        view.valueFiltered = EventFilterHides(context.eventFilter, message.id);
    } else {
        return view;
    }
    view.id = message.id;
    view.value = message.value;
    return view;
}
