// Assembly, decoding and display rules of the event messages that arrive over
// UDP, driven as a stream of datagrams.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "net/DatagramParser.h"

namespace {

// Describes each effect of the stream in one line, so a case reads as the
// list of what the window would show.
class Recorder : public UdpStreamSink {
public:
    explicit Recorder(UdpDisplayContext context) : context_(std::move(context)) {}

    void OnAcknowledgement() override { lines.push_back("ACK"); }

    void OnMessage(const char* text) override {
        texts.emplace_back(text);
        const UdpEventView view = ViewUdpMessage(DecodeUdpMessage(text), context_);
        if (!view.accepted) {
            lines.push_back("ignored");
            return;
        }
        std::string line = "device " + std::to_string(view.device);
        if (view.page == UdpEventPage::Discrete) {
            line += "; discrete {" + std::string(text) + "} id " + std::to_string(view.id);
        } else if (view.page == UdpEventPage::Numeric) {
            line += "; numeric {" + std::string(text) + "} id " + std::to_string(view.id) +
                    " value " + (view.valueFiltered ? "-----" : std::to_string(view.value));
        }
        lines.push_back(line);
    }

    std::vector<std::string> lines;
    std::vector<std::string> texts;

private:
    UdpDisplayContext context_;
};

UdpDisplayContext Context(const char* idFilter, int page, const char* eventFilter = "") {
    UdpDisplayContext context;
    context.idFilter = LeadingNumber(idFilter);
    context.page = page;
    context.eventFilter = eventFilter;
    return context;
}

std::vector<std::string> Feed(UdpMessageState& state, const std::vector<std::string>& datagrams,
                              const UdpDisplayContext& context) {
    Recorder recorder(context);
    for (const std::string& datagram : datagrams)
        AssembleDatagram(state, datagram.data(), static_cast<int>(datagram.size()), recorder);
    return recorder.lines;
}

struct StreamCase {
    const char* name;
    std::vector<std::string> datagrams;
    const char* idFilter;
    int page;
    const char* eventFilter;
    std::vector<std::string> expected;
};

class DatagramStream : public testing::TestWithParam<StreamCase> {};

TEST_P(DatagramStream, ShowsTheExpectedEvents) {
    const StreamCase& c = GetParam();
    UdpMessageState state;
    EXPECT_EQ(Feed(state, c.datagrams, Context(c.idFilter, c.page, c.eventFilter)), c.expected);
}

const StreamCase kStreamCases[] = {
    {"DiscreteEventWithDefaults", {"{000123}"}, "0", 0, "", {"device 0; discrete {000123} id 291"}},
    {"NumericEventFromSource10",
     {"{0AA0120064}"},
     "10",
     1,
     "",
     {"device 10; numeric {0AA0120064} id 18 value 100"}},
    {"FilterIsReadInDecimalSo0AIsZero", {"{0AA0120064}"}, "0A", 1, "", {"ignored"}},
    {"FilterTakesItsLeadingNumber",
     {"{0AA0120064}"},
     "10abc",
     1,
     "",
     {"device 10; numeric {0AA0120064} id 18 value 100"}},
    {"FilterWithoutNumberIsZero",
     {"{000123}"},
     "abc",
     0,
     "",
     {"device 0; discrete {000123} id 291"}},
    {"OtherSourceIsIgnored", {"{010123}"}, "0", 0, "", {"ignored"}},
    {"FourDigitIdWithValue",
     {"{00A12340064}"},
     "0",
     1,
     "",
     {"device 0; numeric {00A12340064} id 4660 value 100"}},
    {"FourDigitIdWithoutValue",
     {"{00A0001}"},
     "0",
     1,
     "",
     {"device 0; numeric {00A0001} id 1 value 0"}},
    {"TwoDigitIdWithValue",
     {"{00A01FFFF}"},
     "0",
     1,
     "",
     {"device 0; numeric {00A01FFFF} id 1 value 65535"}},
    {"ThreeDigitIdWithValue",
     {"{00A1230064}"},
     "0",
     1,
     "",
     {"device 0; numeric {00A1230064} id 291 value 100"}},
    {"Type15IsAnOrdinaryDiscreteEvent",
     {"{00F01}"},
     "0",
     0,
     "",
     {"device 0; discrete {00F01} id 1"}},
    {"LowerCaseDigits",
     {"{0aa0120064}"},
     "10",
     1,
     "",
     {"device 10; numeric {0aa0120064} id 18 value 100"}},
    {"SplitOverTwoDatagrams", {"{00", "0123}"}, "0", 0, "", {"device 0; discrete {000123} id 291"}},
    {"TwoMessagesInOneDatagram",
     {"{000123}{000124}"},
     "0",
     0,
     "",
     {"device 0; discrete {000123} id 291", "device 0; discrete {000124} id 292"}},
    {"ExtraBraceRepeatsTheMessage",
     {"{000123}}"},
     "0",
     0,
     "",
     {"device 0; discrete {000123} id 291", "device 0; discrete {000123} id 291"}},
    {"BytesAfterBraceAreNotPartOfTheNextText",
     {"{000123}xyz}"},
     "0",
     0,
     "",
     {"device 0; discrete {000123} id 291", "device 0; discrete {000123} id 291"}},
    {"Acknowledgement", {"!"}, "0", 0, "", {"ACK"}},
    {"AcknowledgementInsideAMessageIsNotStored",
     {"{00!0123}"},
     "0",
     0,
     "",
     {"ACK", "device 0; discrete {000123} id 291"}},
    {"IndicationPageShowsOnlyTheDevice", {"{000123}"}, "0", 2, "", {"device 0"}},
    {"NumericEventOnDiscretePage", {"{00A0120064}"}, "0", 0, "", {"device 0"}},
    {"DiscreteEventOnNumericPage", {"{000123}"}, "0", 1, "", {"device 0"}},
    {"EventFilterNamingTheIdShowsTheValue",
     {"{00A0120064}"},
     "0",
     1,
     "18",
     {"device 0; numeric {00A0120064} id 18 value 100"}},
    {"EventFilterNamingAnotherIdHidesTheValue",
     {"{00A0120064}"},
     "0",
     1,
     "5",
     {"device 0; numeric {00A0120064} id 18 value -----"}},
    {"EventFilterTakesItsLeadingDigits",
     {"{00A0120064}"},
     "0",
     1,
     "18 lamps",
     {"device 0; numeric {00A0120064} id 18 value 100"}},
    {"EventFilterWithoutDigitsIsZero",
     {"{00A0000064}", "{00A0120064}"},
     "0",
     1,
     "x",
     {"device 0; numeric {00A0000064} id 0 value 100",
      "device 0; numeric {00A0120064} id 18 value -----"}},
    {"UndecodableBodyShowsOnlyTheDevice", {"{00123456}"}, "0", 0, "", {"device 0"}},
    {"SourceOnlyShowsTheDevice", {"{0C}"}, "12", 0, "", {"device 12"}},
    {"OneCharacterTextIsItsOwnSource", {"{7}"}, "7", 0, "", {"device 7"}},
    {"EmptyTextIsSourceZero", {"{}"}, "0", 0, "", {"device 0"}},
    {"BlankBeforeSourceDigitIsSkipped",
     {"{ 5012}"},
     "5",
     0,
     "",
     {"device 5; discrete { 5012} id 18"}},
    {"NonHexSourceIsZero", {"{zz0123}"}, "0", 0, "", {"device 0; discrete {zz0123} id 291"}},
    {"EachFieldReadFromOnlyItsDigits",
     {"{00Az120064}"},
     "0",
     1,
     "",
     {"device 0; numeric {00Az120064} id 0 value 100"}},
    {"EmptyDatagramChangesNothing",
     {"{00", "", "0123}"},
     "0",
     0,
     "",
     {"device 0; discrete {000123} id 291"}},
};

INSTANTIATE_TEST_SUITE_P(Table, DatagramStream, testing::ValuesIn(kStreamCases),
                         [](const testing::TestParamInfo<StreamCase>& info) {
                             return std::string(info.param.name);
                         });

TEST(DatagramAssembly, StateCarriesOverFromDatagramToDatagram) {
    UdpMessageState state;
    Feed(state, {"{0001"}, Context("0", 0));
    EXPECT_EQ(Feed(state, {"23}"}, Context("0", 0)),
              std::vector<std::string>{"device 0; discrete {000123} id 291"});
}

// The buffer lies inside a guarded block: writing past its end would touch
// the guard bytes.
struct GuardedState {
    UdpMessageState state;
    unsigned char guard[64];
};

void ExpectGuardIntact(const GuardedState& guarded) {
    for (unsigned char byte : guarded.guard) ASSERT_EQ(byte, 0xA5);
}

TEST(DatagramAssembly, ClosingBracesWithoutOpeningNeverLeaveTheBuffer) {
    GuardedState guarded;
    std::memset(guarded.guard, 0xA5, sizeof guarded.guard);
    Recorder recorder(Context("0", 0));
    const std::string braces(2000, '}');
    AssembleDatagram(guarded.state, braces.data(), static_cast<int>(braces.size()), recorder);

    ExpectGuardIntact(guarded);
    EXPECT_LE(guarded.state.length, UdpMessageState::kCapacity);
    ASSERT_EQ(recorder.texts.size(), 2000u);
    for (const std::string& text : recorder.texts) EXPECT_EQ(text, "");

    // The stream recovers at the next "{".
    EXPECT_EQ(Feed(guarded.state, {"{000123}"}, Context("0", 0)),
              std::vector<std::string>{"device 0; discrete {000123} id 291"});
}

TEST(DatagramAssembly, ClosingBracesAfterAFullTextRepeatItWithoutOverflow) {
    GuardedState guarded;
    std::memset(guarded.guard, 0xA5, sizeof guarded.guard);
    Recorder recorder(Context("0", 0));
    const std::string full = "{" + std::string(UdpMessageState::kCapacity, '7') +
                             std::string(50, '}') + "more" + std::string(50, '}');
    AssembleDatagram(guarded.state, full.data(), static_cast<int>(full.size()), recorder);

    ExpectGuardIntact(guarded);
    ASSERT_EQ(recorder.texts.size(), 100u);
    for (const std::string& text : recorder.texts)
        EXPECT_EQ(text, std::string(UdpMessageState::kCapacity, '7'));
}

TEST(DatagramAssembly, SurplusOfALongMessageIsDropped) {
    UdpMessageState state;
    Recorder recorder(Context("0", 0));
    const std::string longMessage = "{000123" + std::string(1200, 'x') + "}";
    AssembleDatagram(state, longMessage.data(), static_cast<int>(longMessage.size()), recorder);

    ASSERT_EQ(recorder.texts.size(), 1u);
    EXPECT_EQ(recorder.texts[0].size(), static_cast<std::size_t>(UdpMessageState::kCapacity));
    EXPECT_EQ(recorder.texts[0].substr(0, 6), "000123");
    EXPECT_EQ(recorder.lines, std::vector<std::string>{"device 0"});  // too long to decode
}

TEST(DatagramAssembly, TextEndsAtAZeroByte) {
    UdpMessageState state;
    const std::string withZero(
        "{000123\0"
        "99}",
        11);
    EXPECT_EQ(Feed(state, {withZero}, Context("0", 0)),
              std::vector<std::string>{"device 0; discrete {000123} id 291"});
}

struct DecodeCase {
    const char* text;
    int source;
    bool decoded;
    int type;
    int id;
    int value;
};

TEST(DecodeUdpMessage, ReadsEachBodyLength) {
    const DecodeCase cases[] = {
        {"00012", 0, true, 0, 0x12, 0},
        {"01F123", 1, true, 15, 0x123, 0},
        {"FFAFFFF", 255, true, 10, 0xFFFF, 0},
        {"10A12ABCD", 16, true, 10, 0x12, 0xABCD},
        {"10A123ABCD", 16, true, 10, 0x123, 0xABCD},
        {"10A1234ABCD", 16, true, 10, 0x1234, 0xABCD},
        {"000", 0, false, 0, 0, 0},
        {"0001", 0, false, 0, 0, 0},
        {"00123456", 0, false, 0, 0, 0},
        {"001234567890", 0, false, 0, 0, 0},
        {"9", 9, false, 0, 0, 0},
        {"", 0, false, 0, 0, 0},
        {"g1012", 0, true, 0, 0x12, 0},
    };
    for (const DecodeCase& c : cases) {
        SCOPED_TRACE(c.text);
        const UdpMessage message = DecodeUdpMessage(c.text);
        EXPECT_EQ(message.source, c.source);
        EXPECT_EQ(message.decoded, c.decoded);
        EXPECT_EQ(message.type, c.type);
        EXPECT_EQ(message.id, c.id);
        EXPECT_EQ(message.value, c.value);
    }
}

TEST(LeadingNumber, ReadsTheNumberAtTheStart) {
    const struct {
        const char* text;
        long number;
    } cases[] = {
        {"50000", 50000}, {"123abc", 123}, {"abc", 0}, {"", 0}, {" 10", 10}, {"-5", -5}, {"0A", 0},
    };
    for (const auto& c : cases) EXPECT_EQ(LeadingNumber(c.text), c.number) << c.text;
}

}  // namespace
