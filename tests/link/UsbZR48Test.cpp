#include "link/UsbZR48.h"
#include "FakeDriver.h"
#include "base/VirtualClock.h"
#include "support/TimePassingPrompt.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

namespace zr48 {
namespace {

using Bytes = std::vector<std::uint8_t>;

// A link on a converter the test controls, its turns run by a 1 ms timer in virtual time.
// The handler's calls are recorded; the connect notice shows as std::nullopt.
class LinkTest : public testing::Test {
protected:
    explicit LinkTest(bool registerHandler = true)
    {
        if (registerHandler)
            link.SetFrameHandler([this](const std::uint8_t* p, int n) { record(p, n); });
    }
    void record(const std::uint8_t* p, int n)
    {
        if (!p)
            calls.push_back(std::nullopt);
        else
            calls.push_back(Bytes(p, p + n));
    }
    Bytes takeWritten()
    {
        Bytes w;
        std::swap(w, driver.written);
        return w;
    }

    VirtualClock clock;
    test::FakeDriver driver;
    TimerRxThreadHost threads{clock};
    Text status;
    std::vector<std::optional<Bytes>> calls;
    TUsbZR48 link{clock, driver, threads, [this](const Text& t) { status = t; }};
};

TEST_F(LinkTest, OpensAtOnceWithTheLineSettingsAndShortLatency)
{
    EXPECT_EQ(driver.opens, 1);
    EXPECT_EQ(driver.lastDescription, "KELDO ZR48-USB Link");
    EXPECT_EQ(driver.baud, 230400u);
    EXPECT_EQ(driver.dataBits, 8);
    EXPECT_EQ(driver.stopBits, 0); // one stop bit
    EXPECT_EQ(driver.parity, 0);   // none
    EXPECT_EQ(driver.flowControl, 0);
    EXPECT_EQ(driver.latency, 1);
    EXPECT_FALSE(link.Connected());
    clock.advance(100);
    EXPECT_EQ(status, "Connecting...");
}

TEST_F(LinkTest, SendStuffsAndCountsAllButKeepAlives)
{
    link.Send(Bytes{9, 0x5C});
    EXPECT_EQ(takeWritten(), (Bytes{0x5C, 0, 9, 0x5C, 2, 0x5C, 1}));
    EXPECT_EQ(link.TxCount(), 0u);
    Bytes sectorWrite(516, 0);
    sectorWrite[0] = 3;
    link.Send(sectorWrite);
    EXPECT_EQ(link.TxCount(), 516u);
    EXPECT_EQ(takeWritten().size(), 520u);
    // Lengths the receive buffer of the unit could not hold, and none at all, are refused.
    link.Send(Bytes(529, 1));
    link.Send(nullptr, 0);
    EXPECT_TRUE(driver.written.empty());
    EXPECT_EQ(link.TxCount(), 516u);
}

TEST_F(LinkTest, TheFirstFrameFollowsTheConnectNoticeAndCounts)
{
    driver.queue({0x5C, 0, 10, 0, 0x5C, 1});
    clock.advance(1);
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0], std::nullopt);
    EXPECT_EQ(calls[1], (Bytes{10, 0}));
    EXPECT_TRUE(link.Connected());
    EXPECT_EQ(link.RxCount(), 0u); // keep-alive replies are not counted

    driver.queue({0x5C, 0, 4, 0, 0, 1, 0x5C, 1});
    clock.advance(1);
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(link.RxCount(), 4u);
    link.Send(Bytes{1, 0, 0, 1});
    clock.advance(100);
    EXPECT_EQ(status, "Connected (Rx:4, Tx:4)");
}

