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

class TracingDriver : public LinkTransport {
public:
    // `seconds` tells the time of each line.
    TracingDriver(LinkTransport& driver, std::ostream& out, std::function<double()> seconds);

    FtStatus open() override;
    SerialLine* serialLine() override { return driver_.serialLine(); }
    std::size_t queuedBytes() override { return driver_.queuedBytes(); }
    std::size_t read(std::uint8_t* buffer, std::size_t n) override;
    void write(const std::uint8_t* bytes, std::size_t n) override;
    bool waitReadable(int timeoutMs) override { return driver_.waitReadable(timeoutMs); }
    void close() override { driver_.close(); }
    FtFailure lastFailure() const override { return driver_.lastFailure(); }

private:
    void trace(FrameCollector& collector, bool sent, std::span<const std::uint8_t> bytes);

    LinkTransport& driver_;
    std::ostream& out_;
    std::function<double()> seconds_;
    FrameCollector sent_;
    FrameCollector received_;
};

} // namespace zr48::cli
