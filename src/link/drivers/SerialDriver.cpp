#include "link/drivers/SerialDriver.h"

#include "link/drivers/DeviceLock.h"
#include "link/drivers/FdWait.h"

#include <cerrno>
#include <charconv>
#include <fcntl.h>
#include <fstream>
#include <grp.h>
#include <linux/serial.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <system_error>
#include <termios.h>
#include <unistd.h>
#include <vector>

namespace zr48 {

namespace {

speed_t speedOf(std::uint32_t baud)
{
    switch (baud) {
    case 9600: return B9600;
    case 19200: return B19200;
    case 38400: return B38400;
    case 57600: return B57600;
    case 115200: return B115200;
    case 230400: return B230400;
    case 460800: return B460800;
    case 921600: return B921600;
    default: return B0;
    }
}

// Applies `change` to the line's settings.
template <typename Change>
FtStatus changeLine(int fd, Change change)
{
    if (fd < 0)
        return FT_INVALID_HANDLE;
    termios t{};
    if (tcgetattr(fd, &t) != 0)
        return FT_IO_ERROR;
    if (!change(t))
        return FT_INVALID_PARAMETER;
    return tcsetattr(fd, TCSANOW, &t) == 0 ? FT_OK : FT_IO_ERROR;
}

// The name of the group that owns `device`; "dialout", the usual owner of serial devices, when
// it cannot be told or is root's (which no user should join for this).
std::string owningGroup(const std::filesystem::path& device)
{
    struct stat st {};
    if (::stat(device.c_str(), &st) != 0 || st.st_gid == 0)
        return "dialout";
    std::vector<char> buffer(4096);
    group entry{};
    group* found = nullptr;
    if (getgrgid_r(st.st_gid, &entry, buffer.data(), buffer.size(), &found) != 0 || !found)
        return "dialout";
    return found->gr_name;
}

} // namespace

FtFailure SerialDriver::describeOpenError(int error, const std::filesystem::path& device, const std::string& group,
                                          bool foundByUsb)
{
    if (error != EACCES && error != EPERM)
        return {std::system_category().message(error),
                "Cannot open " + device.string() + ": " + std::system_category().message(error) + "."};
    std::string help = "Permission denied: cannot open " + device.string() + ".\n" +
                       "To get access, add your user to the group \"" + group + "\" that owns it (sudo usermod -aG " +
                       group + " $USER), then log out and in again.";
    if (foundByUsb)
        help += std::string("\nOr let udev give it to whoever is logged in: put the line\n"
                            "  SUBSYSTEM==\"tty\", ATTRS{product}==\"") +
                kZr48Description +
                "\", TAG+=\"uaccess\"\n"
                "into /etc/udev/rules.d/70-zr48.rules and plug the ZR48 in again.";
    return {"Permission denied", help};
}

SerialDriver::~SerialDriver()
{
    close();
}

std::optional<std::filesystem::path> SerialDriver::findUnitLink(const std::filesystem::path& devDir)
{
    constexpr std::string_view kPrefix = "zr48-";
    std::optional<std::filesystem::path> found;
    unsigned foundNumber = 0;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(devDir, ec)) {
        const std::string name = entry.path().filename().string();
        if (!name.starts_with(kPrefix))
            continue;
        const char* first = name.data() + kPrefix.size();
        const char* last = name.data() + name.size();
        unsigned number = 0;
        const auto [end, error] = std::from_chars(first, last, number);
        if (first == last || error != std::errc{} || end != last || (found && number >= foundNumber))
            continue;
        std::error_code linkEc; // a link whose device is gone leads nowhere
        const auto device = std::filesystem::canonical(entry.path(), linkEc);
        if (!linkEc) {
            found = device;
            foundNumber = number;
        }
    }
    return found;
}

FtStatus SerialDriver::openByDescription(const std::string& description)
{
    close();
    failure_ = {};
    ttyName_.clear();
    std::filesystem::path path;
    if (explicitPath_) {
        path = *explicitPath_;
    } else if (const auto choice = chooseSerialDevice(folders_, description, serialNumber_)) {
        path = choice->device;
        ttyName_ = choice->tty;
    } else {
        return FT_DEVICE_NOT_FOUND;
    }
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        if (error == ENOENT)
            return FT_DEVICE_NOT_FOUND;
        if (error == EBUSY) { // in exclusive use
            failure_ = inUseFailure(path.string(), flockHolder(path));
            return FT_DEVICE_NOT_OPENED;
        }
        failure_ = describeOpenError(error, path, owningGroup(path), !explicitPath_);
        return FT_DEVICE_NOT_OPENED;
    }
    termios t{};
    if (tcgetattr(fd, &t) != 0) {
        ::close(fd);
        failure_ = {"Not a serial device", path.string() + " is not a serial device."};
        return FT_DEVICE_NOT_OPENED;
    }
    // The advisory lock first, then the exclusive mode: a device in exclusive mode whose lock
    // nobody holds was left so by a program that ended without closing it properly.
    if (!tryLockExclusively(fd)) {
        ::close(fd);
        failure_ = inUseFailure(path.string(), flockHolder(path));
        return FT_DEVICE_NOT_OPENED;
    }
    ioctl(fd, TIOCEXCL);
    cfmakeraw(&t);
    t.c_cflag |= CLOCAL | CREAD;
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 0;
    tcsetattr(fd, TCSANOW, &t);
    tcflush(fd, TCIOFLUSH);
    fd_.store(fd);
    return FT_OK;
}

