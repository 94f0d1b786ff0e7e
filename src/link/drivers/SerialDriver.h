#pragma once
// The converter as a Linux serial device. By description it takes the device that the udev rule
// named /dev/zr48-N, or else finds the ttyUSB*/ttyACM* whose USB product string (from sysfs) equals
// the description (and, when given, whose USB serial number is the one asked for); with an explicit
// path it opens that device, a pseudo-terminal for example. The line is set raw, without echo or
// translation.

#include "link/FtDriver.h"
#include "link/drivers/ConverterList.h"

#include <atomic>
#include <filesystem>
#include <optional>
#include <string>

namespace zr48 {

class SerialDriver : public FtDriver {
public:
    using SystemFolders = SerialSystemFolders;

    // Finds the device by its USB description, and by its USB serial number when one is given.
    SerialDriver() = default;
    explicit SerialDriver(SystemFolders folders, std::string serialNumber = {})
        : folders_(std::move(folders)), serialNumber_(std::move(serialNumber))
    {}
    explicit SerialDriver(std::filesystem::path explicitPath) : explicitPath_(std::move(explicitPath)) {}
    ~SerialDriver() override;

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

    // What an open that failed with `error` (an errno value) tells the user: for missing
    // permission, the group `group` that owns `device` and a udev rule when the device was found
    // by its USB description (`foundByUsb`).
    static FtFailure describeOpenError(int error, const std::filesystem::path& device, const std::string& group,
                                       bool foundByUsb);

    // The device behind the lowest-numbered link zr48-N in `devDir` that leads to one. The udev rule
    // makes these links for the converter only.
    static std::optional<std::filesystem::path> findUnitLink(const std::filesystem::path& devDir = "/dev");

private:
    SystemFolders folders_;
    std::string serialNumber_;
    std::optional<std::filesystem::path> explicitPath_;
    std::string ttyName_; // set when found by description: where its latency timer lies
    FtFailure failure_;
    std::atomic<int> fd_{-1};
};

} // namespace zr48
