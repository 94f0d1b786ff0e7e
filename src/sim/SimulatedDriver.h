#pragma once
// The simulator as a converter driver, an ordinary driver of the link: open succeeds while the
// unit is plugged in, an unplug kills the open handle, the latency timer is the unit's.
// The unit runs where its timers run (the user-interface thread); `waitReadable` may be called
// from a receive thread.

#include "link/FtDriver.h"
#include "sim/ZR48Simulator.h"

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>

namespace zr48 {

class SimulatedDriver : public FtDriver {
public:
    explicit SimulatedDriver(ZR48Simulator& unit);
    ~SimulatedDriver() override;

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

    bool isOpen() const;

private:
    bool alive() const; // open, and the unit not unplugged since
    void takeOutput();

    ZR48Simulator& unit_;
    bool open_ = false;
    std::uint64_t generation_ = 0;
    mutable std::mutex mutex_;
    std::condition_variable arrived_;
    std::deque<std::uint8_t> received_;
};

// A whole simulated unit: its card (kept in `cardFile` when given), the unit and its driver.
struct SimulatedUnit {
    SimulatedUnit(TimerFactory& timers, std::function<std::int64_t()> nowUs, const Path& cardFile = {},
                  SimOptions options = {})
        : card(cardFile), unit(timers, std::move(nowUs), card, std::move(options)), driver(unit)
    {}
    SimCard card;
    ZR48Simulator unit;
    SimulatedDriver driver;
};

} // namespace zr48
