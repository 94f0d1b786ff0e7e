// The desktop program's receive threads: real threads, so these tests run in real time, each wait
// bounded by a generous guard; nothing depends on how fast the machine is.

#include "shell/QtLink.h"
#include "QtTestApp.h"

#include <QApplication>
#include <QEventLoop>
#include <QTimer>

#include <gtest/gtest.h>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace zr48 {
namespace {

// A converter whose bytes the test hands in from the user-interface thread.
class QueueDriver : public FtDriver {
public:
    void arrive(std::size_t n)
    {
        {
            std::lock_guard lock(mutex_);
            queued_ += n;
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
        return queued_;
    }
    std::size_t read(std::uint8_t*, std::size_t n) override
    {
        std::lock_guard lock(mutex_);
        const std::size_t count = std::min(n, queued_);
        queued_ -= count;
        return count;
    }
    void write(const std::uint8_t*, std::size_t) override {}
    bool waitReadable(int timeoutMs) override
    {
        std::unique_lock lock(mutex_);
        return arrived_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return queued_ > 0; });
    }
    void close() override {}

private:
    std::mutex mutex_;
    std::condition_variable arrived_;
    std::size_t queued_ = 0;
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
