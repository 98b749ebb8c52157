// Assembly of the board's messages from the byte stream and their decoding.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "device/BoardProtocol.h"

namespace {

// What the stream produced, in order: a message (with its decoding) or an ack.
struct Produced {
    bool ack = false;
    std::string text;
    bool decoded = false;
    BoardMessage message;
};

std::vector<Produced> Feed(MessageAssembler& assembler, const std::vector<std::string>& reads) {
    std::vector<Produced> out;
    for (const std::string& read : reads) {
        for (char byte : read) {
            switch (assembler.Take(byte)) {
                case MessageAssembler::Item::Ack: {
                    Produced p;
                    p.ack = true;
                    out.push_back(p);
                    break;
                }
                case MessageAssembler::Item::Message: {
                    Produced p;
                    p.text.assign(assembler.Text(), static_cast<std::size_t>(assembler.Length()));
                    p.decoded =
                        DecodeBoardMessage(assembler.Text(), assembler.Length(), &p.message);
                    out.push_back(p);
                    break;
                }
                case MessageAssembler::Item::None:
                    break;
            }
        }
    }
    return out;
}

std::vector<Produced> Feed(const std::vector<std::string>& reads) {
    MessageAssembler assembler;
    return Feed(assembler, reads);
}

struct DecodeCase {
    const char* name;
    std::vector<std::string> reads;
    std::string text;  // of the one message expected
    bool decoded;
    unsigned type, id, value;
};

class DecodesOneMessage : public testing::TestWithParam<DecodeCase> {};

TEST_P(DecodesOneMessage, ToTypeIdAndValue) {
    const DecodeCase& c = GetParam();
    const auto out = Feed(c.reads);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_FALSE(out[0].ack);
    EXPECT_EQ(out[0].text, c.text);
    ASSERT_EQ(out[0].decoded, c.decoded);
    if (c.decoded) {
        EXPECT_EQ(out[0].message.type, c.type);
        EXPECT_EQ(out[0].message.id, c.id);
        EXPECT_EQ(out[0].message.value, c.value);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Board, DecodesOneMessage,
    testing::Values(
        DecodeCase{"DetectResponse", {"{F01}"}, "F01", true, 15, 1, 0},
        DecodeCase{"ThreeDigitsMaxId", {"{9FF}"}, "9FF", true, 9, 255, 0},
        DecodeCase{"FourDigitsDiscrete", {"{0123}"}, "0123", true, 0, 291, 0},
        DecodeCase{"FourDigitsMaxId", {"{EFFF}"}, "EFFF", true, 14, 4095, 0},
        DecodeCase{"SevenDigits", {"{A12FFFF}"}, "A12FFFF", true, 10, 0x12, 65535},
        DecodeCase{"EightDigitsNumeric", {"{A0120064}"}, "A0120064", true, 10, 18, 100},
        DecodeCase{"EightDigitsAllSet", {"{FFFFFFFF}"}, "FFFFFFFF", true, 15, 4095, 65535},
        DecodeCase{"LowerCaseKeepsText", {"{a0120064}"}, "a0120064", true, 10, 18, 100},
        DecodeCase{"SplitOverTwoReads", {"{A01", "20064}"}, "A0120064", true, 10, 18, 100},
        DecodeCase{"SplitByteByByte", {"{", "0", "1", "2", "3", "}"}, "0123", true, 0, 291, 0},
        DecodeCase{"GarbageBeforeBraceDropped", {"xyz\r\n{0123}"}, "0123", true, 0, 291, 0},
        DecodeCase{"SecondBraceRestarts", {"{99{0123}"}, "0123", true, 0, 291, 0},
        DecodeCase{"FiveDigitsNotDecoded", {"{12345}"}, "12345", false, 0, 0, 0},
        DecodeCase{"EmptyNotDecoded", {"{}"}, "", false, 0, 0, 0},
        DecodeCase{"TwoDigitsNotDecoded", {"{12}"}, "12", false, 0, 0, 0},
        DecodeCase{"NineDigitsNotDecoded", {"{A01200640}"}, "A01200640", false, 0, 0, 0},
        // Only the leading hexadecimal digits count; the split still goes by length.
        DecodeCase{"NonHexTail", {"{12G4}"}, "12G4", true, 0, 0x12, 0},
        DecodeCase{"NonHexFirst", {"{G123}"}, "G123", true, 0, 0, 0},
        DecodeCase{"NonHexInValue", {"{A01200Z4}"}, "A01200Z4", true, 0, 0xA0, 0x1200},
        DecodeCase{"HexPrefixAsScanfReadsIt", {"{0x12}"}, "0x12", true, 0, 0x12, 0},
        DecodeCase{"LeadingBlankSkipped", {"{ 12}"}, " 12", true, 0, 0x12, 0},
        DecodeCase{"LeadingBlankInFour", {"{ 123}"}, " 123", true, 0, 0x123, 0},
        DecodeCase{"PlusSign", {"{+A01}"}, "+A01", true, 0, 0xA01, 0},
        // A minus negates the number modulo 2^32, as scanf does; the type
        // then lies beyond the board's types.
        DecodeCase{"MinusSign", {"{-12}"}, "-12", true, 0xFFFFFF, 0xEE, 0},
        DecodeCase{"NulInsideCountsForLength",
                   {std::string("{01\0"
                                "3}",
                                6)},
                   std::string("01\0"
                               "3",
                               4),
                   true,
                   0,
                   1,
                   0}),
    [](const testing::TestParamInfo<DecodeCase>& info) { return std::string(info.param.name); });

TEST(MessageAssembly, AckInsideMessageIsNotStored) {
    const auto out = Feed({"{01!23}"});
    ASSERT_EQ(out.size(), 2u);
    EXPECT_TRUE(out[0].ack);
    EXPECT_FALSE(out[1].ack);
    EXPECT_EQ(out[1].text, "0123");
    EXPECT_TRUE(out[1].decoded);
    EXPECT_EQ(out[1].message.id, 291u);
}

TEST(MessageAssembly, AcksOutsideMessagesAndBackToBackMessages) {
    const auto out = Feed({"!{F01}!!{0123}{A0120064}"});
    ASSERT_EQ(out.size(), 6u);
    EXPECT_TRUE(out[0].ack);
    EXPECT_EQ(out[1].text, "F01");
    EXPECT_TRUE(out[2].ack);
    EXPECT_TRUE(out[3].ack);
    EXPECT_EQ(out[4].text, "0123");
    EXPECT_EQ(out[5].text, "A0120064");
}

TEST(MessageAssembly, ClosingBraceWithoutOpeningAppendsToLastMessage) {
    // The line end after a message stays behind its characters, and a "}"
    // with no "{" before it closes that longer text.
    const auto out = Feed({"{0123}\r\n}"});
    ASSERT_EQ(out.size(), 2u);
    EXPECT_EQ(out[0].text, "0123");
    EXPECT_EQ(out[1].text, "0123\r\n");
    EXPECT_FALSE(out[1].decoded);
}

TEST(MessageAssembly, RepeatedClosingBraceRepeatsTheMessage) {
    const auto out = Feed({"{0123}}"});
    ASSERT_EQ(out.size(), 2u);
    EXPECT_EQ(out[1].text, "0123");
    EXPECT_TRUE(out[1].decoded);
}

TEST(MessageAssembly, ClosingBraceBeforeAnyMessageGivesEmptyText) {
    const auto out = Feed({"}"});
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].text, "");
    EXPECT_FALSE(out[0].decoded);
}

