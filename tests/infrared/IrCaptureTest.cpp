#include "infrared/IrCapture.h"

#include "IrSignalSynth.h"
#include "base/VirtualClock.h"
#include "infrared/SignalAnalyser.h"
#include "link/Frames.h"
#include "link/UsbZR48.h"
#include "sim/SimulatedDriver.h"

#include <gtest/gtest.h>

namespace zr48 {
namespace {

constexpr int kWindowId = 3;

// The capture exchanges by hand: every request is recorded, every reply is made up by the test.
class IrCaptureExchange : public testing::Test {
protected:
    std::vector<int> dataReadOffsets() const
    {
        std::vector<int> offsets;
        for (const auto& request : sent)
            if (FrameView(request).is(FrameType::IrDataRead))
                offsets.push_back(decodeIrDataRead(FrameView(request)).offset);
        return offsets;
    }
    int countSent(FrameType type) const
    {
        return static_cast<int>(std::count_if(sent.begin(), sent.end(),
                                              [type](const auto& request) { return FrameView(request).is(type); }));
    }
    template <std::size_t N>
    void deliver(const std::array<std::uint8_t, N>& frame)
    {
        capture.HandleFrame(frame.data(), static_cast<int>(N));
    }
    void status(std::uint16_t length) { deliver(encode(IrCaptureStatusFrame{kWindowId, length})); }
    void block(std::uint16_t offset, std::uint8_t fill)
    {
        IrDataFrame frame{kWindowId, offset, {}};
        frame.data.fill(fill);
        deliver(encode(frame));
    }

    VirtualClock clock;
    std::vector<std::vector<std::uint8_t>> sent;
    TIrCapture capture{0x103, [this](std::span<const std::uint8_t> p) { sent.emplace_back(p.begin(), p.end()); },
                       clock};
};

TEST_F(IrCaptureExchange, CaptureWaitsPollsAndFetchesTheAnnouncedBlocks)
{
    block(0, 0xAA); // an earlier capture on screen
    capture.ButtonCaptureClick();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0], (std::vector<std::uint8_t>{13, kWindowId})); // the window id's low byte
    EXPECT_FALSE(capture.CaptureEnabled());
    EXPECT_EQ(capture.Buffer()[0], 0); // cleared

    deliver(encode(IrCaptureStartedFrame{kWindowId}));
    clock.advance(1999);
    EXPECT_EQ(countSent(FrameType::IrCaptureQuery), 3); // every 500 ms
    status(0);                                          // still capturing: nothing changes
    clock.advance(1);
    EXPECT_EQ(countSent(FrameType::IrCaptureQuery), 4);
    EXPECT_EQ(capture.state(), TIrCapture::State::Waiting);

    status(1000);
    EXPECT_EQ(capture.state(), TIrCapture::State::Transferring);
    clock.advance(1000);                                // within the first block's resends
    EXPECT_EQ(countSent(FrameType::IrCaptureQuery), 4); // polling stopped
    // Every sample received is drawn, as it arrives, up to the announced length.
    block(0, 0x11);
    EXPECT_EQ(capture.ValidSamples(), 4096.0f);
    block(512, 0x22);
    EXPECT_EQ(capture.ValidSamples(), 8000.0f);
    block(1024, 0x33);
    EXPECT_EQ(dataReadOffsets().front(), 0);
    EXPECT_EQ(capture.CapturedLength(), 1000);
    EXPECT_TRUE(capture.CaptureEnabled());
    EXPECT_EQ(capture.ValidSamples(), 8000.0f);
    EXPECT_EQ(capture.ValidSamples(), static_cast<float>(capture.ReceivedBytes() * 8));
    EXPECT_EQ(capture.Buffer()[1024], 0x33);
}

TEST_F(IrCaptureExchange, LostBlocksAreAskedForAgainTenTimesIncludingTheFirst)
{
    capture.ButtonCaptureClick();
    deliver(encode(IrCaptureStartedFrame{kWindowId}));
    status(2048);
    clock.advance(350); // the first block got lost
    EXPECT_EQ(dataReadOffsets(), (std::vector<int>{0, 0, 0, 0}));
    block(0, 1);
    clock.advance(99);
    block(512, 2);
    EXPECT_EQ(dataReadOffsets(), (std::vector<int>{0, 0, 0, 0, 512, 1024}));

    clock.advance(2000); // the unit no longer answers
    EXPECT_EQ(dataReadOffsets().size(), 6u + 10u);
    EXPECT_TRUE(capture.CaptureEnabled());
    EXPECT_EQ(capture.ValidSamples(), 8192.0f); // what arrived stays on screen, all of it
    EXPECT_EQ(capture.Buffer()[600], 2);
    clock.advance(1000);
    EXPECT_EQ(dataReadOffsets().size(), 16u);
}

