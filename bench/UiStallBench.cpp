// How long the desktop program's event loop is held while a window works over large data: a
// database refresh and a search over 10,000 device files, and opening a 5 MB text file in the
// editor. A zero-interval timer ticks whenever the loop is free; the longest gap between two ticks
// is the longest time the user waits for an answer (a key, a repaint). Each case reports it as
// "held_ms" beside the work's own duration ("work_ms"), and "frames" = held_cpu_ms / 16 ms: at most
// 1 is the goal (one frame at 60 Hz). On a busy machine the wall-clock gaps also hold the time the
// thread waited for a processor; "held_cpu_ms", the user-interface thread's own processor time
// between two ticks, is the part the program is to blame for.
//
// Run it with the offscreen platform or under a desktop; the files live in the temporary folder
// and are removed at the end.

#include "base/Paths.h"
#include "base/Prompt.h"
#include "base/Settings.h"
#include "desktop/common/ImageList.h"
#include "desktop/editor/EditForm.h"
#include "desktop/project/DatabaseForm.h"

#include "BenchShell.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <string>

#include <time.h>

namespace {

using namespace zr48;
namespace fs = std::filesystem;

constexpr int kFolders = 500;
constexpr int kDevicesPerFolder = 20;
constexpr double kFrameMs = 16.0;
constexpr std::size_t kTextBytes = 5 * 1024 * 1024;

QApplication& application()
{
    static int argc = 1;
    static char name[] = "bench_ui_stall";
    static char* argv[] = {name, nullptr};
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    static QApplication app(argc, argv);
    return app;
}

// The files of the measurements, made on first use and removed at the end.
class Files {
public:
    Files() : root_(fs::temp_directory_path() / ("zr48-bench-ui-stall-" + std::to_string(std::random_device{}())))
    {
        int number = 0;
        for (int f = 0; f < kFolders; ++f) {
            const fs::path folder = root_ / "db" / ("Group" + std::to_string(f % 25)) / ("Maker" + std::to_string(f));
            fs::create_directories(folder);
            for (int d = 0; d < kDevicesPerFolder; ++d, ++number) {
                std::ofstream(folder / ("Device" + std::to_string(number) + ".mpi"), std::ios::binary)
                    << "DEVICE=5\r\nNAME=Device " << number << "\r\nDESCRIPTION=Maker" << f
                    << (number % 3333 == 7 ? " Zebra-" : " Model-") << number
                    << " TV set\r\nIR_TIME_0 = 560\r\nIR_CODE_0=\"$3200000100000000000101\"\r\n";
            }
        }
        std::ofstream text(root_ / "large.mpi", std::ios::binary);
        const std::string line = "IR_CODE_1=\"$32000001000000000001010001010101010000000100000000010101\"\r\n";
        for (std::size_t written = 0; written < kTextBytes; written += line.size())
            text << line;
    }
    ~Files()
    {
        std::error_code ignored;
        fs::remove_all(root_, ignored);
    }
    std::string database() const { return fromFsPath(root_ / "db"); }
    std::string largeText() const { return fromFsPath(root_ / "large.mpi"); }

private:
    fs::path root_;
};

const Files& files()
{
    static Files made;
    return made;
}

// A question stops the measurement: none is expected.
class NoQuestions : public Prompt {
public:
    Answer show(const std::string& message, Icon, Buttons) override
    {
        std::fprintf(stderr, "unexpected question: %s\n", message.c_str());
        std::abort();
    }
};

class StallShell : public bench::BenchShell {
public:
    Settings& settings() override { return settings_; }
    Prompt& prompt() override { return prompt_; }
    const ImageList& imageList() const override { return images_; }

private:
    MemorySettingsStore store_;
    Settings settings_{store_, SettingsDefaults{}};
    NoQuestions prompt_;
    ImageList images_{false};
};

// Runs `start` from the event loop, then the loop until `done` holds; the longest time the loop
// was held and the whole duration, in milliseconds.
struct Stall {
    double heldMs = 0;
    double heldCpuMs = 0;
    double workMs = 0;
};

double threadCpuMs()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

Stall measure(const std::function<void()>& start, const std::function<bool()>& done)
{
    QElapsedTimer clock;
    QElapsedTimer sinceTick;
    double held = 0;
    double heldCpu = 0;
    double lastCpu = 0;
    QTimer tick;
    tick.setInterval(0);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        held = std::max(held, static_cast<double>(sinceTick.nsecsElapsed()) / 1e6);
        const double cpu = threadCpuMs();
        heldCpu = std::max(heldCpu, cpu - lastCpu);
        sinceTick.restart();
        lastCpu = threadCpuMs();
    });
    sinceTick.start();
    lastCpu = threadCpuMs();
    tick.start();
    QApplication::processEvents();
    held = heldCpu = 0;
    clock.start();
    sinceTick.start();
    lastCpu = threadCpuMs();
    start();
    while (!done())
        QApplication::processEvents();
    QApplication::processEvents(); // the tick after the last piece of work
    return {held, heldCpu, static_cast<double>(clock.nsecsElapsed()) / 1e6};
}

void report(benchmark::State& state, const Stall& worst, double workMs)
{
    state.counters["held_ms"] = worst.heldMs;
    state.counters["held_cpu_ms"] = worst.heldCpuMs;
    state.counters["work_ms"] = workMs / static_cast<double>(state.iterations());
    state.counters["frames"] = worst.heldCpuMs / kFrameMs;
}

void databaseRefresh(benchmark::State& state, const char* search)
{
    application();
    StallShell shell;
    shell.settings().setDatabase(files().database());
    TDatabaseForm form(shell);
    form.resize(TDatabaseForm::kClientWidth, TDatabaseForm::kClientHeight);
    form.show();
    form.searchEdit()->setText(QString::fromLatin1(search));
    Stall worst;
    double workMs = 0;
    for (auto _ : state) {
        const Stall stall = measure([&] { form.RefreshDatabase(); }, [&] { return !form.refreshing(); });
        worst.heldMs = std::max(worst.heldMs, stall.heldMs);
        worst.heldCpuMs = std::max(worst.heldCpuMs, stall.heldCpuMs);
        workMs += stall.workMs;
    }
    report(state, worst, workMs);
}

void BM_DatabaseRefresh(benchmark::State& state)
{
    databaseRefresh(state, "");
}
BENCHMARK(BM_DatabaseRefresh)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_DatabaseSearch(benchmark::State& state)
{
    databaseRefresh(state, "zebra");
}
BENCHMARK(BM_DatabaseSearch)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_EditorOpensLargeText(benchmark::State& state)
{
    application();
    StallShell shell;
    const std::string path = files().largeText();
    Stall worst;
    double workMs = 0;
    for (auto _ : state) {
        TEditForm editor(shell, nullptr, 1);
        editor.show();
        const Stall stall = measure([&] { editor.LoadFile(path); }, [&] { return !editor.loading(); });
        worst.heldMs = std::max(worst.heldMs, stall.heldMs);
        worst.heldCpuMs = std::max(worst.heldCpuMs, stall.heldCpuMs);
        workMs += stall.workMs;
    }
    report(state, worst, workMs);
}
BENCHMARK(BM_EditorOpensLargeText)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

} // namespace

BENCHMARK_MAIN();
