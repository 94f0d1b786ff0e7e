#include "link/Framing.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace zr48 {
namespace {

std::vector<std::vector<std::uint8_t>> collect(FrameCollector& collector, const std::vector<std::uint8_t>& wire)
{
    std::vector<std::vector<std::uint8_t>> frames;
    collector.feed(wire, [&](const std::uint8_t* p, std::size_t n) { frames.emplace_back(p, p + n); });
    return frames;
}

TEST(Framing, StuffsEscapesBetweenMarkers)
{
    std::uint8_t out[kMaxWireFrame];
    const std::vector<std::uint8_t> payload{9, 0x5C};
    const std::size_t n = stuffFrame(payload, out);
    EXPECT_EQ(std::vector<std::uint8_t>(out, out + n), (std::vector<std::uint8_t>{0x5C, 0, 9, 0x5C, 2, 0x5C, 1}));
}

TEST(Framing, RandomPayloadsSurviveTheRoundTrip)
{
    std::mt19937 random(7);
    std::uniform_int_distribution<int> anyByte(0, 255);
    FrameCollector collector;
    std::vector<std::uint8_t> wire;
    std::vector<std::vector<std::uint8_t>> sent;
    for (std::size_t length = 1; length <= kMaxPayload; ++length) {
        std::vector<std::uint8_t> payload(length);
        for (std::size_t i = 0; i < length; ++i)
            payload[i] = static_cast<std::uint8_t>(anyByte(random));
        if (length % 3 == 0) // runs of the escape byte, up to the whole payload
            std::fill(payload.begin(), payload.begin() + static_cast<std::ptrdiff_t>(length / (1 + length % 4)), 0x5C);
        std::uint8_t out[kMaxWireFrame];
        const std::size_t n = stuffFrame(payload, out);
        EXPECT_LE(n, 2 * length + 4);
        wire.insert(wire.end(), out, out + n);
        sent.push_back(std::move(payload));
    }
    // Every byte value occurs somewhere.
    std::vector<bool> seen(256);
    for (const auto& p : sent)
        for (auto b : p)
            seen[b] = true;
    EXPECT_EQ(std::count(seen.begin(), seen.end(), true), 256);
    EXPECT_EQ(collect(collector, wire), sent);
}

TEST(Framing, CollectorFollowsTheReceiveRules)
{
    const std::vector<std::uint8_t> long600 = [] {
        std::vector<std::uint8_t> w{0x5C, 0};
        for (int i = 0; i < 600; ++i)
            w.push_back(static_cast<std::uint8_t>(i % 50 + 1));
        w.insert(w.end(), {0x5C, 1});
        return w;
    }();
    struct Case {
        const char* name;
        std::vector<std::uint8_t> wire;
        std::vector<std::vector<std::uint8_t>> frames;
    };
    const std::vector<Case> cases = {
        {"unknown escape vanishes with its 5C", {0x5C, 0, 2, 0x5C, 5, 3, 0x5C, 1}, {{2, 3}}},
        {"5C 5C 02 yields one 5C", {0x5C, 0, 2, 0x5C, 0x5C, 2, 0x5C, 1}, {{2, 0x5C}}},
        {"bytes before a start marker are discarded", {0x5C, 0, 1, 0x5C, 1, 7, 7, 0x5C, 0, 2, 0x5C, 1}, {{1}, {2}}},
        {"a lost start marker appends to the previous frame", {0x5C, 0, 1, 0x5C, 1, 2, 0x5C, 1}, {{1}, {1, 2}}},
        {"two end markers deliver the buffer twice", {0x5C, 0, 4, 0x5C, 1, 0x5C, 1}, {{4}, {4}}},
        {"an empty frame has length 0", {0x5C, 0, 0x5C, 1}, {{}}},
    };
    for (const Case& c : cases) {
        FrameCollector collector;
        EXPECT_EQ(collect(collector, c.wire), c.frames) << c.name;
    }
    FrameCollector collector;
    const auto frames = collect(collector, long600);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].size(), kMaxPayload);
    EXPECT_EQ(frames[0][527], 527 % 50 + 1);
}

TEST(Framing, AnEscapeSplitAcrossReadsIsKept)
{
    FrameCollector collector;
    EXPECT_TRUE(collect(collector, {0x5C, 0, 8, 0x5C}).empty());
    EXPECT_TRUE(collector.escapePending());
    EXPECT_EQ(collect(collector, {2, 0x5C}), (std::vector<std::vector<std::uint8_t>>{}));
    EXPECT_EQ(collect(collector, {1}), (std::vector<std::vector<std::uint8_t>>{{8, 0x5C}}));
}

} // namespace
} // namespace zr48
