// Refresh and search of the device database browser over a generated database: 10,000 device files
// in 500 folders (25 groups of 20 makers), every one with a description, every fourth with a
// description text file beside it. The browser's refresh is timed as the logic (walk, read, filter,
// sort: DatabaseTree) and as the window (the same plus the tree's nodes), and beside it what the
// refresh cannot do without: listing the folders, reading the files, parsing them. The figures that
// matter are the counters: "per_file" (the time per device file) and "ratio" (the time over that of
// listing and reading the same files alone).
//
// Run it with the offscreen platform or under a desktop; the folder lives in the temporary folder
// and is removed at the end.

#include "base/FileIo.h"
#include "base/Paths.h"
#include "base/Prompt.h"
#include "base/Settings.h"
#include "desktop/common/ImageList.h"
#include "desktop/project/DatabaseForm.h"
#include "desktop/project/DatabaseTree.h"
#include "project/SimpleIniFile.h"

#include "BenchShell.h"

#include <QApplication>
#include <QLineEdit>
#include <QTreeWidget>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace {

using namespace zr48;
namespace fs = std::filesystem;

constexpr int kGroups = 25;
constexpr int kMakersPerGroup = 20;
constexpr int kDevicesPerMaker = 20;
constexpr int kDevices = kGroups * kMakersPerGroup * kDevicesPerMaker;
// Words of descriptions; "Zebra" names three devices only, the search's target.
constexpr const char* kSearchWord = "zebra";

std::string deviceFile(int number, int maker)
{
    static const char* kinds[] = {"TV set", "Blu-ray player", "Amplifier", "Projector", "Receiver"};
    std::string text = "; Generated device file\r\n";
    text += "DEVICE=" + std::to_string(5 + number % 2) + "\r\n";
    text += "NAME=Device " + std::to_string(number) + "\r\n";
    text += "SELECT=" + std::to_string(number % 18) + "\r\n";
    const std::string model = (number % 3333 == 7) ? "Zebra" : "Model";
    text += "DESCRIPTION=Maker" + std::to_string(maker) + " " + model + "-" + std::to_string(number) + " " +
            kinds[number % 5] + "\r\n";
    text += "OPTION_1=P,Power on with first command\r\nOPTION_2=Mute on standby\r\n";
    for (int t = 0; t < 5; ++t)
        text += "IR_TIME_" + std::to_string(t) + " = " + std::to_string(560 * (t + 1)) + "\r\n";
    for (int c = 0; c < 12; ++c)
        text += "IR_CODE_" + std::to_string(c) + "=\"$3200000100000000000101000101010101000000010000000001010100\"\r\n";
    return text;
}

// The generated database, made on first use and removed at the end.
class Database {
public:
    Database() : root_(fs::temp_directory_path() / ("zr48-bench-database-" + std::to_string(std::random_device{}())))
    {
        int number = 0;
        for (int g = 0; g < kGroups; ++g) {
            for (int m = 0; m < kMakersPerGroup; ++m) {
                const int maker = g * kMakersPerGroup + m;
                const fs::path folder = root_ / ("Group" + std::to_string(g)) / ("Maker" + std::to_string(maker));
                fs::create_directories(folder);
                for (int d = 0; d < kDevicesPerMaker; ++d, ++number) {
                    const std::string name = "Device" + std::to_string(number);
                    std::ofstream(folder / (name + ".mpi"), std::ios::binary) << deviceFile(number, maker);
                    if (number % 4 == 0)
                        std::ofstream(folder / (name + ".txt"), std::ios::binary) << "Description\r\nof the device\r\n";
                    files_.push_back(fromFsPath(folder / (name + ".mpi")));
                }
            }
        }
    }
    ~Database()
    {
        std::error_code ignored;
        fs::remove_all(root_, ignored);
    }
    std::string root() const { return fromFsPath(root_); }
    const std::vector<std::string>& files() const { return files_; }

private:
    fs::path root_;
    std::vector<std::string> files_;
};

const Database& database()
{
    static const Database db;
    return db;
}