TEST_F(IrCaptureExchange, OnlyTheBlockAskedForIsTaken)
{
    capture.ButtonCaptureClick();
    deliver(encode(IrCaptureStartedFrame{kWindowId}));
    status(2048);
    block(0, 1);
    block(0, 9); // the answer to a resend of block 0, late
    IrDataFrame foreign{kWindowId + 1, 512, {}};
    foreign.data.fill(7);
    deliver(encode(foreign)); // another scope's
    EXPECT_EQ(capture.NextOffset(), 512);
    EXPECT_EQ(capture.Buffer()[0], 1);
    EXPECT_EQ(capture.Buffer()[512], 0);
    clock.advance(100); // the block asked for is asked for again
    EXPECT_EQ(dataReadOffsets(), (std::vector<int>{0, 512, 512}));
    block(512, 2);
    EXPECT_EQ(capture.Buffer()[512], 2);
    EXPECT_EQ(capture.NextOffset(), 1024);
}

TEST_F(IrCaptureExchange, ALostRequestToStartIsSentAgainAsEveryOtherRequestIs)
{
    capture.ButtonCaptureClick();
    clock.advance(250);
    EXPECT_EQ(countSent(FrameType::IrCaptureStart), 3);
    deliver(encode(IrCaptureStartedFrame{kWindowId}));
    clock.advance(1000);
    EXPECT_EQ(countSent(FrameType::IrCaptureStart), 3); // started: no more
    EXPECT_EQ(capture.state(), TIrCapture::State::Waiting);
    EXPECT_FALSE(capture.StartUnanswered());

    // Never answered: sent once and ten times again, then Capture is enabled and says so.
    capture.ButtonCaptureClick();
    clock.advance(5000);
    EXPECT_EQ(countSent(FrameType::IrCaptureStart), 3 + 11);
    EXPECT_TRUE(capture.CaptureEnabled());
    EXPECT_TRUE(capture.StartUnanswered());
}

TEST_F(IrCaptureExchange, TheTransferEndsAtTheEndOfTheBuffer)
{
    capture.ButtonCaptureClick();
    deliver(encode(IrCaptureStartedFrame{kWindowId}));
    status(0xFFFF); // more than the buffer holds
    for (int offset = 0; offset < kCaptureBytes; offset += 512)
        block(static_cast<std::uint16_t>(offset), static_cast<std::uint8_t>(offset / 512));
    EXPECT_EQ(dataReadOffsets().size(), 128u);
    EXPECT_EQ(dataReadOffsets().back(), 65024);
    EXPECT_TRUE(capture.CaptureEnabled());
    EXPECT_EQ(capture.ValidSamples(), 65535.0f * 8); // as many as were announced
    EXPECT_EQ(capture.Buffer()[65535], 127);
    clock.advance(5000);
    EXPECT_EQ(dataReadOffsets().size(), 128u); // no request starts over at offset 0

    // A block that would not fit is not stored; the transfer logic runs as for any block.
    block(65280, 0xEE);
    EXPECT_EQ(capture.Buffer()[65280], 127);
    EXPECT_EQ(capture.Buffer()[65535], 127);
}

TEST_F(IrCaptureExchange, ReceivedBytesAndTheEndOfATransferAreReported)
{
    int finished = 0;
    capture.onFinished = [&] { ++finished; };
    capture.ButtonCaptureClick();
    deliver(encode(IrCaptureStartedFrame{kWindowId}));
    status(1300);
    EXPECT_EQ(capture.ReceivedBytes(), 0);
    block(0, 1);
    block(512, 2);
    EXPECT_EQ(capture.ReceivedBytes(), 1024);
    EXPECT_EQ(finished, 0);
    block(1024, 3);
    EXPECT_EQ(capture.ReceivedBytes(), 1300); // what was announced, not the whole last block
    EXPECT_EQ(finished, 0);
    block(1536, 0); // the reply to the request beyond the end ends the transfer
    EXPECT_EQ(finished, 1);

    // The unit stops answering: what arrived in order counts, and the end is reported once.
    capture.ButtonCaptureClick();
    status(2048);
    block(0, 4);
    clock.advance(5000);
    EXPECT_TRUE(capture.CaptureEnabled());
    EXPECT_EQ(capture.ReceivedBytes(), 512);
    EXPECT_EQ(finished, 2);
}

TEST_F(IrCaptureExchange, ALoadedCaptureIsShownWholeAndEndsAnExchangeUnderWay)
{
    capture.ButtonCaptureClick();
    deliver(encode(IrCaptureStartedFrame{kWindowId}));
    const std::vector<std::uint8_t> bytes(700, 0x5A);
    capture.LoadCapture(bytes);
    EXPECT_TRUE(capture.CaptureEnabled());
    EXPECT_TRUE(capture.TransferComplete());
    EXPECT_EQ(capture.CapturedLength(), 700);
    EXPECT_EQ(capture.ReceivedBytes(), 700);
    EXPECT_EQ(capture.ValidSamples(), 5600.0f); // every sample of the file
    EXPECT_EQ(capture.Buffer()[699], 0x5A);
    EXPECT_EQ(capture.Buffer()[700], 0);
    const std::size_t sentBefore = sent.size();
    clock.advance(2000);
    EXPECT_EQ(sent.size(), sentBefore); // no more queries
}

