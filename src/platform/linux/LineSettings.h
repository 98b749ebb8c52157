// Line settings of the hub board's port. The board talks 8 data bits, no
// parity, two stop bits, without any flow control; it is reset through DTR,
// so the modem lines must not gate anything.
#pragma once

// Puts the terminal `fd` into raw mode with the board's framing at
// `baudRate`: the standard rates through the classic speed codes, any other
// rate as an arbitrary one where the driver accepts it (a pseudo-terminal
// accepts every rate). False when the rate is not positive or the port refuses
// the settings.
bool ApplyLineSettings(int fd, int baudRate);

// The output rate the terminal `fd` is set to, -1 when it cannot be read.
// On a pseudo-terminal master this reads the slave's settings.
int CurrentBaudRate(int fd);

// The classic speed code (B9600 and so on) for a rate, 0 when the rate has
// none and must be set as an arbitrary rate.
unsigned StandardSpeedCode(int baudRate);
