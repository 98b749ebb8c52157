#include "device/BoardProtocol.h"

#include <cstdlib>

std::uint32_t ReadHexNumber(const char* text) {
    // scanf "%X" reads what strtoul reads with base 16; strtoul is used so
    // that a number too large for 32 bits stays defined (it is cut to 32 bits).
    return static_cast<std::uint32_t>(std::strtoul(text, nullptr, 16));
}

namespace {
// The forms differ only in where the fields sit in the one number: type in
// the top digit, id in the next two or three, value in the last four.
struct MessageForm {
    int length;
    int idBits;
    int valueBits;
};
constexpr MessageForm kForms[] = {{3, 8, 0}, {4, 12, 0}, {7, 8, 16}, {8, 12, 16}};
}  // namespace

bool DecodeBoardMessage(const char* text, int length, BoardMessage* message) {
    for (const MessageForm& form : kForms) {
        if (form.length != length) continue;
        const std::uint32_t number = ReadHexNumber(text);
        // Not masked: a leading minus sign (scanf takes one) negates the
        // number, and the type of such a text is then no board type at all.
        message->type = number >> (form.idBits + form.valueBits);
        message->id = (number >> form.valueBits) & ((1u << form.idBits) - 1);
        message->value = number & ((1u << form.valueBits) - 1);
        return true;
    }
    return false;
}

int WholeDetectAnswersId(const char* data, int count) {
    int id = -1;
    int i = 0;
    while (i < count) {
        if (data[i] != '{') return -1;
        char text[9];
        int length = 0;
        for (++i; i < count && data[i] != '}'; ++i) {
            const char byte = data[i];
            if (byte == '{' || byte == '!' || byte == '\0' || length == 8) return -1;
            text[length++] = byte;
        }
        if (i == count) return -1;  // cut off: the rest comes with a later read
        ++i;
        text[length] = '\0';
        BoardMessage message;
        if (!DecodeBoardMessage(text, length, &message) || message.type != kDetectResponseType)
            return -1;
        const int answerId = static_cast<int>(message.id);
        if (id != -1 && answerId != id) return -1;
        id = answerId;
    }
    return id;
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