// Against the simulated unit through the link, in virtual time.
class IrCaptureFromTheUnit : public testing::Test {
protected:
    explicit IrCaptureFromTheUnit(SimOptions options = {})
        : unit(
              clock, [this] { return clock.now() * 1000; }, {}, std::move(options))
    {
        link.SetFrameHandler([this](const std::uint8_t* payload, int length) {
            if (payload && length > 1 && payload[1] == kWindowId)
                capture.HandleFrame(payload, length);
        });
    }
    bool captureAll()
    {
        capture.ButtonCaptureClick();
        return clock.advanceUntil([this] { return capture.CaptureEnabled(); }, 60000);
    }

    VirtualClock clock;
    SimulatedUnit unit;
    TimerRxThreadHost threads{clock};
    TUsbZR48 link{clock, unit.driver, threads, {}};
    int dataReads = 0;
    TIrCapture capture{kWindowId,
                       [this](std::span<const std::uint8_t> p) {
                           dataReads += FrameView(p).is(FrameType::IrDataRead) ? 1 : 0;
                           link.Send(p);
                       },
                       clock};
};

TEST_F(IrCaptureFromTheUnit, TheAnalyserRecoversTheUnitsRemoteCode)
{
    ASSERT_TRUE(captureAll());
    const std::size_t bytes = necCapture(0x04, 0x08).size();
    EXPECT_EQ(capture.CapturedLength(), static_cast<int>(bytes));
    // Every block of the capture, and the one after it whose arrival ends the transfer.
    EXPECT_EQ(dataReads, static_cast<int>((bytes + 511) / 512 + 1));

    Text text;
    analyseSamples(capture.Buffer(), 0, kCaptureSamples - 1, text);
    // Address 4, command 8, each followed by its inverse.
    const std::vector<int> expected = test::necDurations(0xF708FB04);
    const std::vector<int> found = test::durationsOf(text);
    ASSERT_EQ(found.size(), expected.size()) << text;
    for (std::size_t i = 0; i < expected.size(); ++i)
        EXPECT_NEAR(found[i], expected[i], 15) << "duration " << i << " of " << text;
}

TEST_F(IrCaptureFromTheUnit, LostBlocksAreFetchedAgain)
{
    capture.ButtonCaptureClick();
    ASSERT_TRUE(clock.advanceUntil([this] { return capture.state() == TIrCapture::State::Transferring; }, 10000));
    unit.unit.faults().seed = 7;
    unit.unit.faults().dropRate = 0.3;
    ASSERT_TRUE(clock.advanceUntil([this] { return capture.CaptureEnabled(); }, 60000));
    const std::vector<std::uint8_t> sent = necCapture(0x04, 0x08);
    const int blocks = static_cast<int>((sent.size() + 511) / 512);
    EXPECT_GT(dataReads, blocks + 1); // some were asked for again
    EXPECT_TRUE(std::equal(sent.begin(), sent.end(), capture.Buffer().begin()));
    EXPECT_EQ(capture.ValidSamples(), static_cast<float>(sent.size() * 8));
}

// A line that delays, loses or changes replies: a verified capture is the unit's exactly.
SimOptions withFaults(const SimFaults& faults)
{
    SimOptions options;
    options.faults = faults;
    return options;
}

class IrCaptureOverAFaultyLine : public IrCaptureFromTheUnit, public testing::WithParamInterface<SimFaults> {
protected:
    IrCaptureOverAFaultyLine() : IrCaptureFromTheUnit(withFaults(GetParam())) {}
};

TEST_P(IrCaptureOverAFaultyLine, AVerifiedCaptureIsTheUnitsExactly)
{
    capture.SetVerify(true);
    ASSERT_TRUE(captureAll());
    const std::vector<std::uint8_t> sent = necCapture(0x04, 0x08);
    ASSERT_TRUE(capture.TransferComplete());
    EXPECT_EQ(capture.CapturedLength(), static_cast<int>(sent.size()));
    EXPECT_TRUE(std::equal(sent.begin(), sent.end(), capture.Buffer().begin()));
}

INSTANTIATE_TEST_SUITE_P(Faults, IrCaptureOverAFaultyLine,
                         testing::Values(SimFaults{.seed = 1, .corruptRate = 0.05},
                                         SimFaults{.seed = 2, .corruptRate = 0.2},
                                         SimFaults{.seed = 3, .extraDelayMs = 200},
                                         SimFaults{.seed = 4, .corruptRate = 0.05, .extraDelayMs = 200}));

} // namespace
} // namespace zr48
