#include "platform/linux/LineSettings.h"

#include <termios.h>

#include "platform/linux/ArbitraryRate.h"

namespace {

struct RateCode {
    int rate;
    speed_t code;
};

const RateCode kStandardRates[] = {
    {50, B50},           {75, B75},           {110, B110},         {134, B134},
    {150, B150},         {200, B200},         {300, B300},         {600, B600},
    {1200, B1200},       {1800, B1800},       {2400, B2400},       {4800, B4800},
    {9600, B9600},       {19200, B19200},     {38400, B38400},     {57600, B57600},
    {115200, B115200},   {230400, B230400},   {460800, B460800},   {500000, B500000},
    {576000, B576000},   {921600, B921600},   {1000000, B1000000}, {1152000, B1152000},
    {1500000, B1500000}, {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000},
    {3500000, B3500000}, {4000000, B4000000},
};

// Raw bytes both ways, the board's framing, and no flow control of any kind:
// a stray XOFF byte in a frame must not stop the line, and the modem lines
// (DTR is the board's reset) must not block open or reads.
void SetBoardFraming(termios& t) {
    cfmakeraw(&t);
    t.c_iflag &= ~(IXON | IXOFF | IXANY | INPCK | IGNPAR);
    t.c_cflag &= ~(CSIZE | PARENB | PARODD | CRTSCTS);
    t.c_cflag |= CS8 | CSTOPB | CLOCAL | CREAD;
    // A read with nothing buffered fails with EAGAIN on the non-blocking
    // descriptor instead of returning 0, so 0 always means the line hung up.
    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 0;
}

}  // namespace

unsigned StandardSpeedCode(int baudRate) {
    for (const RateCode& r : kStandardRates) {
        if (r.rate == baudRate) return r.code;
    }
    return 0;
}

bool ApplyLineSettings(int fd, int baudRate) {
    if (baudRate <= 0) return false;
    termios t;
    if (tcgetattr(fd, &t) != 0) return false;
    SetBoardFraming(t);
    speed_t code = StandardSpeedCode(baudRate);
    // An arbitrary rate is set after the framing; until then the line keeps a
    // harmless standard rate.
    if (cfsetspeed(&t, code != 0 ? code : B38400) != 0) return false;
    if (tcsetattr(fd, TCSANOW, &t) != 0) return false;
    if (code == 0) return SetArbitraryRate(fd, baudRate);
    return true;
}

int CurrentBaudRate(int fd) { return ReadArbitraryRate(fd); }
