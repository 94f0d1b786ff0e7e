#include "project/ProjectFile.h"
#include "project/SimpleIniFile.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

namespace {

using namespace zr48;

std::string TempPath(const char* name)
{
    return (std::filesystem::temp_directory_path() / name).string();
}

TProjectFile FullProject()
{
    TProjectFile p;
    p.Description = {"Benchmark project", "with every slot assigned"};
    p.ProjectInfo = {"BENCH", "Line 2", "Line 3", "Line 4", "Line 5"};
    for (int i = 0; i < TProjectFile::kSlotCount; ++i) {
        DEVICE_CONFIG& slot = p.Slot(i);
        slot.DeviceType = static_cast<std::uint16_t>(1 + i % 9);
        slot.DeviceName = "Device " + std::to_string(i);
        slot.SourceSelect = static_cast<std::uint16_t>(i % 18);
        slot.OptionList = "101010101";
        slot.ConfigFile = "/home/ann/Projects/Bench/device" + std::to_string(i) + ".mpi";
    }
    return p;
}

void BM_ProjectSave(benchmark::State& state)
{
    TProjectFile p = FullProject();
    const std::string path = TempPath("zr48-bench-save.mpj");
    for (auto _ : state)
        p.Save(path);
    std::filesystem::remove(path);
}
BENCHMARK(BM_ProjectSave);

void BM_ProjectLoad(benchmark::State& state)
{
    const std::string path = TempPath("zr48-bench-load.mpj");
    FullProject().Save(path);
    for (auto _ : state) {
        TProjectFile p;
        p.Load(path);
        benchmark::DoNotOptimize(p.Devices[62].DeviceType);
    }
    std::filesystem::remove(path);
}
BENCHMARK(BM_ProjectLoad);

// A 2,000-line device file read once, then the ten timing-table look-ups of the optimizer.
void BM_DeviceFileTenLookups(benchmark::State& state)
{
    std::vector<Text> lines;
    for (int i = 0; i < 2000; ++i)
        lines.push_back("IR_CODE_" + std::to_string(i) + "=\"$0101#9000#4500$01010101\"");
    for (int i = 0; i < 10; ++i)
        lines.push_back("IR_TIME_" + std::to_string(i) + " = " + std::to_string(560 * (i + 1)));
    for (auto _ : state) {
        const TSimpleIniFile ini(lines);
        std::int32_t sum = 0;
        for (int i = 0; i < 10; ++i)
            sum += ini.ReadInteger("IR_TIME_" + std::to_string(i), 0);
        benchmark::DoNotOptimize(sum);
    }
}
BENCHMARK(BM_DeviceFileTenLookups);

} // namespace
