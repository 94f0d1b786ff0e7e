#include "link/Exchange.h"

#include "base/ByteOrder.h"
#include "base/VirtualClock.h"

#include <gtest/gtest.h>

#include <vector>

namespace zr48 {
namespace {

// An exchange whose requests are recorded and whose answers the test hands in.
class ExchangeTest : public testing::Test {
protected:
    ExchangeTest()
    {
        exchange.SetLink([this](std::span<const std::uint8_t> p) {
            sentAt.push_back(clock.now());
            (void)p;
        });
        exchange.onReply = [this](std::span<const std::uint8_t> reply, int reads) {
            replies.push_back({reply.begin(), reply.end()});
            readsTaken.push_back(reads);
        };
        exchange.onNoAnswer = [this] { noAnswerAt = clock.now(); };
        exchange.onUnsettled = [this] { unsettled = true; };
    }
    static std::vector<std::uint8_t> SectorData(std::uint16_t sector, std::uint8_t fill, std::uint8_t window = 0)
    {
        SectorDataFrame f{window, sector, {}};
        f.data.fill(fill);
        const auto bytes = encode(f);
        return {bytes.begin(), bytes.end()};
    }
    void Ask(std::uint16_t sector, bool confirm = false)
    {
        exchange.Ask(encode(SectorReadFrame{0, sector}), {FrameType::SectorData, sector, std::nullopt}, confirm);
    }
    bool Feed(const std::vector<std::uint8_t>& frame)
    {
        return exchange.HandleFrame(frame.data(), static_cast<int>(frame.size()));
    }

    VirtualClock clock;
    Exchange exchange{clock};
    std::vector<std::int64_t> sentAt;
    std::vector<std::vector<std::uint8_t>> replies;
    std::vector<int> readsTaken;
    std::int64_t noAnswerAt = -1;
    bool unsettled = false;
};

TEST_F(ExchangeTest, OnlyTheReplyAskedForAnswers)
{
    struct Case {
        const char* what;
        std::vector<std::uint8_t> frame;
        bool answers;
    };
    auto ack = encode(SectorWriteAckFrame{0, 7});
    const std::vector<Case> cases = {
        {"a late reply to the sector before", SectorData(6, 0x11), false},
        {"a number changed on the line", SectorData(7 ^ 0x100, 0x11), false},
        {"another type with the same number", {ack.begin(), ack.end()}, false},
        {"an empty frame", {}, false},
        {"the sector asked for, any window id", SectorData(7, 0x22, 3), true},
    };
    Ask(7);
    for (const Case& c : cases) {
        EXPECT_EQ(Feed(c.frame), c.answers) << c.what;
        EXPECT_EQ(exchange.Waiting(), !c.answers) << c.what;
    }
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(replies[0], SectorData(7, 0x22, 3));
    // Answered: a second copy of the reply is no answer any more.
    EXPECT_FALSE(Feed(SectorData(7, 0x22)));
}

TEST_F(ExchangeTest, AWindowIdAskedForMustMatch)
{
    exchange.Ask(encode(IrDataReadFrame{5, 512}), {FrameType::IrData, 512, 5});
    IrDataFrame other{4, 512, {}};
    IrDataFrame mine{5, 512, {}};
    const auto a = encode(other);
    const auto b = encode(mine);
    EXPECT_FALSE(exchange.HandleFrame(a.data(), static_cast<int>(a.size())));
    EXPECT_TRUE(exchange.HandleFrame(b.data(), static_cast<int>(b.size())));
}

TEST_F(ExchangeTest, AStaleReplyIsDroppedAndTheWatchdogResendsUntilItGivesUp)
{
    Ask(7);
    clock.advance(100);
    Feed(SectorData(6, 0x11)); // stale: no answer, and the watchdog's count goes on
    clock.advance(10'000);
    // Once, then ten resends 200 ms apart; the tick after the tenth gives up.
    std::vector<std::int64_t> expected = {0};
    for (int i = 1; i <= Exchange::kMaxResends; ++i)
        expected.push_back(i * Exchange::kWatchdogMs);
    EXPECT_EQ(sentAt, expected);
    EXPECT_EQ(noAnswerAt, (Exchange::kMaxResends + 1) * Exchange::kWatchdogMs);
    EXPECT_TRUE(replies.empty());
    EXPECT_FALSE(exchange.Waiting());
}

TEST_F(ExchangeTest, ConfirmingReadsUntilTwoRepliesAgree)
{
    Ask(3, true);
    Feed(SectorData(3, 0xA0));
    Feed(SectorData(3, 0xA1)); // a byte changed on the line
    EXPECT_TRUE(replies.empty());
    Feed(SectorData(3, 0xA1));
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(replies[0], SectorData(3, 0xA1));
    EXPECT_EQ(readsTaken[0], 3);
    EXPECT_EQ(sentAt.size(), 3u); // each reply that did not settle it asked again
}

TEST_F(ExchangeTest, ConfirmingAReplyTakenCountsItAsTheFirstRead)
{
    Ask(3);
    Feed(SectorData(3, 0xA0));
    ASSERT_EQ(replies.size(), 1u);
    exchange.Confirm(replies[0]);
    Feed(SectorData(3, 0xA0));
    ASSERT_EQ(replies.size(), 2u);
    EXPECT_EQ(readsTaken[1], 2);
}

TEST_F(ExchangeTest, RepliesThatNeverAgreeGiveUp)
{
    Ask(3, true);
    for (int i = 0; i < Exchange::kMaxReads; ++i)
        Feed(SectorData(3, static_cast<std::uint8_t>(i)));
    EXPECT_TRUE(unsettled);
    EXPECT_TRUE(replies.empty());
    EXPECT_FALSE(exchange.Waiting());
}

TEST_F(ExchangeTest, TheNextRequestMayGoOutFromTheAnswer)
{
    exchange.onReply = [this](std::span<const std::uint8_t> reply, int) {
        const std::uint16_t sector = readBe16(reply.data() + 2);
        replies.push_back({reply.begin(), reply.end()});
        if (sector < 2)
            Ask(static_cast<std::uint16_t>(sector + 1));
    };
    Ask(0);
    for (std::uint16_t s = 0; s < 3; ++s)
        Feed(SectorData(s, 0));
    EXPECT_EQ(replies.size(), 3u);
    EXPECT_FALSE(exchange.Waiting());
    clock.advance(5000);
    EXPECT_EQ(sentAt.size(), 3u); // no watchdog left running
}

} // namespace
} // namespace zr48
