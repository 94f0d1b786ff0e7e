// Compiling a full project (63 slots, each device file just below its area's limit) into its card
// image, and unpacking that image again.

#include "base/Paths.h"
#include "base/Prompt.h"
#include "project/Compiler.h"
#include "project/DeviceTypes.h"
#include "project/ImageReader.h"
#include "project/ProjectFile.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>

namespace {

namespace fs = std::filesystem;

class SilentPrompt : public zr48::Prompt {
public:
    zr48::Answer show(const zr48::Text&, zr48::Icon, zr48::Buttons) override
    {
        ++shown;
        return zr48::Answer::Ok;
    }
    int shown = 0;
};

// A project folder with 63 slots of one device type, each device file 64 + size one byte below
// (FileSectors - 1) * 512, the largest that fits.
class FullProject {
public:
    explicit FullProject(std::uint16_t type)
    {
        std::random_device seed;
        folder_ = fs::temp_directory_path() / ("zr48-bench-" + std::to_string(seed()));
        fs::create_directories(folder_ / "Copy");
        const std::size_t size = (zr48::DeviceTypeInfo(type)->FileSectors - 1u) * 512u - 64u - 1u;
        std::mt19937 random(type);
        zr48::TProjectFile project;
        for (int i = 0; i < zr48::TProjectFile::kSlotCount; ++i) {
            std::string content(size, '\0');
            for (char& c : content)
                c = static_cast<char>(random());
            const fs::path file = folder_ / ("DEVICE" + std::to_string(i) + ".mpi");
            std::ofstream(file, std::ios::binary).write(content.data(), static_cast<std::streamsize>(size));
            zr48::DEVICE_CONFIG& slot = project.Slot(i);
            slot.DeviceType = type;
            slot.DeviceName = "Device " + std::to_string(i);
            slot.SourceSelect = 1;
            slot.OptionList = "101";
            slot.ConfigFile = zr48::fromFsPath(file);
        }
        project.Save(projectPath());
        deviceBytes_ = size * zr48::TProjectFile::kSlotCount;
    }
    ~FullProject()
    {
        std::error_code ignored;
        fs::remove_all(folder_, ignored);
    }
    zr48::Text projectPath() const { return zr48::fromFsPath(folder_ / "Villa.mpj"); }
    zr48::Text imagePath() const { return zr48::fromFsPath(folder_ / "Villa.mpd"); }
    zr48::Text copyPath() const { return zr48::fromFsPath(folder_ / "Copy" / "Villa.mpd"); }
    std::size_t deviceBytes() const { return deviceBytes_; }

private:
    fs::path folder_;
    std::size_t deviceBytes_ = 0;
};

void BM_CompileProject(benchmark::State& state)
{
    const FullProject project(static_cast<std::uint16_t>(state.range(0)));
    SilentPrompt prompt;
    for (auto _ : state) {
        if (!zr48::CompileProject(project.projectPath(), prompt))
            state.SkipWithError("the project did not compile");
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * project.deviceBytes()));
    state.counters["image_bytes"] = static_cast<double>(fs::file_size(zr48::toFsPath(project.imagePath())));
}
BENCHMARK(BM_CompileProject)->ArgName("type")->Arg(1)->Arg(5)->Arg(6)->Unit(benchmark::kMillisecond);

void BM_UnpackImage(benchmark::State& state)
{
    const FullProject project(static_cast<std::uint16_t>(state.range(0)));
    SilentPrompt prompt;
    if (!zr48::CompileProject(project.projectPath(), prompt))
        state.SkipWithError("the project did not compile");
    fs::copy_file(zr48::toFsPath(project.imagePath()), zr48::toFsPath(project.copyPath()));
    for (auto _ : state) {
        if (!zr48::UnpackImage(project.copyPath(), prompt))
            state.SkipWithError("the image did not unpack");
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * project.deviceBytes()));
}
BENCHMARK(BM_UnpackImage)->ArgName("type")->Arg(1)->Arg(5)->Arg(6)->Unit(benchmark::kMillisecond);

} // namespace
