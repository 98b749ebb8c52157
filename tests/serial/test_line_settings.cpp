// The board's line settings as the terminal ends up with them. On a
// pseudo-terminal the master reads the slave's settings, so the test sees
// what the driver set without opening the port a second time.
#include <gtest/gtest.h>
#include <termios.h>

#include "SerialTestSupport.h"
#include "platform/linux/LineSettings.h"
#include "serial/Serial.h"

using namespace serialtest;

namespace {

void ExpectBoardFraming(const termios& t) {
    EXPECT_EQ(t.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_TRUE(t.c_cflag & CSTOPB) << "two stop bits";
    EXPECT_FALSE(t.c_cflag & PARENB) << "no parity";
    EXPECT_FALSE(t.c_cflag & CRTSCTS) << "no hardware flow control";
    EXPECT_TRUE(t.c_cflag & CLOCAL) << "modem lines ignored";
    EXPECT_TRUE(t.c_cflag & CREAD);
    EXPECT_FALSE(t.c_iflag & (IXON | IXOFF | IXANY)) << "no software flow control";
    EXPECT_FALSE(t.c_iflag & (ICRNL | INLCR | IGNCR | ISTRIP)) << "input translated";
    EXPECT_FALSE(t.c_oflag & OPOST) << "output translated";
    EXPECT_FALSE(t.c_lflag & (ICANON | ECHO | ISIG | IEXTEN)) << "not raw";
}

TEST(LineSettings, EveryRateWithTheBoardFraming) {
    const int rates[] = {300,   9600,   19200, 57600, 115200, 230400, 1000000,  // standard
                         31250, 250000, 74880, 123456};                         // arbitrary
    RawPty pty;
    ASSERT_TRUE(pty.Ok());
    int fd = OpenRawSlave(pty.path);
    ASSERT_GE(fd, 0);
    for (int rate : rates) {
        SCOPED_TRACE(rate);
        // Start from a cooked terminal so that every setting has to change.
        termios cooked;
        ASSERT_EQ(tcgetattr(fd, &cooked), 0);
        cooked.c_lflag |= ICANON | ECHO | ISIG;
        cooked.c_iflag |= IXON | ICRNL;
        cooked.c_oflag |= OPOST;
        cooked.c_cflag = (cooked.c_cflag & ~(CSIZE | CSTOPB)) | CS7 | PARENB | CRTSCTS;
        ASSERT_EQ(tcsetattr(fd, TCSANOW, &cooked), 0);

        ASSERT_TRUE(ApplyLineSettings(fd, rate));
        termios t;
        ASSERT_EQ(tcgetattr(pty.master, &t), 0);
        ExpectBoardFraming(t);
        EXPECT_EQ(CurrentBaudRate(pty.master), rate);
    }
    close(fd);
}

TEST(LineSettings, RateMustBePositive) {
    RawPty pty;
    ASSERT_TRUE(pty.Ok());
    int fd = OpenRawSlave(pty.path);
    ASSERT_GE(fd, 0);
    EXPECT_FALSE(ApplyLineSettings(fd, 0));
    EXPECT_FALSE(ApplyLineSettings(fd, -115200));
    close(fd);
}

TEST(LineSettings, NotATerminalIsRefused) {
    int fd = open("/dev/null", O_RDWR);
    ASSERT_GE(fd, 0);
    EXPECT_FALSE(ApplyLineSettings(fd, 115200));
    EXPECT_EQ(CurrentBaudRate(fd), -1);
    close(fd);
}

TEST(LineSettings, StandardRatesHaveTheirSpeedCodes) {
    EXPECT_EQ(StandardSpeedCode(9600), static_cast<unsigned>(B9600));
    EXPECT_EQ(StandardSpeedCode(115200), static_cast<unsigned>(B115200));
    EXPECT_EQ(StandardSpeedCode(4000000), static_cast<unsigned>(B4000000));
    EXPECT_EQ(StandardSpeedCode(250000), 0u);
    EXPECT_EQ(StandardSpeedCode(0), 0u);
}

// The driver's open applies the same settings.
TEST(LineSettings, OpenSetsThemOnThePort) {
    SetConsoleStdout(false);
    RawPty pty;
    ASSERT_TRUE(pty.Ok());
    for (int rate : {115200, 250000}) {
        Serial port;
        ASSERT_EQ(port.Open(pty.path.c_str(), rate), 1);
        termios t;
        ASSERT_EQ(tcgetattr(pty.master, &t), 0);
        ExpectBoardFraming(t);
        EXPECT_EQ(CurrentBaudRate(pty.master), rate);
    }
    SetConsoleStdout(true);
}

}  // namespace
