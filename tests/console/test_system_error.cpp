// The system's words for error numbers.
#include <gtest/gtest.h>

#include <cerrno>
#include <thread>
#include <vector>

#include "console/SystemError.h"

TEST(SystemError, TextAndNameOfEachNumber) {
    const struct {
        int error;
        const char* text;
        const char* name;
    } cases[] = {
        {EACCES, "Permission denied", "EACCES"},
        {EBUSY, "Device or resource busy", "EBUSY"},
        {ENOENT, "No such file or directory", "ENOENT"},
        {EADDRINUSE, "Address already in use", "EADDRINUSE"},
        {ENOTTY, "Inappropriate ioctl for device", "ENOTTY"},
        {987654, "Unknown error 987654", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SystemErrorText(c.error), c.text) << c.error;
        EXPECT_EQ(SystemErrorName(c.error), c.name) << c.error;
    }
    EXPECT_EQ(SystemErrorWithName(EBUSY), "Device or resource busy (EBUSY)");
    EXPECT_EQ(SystemErrorWithName(987654), "Unknown error 987654");
}

// Threads asking at once each get their own number's text.
TEST(SystemError, ThreadsGetTheirOwnText) {
    std::vector<std::thread> threads;
    std::vector<int> wrong(4, 0);
    const int numbers[] = {EACCES, EBUSY, ENOENT, 987654};
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            const std::string expected = SystemErrorText(numbers[t]);
            for (int i = 0; i < 20000; ++i)
                if (SystemErrorText(numbers[t]) != expected) ++wrong[t];
        });
    }
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(wrong, std::vector<int>(4, 0));
}

TEST(FailureText, LineIsTheSummaryThenTheHint) {
    EXPECT_EQ((FailureText{"r", "Busy.", "Stop it."}).Line(), "Busy. Stop it.");
    EXPECT_EQ((FailureText{"r", "Busy.", ""}).Line(), "Busy.");
}
