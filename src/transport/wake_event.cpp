#include "transport/wake_event.h"

#include <cstdint>
#include <sys/eventfd.h>
#include <unistd.h>

TWakeEvent::TWakeEvent() : Fd(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK))
{
}

TWakeEvent::~TWakeEvent()
{
    if (Fd >= 0)
        close(Fd);
}

void TWakeEvent::Signal()
{
    if (Fd >= 0)
        eventfd_write(Fd, 1);
}

void TWakeEvent::Reset()
{
    eventfd_t value = 0;
    if (Fd >= 0)
        eventfd_read(Fd, &value);
}
