// Only the kernel's termios here: <termios.h> would redefine struct termios.
#include "transport/serial_line.h"

#include <asm/termbits.h>
#include <cerrno>
#include <sys/ioctl.h>

namespace {

// The rates the old Bxxx constants name, for a driver that reports one of
// those instead of BOTHER.
struct TRateCode {
    tcflag_t Code;
    uint32_t Rate;
};

constexpr TRateCode kRateCodes[] = {
    {B50, 50},           {B75, 75},           {B110, 110},         {B134, 134},         {B150, 150},
    {B200, 200},         {B300, 300},         {B600, 600},         {B1200, 1200},       {B1800, 1800},
    {B2400, 2400},       {B4800, 4800},       {B9600, 9600},       {B19200, 19200},     {B38400, 38400},
    {B57600, 57600},     {B115200, 115200},   {B230400, 230400},   {B460800, 460800},   {B500000, 500000},
    {B576000, 576000},   {B921600, 921600},   {B1000000, 1000000}, {B1152000, 1152000}, {B1500000, 1500000},
    {B2000000, 2000000}, {B2500000, 2500000}, {B3000000, 3000000}, {B3500000, 3500000}, {B4000000, 4000000},
};

constexpr uint8_t kParityNone = 0;
constexpr uint8_t kParityOdd = 1;
constexpr uint8_t kParityEven = 2;
constexpr uint8_t kParityMark = 3;
constexpr uint8_t kParitySpace = 4;
constexpr uint8_t kOneStopBit = 0;
constexpr uint8_t kOne5StopBits = 1;
constexpr uint8_t kTwoStopBits = 2;
constexpr uint8_t kLineDisable = 0;
constexpr uint8_t kLineEnable = 1;
constexpr uint8_t kLineHandshake = 2;

bool GetTermios(int fd, termios2& tio)
{
    return ioctl(fd, TCGETS2, &tio) == 0;
}

bool SetTermios(int fd, const termios2& tio)
{
    return ioctl(fd, TCSETS2, &tio) == 0;
}

bool IsMissingModemLines(int error)
{
    return error == ENOTTY || error == EINVAL;
}

bool SetModemLine(int fd, int line, bool on)
{
    return ioctl(fd, on ? TIOCMBIS : TIOCMBIC, &line) == 0 || IsMissingModemLines(errno);
}

uint32_t RateOf(const termios2& tio)
{
    const tcflag_t code = tio.c_cflag & CBAUD;
    if (code == BOTHER)
        return tio.c_ospeed;
    for (const TRateCode& entry : kRateCodes)
        if (entry.Code == code)
            return entry.Rate;
    return tio.c_ospeed;
}

void SetRate(termios2& tio, uint32_t rate)
{
    // Input and output at the same rate, both given as a number.
    tio.c_cflag &= ~(CBAUD | (CBAUD << IBSHIFT));
    tio.c_cflag |= BOTHER | (BOTHER << IBSHIFT);
    tio.c_ispeed = rate;
    tio.c_ospeed = rate;
}

void MakeRaw(termios2& tio)
{
    tio.c_iflag &= ~(IGNBRK | BRKINT | IGNPAR | PARMRK | INPCK | ISTRIP | INLCR | IGNCR | ICRNL | IUCLC | IXON | IXANY
                     | IXOFF | IMAXBEL);
    tio.c_oflag &= ~OPOST;
    tio.c_lflag &= ~(ECHO | ECHOE | ECHOK | ECHONL | ICANON | ISIG | IEXTEN | NOFLSH | TOSTOP);
    tio.c_cflag &= ~(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS | HUPCL);
    tio.c_cflag |= CS8 | CREAD | CLOCAL;
    // Reads are non-blocking and sized by what is queued, so these only
    // matter to a blocking reader.
    tio.c_cc[VMIN] = 1;
    tio.c_cc[VTIME] = 0;
}

tcflag_t ByteSizeFlag(uint8_t byteSize)
{
    switch (byteSize) {
    case 5: return CS5;
    case 6: return CS6;
    case 7: return CS7;
    default: return CS8;
    }
}

uint8_t ByteSizeOf(tcflag_t cflag)
{
    switch (cflag & CSIZE) {
    case CS5: return 5;
    case CS6: return 6;
    case CS7: return 7;
    default: return 8;
    }
}

bool IsSupported(const TDCB& dcb)
{
    if (dcb.BaudRate == 0 || dcb.ByteSize < 5 || dcb.ByteSize > 8 || dcb.Parity > kParitySpace)
        return false;
    if (dcb.StopBits > kTwoStopBits || (dcb.StopBits == kOne5StopBits && dcb.ByteSize != 5))
        return false;
    if (dcb.fDtrControl > kLineHandshake || dcb.fRtsControl > kLineHandshake)
        return false;
    // No DSR handshake, no DTR handshake and no abort-on-error in termios.
    return !dcb.fOutxDsrFlow && !dcb.fDsrSensitivity && dcb.fDtrControl != kLineHandshake && !dcb.fAbortOnError
           && !dcb.fNull && !dcb.fErrorChar;
}

} // namespace

