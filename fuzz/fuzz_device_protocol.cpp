// Message assembly and decoding over arbitrary bytes from the board: the
// buffer never overflows, only the four decodable lengths decode, and the
// fields are the bit split of what the C library's scanf "%X" reads.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "device/BoardProtocol.h"

namespace {

void Check(bool condition) {
    if (!condition) std::abort();
}

void CheckMessage(const char* text, int length) {
    Check(length >= 0 && length <= MessageAssembler::kCapacity);
    Check(text[length] == '\0');

    BoardMessage message;
    message.type = message.id = message.value = 12345;
    const bool decoded = DecodeBoardMessage(text, length, &message);
    const bool decodable = length == 3 || length == 4 || length == 7 || length == 8;
    Check(decoded == decodable);
    if (!decoded) {
        Check(message.type == 12345 && message.id == 12345 && message.value == 12345);
        return;
    }
    // At most eight characters: scanf's result always fits in 32 bits here.
    unsigned int number = 0;
    std::sscanf(text, "%X", &number);
    Check(ReadHexNumber(text) == number);
    const int idBits = (length == 3 || length == 7) ? 8 : 12;
    const int valueBits = length >= 7 ? 16 : 0;
    Check(message.id < (1u << idBits));
    Check(message.value <= 0xFFFF);
    Check(message.type == number >> (idBits + valueBits));
    Check(message.id == ((number >> valueBits) & ((1u << idBits) - 1)));
    Check(message.value == (valueBits ? (number & 0xFFFF) : 0u));
    // A text that starts with a hexadecimal digit has a board type.
    if (std::strchr("0123456789abcdefABCDEF", text[0]) != nullptr && text[0] != '\0')
        Check(message.type <= 15);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    MessageAssembler assembler;
    int acks = 0;
    int expectedAcks = 0;
    for (std::size_t i = 0; i < size; ++i) {
        const char byte = static_cast<char>(data[i]);
        if (byte == '!') ++expectedAcks;
        switch (assembler.Take(byte)) {
            case MessageAssembler::Item::Message:
                Check(byte == '}');
                CheckMessage(assembler.Text(), assembler.Length());
                break;
            case MessageAssembler::Item::Ack:
                Check(byte == '!');
                ++acks;
                break;
            case MessageAssembler::Item::None:
                Check(byte != '}' && byte != '!');
                if (byte == '{') Check(assembler.Length() == 0);
                break;
        }
        Check(assembler.Length() >= 0 && assembler.Length() <= MessageAssembler::kCapacity);
    }
    Check(acks == expectedAcks);
    return 0;
}