TEST_F(LinkTest, AnEmptyFrameConnectsButIsNotHandedOn)
{
    driver.queue({0x5C, 0, 0x5C, 1});
    clock.advance(1);
    EXPECT_TRUE(link.Connected());
    ASSERT_EQ(calls.size(), 1u); // the connect notice only
    EXPECT_EQ(calls[0], std::nullopt);
    // ... and it holds the reopen off like any frame.
    clock.advance(2500);
    driver.queue({0x5C, 0, 0x5C, 1});
    clock.advance(2000);
    EXPECT_EQ(driver.opens, 1);
    EXPECT_TRUE(link.Connected());
}

TEST_F(LinkTest, KeepAliveGoesOutOnlyAfterHalfASecondWithoutSends)
{
    const Bytes keepAlive{0x5C, 0, 9, 0, 0x5C, 1};
    clock.advance(499);
    EXPECT_TRUE(driver.written.empty());
    clock.advance(1);
    EXPECT_EQ(takeWritten(), keepAlive);
    // A download sends every few milliseconds: no keep-alive among its frames.
    for (int i = 0; i < 100; ++i) {
        link.Send(Bytes{3, 0, 0, 1});
        clock.advance(30);
    }
    const Bytes w = takeWritten();
    EXPECT_EQ(std::search(w.begin(), w.end(), keepAlive.begin(), keepAlive.end()), w.end());
}

TEST_F(LinkTest, ReopensAfterThreeSecondsWithoutAFrame)
{
    driver.queue({0x5C, 0, 10, 0, 0x5C, 1});
    clock.advance(2900); // the frame at 1 ms restarts the reopen timer
    EXPECT_EQ(driver.opens, 1);
    clock.advance(101);
    EXPECT_EQ(driver.opens, 2);
    EXPECT_EQ(driver.closes, 1);
    EXPECT_FALSE(link.Connected());
    clock.advance(100);
    EXPECT_EQ(status, "Connecting...");
    // The next frame is announced again.
    driver.queue({0x5C, 0, 12, 0, 'V', 0, 0x5C, 1});
    clock.advance(1);
    ASSERT_EQ(calls.size(), 4u);
    EXPECT_EQ(calls[2], std::nullopt);
    EXPECT_EQ(calls[3], (Bytes{12, 0, 'V', 0}));
}

TEST(LinkStatus, TellsWhyItIsNotConnected)
{
    struct Case {
        FtStatus open;
        FtStatus baud;
        const char* reason; // what the driver says beyond the code
        const char* text;
    };
    const Case cases[] = {
        {FT_DEVICE_NOT_FOUND, FT_OK, "", "Not Connected"},
        {FT_OK, FT_OK, "", "Connecting..."},
        {FT_DEVICE_NOT_OPENED, FT_OK, "", "USB Error 3"},
        {FT_DEVICE_NOT_OPENED, FT_OK, "Permission denied", "USB Error 3 (Permission denied)"},
        {FT_OK, FT_IO_ERROR, "", "USB Error 4"},
    };
    for (const Case& c : cases) {
        VirtualClock clock;
        test::FakeDriver driver;
        driver.openResult = c.open;
        driver.baudResult = c.baud;
        driver.failure.reason = c.reason;
        TimerRxThreadHost threads(clock);
        Text status;
        TUsbZR48 link(clock, driver, threads, [&](const Text& t) { status = t; });
        clock.advance(100);
        EXPECT_EQ(status, c.text);
        // Retried every 3 s; a device left open by a failed line setting is closed first.
        clock.advance(2900);
        EXPECT_EQ(driver.opens, 2) << c.text;
        EXPECT_EQ(driver.closes, c.open == FT_OK ? 1 : 0) << c.text;
    }

    // Access granted in the meantime: the next open leaves no reason behind.
    VirtualClock clock;
    test::FakeDriver driver;
    driver.openResult = FT_DEVICE_NOT_OPENED;
    driver.failure = {"Permission denied", "Permission denied: cannot open /dev/ttyUSB0."};
    TimerRxThreadHost threads(clock);
    TUsbZR48 link(clock, driver, threads, {});
    EXPECT_EQ(link.LastFailure().help, "Permission denied: cannot open /dev/ttyUSB0.");
    driver.openResult = FT_OK;
    clock.advance(3000);
    EXPECT_EQ(link.StatusText(), "Connecting...");
    EXPECT_TRUE(link.LastFailure().help.empty());
}

