// The desktop program's receive threads: real threads, so these tests run in real time, each wait
// bounded by a generous guard; nothing depends on how fast the machine is.

#include "desktop/main/QtLink.h"
#include "base/qt/QtTimer.h"
#include "desktop/QtTestApp.h"

#include <QApplication>
#include <QEventLoop>
#include <QTimer>

#include <gtest/gtest.h>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace zr48 {
namespace {

// A converter whose bytes the test hands in from the user-interface thread.
class QueueDriver : public FtDriver {
public:
    void arrive(std::size_t n) { arrive(std::vector<std::uint8_t>(n, 0)); }
    void arrive(const std::vector<std::uint8_t>& bytes)
    {
        {
            std::lock_guard lock(mutex_);
            queued_.insert(queued_.end(), bytes.begin(), bytes.end());
        }
        arrived_.notify_all();
    }
    FtStatus openByDescription(const std::string&) override { return FT_OK; }
    FtStatus setBaudRate(std::uint32_t) override { return FT_OK; }
    FtStatus setDataCharacteristics(std::uint8_t, std::uint8_t, std::uint8_t) override { return FT_OK; }
    FtStatus setFlowControl(std::uint16_t) override { return FT_OK; }
    FtStatus setLatencyTimer(std::uint8_t) override { return FT_OK; }
    std::size_t queuedBytes() override
    {
        std::lock_guard lock(mutex_);
        return queued_.size();
    }
    std::size_t read(std::uint8_t* buffer, std::size_t n) override
    {
        std::lock_guard lock(mutex_);
        const std::size_t count = std::min(n, queued_.size());
        std::copy_n(queued_.begin(), count, buffer);
        queued_.erase(queued_.begin(), queued_.begin() + static_cast<std::ptrdiff_t>(count));
        return count;
    }
    void write(const std::uint8_t*, std::size_t) override {}
    bool waitReadable(int timeoutMs) override
    {
        std::unique_lock lock(mutex_);
        return arrived_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return !queued_.empty(); });
    }
    void close() override {}

private:
    std::mutex mutex_;
    std::condition_variable arrived_;
    std::deque<std::uint8_t> queued_;
};

class QtRxThreadHostTest : public testing::Test {
protected:
    static void SetUpTestSuite() { test::ensureQApplication(); }
    // Runs an event loop until `loop` is quit, or 10 s have passed.
    static void runGuarded(QEventLoop& loop)
    {
        QTimer guard;
        guard.setSingleShot(true);
        QObject::connect(&guard, &QTimer::timeout, &loop, &QEventLoop::quit);
        guard.start(10000);
        loop.exec();
    }
};

TEST_F(QtRxThreadHostTest, TurnsRunOnTheUserInterfaceThreadAlsoInsideAModalLoop)
{
    QueueDriver driver;
    QtRxThreadHost host;
    QEventLoop outer;
    QEventLoop modal; // as a message box runs it
    bool turnInsideModal = false;
    std::thread::id turnThread;
    host.start(std::make_shared<TZR48USBRxThread>(), driver, [&](TZR48USBRxThread&) {
        turnThread = std::this_thread::get_id();
        turnInsideModal = modal.isRunning();
        std::uint8_t buffer[16];
        driver.read(buffer, driver.queuedBytes());
        modal.quit();
    });
    QTimer::singleShot(0, [&] {
        driver.arrive(3); // bytes arrive while the "message box" is up
        runGuarded(modal);
        outer.quit();
    });
    runGuarded(outer);
    EXPECT_EQ(turnThread, std::this_thread::get_id());
    EXPECT_TRUE(turnInsideModal);
    EXPECT_EQ(driver.queuedBytes(), 0u);
}

TEST_F(QtRxThreadHostTest, AModalLoopInsideATurnRunsTheNextTurn)
{
    QueueDriver driver;
    QtRxThreadHost host;
    QEventLoop outer;
    QEventLoop modal; // a message box shown by a frame handler of the first turn
    int depth = 0;
    std::vector<std::pair<int, std::size_t>> reads; // (depth, bytes) of each turn that read any
    host.start(std::make_shared<TZR48USBRxThread>(), driver, [&](TZR48USBRxThread&) {
        ++depth;
        std::uint8_t buffer[16];
        const std::size_t n = driver.read(buffer, driver.queuedBytes());
        if (n > 0)
            reads.emplace_back(depth, n);
        if (depth == 1 && n > 0) {
            QTimer::singleShot(0, [&] { driver.arrive(4); }); // bytes come while the message is up
            runGuarded(modal);
            outer.quit();
        } else if (depth == 2 && n > 0) {
            modal.quit();
        }
        --depth;
    });
    driver.arrive(3);
    runGuarded(outer);
    EXPECT_EQ(reads, (std::vector<std::pair<int, std::size_t>>{{1, 3}, {2, 4}}));
    EXPECT_EQ(driver.queuedBytes(), 0u);
}

// The desktop program's link: Qt timers, receive threads through the event queue, and a frame
// handler that shows a message (a modal loop) on the first frame.
TEST_F(QtRxThreadHostTest, FramesReachTheHandlerWhileItShowsAMessage)
{
    QueueDriver driver;
    QtTimerFactory timers;
    QtRxThreadHost host;
    TUsbZR48 link(timers, driver, host, {});
    QEventLoop outer;
    QEventLoop message;
    std::vector<std::string> events;
    link.SetFrameHandler([&](const std::uint8_t* p, int n) {
        if (!p) {
            events.push_back("notice");
            return;
        }
        const std::vector<std::uint8_t> frame(p, p + n);
        events.push_back(std::to_string(frame[0]));
        if (frame[0] == 8) {
            QTimer::singleShot(20, [&] { driver.arrive({0x5C, 0, 12, 0, 'V', 0x5C, 1}); });
            runGuarded(message);
            events.push_back(std::vector<std::uint8_t>(p, p + n) == frame ? "closed" : "overwritten");
            outer.quit();
        } else if (frame[0] == 12) {
            message.quit();
        }
    });
    driver.arrive({0x5C, 0, 8, 0, 1, 0xDF, 0x5C, 1});
    runGuarded(outer);
    EXPECT_EQ(events, (std::vector<std::string>{"notice", "8", "12", "closed"}));
    EXPECT_TRUE(link.Connected());
}

TEST_F(QtRxThreadHostTest, AStoppedThreadHandsNoMoreTurns)
{
    QueueDriver driver;
    int oldTurns = 0;
    int newTurns = 0;
    QEventLoop loop;
    {
        QtRxThreadHost host;
        auto old = std::make_shared<TZR48USBRxThread>();
        host.start(old, driver, [&](TZR48USBRxThread&) { ++oldTurns; });
        old->Terminate();
        host.start(std::make_shared<TZR48USBRxThread>(), driver, [&](TZR48USBRxThread&) {
            ++newTurns;
            std::uint8_t buffer[16];
            driver.read(buffer, driver.queuedBytes());
            loop.quit();
        });
        driver.arrive(5);
        runGuarded(loop);
    } // the host stops and joins its threads
    EXPECT_EQ(oldTurns, 0);
    EXPECT_EQ(newTurns, 1);
}

} // namespace
} // namespace zr48