TEST(MessageAssembly, SurplusBeyondCapacityIsDropped) {
    const std::string body(1500, '7');
    const auto out = Feed({"{" + body + "}"});
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].text, std::string(MessageAssembler::kCapacity, '7'));
    EXPECT_FALSE(out[0].decoded);

    // Exactly at capacity nothing is lost; the next "{" starts afresh.
    MessageAssembler assembler;
    auto full = Feed(assembler, {"{" + std::string(1000, 'a') + "}{F02}"});
    ASSERT_EQ(full.size(), 2u);
    EXPECT_EQ(full[0].text.size(), 1000u);
    EXPECT_EQ(full[1].text, "F02");
    EXPECT_EQ(full[1].message.id, 2u);
}

TEST(MessageAssembly, StateCarriesAcrossCallsLikeAcrossReconnections) {
    // A message cut off by a close is ended by the next connection's "{".
    MessageAssembler assembler;
    EXPECT_TRUE(Feed(assembler, {"{A01"}).empty());
    const auto out = Feed(assembler, {"{F03}"});
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].text, "F03");
}

TEST(MessageAssembly, EverySplitOfAStreamGivesTheSameResult) {
    const std::string stream = "{F01}!{0123}\r\n{a0120064}{01!23}{12345}}";
    const auto whole = Feed({stream});
    for (std::size_t cut = 0; cut <= stream.size(); ++cut) {
        const auto split = Feed({stream.substr(0, cut), stream.substr(cut)});
        ASSERT_EQ(split.size(), whole.size()) << "cut at " << cut;
        for (std::size_t i = 0; i < whole.size(); ++i) {
            EXPECT_EQ(split[i].ack, whole[i].ack) << "cut at " << cut;
            EXPECT_EQ(split[i].text, whole[i].text) << "cut at " << cut;
            EXPECT_EQ(split[i].message.id, whole[i].message.id) << "cut at " << cut;
        }
    }
}

