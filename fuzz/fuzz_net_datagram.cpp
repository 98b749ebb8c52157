// Assembly, decoding and display rules of UDP event messages over arbitrary
// datagram sequences, ID filters, pages and event filters. The buffer never
// overflows, every text fits the buffer, the fields stay within what their
// digits can hold, and cutting the stream into datagrams anywhere changes
// nothing.
//
// Input: byte 0 the page, byte 1 the ID filter, byte 2 the length of the
// event filter text that follows (0..7), then datagrams, each a length byte
// followed by up to that many bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "net/DatagramParser.h"

namespace {

void Check(bool condition) {
    if (!condition) std::abort();
}

class Recorder : public UdpStreamSink {
public:
    Recorder(const UdpMessageState& state, const UdpDisplayContext& context)
        : state_(state), context_(context) {}

    void OnAcknowledgement() override { events.push_back("!"); }

    void OnMessage(const char* text) override {
        const std::size_t length = std::strlen(text);
        Check(length <= static_cast<std::size_t>(UdpMessageState::kCapacity));
        Check(text == state_.buffer);
        Check(state_.length >= 0 && state_.length <= UdpMessageState::kCapacity);

        const UdpMessage message = DecodeUdpMessage(text);
        const std::size_t body = length < 2 ? 0 : length - 2;
        const bool decodable = length >= 2 && (body == 3 || body == 4 || body == 5 || body == 7 ||
                                               body == 8 || body == 9);
        Check(message.decoded == decodable);
        // Two characters of "%x" (a sign allowed) hold at most 0xFF either way.
        Check(message.source >= -0xF && message.source <= 0xFF);
        if (message.decoded) {
            Check(message.type >= 0 && message.type <= 15);
            Check(message.id >= -0xFFF && message.id <= 0xFFFF);
            Check(message.value >= -0xFFF && message.value <= 0xFFFF);
        } else {
            Check(message.type == 0 && message.id == 0 && message.value == 0);
        }

        const UdpEventView view = ViewUdpMessage(message, context_);
        Check(view.accepted == (message.source == context_.idFilter));
        if (view.accepted) Check(view.device == message.source);
        if (view.page == UdpEventPage::Discrete)
            Check(view.accepted && message.decoded && context_.page == 0 && message.type != 10);
        if (view.page == UdpEventPage::Numeric)
            Check(view.accepted && message.decoded && context_.page == 1 && message.type == 10);
        if (view.valueFiltered) Check(view.page == UdpEventPage::Numeric);

        events.push_back(std::string(text) + "|" + std::to_string(view.accepted) +
                         std::to_string(static_cast<int>(view.page)) + std::to_string(view.id) +
                         "," + std::to_string(view.value) + std::to_string(view.valueFiltered));
    }

    std::vector<std::string> events;

private:
    const UdpMessageState& state_;
    const UdpDisplayContext& context_;
};

// The message state with guard bytes behind it; AddressSanitizer sees writes
// beyond the object, the guard sees writes into its neighbours.
struct Guarded {
    UdpMessageState state;
    unsigned char guard[32];
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 3) return 0;
    UdpDisplayContext context;
    context.page = data[0] % 7;  // the six pages and one beyond them
    context.idFilter = static_cast<std::int8_t>(data[1]) < -100 ? -5 : data[1];
    std::size_t at = 3;
    const std::size_t filterLength = data[2] % 8;
    if (at + filterLength > size) return 0;
    context.eventFilter.assign(reinterpret_cast<const char*>(data + at), filterLength);
    context.eventFilter = context.eventFilter.c_str();  // a typed text has no zero byte
    at += filterLength;

    Guarded split;
    std::memset(split.guard, 0x5A, sizeof split.guard);
    Recorder splitRecorder(split.state, context);
    std::string stream;
    while (at < size) {
        const std::size_t length = data[at++];
        const std::size_t take = length < size - at ? length : size - at;
        const char* datagram = reinterpret_cast<const char*>(data + at);
        AssembleDatagram(split.state, datagram, static_cast<int>(take), splitRecorder);
        stream.append(datagram, take);
        at += take;
    }
    for (unsigned char byte : split.guard) Check(byte == 0x5A);

    // The same bytes in one datagram give the same events.
    UdpMessageState whole;
    Recorder wholeRecorder(whole, context);
    AssembleDatagram(whole, stream.data(), static_cast<int>(stream.size()), wholeRecorder);
    Check(wholeRecorder.events == splitRecorder.events);
    Check(whole.length == split.state.length);
    return 0;
}
