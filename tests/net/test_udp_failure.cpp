// The rule for the UDP port text and what a failed start says.
#include <gtest/gtest.h>

#include <cerrno>

#include "net/UdpFailure.h"

TEST(UdpPortText, OnlyAWholeNumberFrom1To65535IsAPort) {
    const struct {
        const char* text;
        int port;  // 0: refused
    } cases[] = {
        {"50000", 50000},  {"1", 1},      {"65535", 65535},
        {" 8080\t", 8080}, {"00080", 80}, {"0", 0},
        {"65536", 0},      {"70000", 0},  {"abc", 0},
        {"123abc", 0},     {"", 0},       {"   ", 0},
        {"-1", 0},         {"+80", 0},    {"5e4", 0},
        {"50 000", 0},     {"000080", 0}, {"99999999999999999999", 0},
    };
    for (const auto& c : cases) EXPECT_EQ(ReadUdpPort(c.text).value_or(0), c.port) << c.text;
}

TEST(UdpFailureText, EachErrorSaysWhatIsWrongAndWhatToDo) {
    constexpr SystemAdvice kLinux = SystemAdvice::Linux;
    constexpr SystemAdvice kWindows = SystemAdvice::Windows;
    const struct {
        int port;
        int error;
        SystemAdvice advice;
        const char* summary;
        const char* hint;  // a piece of it; "" when there is none
    } cases[] = {
        {50000, EADDRINUSE, kLinux, "UDP port 50000 is in use by another program.",
         "sport = :50000"},
        {80, EACCES, kLinux, "No permission to use UDP port 80.",
         "Ports below 1024 need privileges"},
        {5000, EACCES, kLinux, "No permission to use UDP port 5000.", "firewall"},
        {5000, EADDRNOTAVAIL, kLinux, "UDP port 5000 is not available on this computer.",
         "another port"},
        {5000, EMFILE, kLinux, "Too many files are open to start the UDP server.", "Close other"},
        {5000, EIO, kLinux, "The UDP server could not start on port 5000: Input/output error.", ""},
        {50000, EADDRINUSE, kWindows, "UDP port 50000 is in use by another program.",
         "netstat -ano -p udp | findstr :50000"},
        {80, EACCES, kWindows, "No permission to use UDP port 80.", "excludedportrange"},
    };
    for (const auto& c : cases) {
        const FailureText text = DescribeUdpFailure(c.port, {c.error, "bind"}, c.advice);
        EXPECT_EQ(text.summary, c.summary) << c.error;
        if (*c.hint == '\0')
            EXPECT_EQ(text.hint, "") << c.error;
        else
            EXPECT_NE(text.hint.find(c.hint), std::string::npos) << c.error << ": " << text.hint;
    }
    EXPECT_EQ(DescribeUdpFailure(50000, {EADDRINUSE, "bind"}).reason,
              "bind UDP port 50000: Address already in use (EADDRINUSE)");
    EXPECT_EQ(DescribeUdpFailure(50000, {0, ""}).Line(), "");
}

TEST(UdpFailureText, RefusedTextIsQuoted) {
    EXPECT_EQ(DescribeInvalidUdpPort("abc").Line(),
              "\"abc\" is not a UDP port. Type a whole number from 1 to 65535, such as 50000.");
    EXPECT_EQ(DescribeInvalidUdpPort("").summary, "No UDP port given.");
}
