#pragma once
// The receive event of the drivers that read a file descriptor (a serial device, a socket).

#include <poll.h>

namespace zr48 {

// True once `fd` has bytes to read, false after `timeoutMs` without any. A closed (-1), hung-up or
// failed descriptor waits out the time, so that the receive thread does not spin.
inline bool waitFdReadable(int fd, int timeoutMs)
{
    pollfd p{fd, POLLIN, 0};
    if (p.fd >= 0) {
        const int ready = poll(&p, 1, timeoutMs);
        if (ready > 0 && (p.revents & POLLIN))
            return true;
        if (ready == 0)
            return false;
    }
    poll(nullptr, 0, timeoutMs);
    return false;
}

} // namespace zr48
