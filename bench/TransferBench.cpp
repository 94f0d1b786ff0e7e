// Downloads through the simulated unit's timing model, in virtual time: the sample project and an
// image of 2,000 sectors, at the converter latency the link sets (1 ms) and at its default (16 ms).
// The figure that matters is "ratio": the wire bound (every byte on the line both ways at 10 bits
// per byte and 230,400 baud, plus the unit's 2 ms per sector written) over the virtual time the
// download took. The wall-clock time only says how fast the host side runs.
//
// The downloader sends the next record in the very call that delivers an acknowledgement, so what
// separates the ratio from 1 is the unit's side: each acknowledgement is a short reply that the
// converter holds for its latency timer, and the simulated unit's replies become readable on whole
// milliseconds of virtual time.

#include "BenchWorkFolder.h"
#include "base/FileIo.h"
#include "base/Paths.h"
#include "base/Prompt.h"
#include "base/VirtualClock.h"
#include "link/FrameDispatcher.h"
#include "link/Framing.h"
#include "link/UsbZR48.h"
#include "project/Compiler.h"
#include "sim/SimulatedDriver.h"
#include "tools/Downloader.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <functional>
#include <random>
#include <stdexcept>

namespace {

using namespace zr48;

class QuietPrompt : public Prompt {
public:
    Answer show(const Text& message, Icon, Buttons) override { throw std::runtime_error(message); }
};

std::size_t wireBytes(std::span<const std::uint8_t> payload)
{
    std::uint8_t wire[kMaxWireFrame];
    return stuffFrame(payload, wire);
}

const std::filesystem::path& workFolder()
{
    return bench::workFolder("transfer-bench");
}

Text villaImage()
{
    const auto target = bench::freshVilla(workFolder());
    QuietPrompt prompt;
    const Text project = fromFsPath(target / "Villa.mpj");
    CompileProject(project, prompt);
    return changeFileExt(project, ".mpd");
}

// An image of `sectors` records from sector 16 on, each byte of content from `contentByte`.
Text imageOf(const char* name, int sectors, const std::function<std::uint8_t(std::size_t)>& contentByte)
{
    Bytes image(static_cast<std::size_t>(sectors) * TDownloader::kRecordSize);
    std::size_t n = 0;
    for (int s = 0; s < sectors; ++s) {
        std::uint8_t* record = image.data() + static_cast<std::size_t>(s) * TDownloader::kRecordSize;
        record[0] = static_cast<std::uint8_t>(s + 16);
        record[1] = static_cast<std::uint8_t>((s + 16) >> 8);
        for (std::size_t i = 2; i < TDownloader::kRecordSize; ++i)
            record[i] = contentByte(n++);
    }
    const Text path = fromFsPath(workFolder() / name);
    writeFileAtomically(path, image);
    return path;
}

// Random bytes: the most escaping on the line.
Text randomImage(int sectors)
{
    std::mt19937 random(7);
    return imageOf("random.mpd", sectors, [&](std::size_t) { return static_cast<std::uint8_t>(random()); });
}

// Device file text over and over, as a large project's card holds it.
Text deviceFileImage(int sectors)
{
    const Bytes text = readFileBytes(std::string(ZR48_EXAMPLES_DIR) + "/projects/Villa/LX-40_TV.mpi");
    return imageOf("text.mpd", sectors, [&](std::size_t n) { return text[n % text.size()]; });
}

void downloadThroughTheSimulator(benchmark::State& state, const Text& image)
{
    const int latencyMs = static_cast<int>(state.range(0));
    double ratio = 0;
    double virtualSeconds = 0;
    std::size_t sectors = 0;
    for (auto _ : state) {
        VirtualClock clock;
        SimulatedUnit sim(clock, [&clock] { return clock.now() * 1000; });
        TimerRxThreadHost threads(clock);
        TUsbZR48 link(clock, sim.driver, threads, {});
        sim.unit.setLatencyMs(latencyMs); // the link has just set 1 ms
        QuietPrompt prompt;
        TDownloader downloader(clock, prompt);
        std::size_t wire = 0;
        downloader.SetLink([&](std::span<const std::uint8_t> payload) {
            wire += wireBytes(payload);
            link.Send(payload);
        });
        FrameDispatcher dispatcher;
        dispatcher.setDialogReceiver(FrameDispatcher::Dialog::Downloader,
                                     [&](const std::uint8_t* p, int n) { downloader.HandleFrame(p, n); });
        link.SetFrameHandler([&](const std::uint8_t* p, int n) {
            if (p && n > 0 && p[0] == static_cast<std::uint8_t>(FrameType::SectorWriteAck))
                wire += wireBytes({p, static_cast<std::size_t>(n)});
            dispatcher.Dispatch(p, n);
        });

        const std::int64_t start = clock.now();
        downloader.Start(image);
        clock.advanceUntil([&] { return downloader.Result() != DownloadResult::Running; }, 3'600'000);
        if (downloader.Result() != DownloadResult::Finished) {
            state.SkipWithError("the download did not finish");
            return;
        }
        sectors = downloader.RecordCount();
        const double boundMs =
            static_cast<double>(wire) * 10.0 * 1000.0 / 230400.0 + 2.0 * static_cast<double>(sectors);
        virtualSeconds = static_cast<double>(clock.now() - start) / 1000.0;
        ratio = boundMs / static_cast<double>(clock.now() - start);
    }
    state.counters["sectors"] = static_cast<double>(sectors);
    state.counters["virtual_s"] = virtualSeconds;
    state.counters["ratio"] = ratio;
}

void BM_DownloadSampleProject(benchmark::State& state)
{
    static const Text image = villaImage();
    downloadThroughTheSimulator(state, image);
}
BENCHMARK(BM_DownloadSampleProject)->Arg(1)->Arg(16)->ArgName("latency_ms")->Unit(benchmark::kMillisecond);

void BM_Download2000Sectors(benchmark::State& state)
{
    static const Text image = randomImage(2000);
    downloadThroughTheSimulator(state, image);
}
BENCHMARK(BM_Download2000Sectors)->Arg(1)->Arg(16)->ArgName("latency_ms")->Unit(benchmark::kMillisecond);

void BM_Download2000DeviceFileSectors(benchmark::State& state)
{
    static const Text image = deviceFileImage(2000);
    downloadThroughTheSimulator(state, image);
}
BENCHMARK(BM_Download2000DeviceFileSectors)->Arg(1)->Arg(16)->ArgName("latency_ms")->Unit(benchmark::kMillisecond);

} // namespace
