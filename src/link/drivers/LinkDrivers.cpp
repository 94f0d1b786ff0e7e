#include "link/drivers/LinkDrivers.h"

#include "base/Text.h"
#include "link/drivers/AutoDriver.h"
#include "link/drivers/FtdiDriver.h"
#include "link/drivers/SerialDriver.h"

#include <cstdlib>

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
    const char* home = std::getenv("HOME");
    if (path.starts_with("~/") && home && *home)
        return std::string(home) + path.substr(1);
    return path;
}

} // namespace

LinkDriver::LinkDriver(const LinkTarget& target, TimerFactory& timers, std::function<std::int64_t()> nowUs)
{
    switch (target.kind) {
    case LinkTarget::Kind::Auto:
        driver_ = std::make_unique<AutoDriver>(std::make_unique<SerialDriver>(), std::make_unique<FtdiDriver>());
        description_ = "a USB serial converter \"" + std::string(kZr48Description) + "\" (serial or libftdi1)";
        break;
    case LinkTarget::Kind::Serial:
        driver_ = std::make_unique<SerialDriver>();
        description_ = "a serial device \"" + std::string(kZr48Description) + "\"";
        break;
    case LinkTarget::Kind::Ftdi:
        driver_ = std::make_unique<FtdiDriver>();
        description_ = "an FTDI device \"" + std::string(kZr48Description) + "\" (libftdi1)";
        break;
    case LinkTarget::Kind::Tty:
        driver_ = std::make_unique<SerialDriver>(std::filesystem::path(target.argument));
        description_ = "the terminal device " + target.argument;
        break;
    case LinkTarget::Kind::Sim:
        simulated_ = std::make_unique<SimulatedUnit>(timers, std::move(nowUs), expandHome(target.argument));
        driver_ = std::make_unique<BorrowedDriver>(simulated_->driver);
        description_ = target.argument.empty() ? "the simulator" : "the simulator (card " + target.argument + ")";
        break;
    }
}

} // namespace zr48
