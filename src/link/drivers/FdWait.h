#pragma once
// Waiting and writing for the drivers that talk through a file descriptor (a serial device, a
// socket).

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <poll.h>
#include <sys/types.h>

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

// Writes `bytes` to a descriptor that does not block through `put` (write, send): a full queue gets
// about 200 ms to drain, then the rest is lost as on a failed write (the tools resend). False when
// the descriptor failed for good, which a caller may take as a lost link.
template <typename Put>
bool writeFdPatiently(int fd, const std::uint8_t* bytes, std::size_t n, Put put)
{
    int patience = 20;
    while (n > 0) {
        const ssize_t written = put(fd, bytes, n);
        if (written > 0) {
            bytes += written;
            n -= static_cast<std::size_t>(written);
            continue;
        }
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0 && errno != EAGAIN && errno != EWOULDBLOCK)
            return false;
        pollfd p{fd, POLLOUT, 0};
        if (--patience < 0 || poll(&p, 1, 10) < 0)
            return true;
    }
    return true;
}

} // namespace zr48
