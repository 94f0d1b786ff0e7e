#include "base/Text.h"

#include <benchmark/benchmark.h>

namespace {

zr48::Text sampleLine()
{
    zr48::Text line;
    for (int i = 0; i < 2000; ++i)
        line += static_cast<char>(0x20 + (i * 37) % 224);
    return line;
}

void BM_UpperCase(benchmark::State& state)
{
    const zr48::Text line = sampleLine();
    for (auto _ : state)
        benchmark::DoNotOptimize(zr48::upperCase(line));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * line.size()));
}
BENCHMARK(BM_UpperCase);

void BM_Utf8RoundTrip(benchmark::State& state)
{
    const zr48::Text line = sampleLine();
    for (auto _ : state)
        benchmark::DoNotOptimize(zr48::fromUtf8(zr48::toUtf8(line)));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * line.size()));
}
BENCHMARK(BM_Utf8RoundTrip);

} // namespace
