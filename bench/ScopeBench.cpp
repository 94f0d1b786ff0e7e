// Measuring in the infrared scope: the mouse moves across the zoomed view while the second
// measuring point follows it, and the window paints its views anew and puts them on screen.
// The figure that matters is "ratio": the time of one mouse move over the time of one
// full-window blit of the views' size (1,920 × 400 pixels: a window showing a ready picture,
// repainted whole); "toPicture" is the same over a bare copy of such a picture into another.
// Times are those the program's thread runs, so that other work on the machine does not count. The views are painted as
// a visible window paints them (the event loop's repaint of what changed: the off-screen pictures, then the window's
// back buffer and the screen).
//
// The capture is a remote control's code repeated across the whole buffer, opened from a file.
// Run it where windows can be shown (a desktop, or xvfb-run); without a display it uses the
// offscreen platform.

#include "base/Prompt.h"
#include "base/qt/QtTimer.h"
#include "desktop/common/FileChooser.h"
#include "desktop/infrared/IrScopeForm.h"
#include "infrared/IrCaptureFile.h"

#include "BenchShell.h"
#include "RemoteCodeCapture.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QSplitter>

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <iostream>
#include <memory>

namespace {

using namespace zr48;
using bench::remoteCodeCapture;

// The time this thread has run: on a busy machine the other processes' turns do not count, for
// the blit and the mouse moves alike.
double threadSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

constexpr int kViewWidth = 1920;
constexpr int kViewsHeight = 400;

// What the scope window asks of the main window: timers, a silent link, and the file to open.
class ScopeShell : public bench::BenchShell {
public:
    explicit ScopeShell(std::string captureFile) : captureFile_(std::move(captureFile)) {}

    class Silent : public Prompt {
    public:
        Answer show(const std::string&, Icon, Buttons) override { return Answer::Yes; }
    };
    class OneFile : public FileChooser {
    public:
        explicit OneFile(std::string path) : path_(std::move(path)) {}
        std::optional<std::string> openFile(const FileDialogRequest&) override { return path_; }
        std::optional<std::string> saveFile(const FileDialogRequest&) override { return std::nullopt; }
        std::optional<std::string> chooseDirectory(const FileDialogRequest&) override { return std::nullopt; }

    private:
        std::string path_;
    };

