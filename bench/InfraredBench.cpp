#include "infrared/IrOptimizer.h"
#include "infrared/ScopeDrawing.h"
#include "infrared/SignalAnalyser.h"

#include "RemoteCodeCapture.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>

namespace {

using namespace zr48;
using bench::remoteCodeCapture;

void BM_AnalyseWholeCapture(benchmark::State& state)
{
    const auto capture = remoteCodeCapture();
    Text text;
    for (auto _ : state) {
        analyseSamples(*capture, 0, kCaptureSamples - 1, text);
        benchmark::DoNotOptimize(text.data());
    }
    state.counters["chars"] = static_cast<double>(text.size());
}
BENCHMARK(BM_AnalyseWholeCapture)->Unit(benchmark::kMicrosecond);

// The trace of a 1,920-pixel zoomed view, centred on the middle of a full capture.
void BM_ZoomTrace(benchmark::State& state)
{
    const auto capture = remoteCodeCapture();
    const ScopeScale zoom = zoomScale(static_cast<int>(state.range(0)), kCaptureSamples / 2, 1920, 800);
    DrawOps ops;
    ops.reserve(4096);
    for (auto _ : state) {
        ops.clear();
        appendTrace(zoom, *capture, 520192.0f, TraceKind::Capture, ops);
        benchmark::DoNotOptimize(ops.data());
    }
    state.SetLabel(kScaleTable[static_cast<std::size_t>(state.range(0))].label);
}
BENCHMARK(BM_ZoomTrace)->Arg(15)->Arg(9)->Arg(0)->Unit(benchmark::kMicrosecond);

// A device file of 1,000 lines: a table, and infrared strings with `durations` scattered literal
// durations each.
std::vector<Text> deviceFile(int durations)
{
    std::vector<Text> lines{"DEVICE=3", "NAME=Bench", "IR_TIME_0 = 560", "IR_TIME_1 = 1690"};
    unsigned seed = 48;
    auto next = [&seed] { return seed = seed * 1103515245u + 12345u, (seed >> 16) & 0x7FFF; };
    const int base[] = {560, 1690, 9000, 4500, 2250, 880, 440, 26000};
    while (lines.size() < 1000) {
        Text line = "IR_KEY_" + std::to_string(lines.size()) + " = \"$01";
        for (int i = 0; i < durations; ++i) {
            const int value = base[next() % 8];
            line += "#" + std::to_string(value + static_cast<int>(next() % (value / 10 + 1)) - value / 20);
        }
        lines.push_back(line + "\"");
    }
    return lines;
}

void BM_OptimizeTwoPasses(benchmark::State& state)
{
    const std::vector<Text> file = deviceFile(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        std::vector<Text> lines = file;
        TIrOptimizer optimizer;
        optimizer.SetTolerance(10);
        optimizer.Optimize(lines);
        optimizer.SetTolerance(20);
        optimizer.Optimize(lines);
        benchmark::DoNotOptimize(lines.data());
    }
    std::vector<Text> lines = file;
    TIrOptimizer optimizer;
    for (const Text& line : lines)
        optimizer.Collect(line);
    state.counters["durations"] = static_cast<double>(optimizer.Entries().size());
}
BENCHMARK(BM_OptimizeTwoPasses)->ArgName("durationsPerLine")->Arg(12)->Arg(24)->Unit(benchmark::kMillisecond);

} // namespace
