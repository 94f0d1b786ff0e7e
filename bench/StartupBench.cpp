// Start-up of the desktop program to its first painted window, against an empty QMainWindow
// started the same way: each run is a fresh process (this program, re-entered with --probe),
// timed from its spawn to the moment its main window has painted for the first time. The figure
// that matters is "ratio": zr48pm's time over the empty window's.
//
// zr48pm starts as a user would start it with no ZR48 attached: on the simulator, with its
// settings and card in a fresh folder (so the user's own are never touched), no file to open.
// Run it where windows can be shown (a desktop, or xvfb-run); without a display it uses the
// offscreen platform.

#include "desktop/main/DesktopMain.h"

#include <QApplication>
#include <QMainWindow>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

// In the probe: writes one byte to `fd` and ends the program once `window` has painted.
class FirstPaint : public QObject {
public:
    FirstPaint(QWidget& window, int fd) : window_(window), fd_(fd) { qApp->installEventFilter(this); }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (!done_ && event->type() == QEvent::Paint && watched->isWidgetType() &&
            static_cast<QWidget*>(watched)->window() == &window_) {
            done_ = true;
            // The rest of this paint runs first: the whole window is drawn in the same pass.
            QTimer::singleShot(0, qApp, [this] {
                const char byte = 1;
                [[maybe_unused]] const auto written = ::write(fd_, &byte, 1);
                QCoreApplication::exit(0);
            });
        }
        return false;
    }

private:
    QWidget& window_;
    int fd_;
    bool done_ = false;
};

int probe(const std::string& kind, int fd, const std::string& folder)
{
    static int argc = 3;
    static std::string link = "sim:" + folder + "/card.zr48";
    static char name[] = "zr48pm";
    static char option[] = "--link";
    static char* argv[] = {name, option, link.data(), nullptr};
    if (kind == "empty") {
        argc = 1;
        QApplication app(argc, argv);
        QMainWindow window;
        window.resize(726, 650);
        window.show();
        FirstPaint paint(window, fd);
        return QApplication::exec();
    }
    std::unique_ptr<FirstPaint> paint;
    return zr48::runDesktopProgram(argc, argv,
                                   [&](QMainWindow& window) { paint = std::make_unique<FirstPaint>(window, fd); });
}

// Spawns one probe and returns the seconds from its spawn to its first paint.
double timeStart(const char* kind, const std::string& folder)
{
    int pipe[2];
    if (::pipe(pipe) != 0)
        throw std::runtime_error("pipe");
    const std::string self = std::filesystem::read_symlink("/proc/self/exe");
    const std::string fd = std::to_string(pipe[1]);
    std::vector<std::string> arguments{self, "--probe", kind, fd, folder};
    std::vector<char*> argv;
    for (std::string& a : arguments)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    if (posix_spawn(&pid, self.c_str(), nullptr, nullptr, argv.data(), environ) != 0)
        throw std::runtime_error("spawn");
    ::close(pipe[1]);
    char byte = 0;
    const bool painted = ::read(pipe[0], &byte, 1) == 1;
    const auto end = std::chrono::steady_clock::now();
    ::close(pipe[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (!painted)
        throw std::runtime_error(std::string("the ") + kind + " probe never painted");
    return std::chrono::duration<double>(end - start).count();
}

struct Totals {
    double seconds = 0;
    int runs = 0;
};
Totals emptyTotals;
Totals mainTotals;

void run(benchmark::State& state, const char* kind, Totals& totals)
{
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("zr48-startup-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    for (auto _ : state) {
        const double seconds = timeStart(kind, folder.string());
        state.SetIterationTime(seconds);
        totals.seconds += seconds;
        ++totals.runs;
    }
    std::filesystem::remove_all(folder);
}

void BM_StartEmptyMainWindow(benchmark::State& state)
{
    run(state, "empty", emptyTotals);
}
void BM_StartZr48pm(benchmark::State& state)
{
    run(state, "zr48pm", mainTotals);
    if (emptyTotals.runs > 0 && mainTotals.runs > 0)
        state.counters["ratio"] = (mainTotals.seconds / mainTotals.runs) / (emptyTotals.seconds / emptyTotals.runs);
}
BENCHMARK(BM_StartEmptyMainWindow)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(BM_StartZr48pm)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);

} // namespace

int main(int argc, char** argv)
{
    if (argc == 5 && std::strcmp(argv[1], "--probe") == 0)
        return probe(argv[2], std::atoi(argv[3]), argv[4]);
    // Settings and runtime files of the probes go to a folder of their own.
    const std::filesystem::path home =
        std::filesystem::temp_directory_path() / ("zr48-startup-home-" + std::to_string(::getpid()));
    std::filesystem::create_directories(home);
    std::filesystem::permissions(home, std::filesystem::perms::owner_all);
    ::setenv("XDG_CONFIG_HOME", home.c_str(), 1);
    ::setenv("XDG_DATA_HOME", home.c_str(), 1);
    ::setenv("XDG_RUNTIME_DIR", home.c_str(), 1);
    if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY"))
        ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::filesystem::remove_all(home);
    return 0;
}