TEST(HexNumber, ReadsAsScanfUpperXDoes) {
    const char* texts[] = {"0",     "F01",  "a0120064", "FFFFFFFF", "12G4", "G123", "",     " 1A",
                           "\t7f",  "+A01", "-12",      "-",        "+",    "0x",   "0xg",  "0X1f",
                           "-0x10", "x12",  "00000000", "7fffffff", "8000", "  -0", "0x0x1"};
    for (const char* text : texts) {
        unsigned int expected = 0;
        std::sscanf(text, "%X", &expected);
        EXPECT_EQ(ReadHexNumber(text), expected) << '"' << text << '"';
    }
}

TEST(HexNumber, TooLongForThirtyTwoBitsStaysDefined) {
    EXPECT_EQ(ReadHexNumber("123456789ABCDEF0123"), 0xFFFFFFFFu);
}

TEST(Decode, OtherLengthsLeaveTheMessageAlone) {
    BoardMessage message;
    message.type = 3;
    message.id = 4;
    message.value = 5;
    for (int length : {0, 1, 2, 5, 6, 9, 1000}) {
        const std::string text(static_cast<std::size_t>(length), '1');
        EXPECT_FALSE(DecodeBoardMessage(text.c_str(), length, &message)) << length;
        EXPECT_EQ(message.type, 3u);
        EXPECT_EQ(message.id, 4u);
        EXPECT_EQ(message.value, 5u);
    }
}

// Only bytes that are whole detect answers of one board may wait for the
// window's next poll; anything else must reach the window at once.
TEST(WholeDetectAnswers, OnlyWholeAnswersOfOneBoard) {
    const struct {
        std::string bytes;
        int id;
    } rows[] = {
        {"{F01}", 1},
        {"{F2A}{F2A}", 0x2A},
        {"{F123}", 0x123},     // four-digit form
        {"{F0120000}", 0x12},  // long form with a value
        {"{F01}{F02}", -1},    // two boards
        {"{F01}{0123}", -1},   // an event behind it
        {"{0123}", -1},        // an event alone
        {"{F01", -1},          // cut off
        {"F01}", -1},          // tail of a message begun earlier
        {"{F01}!", -1},        // an acknowledgement
        {"{F01}\r\n", -1},     // bytes the assembler would append
        {"{F0{F01}", -1},      // a restart
        {"{F012345678}", -1},  // too long to decode
        {"", -1},
        {std::string("{F\0"
                     "1}",
                     5),
         -1},
    };
    for (const auto& row : rows)
        EXPECT_EQ(WholeDetectAnswersId(row.bytes.data(), static_cast<int>(row.bytes.size())),
                  row.id)
            << row.bytes;
}

}  // namespace
