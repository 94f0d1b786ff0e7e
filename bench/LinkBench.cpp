// The receive path: unstuffing a full 64 KiB read, and frames delivered through TUsbZR48 from the
// simulated unit (wall-clock rate of the host side, and the rate the line allows in virtual time).

#include "base/VirtualClock.h"
#include "link/Frames.h"
#include "link/Framing.h"
#include "link/UsbZR48.h"
#include "sim/SimulatedDriver.h"

#include <benchmark/benchmark.h>

#include <random>
#include <vector>

namespace {

using namespace zr48;

std::vector<std::uint8_t> wireOf64KiB()
{
    std::mt19937 random(1);
    std::vector<std::uint8_t> wire;
    std::vector<std::uint8_t> payload(516);
    std::uint8_t frame[kMaxWireFrame];
    while (wire.size() < 65536) {
        for (auto& b : payload)
            b = static_cast<std::uint8_t>(random());
        const std::size_t n = stuffFrame(payload, frame);
        wire.insert(wire.end(), frame, frame + n);
    }
    wire.resize(65536);
    return wire;
}

void BM_Unstuff64KiB(benchmark::State& state)
{
    const auto wire = wireOf64KiB();
    FrameCollector collector;
    std::size_t delivered = 0;
    for (auto _ : state) {
        collector.feed(wire, [&](const std::uint8_t*, std::size_t n) { delivered += n; });
        benchmark::DoNotOptimize(delivered);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * 65536);
}
BENCHMARK(BM_Unstuff64KiB);

// Sector reads one after the other, each sent when the previous reply arrives, as the uploader does.
void BM_FramesThroughLink(benchmark::State& state)
{
    VirtualClock clock;
    SimOptions options;
    SimulatedUnit sim(
        clock, [&clock] { return clock.now() * 1000; }, {}, options);
    TimerRxThreadHost threads(clock);
    TUsbZR48 link(clock, sim.driver, threads, {});
    std::uint16_t expected = 0;
    bool arrived = false;
    std::int64_t frames = 0;
    link.SetFrameHandler([&](const std::uint8_t* p, int n) {
        if (p && FrameView(p, static_cast<std::size_t>(n)).is(FrameType::SectorData)) {
            arrived = decodeSectorData(FrameView(p, static_cast<std::size_t>(n))).sector == expected;
            ++frames;
        }
    });
    clock.advanceUntil([&] { return link.Connected(); }, 1000);
    sim.unit.setLatencyMs(static_cast<int>(state.range(0))); // the link set it to 1 on open
    const std::int64_t start = clock.now();
    for (auto _ : state) {
        arrived = false;
        link.Send(encode(SectorReadFrame{0, ++expected}));
        clock.advanceUntil([&] { return arrived; }, 1000);
    }
    state.counters["frames/s"] = benchmark::Counter(static_cast<double>(frames), benchmark::Counter::kIsRate);
    state.counters["sectors/s on the line"] = static_cast<double>(state.iterations()) * 1000.0 /
                                              static_cast<double>(std::max<std::int64_t>(1, clock.now() - start));
}
BENCHMARK(BM_FramesThroughLink)->Arg(1)->Arg(16);

} // namespace
