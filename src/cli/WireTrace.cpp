#include "cli/WireTrace.h"

#include "cli/Cli.h"
#include "link/Frames.h"

#include <cstdio>
#include <ostream>

namespace zr48::cli {

std::string traceLine(double seconds, bool sent, std::span<const std::uint8_t> payload)
{
    char head[64];
    std::snprintf(head, sizeof head, "%.6f %-8s ", seconds, sent ? "sent" : "received");
    std::string line = std::string(kMessagePrefix) + head;
    const char* name = payload.empty() ? "(empty)" : frameTypeName(payload[0]);
    std::string type = name ? name : "type " + std::to_string(payload[0]);
    type.resize(std::max<std::size_t>(type.size(), 16), ' ');
    line += type;
    for (const std::uint8_t byte : payload) {
        char hex[4];
        std::snprintf(hex, sizeof hex, " %02X", byte);
        line += hex;
    }
    line.erase(line.find_last_not_of(' ') + 1);
    return line;
}

TracingDriver::TracingDriver(LinkTransport& driver, std::ostream& out, std::function<double()> seconds)
    : driver_(driver), out_(out), seconds_(std::move(seconds))
{}

FtStatus TracingDriver::open()
{
    // Bytes of an earlier open are no part of the frames of this one.
    sent_ = {};
    received_ = {};
    return driver_.open();
}

std::size_t TracingDriver::read(std::uint8_t* buffer, std::size_t n)
{
    const std::size_t got = driver_.read(buffer, n);
    trace(received_, false, {buffer, got});
    return got;
}

void TracingDriver::write(const std::uint8_t* bytes, std::size_t n)
{
    trace(sent_, true, {bytes, n});
    driver_.write(bytes, n);
}

void TracingDriver::trace(FrameCollector& collector, bool sent, std::span<const std::uint8_t> bytes)
{
    collector.feed(bytes, [&](const std::uint8_t* payload, std::size_t length) {
        out_ << traceLine(seconds_(), sent, {payload, length}) << '\n';
    });
}

} // namespace zr48::cli
