#include "cli/CommandsInfrared.h"

#include "base/Error.h"
#include "base/FileIo.h"
#include "base/Paths.h"
#include "cli/CommandsInfraredCodes.h"
#include "cli/Interrupt.h"
#include "cli/PngFile.h"
#include "cli/ProgressBar.h"
#include "cli/UnitSession.h"
#include "infrared/IrCapture.h"
#include "infrared/IrCaptureFile.h"
#include "infrared/IrOptimizer.h"
#include "infrared/OptimizeReport.h"
#include "infrared/ScopeDrawing.h"
#include "infrared/ScopeMeasure.h"
#include "infrared/ScopeRaster.h"
#include "infrared/SignalAnalyser.h"
#include "link/Frames.h"
#include "project/SimpleIniFile.h"

#include <algorithm>
#include <charconv>
#include <memory>
#include <optional>
#include <ostream>

namespace zr48::cli {

namespace {

// The size of a plot: a zoomed view as wide as a large scope window.
constexpr int kPlotWidth = 1200;
constexpr int kPlotHeight = 300;

std::optional<std::int64_t> parseNumber(const std::string& text, std::int64_t low, std::int64_t high)
{
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < low || value > high)
        return std::nullopt;
    return value;
}

// The zoomed view that shows the span whole: the finest scale at which it fits, centred on it,
// with the measuring points on its ends.
struct SpanView {
    int scaleIndex = kScaleCount - 1;
    ScopeScale zoom;
    ScopeMeasure measure;
};

SpanView spanView(std::int64_t first, std::int64_t last)
{
    SpanView view;
    const auto length = static_cast<float>(last - first + 1);
    for (int index = 0; index < kScaleCount; ++index) {
        // Keep a division free on either side.
        const ScopeScale scale = makeScopeScale(kScaleTable[static_cast<std::size_t>(index)].secondsPerDivision,
                                                kPlotWidth - 2 * kPixelsPerDivision, kPlotHeight);
        if (scale.samplesAcross >= length) {
            view.scaleIndex = index;
            break;
        }
    }
    view.zoom = zoomScale(view.scaleIndex, first + (last - first) / 2, kPlotWidth, kPlotHeight);
    auto column = [&](std::int64_t sample) {
        return static_cast<int>((static_cast<float>(sample) - view.zoom.firstSample) / view.zoom.samplesPerPixel);
    };
    const int y = kPlotHeight / 2;
    view.measure.mouseMove(column(first), y);
    view.measure.mouseDown(column(first), y);
    view.measure.mouseMove(column(last), y);
    view.measure.mouseDown(column(last), y);
    return view;
}

void writePlot(const Path& path, CaptureView capture, std::int64_t validSamples, const SpanView& view)
{
    ScopeRaster raster(kPlotWidth, kPlotHeight);
    std::vector<Point> dots;
    appendGridDots(kPlotWidth, kPlotHeight, dots);
    raster.paintDots(dots, kScopeGrey);
    DrawOps ops;
    appendTrace(view.zoom, capture, static_cast<float>(validSamples), TraceKind::Capture, ops);
    appendMeasureMarks(view.measure, kPlotHeight, ops);
    raster.paint(ops);
    writeFileAtomically(path, encodeRgbPng(raster.width(), raster.height(), raster.rgb()));
}

int runAnalyse(Context& context, const Arguments& arguments)
{
    const auto parsed = parseArguments(context, "ir analyse", arguments);
    if (!parsed)
        return kExitUsage;
    const std::vector<std::string>& positional = parsed->positional;
    const std::optional<std::string> plot = parsed->value("--plot");
    if (positional.size() != 1 && positional.size() != 3)
        return usageError(context, "ir analyse");
    const Path path = absolutePath(positional[0]);
    CaptureFile file;
    try {
        file = readCaptureFile(path);
    } catch (const Error& e) {
        context.prompt.error(e.message());
        return kExitFailed;
    }
    const CaptureBuffer& capture = *file.buffer;
    const std::int64_t validSamples = file.bytes * 8;
    std::int64_t first = 0;
    std::int64_t last = validSamples - 1;
    if (positional.size() == 3) {
        const auto a = parseNumber(positional[1], 0, kCaptureSamples - 1);
        const auto b = parseNumber(positional[2], 0, kCaptureSamples - 1);
        if (!a || !b) {
            context.err << "zr48: FIRST and LAST are sample numbers from 0 to " << kCaptureSamples - 1 << '\n';
            return kExitUsage;
        }
        first = std::min(*a, *b);
        last = std::max(*a, *b);
    }
    Text text;
    analyseSamples(capture, first, last, text);
    context.out << toUtf8(text) << '\n';
    if (text.empty())
        context.err << "zr48: no mark ends between samples " << first << " and " << last << ".\n";
    if (plot) {
        const SpanView view = spanView(first, last);
        try {
            writePlot(absolutePath(*plot), capture, validSamples, view);
        } catch (const Error& e) {
            context.prompt.error(e.message());
            return kExitFailed;
        }
        const MeasureText measure = measureText(view.measure, view.zoom.secondsPerDivision, '.');
        context.err << "zr48: plot at " << kScaleTable[static_cast<std::size_t>(view.scaleIndex)].label << ", measured"
                    << toUtf8(measure.label) << '\n';
    }
    return kExitOk;
}

int runOptimize(Context& context, const Arguments& arguments)
{
    const auto parsed = parseArguments(context, "ir optimize", arguments);
    if (!parsed)
        return kExitUsage;
    std::vector<int> tolerances;
    for (const std::string& value : parsed->values("--tolerance")) {
        const auto percent = parseNumber(value, 0, 100);
        if (!percent) {
            context.err << "zr48: --tolerance takes a whole number from 0 to 100\n";
            return kExitUsage;
        }
        tolerances.push_back(static_cast<int>(*percent));
    }
    const bool inPlace = parsed->has("--in-place");
    const bool dryRun = parsed->has("--dry-run");
    const bool report = dryRun || parsed->has("--report");
    const std::optional<std::string> output = parsed->value("--output");
    if (parsed->positional.size() != 1)
        return usageError(context, "ir optimize");
    if (inPlace && output)
        return usageError(context, "ir optimize", "give --in-place or -o FILE, not both");
    if (tolerances.empty())
        tolerances = {context.settings.irOptimizerPass1(), context.settings.irOptimizerPass2()};

    const Path path = absolutePath(parsed->positional[0]);
    try {
        // Only a device file's text is rewritten: never a capture, a picture or a huge file.
        std::vector<Text> lines = ReadDeviceFileLines(path);
        const std::vector<Text> before = lines;
        TIrOptimizer optimizer;
        for (int tolerance : tolerances) {
            optimizer.SetTolerance(tolerance);
            optimizer.Optimize(lines);
        }
        // A device file's own form: Windows-1252 lines ended by CR LF, as the unit and the editor read it.
        if (dryRun) {
            // Nothing is written.
        } else if (inPlace) {
            writeFileAtomically(path, DeviceFileBytes(lines));
        } else if (output) {
            writeFileAtomically(absolutePath(*output), DeviceFileBytes(lines));
        } else {
            Text shown = DeviceFileBytes(lines);
            std::erase(shown, '\r'); // the lines hold none of their own
            context.out << toUtf8(shown);
        }
        if (report) {
            // Beside the optimized text on standard output, the report goes to standard error.
            std::ostream& to = !dryRun && !inPlace && !output ? context.err : context.out;
            for (const std::string& line : OptimizeReportLines(CompareOptimized(before, lines)))
                to << line << '\n';
        }
    } catch (const Error& e) {
        context.prompt.error(e.message());
        return kExitFailed;
    }
    return kExitOk;
}

// The window id of the command line's one scope.
constexpr int kCaptureWindowId = 1;
constexpr int kStartWaitMs = 3000;
constexpr int kCaptureWaitMs = 60000;
constexpr int kTransferWaitMs = 60000;

int runCapture(Context& context, const Arguments& arguments)
{
    const auto parsed = parseArguments(context, "ir capture", arguments);
    if (!parsed)
        return kExitUsage;
    if (parsed->positional.size() != 1)
        return usageError(context, "ir capture");
    const Path path = absolutePath(parsed->positional[0]);
    try {
        // Before the remote control is pressed, not after.
        checkWritable(path);
    } catch (const Error& e) {
        context.err << prefixedLines(e.message() + "\nnothing was captured");
        return kExitFailed;
    }
    CtrlC ctrlC(context.options.interrupted); // before the session, whose threads take over the signal mask
    int exitCode = kExitOk;
    const auto session = openUnitSession(context, exitCode);
    if (!session)
        return exitCode;
    // Time passes only until Ctrl-C.
    const RunUntil runUntil = [&session, &ctrlC](const std::function<bool()>& done, int limitMs) {
        bool interrupted = false;
        const bool held = session->runUntil(
            [&] {
                interrupted = ctrlC.pressed();
                return interrupted || done();
            },
            limitMs);
        return held && !interrupted;
    };
    return captureToFile(
        context.out, context.err, session->link(), session->timers(), [&session] { return session->elapsedSeconds(); },
        runUntil, session->description(), path, barMode(context), [&ctrlC] { return ctrlC.pressed(); });
}

} // namespace

