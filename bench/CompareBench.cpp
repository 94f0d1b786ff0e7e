// Comparing a project with the card, through the simulated unit's timing model in virtual time,
// against reading the same card back (an upload) and writing it (a download): the sample project
// and a large one (20 infrared slots with device files of 15 KB). The figures that matter:
// "extra_sectors", the sectors read that neither the project's image nor the directory holds
// (always 0), and "vs_upload", the comparison's virtual time over the upload's (at most 1.1; it
// reads only the device file sectors the image holds, where the upload reads every sector of each
// device file area). "vs_download" is the same over writing the image.

#include "BenchWorkFolder.h"
#include "base/FileIo.h"
#include "base/Paths.h"
#include "base/Prompt.h"
#include "base/VirtualClock.h"
#include "link/FrameDispatcher.h"
#include "link/UsbZR48.h"
#include "project/Compiler.h"
#include "sim/SimulatedDriver.h"
#include "tools/CardComparer.h"
#include "tools/Downloader.h"
#include "tools/Uploader.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <functional>
#include <set>
#include <stdexcept>

namespace {

using namespace zr48;

class QuietPrompt : public Prompt {
public:
    Answer show(const Text& message, Icon, Buttons) override { throw std::runtime_error(message); }
};

const std::filesystem::path& workFolder()
{
    return bench::workFolder("compare-bench");
}

TProjectFile villa()
{
    const auto target = bench::freshVilla(workFolder());
    TProjectFile project;
    project.Load(fromFsPath(target / "Villa.mpj"));
    return project;
}

TProjectFile largeProject()
{
    const Bytes code = readFileBytes(std::string(ZR48_EXAMPLES_DIR) + "/projects/Villa/AX-200_Amplifier.mpi");
    TProjectFile project;
    project.FileName = fromFsPath(workFolder() / "Large.mpj");
    for (int i = 0; i < 20; ++i) {
        Bytes content;
        while (content.size() + code.size() < 15000)
            content.insert(content.end(), code.begin(), code.end());
        const Path file = fromFsPath(workFolder() / ("Device" + std::to_string(i) + ".mpi"));
        writeFileAtomically(file, content);
        DEVICE_CONFIG& slot = project.Slot(i * 3);
        slot.DeviceType = 6;
        slot.DeviceName = "Device " + std::to_string(i);
        slot.SourceSelect = 1;
        slot.ConfigFile = file;
    }
    return project;
}

// A unit on the link in virtual time whose card holds the image.
struct Bench {
    Bench(const CompiledImage& image, int latencyMs)
    {
        for (const SectorRecord& record : image.Records)
            sim.card.write(record.Number, record.Data);
        sim.unit.setLatencyMs(latencyMs);
        link.SetFrameHandler([this](const std::uint8_t* p, int n) { dispatcher.Dispatch(p, n); });
    }
    // Runs until `running` no longer holds; the virtual milliseconds it took.
    std::int64_t run(const std::function<void()>& start, const std::function<bool()>& running)
    {
        const std::int64_t begin = clock.now();
        start();
        clock.advanceUntil([&] { return !running(); }, 3'600'000);
        return clock.now() - begin;
    }

    VirtualClock clock;
    SimulatedUnit sim{clock, [this] { return clock.now() * 1000; }};
    TimerRxThreadHost threads{clock};
    TUsbZR48 link{clock, sim.driver, threads, {}};
    FrameDispatcher dispatcher;
    QuietPrompt prompt;
};

void compareWithTheCard(benchmark::State& state, const TProjectFile& project)
{
    const int latencyMs = static_cast<int>(state.range(0));
    QuietPrompt prompt;
    const std::optional<CompiledImage> image = CompileProjectImage(project, prompt);
    if (!image) {
        state.SkipWithError("the project did not compile");
        return;
    }
    std::set<std::uint16_t> imageSectors;
    for (const SectorRecord& record : image->Records)
        imageSectors.insert(record.Number);

    std::int64_t compareMs = 0;
    std::size_t read = 0;
    std::size_t extra = 0;
    for (auto _ : state) {
        extra = 0;
        Bench bench(*image, latencyMs);
        TCardComparer comparer(bench.clock, bench.prompt);
        comparer.SetLink([&](std::span<const std::uint8_t> payload) {
            const std::uint16_t sector = static_cast<std::uint16_t>(payload[2] << 8 | payload[3]);
            extra += imageSectors.contains(sector) ? 0 : 1;
            bench.link.Send(payload);
        });
        bench.dispatcher.setDialogReceiver(FrameDispatcher::Dialog::Uploader,
                                           [&](const std::uint8_t* p, int n) { comparer.HandleFrame(p, n); });
        compareMs =
            bench.run([&] { comparer.Start(*image); }, [&] { return comparer.Result() == CompareResult::Running; });
        if (comparer.Result() != CompareResult::Finished || !comparer.Comparison().Same()) {
            state.SkipWithError("the comparison did not find the project on the card");
            return;
        }
        read = comparer.SectorsRead();
    }

    // The same card read back, and the image written, once each.
    Bench uploadBench(*image, latencyMs);
    TUploader uploader(uploadBench.clock, uploadBench.prompt);
    uploader.SetLink([&](std::span<const std::uint8_t> payload) { uploadBench.link.Send(payload); });
    uploadBench.dispatcher.setDialogReceiver(FrameDispatcher::Dialog::Uploader,
                                             [&](const std::uint8_t* p, int n) { uploader.HandleFrame(p, n); });
    const Path copy = fromFsPath(workFolder() / "Copy" / "Copy.mpj");
    std::filesystem::create_directories(workFolder() / "Copy");
    const std::int64_t uploadMs =
        uploadBench.run([&] { uploader.Start(copy, {}); }, [&] { return uploader.Result() == UploadResult::Running; });

    Bench downloadBench(*image, latencyMs);
    TDownloader downloader(downloadBench.clock, downloadBench.prompt);
    downloader.SetLink([&](std::span<const std::uint8_t> payload) { downloadBench.link.Send(payload); });
    downloadBench.dispatcher.setDialogReceiver(FrameDispatcher::Dialog::Downloader,
                                               [&](const std::uint8_t* p, int n) { downloader.HandleFrame(p, n); });
    const Path imagePath = fromFsPath(workFolder() / "Written.mpd");
    WriteSectorImage(imagePath, image->Records);
    const std::int64_t downloadMs = downloadBench.run([&] { downloader.Start(imagePath, CheckPolicy::Force); },
                                                      [&] { return downloader.Result() == DownloadResult::Running; });

    state.counters["image_sectors"] = static_cast<double>(image->Records.size());
    state.counters["sectors_read"] = static_cast<double>(read);
    state.counters["extra_sectors"] = static_cast<double>(extra);
    state.counters["virtual_s"] = static_cast<double>(compareMs) / 1000.0;
    state.counters["vs_upload"] = static_cast<double>(compareMs) / static_cast<double>(uploadMs);
    state.counters["vs_download"] = static_cast<double>(compareMs) / static_cast<double>(downloadMs);
}

void BM_CompareSampleProject(benchmark::State& state)
{
    static const TProjectFile project = villa();
    compareWithTheCard(state, project);
}
BENCHMARK(BM_CompareSampleProject)->Arg(1)->Arg(16)->ArgName("latency_ms")->Unit(benchmark::kMillisecond);

void BM_CompareLargeProject(benchmark::State& state)
{
    static const TProjectFile project = largeProject();
    compareWithTheCard(state, project);
}
BENCHMARK(BM_CompareLargeProject)->Arg(1)->Arg(16)->ArgName("latency_ms")->Unit(benchmark::kMillisecond);

} // namespace