FtStatus SerialDriver::setBaudRate(std::uint32_t baud)
{
    const speed_t speed = speedOf(baud);
    if (speed == B0)
        return FT_INVALID_BAUD_RATE;
    return changeLine(fd_.load(),
                      [speed](termios& t) { return cfsetispeed(&t, speed) == 0 && cfsetospeed(&t, speed) == 0; });
}

FtStatus SerialDriver::setDataCharacteristics(std::uint8_t bits, std::uint8_t stopBits, std::uint8_t parity)
{
    return changeLine(fd_.load(), [=](termios& t) {
        t.c_cflag &= ~static_cast<tcflag_t>(CSIZE | CSTOPB | PARENB | PARODD);
        switch (bits) {
        case 7: t.c_cflag |= CS7; break;
        case 8: t.c_cflag |= CS8; break;
        default: return false;
        }
        if (stopBits == 2)
            t.c_cflag |= CSTOPB;
        else if (stopBits != FT_STOP_BITS_1)
            return false;
        if (parity == 1)
            t.c_cflag |= PARENB | PARODD;
        else if (parity == 2)
            t.c_cflag |= PARENB;
        else if (parity != FT_PARITY_NONE)
            return false;
        return true;
    });
}

FtStatus SerialDriver::setFlowControl(std::uint16_t flow)
{
    return changeLine(fd_.load(), [flow](termios& t) {
        t.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
        t.c_cflag &= ~static_cast<tcflag_t>(CRTSCTS);
        if (flow == 0x0100) // FT_FLOW_RTS_CTS
            t.c_cflag |= CRTSCTS;
        else if (flow != FT_FLOW_NONE)
            return false;
        return true;
    });
}

FtStatus SerialDriver::setLatencyTimer(std::uint8_t ms)
{
    const int fd = fd_.load();
    if (fd < 0)
        return FT_INVALID_HANDLE;
    // An FTDI converter holds short replies back for its latency timer (16 ms by default);
    // ftdi_sio offers it in sysfs, writable by root or through a udev rule.
    if (!ttyName_.empty()) {
        std::ofstream latency(folders_.sysClassTty / ttyName_ / "device" / "latency_timer");
        if (latency && (latency << int(ms)).flush())
            return FT_OK;
    }
    // Without that right, the low-latency flag makes ftdi_sio use 1 ms as well.
    serial_struct serial{};
    if (ms <= 1 && ioctl(fd, TIOCGSERIAL, &serial) == 0) {
        serial.flags |= ASYNC_LOW_LATENCY;
        if (ioctl(fd, TIOCSSERIAL, &serial) == 0)
            return FT_OK;
    }
    return FT_NOT_SUPPORTED;
}

std::size_t SerialDriver::queuedBytes()
{
    int queued = 0;
    const int fd = fd_.load();
    if (fd < 0 || ioctl(fd, FIONREAD, &queued) != 0 || queued < 0)
        return 0;
    return static_cast<std::size_t>(queued);
}

std::size_t SerialDriver::read(std::uint8_t* buffer, std::size_t n)
{
    const int fd = fd_.load();
    if (fd < 0)
        return 0;
    const ssize_t got = ::read(fd, buffer, n);
    return got > 0 ? static_cast<std::size_t>(got) : 0;
}

void SerialDriver::write(const std::uint8_t* bytes, std::size_t n)
{
    const int fd = fd_.load();
    if (fd < 0)
        return;
    // A failed write loses the frame as a failed FT_Write does; the tools resend.
    writeFdPatiently(fd, bytes, n,
                     [](int to, const std::uint8_t* data, std::size_t size) { return ::write(to, data, size); });
}

bool SerialDriver::waitReadable(int timeoutMs)
{
    return waitFdReadable(fd_.load(), timeoutMs);
}

void SerialDriver::close()
{
    const int fd = fd_.exchange(-1);
    if (fd >= 0) {
        ioctl(fd, TIOCNXCL); // others may open it again
        ::close(fd);
    }
}

} // namespace zr48
