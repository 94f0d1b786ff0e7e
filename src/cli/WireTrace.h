#pragma once
// The wire trace of zr48 -vv: every frame sent to the ZR48 and received from it, one line each
// with the time, the direction, the frame's type name and its bytes. It watches the converter's
// bytes (a driver around the real one), so it shows what went over the line, whoever sent it.

#include "link/Framing.h"
#include "link/FtDriver.h"

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <span>
#include <string>

namespace zr48::cli {

// "zr48: 0.012345 sent     VersionRequest   0B 00"
std::string traceLine(double seconds, bool sent, std::span<const std::uint8_t> payload);

class TracingDriver : public FtDriver {
public:
    // `seconds` tells the time of each line.
    TracingDriver(FtDriver& driver, std::ostream& out, std::function<double()> seconds);

    FtStatus openByDescription(const std::string& description) override;
    FtStatus setBaudRate(std::uint32_t baud) override { return driver_.setBaudRate(baud); }
    FtStatus setDataCharacteristics(std::uint8_t bits, std::uint8_t stopBits, std::uint8_t parity) override
    {
        return driver_.setDataCharacteristics(bits, stopBits, parity);
    }
    FtStatus setFlowControl(std::uint16_t flow) override { return driver_.setFlowControl(flow); }
    FtStatus setLatencyTimer(std::uint8_t ms) override { return driver_.setLatencyTimer(ms); }
    std::size_t queuedBytes() override { return driver_.queuedBytes(); }
    std::size_t read(std::uint8_t* buffer, std::size_t n) override;
    void write(const std::uint8_t* bytes, std::size_t n) override;
    bool waitReadable(int timeoutMs) override { return driver_.waitReadable(timeoutMs); }
    void close() override { driver_.close(); }
    FtFailure lastFailure() const override { return driver_.lastFailure(); }

private:
    void trace(FrameCollector& collector, bool sent, std::span<const std::uint8_t> bytes);

    FtDriver& driver_;
    std::ostream& out_;
    std::function<double()> seconds_;
    FrameCollector sent_;
    FrameCollector received_;
};

} // namespace zr48::cli
