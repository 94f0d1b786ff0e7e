#include "link/drivers/NetworkDriver.h"

#include "link/drivers/FdWait.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace zr48 {

NetworkDriver::NetworkDriver(std::string host, std::uint16_t port, Protocol protocol)
    : host_(std::move(host)), port_(port), protocol_(protocol)
{}

NetworkDriver::~NetworkDriver()
{
    close();
}

std::string NetworkDriver::address() const
{
    const bool ipv6 = host_.find(':') != std::string::npos;
    return (ipv6 ? "[" + host_ + "]" : host_) + ":" + std::to_string(port_);
}

FtStatus NetworkDriver::fail(const std::string& reason, const std::string& help)
{
    failure_ = {reason, help};
    return FT_DEVICE_NOT_FOUND;
}

namespace {

// Connects `fd` (non-blocking) to `address`, waiting at most `timeoutMs`; 0 or the errno value.
int connectWithin(int fd, const addrinfo& address, int timeoutMs)
{
    if (::connect(fd, address.ai_addr, address.ai_addrlen) == 0)
        return 0;
    if (errno != EINPROGRESS)
        return errno;
    pollfd p{fd, POLLOUT, 0};
    const int ready = poll(&p, 1, timeoutMs);
    if (ready == 0)
        return ETIMEDOUT;
    if (ready < 0)
        return errno;
    int error = 0;
    socklen_t length = sizeof error;
    getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length);
    return error;
}

} // namespace

FtStatus NetworkDriver::open()
{
    close();
    failure_ = {};
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    const std::string port = std::to_string(port_);
    if (const int error = getaddrinfo(host_.c_str(), port.c_str(), &hints, &found); error != 0) {
        const std::string why = error == EAI_SYSTEM ? std::strerror(errno) : gai_strerror(error);
        return fail("Cannot find " + host_ + ": " + why,
                    "Cannot find the host " + host_ + " (port " + port + "): " + why + ".");
    }
    std::string why = "no address";
    for (const addrinfo* a = found; a; a = a->ai_next) {
        const int fd = ::socket(a->ai_family, a->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, a->ai_protocol);
        if (fd < 0) {
            why = std::strerror(errno);
            continue;
        }
        if (const int error = connectWithin(fd, *a, kConnectTimeoutMs); error != 0) {
            why = std::strerror(error);
            ::close(fd);
            continue;
        }
        // Frames are small and each waits for its reply: no batching of short writes.
        const int on = 1;
        setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
        fd_.store(fd);
        break;
    }
    freeaddrinfo(found);
    if (fd_.load() < 0)
        return fail(why + " (" + address() + ")", "Cannot connect to " + address() + ": " + why + ".");
    telnet_.reset();
    data_.clear();
    if (protocol_ == Protocol::ComPortControl) {
        const auto greeting = TelnetCodec::greeting();
        sendRaw(greeting.data(), greeting.size());
    }
    return FT_OK;
}

FtStatus NetworkDriver::setBaudRate(std::uint32_t baud)
{
    if (fd_.load() < 0)
        return FT_INVALID_HANDLE;
    const std::vector<std::uint8_t> value{static_cast<std::uint8_t>(baud >> 24), static_cast<std::uint8_t>(baud >> 16),
                                          static_cast<std::uint8_t>(baud >> 8), static_cast<std::uint8_t>(baud)};
    const auto command = TelnetCodec::comPortCommand(telnet::kSetBaudRate, value);
    sendRaw(command.data(), command.size());
    return FT_OK;
}

FtStatus NetworkDriver::setDataCharacteristics(std::uint8_t bits, std::uint8_t stopBits, std::uint8_t parity)
{
    if (fd_.load() < 0)
        return FT_INVALID_HANDLE;
    // COM-PORT-OPTION numbers: parity 1 none, 2 odd, 3 even; stop size 1 one, 2 two.
    if ((bits != 7 && bits != 8) || parity > 2 || (stopBits != FT_STOP_BITS_1 && stopBits != 2))
        return FT_INVALID_PARAMETER;
    const std::uint8_t parityValue = parity == FT_PARITY_NONE ? 1 : parity == 1 ? 2 : 3;
    const std::uint8_t stopValue = stopBits == FT_STOP_BITS_1 ? 1 : 2;
    for (const auto& command : {TelnetCodec::comPortCommand(telnet::kSetDataSize, {bits}),
                                TelnetCodec::comPortCommand(telnet::kSetParity, {parityValue}),
                                TelnetCodec::comPortCommand(telnet::kSetStopSize, {stopValue})})
        sendRaw(command.data(), command.size());
    return FT_OK;
}

FtStatus NetworkDriver::setFlowControl(std::uint16_t flow)
{
    if (fd_.load() < 0)
        return FT_INVALID_HANDLE;
    if (flow != FT_FLOW_NONE && flow != 0x0100)
        return FT_INVALID_PARAMETER;
    // 1 no flow control, 3 hardware (RTS/CTS).
    const auto command = TelnetCodec::comPortCommand(telnet::kSetControl, {std::uint8_t(flow == FT_FLOW_NONE ? 1 : 3)});
    sendRaw(command.data(), command.size());
    return FT_OK;
}

void NetworkDriver::sendRaw(const std::uint8_t* bytes, std::size_t n)
{
    const int fd = fd_.load();
    if (fd < 0)
        return;
    const auto send = [](int to, const std::uint8_t* data, std::size_t size) {
        return ::send(to, data, size, MSG_NOSIGNAL);
    };
    if (!writeFdPatiently(fd, bytes, n, send))
        lost();
}

void NetworkDriver::write(const std::uint8_t* bytes, std::size_t n)
{
    if (protocol_ == Protocol::Raw) {
        sendRaw(bytes, n);
        return;
    }
    encoded_.clear();
    TelnetCodec::encode(bytes, n, encoded_);
    sendRaw(encoded_.data(), encoded_.size());
}

void NetworkDriver::lost()
{
    const int fd = fd_.exchange(-1);
    if (fd >= 0)
        ::close(fd);
}

void NetworkDriver::receive()
{
    std::uint8_t chunk[16384];
    std::vector<std::uint8_t> replies;
    for (;;) {
        const int fd = fd_.load();
        if (fd < 0)
            return;
        const ssize_t got = ::recv(fd, chunk, sizeof chunk, 0);
        if (got == 0 || (got < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) {
            lost(); // the server closed the connection, or it broke
            return;
        }
        if (got < 0)
            break;
        if (protocol_ == Protocol::Raw)
            data_.insert(data_.end(), chunk, chunk + got);
        else
            telnet_.decode(chunk, static_cast<std::size_t>(got), data_, replies);
    }
    if (!replies.empty())
        sendRaw(replies.data(), replies.size());
}

std::size_t NetworkDriver::queuedBytes()
{
    receive();
    return data_.size();
}

std::size_t NetworkDriver::read(std::uint8_t* buffer, std::size_t n)
{
    if (data_.empty())
        receive();
    const std::size_t taken = std::min(n, data_.size());
    std::copy_n(data_.begin(), taken, buffer);
    data_.erase(data_.begin(), data_.begin() + static_cast<std::ptrdiff_t>(taken));
    return taken;
}

bool NetworkDriver::waitReadable(int timeoutMs)
{
    return waitFdReadable(fd_.load(), timeoutMs);
}

void NetworkDriver::close()
{
    lost();
    data_.clear();
}

} // namespace zr48