void perFile(benchmark::State& state)
{
    state.counters["per_file"] =
        benchmark::Counter(kDevices, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// What any refresh needs: the folders listed and the device files read.
void ListAndRead()
{
    for (const auto& entry : fs::recursive_directory_iterator(database().root()))
        if (entry.path().extension() == ".mpi")
            benchmark::DoNotOptimize(tryReadFileBytes(fromFsPath(entry.path())));
}

double listAndReadSeconds()
{
    static const double seconds = [] {
        ListAndRead(); // warm the caches as the runs below find them
        const auto start = std::chrono::steady_clock::now();
        constexpr int kRuns = 5;
        for (int i = 0; i < kRuns; ++i)
            ListAndRead();
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() / kRuns;
    }();
    return seconds;
}

void ratio(benchmark::State& state, double seconds)
{
    state.counters["ratio"] = seconds / listAndReadSeconds();
}

void BM_ListFolders(benchmark::State& state)
{
    database();
    for (auto _ : state) {
        int count = 0;
        for (const auto& entry : fs::recursive_directory_iterator(database().root()))
            count += entry.path().extension() == ".mpi";
        benchmark::DoNotOptimize(count);
    }
    perFile(state);
}
BENCHMARK(BM_ListFolders)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ReadFiles(benchmark::State& state)
{
    for (auto _ : state)
        for (const std::string& file : database().files())
            benchmark::DoNotOptimize(tryReadFileBytes(file));
    perFile(state);
}
BENCHMARK(BM_ReadFiles)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ParseFiles(benchmark::State& state)
{
    std::vector<std::string> texts;
    for (const std::string& file : database().files()) {
        const Bytes bytes = readFileBytes(file);
        texts.emplace_back(bytes.begin(), bytes.end());
    }
    for (auto _ : state) {
        for (const std::string& text : texts) {
            const TSimpleIniFile ini(TSimpleIniFile::DecodeLines(text));
            benchmark::DoNotOptimize(ini.ReadInteger("DEVICE", 0));
            benchmark::DoNotOptimize(ini.ReadString("NAME", ""));
            benchmark::DoNotOptimize(ini.ReadInteger("SELECT", 0));
            benchmark::DoNotOptimize(ini.ReadString("DESCRIPTION", "\n"));
        }
    }
    perFile(state);
}
BENCHMARK(BM_ParseFiles)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_TreeRefresh(benchmark::State& state)
{
    database();
    double seconds = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        benchmark::DoNotOptimize(buildDatabaseTree(database().root(), ""));
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    perFile(state);
    ratio(state, seconds / static_cast<double>(state.iterations()));
}
BENCHMARK(BM_TreeRefresh)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_TreeSearch(benchmark::State& state)
{
    database();
    double seconds = 0;
    size_t nodes = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const auto tree = buildDatabaseTree(database().root(), kSearchWord);
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        nodes = tree.size();
    }
    perFile(state);
    ratio(state, seconds / static_cast<double>(state.iterations()));
    state.counters["top_nodes"] = static_cast<double>(nodes);
}
BENCHMARK(BM_TreeSearch)->Unit(benchmark::kMillisecond)->UseRealTime();

// The window's context, reduced to what the browser asks for when it refreshes.
class DatabaseShell : public bench::BenchShell {
public:
    Settings& settings() override { return settings_; }
    const ImageList& imageList() const override { return images_; }

private:
    MemorySettingsStore store_;
    Settings settings_{store_, SettingsDefaults{}};
    ImageList images_{false};
};

QApplication& application()
{
    static int argc = 1;
    static char name[] = "bench_database";
    static char* argv[] = {name, nullptr};
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    static QApplication app(argc, argv);
    return app;
}

void formRefresh(benchmark::State& state, const char* search)
{
    application();
    DatabaseShell shell;
    shell.settings().setDatabase(database().root());
    TDatabaseForm form(shell);
    form.resize(TDatabaseForm::kClientWidth, TDatabaseForm::kClientHeight);
    form.show();
    form.searchEdit()->setText(QString::fromLatin1(search));
    double seconds = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        form.RefreshDatabase();
        QApplication::processEvents(); // the tree paints its first rows
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    perFile(state);
    ratio(state, seconds / static_cast<double>(state.iterations()));
    state.counters["top_nodes"] = form.treeView()->topLevelItemCount();
}

void BM_FormRefresh(benchmark::State& state)
{
    formRefresh(state, "");
}
BENCHMARK(BM_FormRefresh)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_FormSearch(benchmark::State& state)
{
    formRefresh(state, kSearchWord);
}
BENCHMARK(BM_FormSearch)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
