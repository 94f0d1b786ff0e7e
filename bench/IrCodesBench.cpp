// The decoder over a whole capture, and the import of a large Flipper file. The counter
// "of_budget" is the time of one run over what it may take (1 ms to decode every frame of a full
// capture, 100 ms to import 1,000 buttons into a device file, with or without optimizing the whole
// file): below 1 is within it.

#include "infrared/CaptureDecoder.h"
#include "infrared/IrCodeImport.h"

#include "RemoteCodeCapture.h"

#include <benchmark/benchmark.h>

#include <cstdio>

namespace {

using namespace zr48;

benchmark::Counter ofBudget(double seconds)
{
    return benchmark::Counter(seconds, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_DecodeWholeCapture(benchmark::State& state)
{
    const auto capture = bench::remoteCodeCapture();
    std::size_t frames = 0;
    for (auto _ : state) {
        const CaptureCodes codes = decodeCapture(*capture, 0, kCaptureSamples - 1);
        frames = codes.frames.size();
        benchmark::DoNotOptimize(codes.frames.data());
    }
    state.counters["frames"] = static_cast<double>(frames);
    state.counters["of_budget"] = ofBudget(0.001);
}
BENCHMARK(BM_DecodeWholeCapture)->Unit(benchmark::kMicrosecond);

// 1,000 buttons: parsed NEC, RC5 and SIRC codes and raw ones with scattered durations.
std::string flipperFile()
{
    std::string text = "Filetype: IR signals file\nVersion: 1\n";
    unsigned seed = 19;
    auto next = [&seed] { return seed = seed * 1103515245u + 12345u, (seed >> 16) & 0x7FFF; };
    const char* const protocols[] = {"NEC", "RC5", "SIRC"};
    for (int button = 0; button < 1000; ++button) {
        text += "#\nname: Button " + std::to_string(button) + "\n";
        if (button % 4 != 3) {
            char fields[64];
            std::snprintf(fields, sizeof fields, "address: %02X 00 00 00\ncommand: %02X 00 00 00\n", next() % 32,
                          next() % 64);
            text += "type: parsed\nprotocol: " + std::string(protocols[button % 3]) + "\n" + fields;
            continue;
        }
        text += "type: raw\nfrequency: 38000\nduty_cycle: 0.330000\ndata: 9000 4500";
        for (int bit = 0; bit < 32; ++bit)
            text +=
                " " + std::to_string(540 + next() % 40) + " " + std::to_string((next() % 2 ? 1670 : 540) + next() % 40);
        text += " 560 40000\n";
    }
    return text;
}

// An amplifier's file with a timing table and codes of its own, into which the buttons go.
std::vector<Text> amplifierLines()
{
    std::vector<Text> lines = newIrDeviceLines("Bench");
    lines.insert(lines.end(), {"IR_TIME_0 = 560", "IR_TIME_1 = 1690", "IR_TIME_2 = 9000",
                               "IR_PLAY=\"$2#4500$0101010101010101#40000\"", "IR_STOP=\"#8998#4502#571#1680\""});
    return lines;
}

void BM_ImportThousandButtons(benchmark::State& state)
{
    const std::string file = flipperFile();
    const bool optimizeFile = state.range(0) != 0;
    struct Yes : Prompt {
        Answer show(const std::string&, Icon, Buttons) override { return Answer::Yes; }
    } prompt;
    std::size_t lines = 0;
    for (auto _ : state) {
        std::vector<Text> device = amplifierLines();
        importIrButtons(device, readIrCodeFile(file),
                        {.tolerance1 = 10, .tolerance2 = 20, .optimizeFile = optimizeFile}, prompt);
        lines = device.size();
        benchmark::DoNotOptimize(device.data());
    }
    state.counters["lines"] = static_cast<double>(lines);
    state.counters["of_budget"] = ofBudget(0.1);
}
// 0: the new durations merged into the table; 1: the whole file optimized.
BENCHMARK(BM_ImportThousandButtons)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

} // namespace
