// The serial line settings record applied to a tty through termios.
#pragma once

#include <conlink/Conlink.h>

namespace vornik::devio {

// The record every serial connect starts from: 8 data bits, no parity, one
// stop bit, binary, DTR on, RTS off, no flow control, Xon 0x11 / Xoff 0x13,
// Xon limit 2048, Xoff limit 512.
SerialSettings defaultSerialSettings(std::uint32_t baudRate);

// Takes baud, data bits, parity and stop bits (low byte of each) and the
// flow-control rule of a ComSettings record into s.
void applyComSettings(SerialSettings& s, const ComSettings& c);

// Puts the tty into raw mode with the record's line settings. Returns false
// when the tty does not take them: a baud rate Linux has no speed for, data
// bits outside 5-8, parity or stop bits outside their ranges, one and a half
// stop bits (Linux ttys have none), or a tty that refuses or silently changes
// a setting. Modem lines (DTR, RTS) are set where the tty has them.
bool applySerialSettings(int fd, const SerialSettings& s);

}  // namespace vornik::devio
