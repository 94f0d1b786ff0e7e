#pragma once
// The converter through libftdi1: the FTDI device whose USB description matches (and, when given,
// whose serial number is the one asked for), reached over libusb (the kernel's ftdi_sio is detached
// while the device is open).

#include "link/FtDriver.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>

struct ftdi_context;

namespace zr48 {

class FtdiDriver : public FtDriver {
public:
    // FTDI's vendor id and the product ids of its usual USB serial converters, tried in this order.
    static constexpr int kVendor = 0x0403;
    static constexpr int kProducts[] = {0x6001, 0x6015, 0x6014, 0x6010, 0x6011};

    explicit FtdiDriver(std::string serialNumber = {});
    ~FtdiDriver() override;
    FtdiDriver(const FtdiDriver&) = delete;
    FtdiDriver& operator=(const FtdiDriver&) = delete;

    FtStatus openByDescription(const std::string& description) override;
    FtStatus setBaudRate(std::uint32_t baud) override;
    FtStatus setDataCharacteristics(std::uint8_t bits, std::uint8_t stopBits, std::uint8_t parity) override;
    FtStatus setFlowControl(std::uint16_t flow) override;
    FtStatus setLatencyTimer(std::uint8_t ms) override;
    std::size_t queuedBytes() override;
    std::size_t read(std::uint8_t* buffer, std::size_t n) override;
    void write(const std::uint8_t* bytes, std::size_t n) override;
    bool waitReadable(int timeoutMs) override;
    void close() override;
    FtFailure lastFailure() const override { return failure_; }

private:
    // Moves what the chip holds into `received_`; called with the lock held.
    void pull();

    std::mutex mutex_; // libftdi is not thread-safe: every call goes through it
    std::string serialNumber_;
    ftdi_context* context_ = nullptr;
    bool open_ = false;
    std::deque<std::uint8_t> received_;
    FtFailure failure_;
};

} // namespace zr48