TEST(LinkStatus, NoKeepAliveWhileClosedButSendsAreCounted)
{
    VirtualClock clock;
    test::FakeDriver driver;
    driver.openResult = FT_DEVICE_NOT_FOUND;
    TimerRxThreadHost threads(clock);
    TUsbZR48 link(clock, driver, threads, {});
    clock.advance(2000);
    EXPECT_TRUE(driver.written.empty());
    // A tool sends whether or not the link is open; its bytes count though none reach the unit.
    link.Send(Bytes{1, 0, 0, 9});
    link.Send(Bytes{9, 0});
    EXPECT_TRUE(driver.written.empty());
    EXPECT_EQ(link.TxCount(), 4u);
}

TEST(LinkReceive, FramesBeforeAHandlerAreDroppedAndLeaveTheLinkUnconnected)
{
    VirtualClock clock;
    test::FakeDriver driver;
    TimerRxThreadHost threads(clock);
    TUsbZR48 link(clock, driver, threads, {});
    driver.queue({0x5C, 0, 10, 0, 0x5C, 1});
    clock.advance(10);
    EXPECT_FALSE(link.Connected());
    std::vector<int> lengths;
    link.SetFrameHandler([&](const std::uint8_t*, int n) { lengths.push_back(n); });
    driver.queue({0x5C, 0, 4, 0, 0, 7, 0x5C, 1});
    clock.advance(10);
    EXPECT_EQ(lengths, (std::vector<int>{0, 4}));
    EXPECT_EQ(link.RxCount(), 4u);
}

TEST(LinkReceive, ANewOpenNeverCollectsIntoAStoppedThreadsBuffer)
{
    VirtualClock clock;
    test::FakeDriver driver;
    test::ManualRxThreads threads;
    TUsbZR48 link(clock, driver, threads, {});
    std::vector<Bytes> frames;
    link.SetFrameHandler([&](const std::uint8_t* p, int n) {
        if (p)
            frames.emplace_back(p, p + n);
    });
    ASSERT_EQ(threads.started.size(), 1u);
    driver.queue({0x5C, 0, 1, 2}); // half a frame
    threads.turn(0);
    link.Reopen();
    ASSERT_EQ(threads.started.size(), 2u);
    EXPECT_TRUE(threads.started[0].thread->Terminated());

    driver.queue({3, 0x5C, 1});
    threads.turn(0); // the stopped thread's last turn reads nothing
    EXPECT_EQ(driver.incoming.size(), 3u);
    threads.turn(1);
    EXPECT_EQ(frames, (std::vector<Bytes>{{3}}));
}

