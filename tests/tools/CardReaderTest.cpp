// Reading a range of card sectors as they are, against the simulated unit in virtual time.

#include "tools/CardReader.h"
#include "base/VirtualClock.h"
#include "link/Frames.h"
#include "link/UsbZR48.h"
#include "sim/SimulatedDriver.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace zr48 {
namespace {

class CardReaderTest : public testing::Test {
protected:
    explicit CardReaderTest(SimOptions options = {})
        : unit(
              clock, [this] { return clock.now() * 1000; }, {}, std::move(options))
    {
        link.SetFrameHandler([this](const std::uint8_t* payload, int length) {
            if (payload)
                reader.HandleFrame(payload, length);
        });
        reader.SetLink([this](std::span<const std::uint8_t> payload) {
            requests.push_back(FrameView(payload).be16(2));
            link.Send(payload);
        });
    }
    void runWhileReading(std::int64_t limitMs = 60000)
    {
        clock.advanceUntil([this] { return reader.Result() != CardReadResult::Running; }, limitMs);
    }

    VirtualClock clock;
    SimulatedUnit unit;
    TimerRxThreadHost threads{clock};
    TUsbZR48 link{clock, unit.driver, threads, {}};
    TCardReader reader{clock};
    std::vector<std::uint16_t> requests;
};

Sector filled(std::uint8_t value)
{
    Sector s;
    s.fill(value);
    return s;
}

TEST_F(CardReaderTest, ReadsEachSectorOfTheRangeAsTheCardHoldsIt)
{
    unit.card.write(65534, filled(0xA5));
    unit.card.write(65535, filled(0x5A));
    int progress = 0;
    reader.OnProgress = [&] { ++progress; };
    reader.Start(65533, 65535);
    runWhileReading();
    ASSERT_EQ(reader.Result(), CardReadResult::Finished);
    ASSERT_EQ(reader.Records().size(), 3u);
    EXPECT_EQ(reader.SectorCount(), 3u);
    EXPECT_EQ(reader.Records()[0], (SectorRecord{65533, Sector{}}));
    EXPECT_EQ(reader.Records()[1], (SectorRecord{65534, filled(0xA5)}));
    EXPECT_EQ(reader.Records()[2], (SectorRecord{65535, filled(0x5A)}));
    EXPECT_EQ(progress, 3);
    // One request a sector when every reply comes; the last sector does not wrap around to 0.
    EXPECT_EQ(requests, (std::vector<std::uint16_t>{65533, 65534, 65535}));
}

TEST_F(CardReaderTest, ASilentUnitEndsTheReadAfterTenResendsAndWhatWasReadStays)
{
    reader.Start(0, 9);
    clock.advanceUntil([this] { return reader.Records().size() == 4; }, 10000);
    unit.unit.faults().silent = true;
    const std::int64_t silentFrom = clock.now();
    runWhileReading();
    EXPECT_EQ(reader.Result(), CardReadResult::NoAnswer);
    EXPECT_EQ(reader.CurrentSector(), 4);
    EXPECT_EQ(reader.Records().size(), 4u);
    // The request and ten resends 200 ms apart, then the tick that gives up.
    EXPECT_EQ(std::count(requests.begin(), requests.end(), 4), 11);
    EXPECT_NEAR(clock.now() - silentFrom, 11 * Exchange::kWatchdogMs, Exchange::kWatchdogMs);
}

TEST_F(CardReaderTest, CancelKeepsTheSectorsReadAndSendsNoMore)
{
    reader.Start(100, 199);
    clock.advanceUntil([this] { return reader.Records().size() == 5; }, 10000);
    reader.Cancel();
    const std::size_t sent = requests.size();
    clock.advance(5000);
    EXPECT_EQ(reader.Result(), CardReadResult::Cancelled);
    EXPECT_EQ(reader.Records().size(), 5u);
    EXPECT_EQ(reader.Records().back().Number, 104);
    EXPECT_EQ(requests.size(), sent);
}

// A card of distinct sectors read over a line with faults: a verified read is the card exactly,
// or ends without a verdict on the sector it could not settle.
SimOptions withFaults(const SimFaults& faults)
{
    SimOptions options;
    options.faults = faults;
    return options;
}

class FaultyLineReadTest : public CardReaderTest, public testing::WithParamInterface<SimFaults> {
protected:
    FaultyLineReadTest() : CardReaderTest(withFaults(GetParam())) {}
};

TEST_P(FaultyLineReadTest, AVerifiedReadIsTheCardExactly)
{
    for (std::uint16_t n = 0; n < 40; ++n) {
        Sector s;
        for (std::size_t i = 0; i < s.size(); ++i)
            s[i] = static_cast<std::uint8_t>(n * 7 + i);
        unit.card.write(n, s);
    }
    reader.SetVerify(true);
    reader.Start(0, 39);
    runWhileReading(600000);
    ASSERT_EQ(reader.Result(), CardReadResult::Finished);
    ASSERT_EQ(reader.Records().size(), 40u);
    for (const SectorRecord& record : reader.Records())
        EXPECT_EQ(record.Data, unit.card.read(record.Number)) << "sector " << record.Number;
}

INSTANTIATE_TEST_SUITE_P(Faults, FaultyLineReadTest,
                         testing::Values(SimFaults{.seed = 3, .corruptRate = 0.05},
                                         SimFaults{.seed = 4, .corruptRate = 0.2},
                                         SimFaults{.seed = 5, .replyLossRate = 0.3},
                                         SimFaults{.seed = 6, .corruptRate = 0.05, .extraDelayMs = 200}));

} // namespace
} // namespace zr48
