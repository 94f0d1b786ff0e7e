#include "link/drivers/LinkDrivers.h"

#include "base/Platform.h"
#include "base/Text.h"

#ifdef _WIN32
#include "link/drivers/ComPortDriver.h"

#include <algorithm>
#include <chrono>
#include <thread>
namespace zr48 {
// The Windows build locks no card file.
class CardLock {};
} // namespace zr48
#else
#include "link/drivers/AutoDriver.h"
#include "link/drivers/DeviceLock.h"
#include "link/drivers/FtdiDriver.h"
#include "link/drivers/SerialDriver.h"
#endif

namespace zr48 {

namespace {

// A driver that forwards to another one that someone else owns.
class BorrowedDriver : public FtDriver {
public:
    explicit BorrowedDriver(FtDriver& d) : d_(d) {}
    FtStatus openByDescription(const std::string& description) override { return d_.openByDescription(description); }
    FtStatus setBaudRate(std::uint32_t baud) override { return d_.setBaudRate(baud); }
    FtStatus setDataCharacteristics(std::uint8_t bits, std::uint8_t stopBits, std::uint8_t parity) override
    {
        return d_.setDataCharacteristics(bits, stopBits, parity);
    }
    FtStatus setFlowControl(std::uint16_t flow) override { return d_.setFlowControl(flow); }
    FtStatus setLatencyTimer(std::uint8_t ms) override { return d_.setLatencyTimer(ms); }
    std::size_t queuedBytes() override { return d_.queuedBytes(); }
    std::size_t read(std::uint8_t* buffer, std::size_t n) override { return d_.read(buffer, n); }
    void write(const std::uint8_t* bytes, std::size_t n) override { d_.write(bytes, n); }
    bool waitReadable(int timeoutMs) override { return d_.waitReadable(timeoutMs); }
    void close() override { d_.close(); }
    FtFailure lastFailure() const override { return d_.lastFailure(); }

private:
    FtDriver& d_;
};

// "~/..." as a shell would have expanded it, for a card file written into a --link=sim:~/... value.
std::string expandHome(const std::string& path)
{
    const auto home = platform::environmentVariable("HOME");
    if (path.starts_with("~/") && home && !home->empty())
        return *home + path.substr(1);
    return path;
}

#ifdef _WIN32
// The converter as a COM port; libftdi1 has no place in a Windows build (FTDI's own driver makes
// the port).
std::unique_ptr<FtDriver> serialDriver(const SerialSystemFolders&, const std::string& serialNumber)
{
    return std::make_unique<ComPortDriver>(serialNumber);
}

std::unique_ptr<FtDriver> serialDriverAt(const std::string& port)
{
    return std::make_unique<ComPortDriver>(ComPortDriver::Port{port});
}

std::unique_ptr<FtDriver> autoDriver(const SerialSystemFolders& folders)
{
    return serialDriver(folders, {});
}

// `ftdi`, which this build lacks: every open says so.
class MissingFtdiDriver : public FtDriver {
public:
    FtStatus openByDescription(const std::string&) override { return FT_NOT_SUPPORTED; }
    FtStatus setBaudRate(std::uint32_t) override { return FT_INVALID_HANDLE; }
    FtStatus setDataCharacteristics(std::uint8_t, std::uint8_t, std::uint8_t) override { return FT_INVALID_HANDLE; }
    FtStatus setFlowControl(std::uint16_t) override { return FT_INVALID_HANDLE; }
    FtStatus setLatencyTimer(std::uint8_t) override { return FT_INVALID_HANDLE; }
    std::size_t queuedBytes() override { return 0; }
    std::size_t read(std::uint8_t*, std::size_t) override { return 0; }
    void write(const std::uint8_t*, std::size_t) override {}
    bool waitReadable(int timeoutMs) override
    {
        // Never open: the time is waited out, so that the receive thread does not spin.
        std::this_thread::sleep_for(std::chrono::milliseconds(std::max(timeoutMs, 0)));
        return false;
    }
    void close() override {}
    FtFailure lastFailure() const override
    {
        return {"No libftdi1 on Windows",
                "The Windows build reaches the converter through its COM port: use --link serial (or auto)."};
    }
};

std::unique_ptr<FtDriver> ftdiDriver(const std::string&)
{
    return std::make_unique<MissingFtdiDriver>();
}

constexpr const char* kAutoWay = " (its COM port)";
constexpr const char* kSerialKind = "a COM port \"";
constexpr const char* kTtyKind = "the COM port ";
#else
std::unique_ptr<FtDriver> serialDriver(const SerialSystemFolders& folders, const std::string& serialNumber)
{
    return std::make_unique<SerialDriver>(folders, serialNumber);
}

std::unique_ptr<FtDriver> serialDriverAt(const std::string& path)
{
    return std::make_unique<SerialDriver>(std::filesystem::path(path));
}

std::unique_ptr<FtDriver> autoDriver(const SerialSystemFolders& folders)
{
    return std::make_unique<AutoDriver>(std::make_unique<SerialDriver>(folders), std::make_unique<FtdiDriver>());
}

std::unique_ptr<FtDriver> ftdiDriver(const std::string& serialNumber)
{
    return std::make_unique<FtdiDriver>(serialNumber);
}

constexpr const char* kAutoWay = " (serial or libftdi1)";
constexpr const char* kSerialKind = "a serial device \"";
constexpr const char* kTtyKind = "the terminal device ";
#endif

} // namespace

LinkDriver::~LinkDriver() = default;

LinkDriver::LinkDriver(const LinkTarget& target, TimerFactory& timers, std::function<std::int64_t()> nowUs,
                       const SerialSystemFolders& folders, const Path& dataFolder,
                       [[maybe_unused]] const BeforeWaiting& beforeWaiting)
{
    const std::string serialNumber =
        target.argument.empty() ? std::string() : " with the serial number " + target.argument;
    switch (target.kind) {
    case LinkTarget::Kind::Auto:
        driver_ = autoDriver(folders);
        description_ = "a USB serial converter \"" + std::string(kZr48Description) + "\"" + kAutoWay;
        break;
    case LinkTarget::Kind::Serial:
        driver_ = serialDriver(folders, target.argument);
        description_ = kSerialKind + std::string(kZr48Description) + "\"" + serialNumber;
        break;
    case LinkTarget::Kind::Ftdi:
        driver_ = ftdiDriver(target.argument);
        description_ = "an FTDI device \"" + std::string(kZr48Description) + "\"" + serialNumber + " (libftdi1)";
        break;
    case LinkTarget::Kind::Tty:
        driver_ = serialDriverAt(target.argument);
        description_ = kTtyKind + target.argument;
        break;
    case LinkTarget::Kind::Sim: {
        SimOptions options;
        options.version = shippedFirmwareVersion(dataFolder);
        if (!target.simFirmware.empty())
            options.installedVersion = target.simFirmware;
        const std::string cardFile = expandHome(target.argument);
#ifndef _WIN32
        if (!cardFile.empty()) // the card is read only once no other program uses it
            cardLock_ = std::make_unique<CardLock>(cardFile, beforeWaiting);
#endif
        simulated_ = std::make_unique<SimulatedUnit>(timers, std::move(nowUs), cardFile, options);
        driver_ = std::make_unique<BorrowedDriver>(simulated_->driver);
        description_ = target.argument.empty() ? "the simulator" : "the simulator (card " + target.argument + ")";
        if (!target.simFirmware.empty())
            description_ += ", firmware " + target.simFirmware;
        break;
    }
    }
}

} // namespace zr48