int captureToFile(std::ostream& out, std::ostream& err, TUsbZR48& link, TimerFactory& timers,
                  const std::function<double()>& elapsedSeconds, const RunUntil& runUntil, const std::string& how,
                  const Path& path, ProgressBar::Mode barMode, const std::function<bool()>& interrupted)
{
    // Ctrl-C at any point: the unit is left as it is, and no file is written.
    const auto stopped = [&] {
        if (!interrupted || !interrupted())
            return false;
        err << "zr48: capture interrupted; nothing was written\n";
        return true;
    };
    if (!link.DeviceOpen()) {
        err << "zr48: no ZR48 found: " << toUtf8(link.StatusText()) << " (looked for " << how << ")\n";
        return kExitNoUnit;
    }
    TIrCapture capture(
        kCaptureWindowId, [&link](std::span<const std::uint8_t> p) { link.Send(p); }, timers);
    link.SetFrameHandler([&capture](const std::uint8_t* payload, int length) {
        if (payload && length > 1 && payload[1] == kCaptureWindowId)
            capture.HandleFrame(payload, length);
    });
    // The request goes out on a link that is up, so that it is not lost while the link connects.
    if (!link.Connected()) {
        link.Send(encode(KeepAliveFrame{}));
        if (!runUntil([&] { return link.Connected(); }, kStartWaitMs)) {
            if (stopped())
                return kExitFailed;
            err << "zr48: no ZR48 found: " << toUtf8(link.StatusText()) << " (looked for " << how << ")\n";
            return kExitNoUnit;
        }
    }
    // The link reopens after 3 s without a frame: the unit is gone (unplugged, switched off).
    bool linkDown = false;
    const auto waitFor = [&](const std::function<bool()>& done, int limitMs) {
        return runUntil(
            [&] {
                linkDown = !link.Connected();
                return linkDown || done();
            },
            limitMs);
    };
    const auto sayLinkDown = [&](const std::string& during) {
        err << "zr48: the link to the ZR48 went down " << during << " (" << toUtf8(link.StatusText())
            << "); nothing was written\n";
        return kExitFailed;
    };
    using State = TIrCapture::State;
    capture.ButtonCaptureClick();
    const bool answered = waitFor([&] { return capture.state() != State::Starting; }, kStartWaitMs);
    if (!answered && stopped())
        return kExitFailed;
    if (linkDown)
        return sayLinkDown("before the capture started");
    if (capture.state() != State::Waiting) {
        err << "zr48: no ZR48 answered the capture request (looked for " << how << ")\n";
        return kExitNoUnit;
    }
    out << "Capturing: point the remote control at the ZR48 and press a key...\n" << std::flush;
    const bool captured = waitFor([&] { return capture.state() != State::Waiting; }, kCaptureWaitMs);
    if (!captured && stopped())
        return kExitFailed;
    if (linkDown)
        return sayLinkDown("while waiting for the capture");
    if (!captured) {
        err << "zr48: no capture arrived within " << kCaptureWaitMs / 1000 << " s\n";
        return kExitFailed;
    }

    const double started = elapsedSeconds();
    ProgressBar progress(err, "bytes", barMode);
    auto showProgress = [&] {
        const int total = std::min<int>(capture.CapturedLength(), kCaptureBytes);
        progress.update(std::min(capture.NextOffset(), total), total, elapsedSeconds() - started);
    };
    capture.onRedraw = showProgress;
    showProgress();
    waitFor([&] { return capture.CaptureEnabled(); }, kTransferWaitMs);
    capture.onRedraw = nullptr;
    progress.finish();
    if (!capture.TransferComplete() && stopped())
        return kExitFailed;
    if (!capture.TransferComplete()) {
        err << "zr48: the ZR48 stopped answering at byte " << capture.NextOffset() << " of " << capture.CapturedLength()
            << "; nothing was written\n";
        return kExitFailed;
    }
    const auto bytes = static_cast<std::size_t>(capture.ReceivedBytes());
    try {
        writeCaptureFile(path, capture.Buffer(), static_cast<std::int64_t>(bytes));
    } catch (const Error& e) {
        err << prefixedLines(e.message() + "\nthe capture was not kept");
        return kExitFailed;
    }
    Text text;
    analyseSamples(capture.Buffer(), 0, static_cast<std::int64_t>(bytes) * 8 - 1, text);
    out << "Captured " << bytes << " bytes into " << shownPath(path) << "\n" << toUtf8(text) << "\n";
    return kExitOk;
}