// A frame handler that shows a message: the message stays open 7 s while the unit answers the
// link's keep-alives, as a user reads it.
TEST(LinkReceive, FramesGoOnArrivingWhileAHandlerShowsAMessage)
{
    VirtualClock clock;
    test::FakeDriver driver;
    driver.answerKeepAlives = true;
    TimerRxThreadHost threads(clock);
    TUsbZR48 link(clock, driver, threads, {});
    test::TimePassingPrompt prompt(clock, 7000);
    std::vector<std::string> events;
    Bytes shownWith;
    Bytes heldAfter;
    link.SetFrameHandler([&](const std::uint8_t* p, int n) {
        if (!p) {
            events.push_back("notice");
            return;
        }
        if (p[0] == 10)
            return; // keep-alive replies
        events.push_back(std::to_string(p[0]));
        if (p[0] == 12) {
            shownWith.assign(p, p + n);
            prompt.information("Update finished.");
            heldAfter.assign(p, p + n); // the frame is still the one this call was given
            events.push_back("closed");
        }
    });
    // One read brings the frame that opens the message and the one after it; a third frame
    // arrives while the message is open.
    driver.queue({0x5C, 0, 12, 0, 'A', 0x5C, 1, 0x5C, 0, 4, 0, 0, 7, 0x5C, 1});
    clock.schedule(50, [&] { driver.queue({0x5C, 0, 20, 0, 3, 0x5C, 1}); });
    clock.advance(1);
    EXPECT_EQ(events, (std::vector<std::string>{"notice", "12", "4", "20", "closed"}));
    EXPECT_EQ(heldAfter, shownWith);
    EXPECT_EQ(heldAfter, (Bytes{12, 0, 'A'}));
    EXPECT_EQ(clock.now(), 7001);
    EXPECT_EQ(driver.opens, 1); // no reopen
    EXPECT_TRUE(link.Connected());
    EXPECT_EQ(link.RxCount(), 3u + 4u + 3u);
    // Nothing was left behind for later turns.
    clock.advance(10);
    EXPECT_EQ(events.size(), 5u);
}

TEST(LinkReceive, AMessageShownOnTheConnectNoticeAnnouncesTheConnectionOnce)
{
    VirtualClock clock;
    test::FakeDriver driver;
    driver.answerKeepAlives = true;
    TimerRxThreadHost threads(clock);
    TUsbZR48 link(clock, driver, threads, {});
    test::TimePassingPrompt prompt(clock, 4000);
    int notices = 0;
    int frames = 0;
    link.SetFrameHandler([&](const std::uint8_t* p, int) {
        if (p) {
            ++frames;
            return;
        }
        ++notices;
        EXPECT_TRUE(link.Connected());
        prompt.information("Connected.");
    });
    link.Send(Bytes{9, 0}); // a keep-alive, so that the unit answers at once
    clock.advance(5000);
    EXPECT_EQ(notices, 1);
    EXPECT_GE(frames, 8); // the keep-alive replies of the 4 s, and the first one
    EXPECT_EQ(driver.opens, 1);
}

TEST(LinkReceive, AHandlerThatReopensTheLinkDropsTheRestOfTheOldOpensBytes)
{
    VirtualClock clock;
    test::FakeDriver driver;
    TimerRxThreadHost threads(clock);
    TUsbZR48 link(clock, driver, threads, {});
    std::vector<int> types;
    link.SetFrameHandler([&](const std::uint8_t* p, int) {
        if (!p)
            return;
        types.push_back(p[0]);
        if (p[0] == 12)
            link.Reopen();
    });
    driver.queue({0x5C, 0, 12, 0, 0x5C, 1, 0x5C, 0, 4, 0, 0x5C, 1});
    clock.advance(1);
    EXPECT_EQ(types, std::vector<int>{12});
    EXPECT_EQ(driver.opens, 2);
    EXPECT_FALSE(link.Connected());
    driver.queue({0x5C, 0, 20, 0, 0x5C, 1});
    clock.advance(1);
    EXPECT_EQ(types, (std::vector<int>{12, 20}));
}

TEST(LinkReceive, OneTurnReadsAtMost64KiB)
{
    VirtualClock clock;
    test::FakeDriver driver;
    test::ManualRxThreads threads;
    TUsbZR48 link(clock, driver, threads, {});
    int frames = 0;
    link.SetFrameHandler([&](const std::uint8_t* p, int) { frames += p ? 1 : 0; });
    for (int i = 0; i < 20000; ++i)
        driver.queue({0x5C, 0, 10, 0x5C, 1}); // 100,000 bytes
    threads.turn(0);
    EXPECT_EQ(driver.incoming.size(), 100000u - 65536u);
    EXPECT_EQ(frames, 65536 / 5);
    threads.turn(0);
    EXPECT_EQ(frames, 20000);
}

} // namespace
} // namespace zr48
