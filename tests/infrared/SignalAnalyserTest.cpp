#include "infrared/SignalAnalyser.h"

#include "IrSignalSynth.h"
#include "support/AnalyserWalk.h"

#include <gtest/gtest.h>

#include <charconv>
#include <random>

namespace zr48 {
namespace {

using test::analyseSampleBySample;
using test::LevelRun;

std::vector<LevelRun> repeat(const std::vector<LevelRun>& period, int times, const std::vector<LevelRun>& tail)
{
    std::vector<LevelRun> runs;
    for (int i = 0; i < times; ++i)
        runs.insert(runs.end(), period.begin(), period.end());
    runs.insert(runs.end(), tail.begin(), tail.end());
    return runs;
}

TEST(SignalAnalyser, TextsOfSampleRuns)
{
    const struct {
        const char* what;
        std::vector<LevelRun> runs;
        std::int64_t skip; // samples of the pattern before the span starts
        const char* text;
    } cases[] = {
        {"one mark", {{true, 1000}, {false, 100}}, 0, "#574"},
        {"mark, space, mark", {{true, 1000}, {false, 500}, {true, 1000}, {false, 100}}, 0, "#574#268#574"},
        {"52 zeros do not end a mark", {{true, 10}, {false, 52}}, 0, ""},
        {"53 zeros do", {{true, 10}, {false, 53}}, 0, "#19"},
        {"carrier gaps stay inside the mark", repeat({{true, 15}, {false, 32}}, 20, {{false, 200}}), 0, "#523"},
        {"a one-sample mark", {{true, 1}, {false, 60}}, 0, "#14"},
        {"the shortest space reported", {{true, 10}, {false, 53}, {true, 10}, {false, 60}}, 0, "#19#17#19"},
        {"the first 1 on the reporting sample is not examined",
         {{true, 10}, {false, 52}, {true, 10}, {false, 60}},
         0,
         "#19#17#18"},
        {"a span starting inside a mark",
         {{true, 1000}, {false, 500}, {true, 1000}, {false, 100}},
         300,
         "#406#268#574"},
        {"nothing but zeros", {{false, 5000}}, 0, ""},
        {"a mark open at the end of the span", {{false, 10}, {true, 300}}, 0, ""},
    };
    // Each pattern also off a 64-sample boundary and near the end of the buffer.
    for (const std::int64_t start : {std::int64_t{0}, std::int64_t{1037}, std::int64_t{521001}}) {
        for (const auto& c : cases) {
            auto capture = test::emptyCapture();
            const std::int64_t end = test::writeRuns(*capture, start, c.runs);
            Text text;
            analyseSamples(*capture, start + c.skip, end - 1, text);
            EXPECT_EQ(text, c.text) << c.what << " from sample " << start;
            analyseSamples(*capture, end - 1, start + c.skip, text);
            EXPECT_EQ(text, c.text) << c.what << ", span given backwards";
        }
    }
}

TEST(SignalAnalyser, SpanBetweenPointsOfTheZoomedViewInEitherOrder)
{
    auto capture = test::emptyCapture();
    const std::int64_t end = test::writeRuns(*capture, 5000, {{true, 1000}, {false, 500}, {true, 1000}, {false, 100}});
    // "100us/div": 8.91 samples per pixel; columns 0 and 300 hold samples 5000 and 7673.
    ScopeScale zoom = zoomScale(6, 5000, 600, 300);
    zoom.firstSample = 5000;
    ASSERT_EQ(sampleAtColumn(zoom, 0), 5000);
    ASSERT_GE(sampleAtColumn(zoom, 300), end - 1);
    EXPECT_EQ(AnalyseSpan(*capture, zoom, 0, 300), "#574#268#574");
    EXPECT_EQ(AnalyseSpan(*capture, zoom, 300, 0), "#574#268#574");
    EXPECT_EQ(AnalyseSpan(*capture, zoom, 10, 10), "");
}

TEST(SignalAnalyser, SamplesOutsideTheCaptureReadAsZero)
{
    auto capture = test::emptyCapture();
    // A mark that runs to the last sample ends just past the buffer.
    test::writeRuns(*capture, kCaptureSamples - 100, {{true, 100}});
    Text text;
    analyseSamples(*capture, kCaptureSamples - 200, kCaptureSamples + 5'000'000, text);
    EXPECT_EQ(text, "#69");
    // A span that starts before sample 0 waits for the first mark from sample 0 on.
    auto early = test::emptyCapture();
    test::writeRuns(*early, 0, {{true, 100}, {false, 60}});
    analyseSamples(*early, -3'000'000, 400, text);
    EXPECT_EQ(text, "#69");
    analyseSamples(*early, -3'000'000, -1, text);
    EXPECT_EQ(text, "");
}

TEST(SignalAnalyser, SameTextAsTheSampleBySampleStateTable)
{
    std::mt19937 random(48);
    // LevelRun lengths around the limits that matter: single samples, the 52-sample gap, word sizes.
    const std::int64_t lengths[] = {1, 2, 15, 31, 50, 51, 52, 53, 54, 63, 64, 65, 200, 1000};
    std::uniform_int_distribution<std::size_t> pick(0, std::size(lengths) - 1);
    std::uniform_int_distribution<std::int64_t> anywhere(-300, kCaptureSamples + 300);
    for (int round = 0; round < 40; ++round) {
        auto capture = test::emptyCapture();
        std::vector<LevelRun> runs;
        bool level = random() % 2 != 0;
        for (int i = 0; i < 4000; ++i, level = !level)
            runs.push_back({level, lengths[pick(random)] + static_cast<std::int64_t>(random() % 3)});
        test::writeRuns(*capture, static_cast<std::int64_t>(random() % 1000), runs);
        for (int span = 0; span < 5; ++span) {
            const std::int64_t s1 = anywhere(random);
            const std::int64_t s2 = span == 0 ? s1 + 5000 : anywhere(random);
            Text text;
            analyseSamples(*capture, s1, s2, text);
            EXPECT_EQ(text, analyseSampleBySample(*capture, s1, s2)) << "span " << s1 << " to " << s2;
        }
    }
}

std::vector<int> parseDurations(const Text& text)
{
    std::vector<int> values;
    for (std::size_t i = 0; i < text.size();) {
        EXPECT_EQ(text[i], '#') << text;
        int value = 0;
        const auto result = std::from_chars(text.data() + i + 1, text.data() + text.size(), value);
        values.push_back(value);
        i = static_cast<std::size_t>(result.ptr - text.data());
    }
    return values;
}

TEST(SignalAnalyser, RecoversTheDurationsOfARemoteCode)
{
    auto capture = test::emptyCapture();
    const std::vector<int> sent = test::necDurations(0x7F80BF40);
    const std::int64_t end = test::writeCarrierCode(*capture, 12345, sent);
    Text text;
    analyseSamples(*capture, 0, kCaptureSamples - 1, text);
    const std::vector<int> found = parseDurations(text);
    // Every mark and space but the silence after the last mark.
    ASSERT_EQ(found.size(), sent.size()) << text;
    for (std::size_t i = 0; i < sent.size(); ++i)
        EXPECT_NEAR(found[i], sent[i], 15) << "duration " << i << " of " << text;
    EXPECT_LT(end, kCaptureSamples);
}

} // namespace
} // namespace zr48