namespace {

const OptionRow kAnalyseOptions[] = {
    {.longName = "--plot",
     .value = "FILE.png",
     .help = "also draw that span as the scope's zoomed view shows it",
     .valueFiles = "png"},
};
const OptionRow kOptimizeOptions[] = {
    {.longName = "--tolerance",
     .value = "N",
     .help = "run one pass with a tolerance of N percent (0 to 100); each one given runs a pass, in the order given",
     .repeatable = true},
    {.longName = "--in-place", .help = "write the result back into FILE.mpi"},
    {.shortName = "-o",
     .longName = "--output",
     .value = "FILE",
     .help = "write the result into FILE, as a device file: Windows-1252, lines ended by CR LF",
     .valueFiles = "mpi"},
    {.longName = "--report",
     .help = "then print what changed: per key the largest change in microseconds and in percent, and the file's "
             "worst (on standard error when the result itself goes to standard output)"},
    {.shortName = "-n", .longName = "--dry-run", .help = "write nothing and print only the report"},
};

const Command kIrCommands[] = {
    {.name = "capture",
     .arguments = "OUT.bin",
     .summary = "Capture a remote control's signal with the ZR48's infrared receiver.",
     .details = "Asks the ZR48 (see --link) for a capture, waits up to 60 s for a remote control's signal,\n"
                "fetches it and writes the raw capture (one bit a sample, 1,782,000 samples a second) with\n"
                "the durations it holds. After Ctrl-C nothing is written.",
     .files = "*",
     .run = runCapture},
    {.name = "analyse",
     .aliases = "analyze",
     .arguments = "CAPTURE.bin [FIRST LAST]",
     .summary = "Print the durations of the marks and spaces of a capture.",
     .details = "Between the sample numbers FIRST and LAST (default: the whole capture), as \"#\" and\n"
                "microseconds.",
     .options = kAnalyseOptions,
     .files = "bin",
     .run = runAnalyse},
    {.name = "optimize",
     .aliases = "optimise",
     .arguments = "FILE.mpi",
     .summary = "Merge the infrared durations of a device file into its timing table IR_TIME_0..9.",
     .details = "Without --tolerance, two passes use the settings IrOptimizerPass1 and IrOptimizerPass2.\n"
                "The result goes to standard output as readable text (UTF-8, the terminal's line ends);\n"
                "with -o FILE or --in-place it is written in the device file's own encoding, Windows-1252\n"
                "with CR LF line ends, as the ZR48 and the desktop program read it. --report then tells how\n"
                "far each key's durations moved; -n shows that report alone and writes nothing.",
     .options = kOptimizeOptions,
     .files = "mpi",
     .run = runOptimize},
    irDecodeCommand(),
    irEncodeCommand(),
    irProtocolsCommand(),
    irImportCommand(),
    irExportCommand(),
};

} // namespace

Command irCommand()
{
    return {
        .name = "ir",
        .summary =
            "Capture, analyse, decode and encode infrared signals; import, export and optimize device files' codes.",
        .subcommands = kIrCommands,
        .run = [](Context& context, const Arguments& arguments) { return runSubcommand(context, "ir", arguments); }};
}

} // namespace zr48::cli
