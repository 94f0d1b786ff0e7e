#pragma once
// `--link auto`: the converter as a serial device, and when none is found, through libftdi1.
// Each open tries both again, so a converter plugged in later is found whichever way it shows.

#include "link/FtDriver.h"

#include <atomic>
#include <memory>

namespace zr48 {

class AutoDriver : public FtDriver {
public:
    AutoDriver(std::unique_ptr<FtDriver> first, std::unique_ptr<FtDriver> second);

    FtStatus openByDescription(const std::string& description) override;
    FtStatus setBaudRate(std::uint32_t baud) override { return active_.load()->setBaudRate(baud); }
    FtStatus setDataCharacteristics(std::uint8_t bits, std::uint8_t stopBits, std::uint8_t parity) override
    {
        return active_.load()->setDataCharacteristics(bits, stopBits, parity);
    }
    FtStatus setFlowControl(std::uint16_t flow) override { return active_.load()->setFlowControl(flow); }
    FtStatus setLatencyTimer(std::uint8_t ms) override { return active_.load()->setLatencyTimer(ms); }
    std::size_t queuedBytes() override { return active_.load()->queuedBytes(); }
    std::size_t read(std::uint8_t* buffer, std::size_t n) override { return active_.load()->read(buffer, n); }
    void write(const std::uint8_t* bytes, std::size_t n) override { active_.load()->write(bytes, n); }
    bool waitReadable(int timeoutMs) override { return active_.load()->waitReadable(timeoutMs); }
    void close() override { active_.load()->close(); }
    FtFailure lastFailure() const override { return active_.load()->lastFailure(); }

private:
    std::unique_ptr<FtDriver> first_;
    std::unique_ptr<FtDriver> second_;
    std::atomic<FtDriver*> active_;
};

} // namespace zr48
