#include "device/BoardProtocol.h"

#include <cstdlib>

std::uint32_t ReadHexNumber(const char* text) {
    // scanf "%X" reads what strtoul reads with base 16; strtoul is used so
    // that a number too large for 32 bits stays defined (it is cut to 32 bits).
    return static_cast<std::uint32_t>(std::strtoul(text, nullptr, 16));
}

bool DecodeBoardMessage(const char* text, int length, BoardMessage* message) {
    // The forms differ only in where the fields sit in the one number:
    // type in the top digit, id in the next two or three, value in the last four.
    int idBits = 0;
    int valueBits = 0;
    switch (length) {
        case 3: idBits = 8; break;
        case 4: idBits = 12; break;
        case 7: idBits = 8; valueBits = 16; break;
        case 8: idBits = 12; valueBits = 16; break;
        default: return false;
    }
    const std::uint32_t number = ReadHexNumber(text);
    // Not masked: a leading minus sign (scanf takes one) negates the number,
    // and the type of such a text is then no board type at all.
    message->type = number >> (idBits + valueBits);
    message->id = (number >> valueBits) & ((1u << idBits) - 1);
    message->value = valueBits != 0 ? number & 0xFFFF : 0;
    return true;
}

MessageAssembler::Item MessageAssembler::Take(char byte) {
    switch (byte) {
        case '{':
            length_ = 0;
            return Item::None;
        case '}':
            buffer_[length_] = '\0';
            return Item::Message;
        case '!':
            return Item::Ack;
        default:
            if (length_ < kCapacity) buffer_[length_++] = byte;
            return Item::None;
    }
}
