#pragma once

#include "transport/tcomsocket.h"

// The termios side of the serial port. Kept apart because the kernel's
// termios2 (asm/termbits.h) and the C library's <termios.h> cannot share a
// translation unit. Each function returns false with errno set on failure.

// Raw mode, 8N1, no flow control, receiver on, modem control lines ignored
// and left alone on close (no HUPCL); the rate is kept.
[[nodiscard]] bool ApplyRawMode(int fd);

// Reads the line settings into `dcb`. Fields the driver does not report
// (DTR and RTS on a device without modem lines) keep what `dcb` held.
[[nodiscard]] bool ReadLineSettings(int fd, TDCB& dcb);

// Applies `dcb`; any rate goes through as is (BOTHER). Settings this platform
// or this driver cannot provide (DSR handshake, 1.5 stop bits with more than
// 5 data bits, a rate of 0, which would hang up the line, a framing the driver
// replaces with its own) fail with EINVAL and leave the line as it was.
[[nodiscard]] bool ApplyLineSettings(int fd, const TDCB& dcb);

// Raises or drops DTR and RTS. A device without modem lines (a
// pseudo-terminal) is not a failure.
[[nodiscard]] bool SetModemLines(int fd, bool dtr, bool rts);
