#include "platform/linux/ArbitraryRate.h"

#include <asm/termbits.h>
#include <sys/ioctl.h>

bool SetArbitraryRate(int fd, int baudRate) {
    struct termios2 t;
    if (ioctl(fd, TCGETS2, &t) != 0) return false;
    t.c_cflag &= ~(CBAUD | (CBAUD << IBSHIFT));
    t.c_cflag |= BOTHER | (BOTHER << IBSHIFT);
    t.c_ispeed = static_cast<speed_t>(baudRate);
    t.c_ospeed = static_cast<speed_t>(baudRate);
    if (ioctl(fd, TCSETS2, &t) != 0) return false;
    // A UART divides its clock: it may round the rate, but a rate it cannot
    // come within 3 % of would garble every byte.
    int actual = ReadArbitraryRate(fd);
    long diff = static_cast<long>(actual) - baudRate;
    if (diff < 0) diff = -diff;
    return actual > 0 && diff * 100 <= static_cast<long>(baudRate) * 3;
}

int ReadArbitraryRate(int fd) {
    struct termios2 t;
    if (ioctl(fd, TCGETS2, &t) != 0) return -1;
    return static_cast<int>(t.c_ospeed);
}
