#include "link/drivers/FtdiDriver.h"

#include <ftdi.h>

#include <algorithm>
#include <poll.h>
#include <string>

namespace zr48 {

FtdiDriver::FtdiDriver(std::string serialNumber) : serialNumber_(std::move(serialNumber)), context_(ftdi_new()) {}

FtdiDriver::~FtdiDriver()
{
    close();
    if (context_)
        ftdi_free(context_);
}

FtStatus FtdiDriver::openByDescription(const std::string& description)
{
    close();
    std::lock_guard lock(mutex_);
    failure_ = {};
    if (!context_)
        return FT_INSUFFICIENT_RESOURCES;
    FtStatus status = FT_DEVICE_NOT_FOUND;
    for (const int product : kProducts) {
        const int result = ftdi_usb_open_desc(context_, kVendor, product, description.c_str(),
                                              serialNumber_.empty() ? nullptr : serialNumber_.c_str());
        if (result == 0) {
            open_ = true;
            // Short reads: the receive path polls, it must not wait on the chip.
            context_->usb_read_timeout = 1;
            ftdi_tcioflush(context_);
            return FT_OK;
        }
        // -3: no such device; -12: no USB to list devices on; anything else: a matching device
        // that could not be opened or asked for its description (often missing permissions).
        if (result != -3 && result != -12) {
            status = FT_DEVICE_NOT_OPENED;
            const std::string error = ftdi_get_error_string(context_);
            failure_ = {"Cannot open the USB device",
                        "The converter \"" + description + "\" was found on USB but could not be opened (" + error +
                            ").\nThis is usually missing permission. Let udev give it to whoever is logged in: put "
                            "the line\n  SUBSYSTEM==\"usb\", ATTRS{product}==\"" +
                            description +
                            "\", TAG+=\"uaccess\"\ninto /etc/udev/rules.d/70-zr48.rules and plug the ZR48 in again."};
        }
    }
    return status;
}

FtStatus FtdiDriver::setBaudRate(std::uint32_t baud)
{
    std::lock_guard lock(mutex_);
    if (!open_)
        return FT_INVALID_HANDLE;
    return ftdi_set_baudrate(context_, static_cast<int>(baud)) == 0 ? FT_OK : FT_INVALID_BAUD_RATE;
}

FtStatus FtdiDriver::setDataCharacteristics(std::uint8_t bits, std::uint8_t stopBits, std::uint8_t parity)
{
    std::lock_guard lock(mutex_);
    if (!open_)
        return FT_INVALID_HANDLE;
    const ftdi_bits_type b = bits == 7 ? BITS_7 : BITS_8;
    const ftdi_stopbits_type s = stopBits == 2 ? STOP_BIT_2 : (stopBits == 1 ? STOP_BIT_15 : STOP_BIT_1);
    const ftdi_parity_type p = parity == 1 ? ODD : parity == 2 ? EVEN : parity == 3 ? MARK : parity == 4 ? SPACE : NONE;
    return ftdi_set_line_property(context_, b, s, p) == 0 ? FT_OK : FT_IO_ERROR;
}

FtStatus FtdiDriver::setFlowControl(std::uint16_t flow)
{
    std::lock_guard lock(mutex_);
    if (!open_)
        return FT_INVALID_HANDLE;
    return ftdi_setflowctrl(context_, flow == FT_FLOW_NONE ? SIO_DISABLE_FLOW_CTRL : flow) == 0 ? FT_OK : FT_IO_ERROR;
}

FtStatus FtdiDriver::setLatencyTimer(std::uint8_t ms)
{
    std::lock_guard lock(mutex_);
    if (!open_)
        return FT_INVALID_HANDLE;
    return ftdi_set_latency_timer(context_, ms) == 0 ? FT_OK : FT_IO_ERROR;
}

void FtdiDriver::pull()
{
    if (!open_)
        return;
    unsigned char chunk[4096];
    const int got = ftdi_read_data(context_, chunk, sizeof chunk);
    if (got > 0)
        received_.insert(received_.end(), chunk, chunk + got);
}

std::size_t FtdiDriver::queuedBytes()
{
    std::lock_guard lock(mutex_);
    pull();
    return received_.size();
}

std::size_t FtdiDriver::read(std::uint8_t* buffer, std::size_t n)
{
    std::lock_guard lock(mutex_);
    if (received_.size() < n)
        pull();
    const std::size_t count = std::min(n, received_.size());
    std::copy_n(received_.begin(), count, buffer);
    received_.erase(received_.begin(), received_.begin() + static_cast<std::ptrdiff_t>(count));
    return count;
}

void FtdiDriver::write(const std::uint8_t* bytes, std::size_t n)
{
    std::lock_guard lock(mutex_);
    if (open_)
        ftdi_write_data(context_, bytes, static_cast<int>(n));
}

bool FtdiDriver::waitReadable(int timeoutMs)
{
    {
        std::lock_guard lock(mutex_);
        pull();
        if (!received_.empty())
            return true;
        if (open_)
            return false; // the read above waited on the chip already
    }
    poll(nullptr, 0, timeoutMs);
    return false;
}

void FtdiDriver::close()
{
    std::lock_guard lock(mutex_);
    if (open_)
        ftdi_usb_close(context_);
    open_ = false;
    received_.clear();
}

} // namespace zr48
