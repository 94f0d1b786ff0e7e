#pragma once
// A simulated ZR48 on the link in virtual time, with the main window's frame dispatcher: the
// bench that the device tools' tests run on.

#include "base/VirtualClock.h"
#include "link/FrameDispatcher.h"
#include "link/UsbZR48.h"
#include "sim/SimulatedDriver.h"

#include <cstdint>
#include <vector>

namespace zr48::test {

struct SimBench {
    explicit SimBench(SimOptions options = {})
        : unit(
              clock, [this] { return clock.now() * 1000; }, {}, std::move(options)),
          threads(clock), link(clock, unit.driver, threads, {})
    {
        link.SetFrameHandler([this](const std::uint8_t* payload, int length) {
            if (payload)
                received.emplace_back(payload, payload + length);
            dispatcher.Dispatch(payload, length);
        });
    }

    // What a tool hands its frames to.
    auto sender()
    {
        return [this](std::span<const std::uint8_t> payload) {
            sent.emplace_back(payload.begin(), payload.end());
            link.Send(payload);
        };
    }
    std::size_t sentOfType(FrameType type) const
    {
        std::size_t n = 0;
        for (const auto& frame : sent)
            n += !frame.empty() && frame[0] == static_cast<std::uint8_t>(type);
        return n;
    }

    VirtualClock clock;
    SimulatedUnit unit;
    TimerRxThreadHost threads;
    TUsbZR48 link;
    FrameDispatcher dispatcher;
    std::vector<std::vector<std::uint8_t>> sent;
    std::vector<std::vector<std::uint8_t>> received;
};

} // namespace zr48::test