    Prompt& prompt() override { return prompt_; }
    TimerFactory& timers() override { return timers_; }
    FileChooser& fileChooser() override { return files_; }

private:
    std::string captureFile_;
    Silent prompt_;
    QtTimerFactory timers_;
    OneFile files_{captureFile_};
};

struct Rig {
    std::filesystem::path file;
    std::unique_ptr<ScopeShell> shell;
    std::unique_ptr<TIrScopeForm> scope;
    TScopePaintBox* overview = nullptr;
    TScopePaintBox* zoom = nullptr;
};

// A scope with the capture open, its views sized as given, measuring from column 100.
std::unique_ptr<Rig> makeRig(int overviewHeight, int zoomHeight, int scaleSteps)
{
    auto rig = std::make_unique<Rig>();
    rig->file = std::filesystem::temp_directory_path() / ("zr48-scope-bench-" + std::to_string(::getpid()) + ".bin");
    writeCaptureFile(rig->file.string(), *remoteCodeCapture(), kCaptureBytes);
    rig->shell = std::make_unique<ScopeShell>(rig->file.string());
    rig->scope = std::make_unique<TIrScopeForm>(*rig->shell, 0);
    rig->scope->show();
    rig->overview = rig->scope->findChild<TScopePaintBox*>("PaintBoxOverview");
    rig->zoom = rig->scope->findChild<TScopePaintBox*>("PaintBoxZoomView");
    auto* splitter = rig->scope->findChild<QSplitter*>("Splitter1");
    // Grow the window until the views have their sizes.
    for (int i = 0; i < 5; ++i) {
        const QSize views(kViewWidth, overviewHeight + TIrScopeForm::kSplitterWidth + zoomHeight);
        rig->scope->resize(rig->scope->size() + views - splitter->size());
        splitter->setSizes({overviewHeight, zoomHeight});
        QApplication::processEvents();
    }
    rig->scope->findChild<QPushButton*>("ButtonOpenCapture")->click();
    for (int i = 0; i < std::abs(scaleSteps); ++i)
        rig->scope->findChild<QPushButton*>(scaleSteps > 0 ? "ButtonHorizontalMinus" : "ButtonHorizontalPlus")->click();
    // Centre on the middle of the capture, then fix the first measuring point.
    const QPointF middle(kViewWidth / 2 + 0.5, 10.5);
    QMouseEvent press(QEvent::MouseButtonPress, middle, middle, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(rig->overview, &press);
    const QPointF first(100.5, zoomHeight / 2 + 0.5);
    QMouseEvent click(QEvent::MouseButtonPress, first, first, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(rig->zoom, &click);
    rig->scope->repaint();
    if (rig->zoom->size() != QSize(kViewWidth, zoomHeight) ||
        rig->overview->size() != QSize(kViewWidth, overviewHeight))
        std::cerr << "views are " << rig->overview->width() << "x" << rig->overview->height() << " and "
                  << rig->zoom->width() << "x" << rig->zoom->height() << "\n";
    return rig;
}

struct Totals {
    double seconds = 0;
    int runs = 0;
    double mean() const { return runs > 0 ? seconds / runs : 0; }
};
Totals imageBlits;
Totals windowBlits;

// One blit of a picture of the views' size into another: the bare copy.
void BM_BlitPicture(benchmark::State& state)
{
    QImage source(kViewWidth, kViewsHeight, QImage::Format_RGB32);
    source.fill(Qt::darkGreen);
    QImage target(kViewWidth, kViewsHeight, QImage::Format_RGB32);
    QPainter painter(&target);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    for (auto _ : state) {
        const double start = threadSeconds();
        painter.drawImage(0, 0, source);
        const double seconds = threadSeconds() - start;
        state.SetIterationTime(seconds);
        imageBlits.seconds += seconds;
        ++imageBlits.runs;
        benchmark::DoNotOptimize(target.constBits());
    }
}

// A window of the views' size that shows a ready picture.
class PictureWindow : public QWidget {
public:
    PictureWindow() : picture_(kViewWidth, kViewsHeight, QImage::Format_RGB32)
    {
        picture_.fill(Qt::darkGreen);
        setAttribute(Qt::WA_OpaquePaintEvent);
        resize(kViewWidth, kViewsHeight);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.drawImage(0, 0, picture_);
    }

private:
    QImage picture_;
};

// One full-window blit: the window's whole picture put on screen, the way the scope's views get
// there (the event loop's repaint, the window's back buffer, the screen).
void BM_BlitWindow(benchmark::State& state)
{
    PictureWindow window;
    window.show();
    QApplication::processEvents();
    for (auto _ : state) {
        const double start = threadSeconds();
        window.update();
        QApplication::processEvents();
        const double seconds = threadSeconds() - start;
        state.SetIterationTime(seconds);
        windowBlits.seconds += seconds;
        ++windowBlits.runs;
    }
}

// One mouse move across the zoomed view while measuring, and the repaint it causes: the zoomed
// view as the window paints it, and the overview painted anew and put on screen whole as well
// (a move itself does not change it).
void measureMoves(benchmark::State& state, int overviewHeight, int zoomHeight, int scaleSteps)
{
    const auto rig = makeRig(overviewHeight, zoomHeight, scaleSteps);
    int x = 101;
    double seconds = 0;
    for (auto _ : state) {
        const QPointF at(x + 0.5, zoomHeight / 2 + 0.5);
        const double start = threadSeconds();
        QMouseEvent move(QEvent::MouseMove, at, at, Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(rig->zoom, &move);
        rig->overview->invalidate();
        // What the event loop does next: paint what changed and put it on screen.
        QApplication::processEvents();
        const double elapsed = threadSeconds() - start;
        state.SetIterationTime(elapsed);
        seconds += elapsed;
        x = x + 37 < kViewWidth ? x + 37 : 101;
    }
    const double perMove = seconds / static_cast<double>(state.iterations());
    if (windowBlits.runs > 0)
        state.counters["ratio"] = perMove / windowBlits.mean();
    if (imageBlits.runs > 0)
        state.counters["toPicture"] = perMove / imageBlits.mean();
    state.counters["frames60Hz"] = perMove * 60.0;
    std::filesystem::remove(rig->file);
}

// The window's two views together 1,920 × 400: overview 80, splitter, zoomed view 316.
void BM_MeasureMove(benchmark::State& state)
{
    measureMoves(state, TIrScopeForm::kOverviewHeight, kViewsHeight - TIrScopeForm::kOverviewHeight - 4,
                 static_cast<int>(state.range(0)));
}
// Each view 1,920 × 400 on its own.
void BM_MeasureMoveEachView400(benchmark::State& state)
{
    measureMoves(state, kViewsHeight, kViewsHeight, static_cast<int>(state.range(0)));
}

BENCHMARK(BM_BlitPicture)->UseManualTime()->Unit(benchmark::kMicrosecond)->MinTime(0.5);
BENCHMARK(BM_BlitWindow)->UseManualTime()->Unit(benchmark::kMicrosecond)->MinTime(0.5);
// Scale steps from "1ms/div": 0, and 6 towards "100ms/div" (the longest spans and columns).
BENCHMARK(BM_MeasureMove)->Arg(0)->Arg(6)->UseManualTime()->Unit(benchmark::kMicrosecond)->MinTime(0.5);
BENCHMARK(BM_MeasureMoveEachView400)->Arg(0)->Arg(6)->UseManualTime()->Unit(benchmark::kMicrosecond)->MinTime(0.5);

} // namespace

int main(int argc, char** argv)
{
    if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY"))
        ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
