#include "SerialLine.h"

#include <sys/ioctl.h>
#include <termios.h>

namespace vornik::devio {

SerialSettings defaultSerialSettings(std::uint32_t baudRate) {
    SerialSettings s{};
    s.baudRate = baudRate;
    s.binary = 1;
    s.parityCheck = 0;
    s.dtrControl = SERIAL_DTR_ENABLE;
    s.rtsControl = SERIAL_RTS_DISABLE;
    s.xonLimit = 2048;
    s.xoffLimit = 512;
    s.byteSize = 8;
    s.parity = 0;
    s.stopBits = 0;
    s.xonChar = 0x11;
    s.xoffChar = 0x13;
    return s;
}

void applyComSettings(SerialSettings& s, const ComSettings& c) {
    s.baudRate = static_cast<std::uint32_t>(c.baudRate);
    s.byteSize = static_cast<std::uint8_t>(c.dataBits & 0xFF);
    s.parity = static_cast<std::uint8_t>(c.parity & 0xFF);
    s.stopBits = static_cast<std::uint8_t>(c.stopBits & 0xFF);
    switch (c.flowControl) {
    case 1:  // hardware
        s.outxCtsFlow = 1;
        s.dtrControl = SERIAL_DTR_ENABLE;
        s.outX = s.inX = 0;
        break;
    case 2:  // Xon/Xoff
        s.outX = s.inX = 1;
        s.outxCtsFlow = 0;
        s.dtrControl = SERIAL_DTR_DISABLE;
        break;
    default:  // none, and any value that is not a known rule
        s.outxCtsFlow = 0;
        s.dtrControl = SERIAL_DTR_DISABLE;
        s.outX = s.inX = 0;
        break;
    }
}

namespace {

bool speedFor(std::uint32_t baud, speed_t& out) {
    static const struct { std::uint32_t baud; speed_t speed; } table[] = {
        {50, B50},         {75, B75},           {110, B110},         {134, B134},
        {150, B150},       {200, B200},         {300, B300},         {600, B600},
        {1200, B1200},     {1800, B1800},       {2400, B2400},       {4800, B4800},
        {9600, B9600},     {19200, B19200},     {38400, B38400},     {57600, B57600},
        {115200, B115200}, {230400, B230400},   {460800, B460800},   {500000, B500000},
        {576000, B576000}, {921600, B921600},   {1000000, B1000000}, {1152000, B1152000},
        {1500000, B1500000}, {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000},
        {3500000, B3500000}, {4000000, B4000000},
    };
    for (const auto& e : table)
        if (e.baud == baud) {
            out = e.speed;
            return true;
        }
    return false;
}

void setModemLine(int fd, int line, bool on) {
    // Pseudo-terminals and some adapters have no modem lines; that is not an error.
    ::ioctl(fd, on ? TIOCMBIS : TIOCMBIC, &line);
}

}  // namespace

bool applySerialSettings(int fd, const SerialSettings& s) {
    speed_t speed;
    if (!speedFor(s.baudRate, speed)) return false;
    if (s.byteSize < 5 || s.byteSize > 8) return false;
    if (s.parity > 4) return false;
    if (s.stopBits != 0 && s.stopBits != 2) return false;  // 1 = one and a half: no Linux equivalent

    termios t{};
    if (::tcgetattr(fd, &t) != 0) return false;
    ::cfmakeraw(&t);
    t.c_cflag |= CLOCAL | CREAD;
    t.c_cflag &= ~(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
    static const tcflag_t sizes[] = {CS5, CS6, CS7, CS8};
    t.c_cflag |= sizes[s.byteSize - 5];
    switch (s.parity) {
    case 1: t.c_cflag |= PARENB | PARODD; break;
    case 2: t.c_cflag |= PARENB; break;
    case 3: t.c_cflag |= PARENB | CMSPAR | PARODD; break;  // mark
    case 4: t.c_cflag |= PARENB | CMSPAR; break;           // space
    default: break;
    }
    if (s.stopBits == 2) t.c_cflag |= CSTOPB;
    if (s.outxCtsFlow) t.c_cflag |= CRTSCTS;
    t.c_iflag &= ~(IXON | IXOFF | IXANY | INPCK | IGNPAR);
    if (s.outX) t.c_iflag |= IXON;
    if (s.inX) t.c_iflag |= IXOFF;
    if (s.parityCheck) t.c_iflag |= INPCK;
    t.c_cc[VSTART] = static_cast<cc_t>(s.xonChar);
    t.c_cc[VSTOP] = static_cast<cc_t>(s.xoffChar);
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 0;
    if (::cfsetispeed(&t, speed) != 0 || ::cfsetospeed(&t, speed) != 0) return false;
    if (::tcsetattr(fd, TCSANOW, &t) != 0) return false;

    // tcsetattr succeeds when any part was taken: read back what matters.
    termios back{};
    if (::tcgetattr(fd, &back) != 0) return false;
    if (::cfgetospeed(&back) != speed) return false;
    if ((back.c_cflag & CSIZE) != (t.c_cflag & CSIZE)) return false;
    if ((back.c_cflag & (PARENB | PARODD | CMSPAR | CSTOPB)) != (t.c_cflag & (PARENB | PARODD | CMSPAR | CSTOPB)))
        return false;

    if (!s.outxCtsFlow) setModemLine(fd, TIOCM_RTS, s.rtsControl == SERIAL_RTS_ENABLE);
    setModemLine(fd, TIOCM_DTR, s.dtrControl == SERIAL_DTR_ENABLE);
    return true;
}

}  // namespace vornik::devio