bool ApplyRawMode(int fd)
{
    termios2 tio{};
    if (!GetTermios(fd, tio))
        return false;
    MakeRaw(tio);
    return SetTermios(fd, tio);
}

bool ReadLineSettings(int fd, TDCB& dcb)
{
    termios2 tio{};
    if (!GetTermios(fd, tio))
        return false;
    dcb.BaudRate = RateOf(tio);
    dcb.ByteSize = ByteSizeOf(tio.c_cflag);
    if ((tio.c_cflag & PARENB) == 0)
        dcb.Parity = kParityNone;
    else if ((tio.c_cflag & CMSPAR) != 0)
        dcb.Parity = (tio.c_cflag & PARODD) != 0 ? kParityMark : kParitySpace;
    else
        dcb.Parity = (tio.c_cflag & PARODD) != 0 ? kParityOdd : kParityEven;
    if ((tio.c_cflag & CSTOPB) == 0)
        dcb.StopBits = kOneStopBit;
    else
        dcb.StopBits = dcb.ByteSize == 5 ? kOne5StopBits : kTwoStopBits;
    dcb.fBinary = true;
    dcb.fParity = (tio.c_iflag & INPCK) != 0;
    dcb.fOutxCtsFlow = (tio.c_cflag & CRTSCTS) != 0;
    dcb.fOutxDsrFlow = false;
    dcb.fDsrSensitivity = false;
    dcb.fOutX = (tio.c_iflag & IXON) != 0;
    dcb.fInX = (tio.c_iflag & IXOFF) != 0;
    dcb.fErrorChar = false;
    dcb.fNull = false;
    dcb.fAbortOnError = false;

    int lines = 0;
    if (ioctl(fd, TIOCMGET, &lines) == 0) {
        dcb.fDtrControl = (lines & TIOCM_DTR) != 0 ? kLineEnable : kLineDisable;
        dcb.fRtsControl = (lines & TIOCM_RTS) != 0 ? kLineEnable : kLineDisable;
    } else if (!IsMissingModemLines(errno)) {
        return false;
    }
    if (dcb.fOutxCtsFlow)
        dcb.fRtsControl = kLineHandshake;
    return true;
}

bool ApplyLineSettings(int fd, const TDCB& dcb)
{
    if (!IsSupported(dcb)) {
        errno = EINVAL;
        return false;
    }
    termios2 previous{};
    if (!GetTermios(fd, previous))
        return false;
    termios2 tio = previous;
    MakeRaw(tio);
    SetRate(tio, dcb.BaudRate);
    tio.c_cflag &= ~CSIZE;
    tio.c_cflag |= ByteSizeFlag(dcb.ByteSize);
    switch (dcb.Parity) {
    case kParityOdd: tio.c_cflag |= PARENB | PARODD; break;
    case kParityEven: tio.c_cflag |= PARENB; break;
    case kParityMark: tio.c_cflag |= PARENB | CMSPAR | PARODD; break;
    case kParitySpace: tio.c_cflag |= PARENB | CMSPAR; break;
    default: break;
    }
    if (dcb.StopBits != kOneStopBit)
        tio.c_cflag |= CSTOPB;
    if (dcb.fParity && dcb.Parity != kParityNone)
        tio.c_iflag |= INPCK;
    if (dcb.fOutxCtsFlow || dcb.fRtsControl == kLineHandshake)
        tio.c_cflag |= CRTSCTS;
    if (dcb.fOutX)
        tio.c_iflag |= IXON;
    if (dcb.fInX)
        tio.c_iflag |= IXOFF;
    if (!SetTermios(fd, tio))
        return false;
    // Some drivers quietly keep a framing of their own (a pseudo-terminal is
    // always 8 bits without parity); a line that does not frame as asked must
    // not pass for applied. The rate is left to the caller's read-back,
    // because drivers round it.
    termios2 applied{};
    if (!GetTermios(fd, applied))
        return false;
    constexpr tcflag_t kFraming = CSIZE | PARENB | PARODD | CMSPAR | CSTOPB;
    if ((applied.c_cflag & kFraming) != (tio.c_cflag & kFraming)) {
        SetTermios(fd, previous);
        errno = EINVAL;
        return false;
    }
    // Under RTS handshake the driver owns RTS.
    if (!SetModemLine(fd, TIOCM_DTR, dcb.fDtrControl == kLineEnable))
        return false;
    return dcb.fRtsControl == kLineHandshake || SetModemLine(fd, TIOCM_RTS, dcb.fRtsControl == kLineEnable);
}

bool SetModemLines(int fd, bool dtr, bool rts)
{
    return SetModemLine(fd, TIOCM_DTR, dtr) && SetModemLine(fd, TIOCM_RTS, rts);
}
