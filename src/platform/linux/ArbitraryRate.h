// Rates outside the classic speed codes go through the kernel's termios2
// interface, whose header cannot share a translation unit with <termios.h>.
#pragma once

// Sets input and output rate of the terminal `fd` to `baudRate` (BOTHER).
// False when the driver refuses it or does not keep a rate close to it.
bool SetArbitraryRate(int fd, int baudRate);

// The output rate in bits per second, -1 when it cannot be read.
int ReadArbitraryRate(int fd);
