#pragma once
// What the main window's link runs on in the desktop program: Qt timers, the driver that
// `--link` chose, and real receive threads that hand each receive turn to the user-interface
// thread through its event queue (so turns also run inside modal message boxes).

#include "base/Timer.h"
#include "base/qt/QtTimer.h"
#include "link/LinkTarget.h"
#include "link/UsbZR48.h"
#include "link/drivers/LinkDrivers.h"

#include <QElapsedTimer>
#include <QObject>

#include <condition_variable>
#include <list>
#include <memory>
#include <mutex>
#include <thread>

namespace zr48 {

// Receive threads: each waits at most 1 ms for the driver's readiness, then queues one receive
// turn on the user-interface thread and waits until it has begun or the thread is told to stop.
// Waiting for the turn's end instead would stop the link while a frame handler shows a message:
// the turns that the message's modal loop should run would never be queued.
class QtRxThreadHost : public QObject, public RxThreadHost {
public:
    QtRxThreadHost() = default;
    // Stops every thread and waits for them; a turn still queued then does nothing.
    ~QtRxThreadHost() override;

    void start(std::shared_ptr<TZR48USBRxThread> thread, LinkTransport& driver, Turn turn) override;

private:
    struct Worker {
        std::shared_ptr<TZR48USBRxThread> thread;
        std::thread os;
        std::mutex mutex;
        std::condition_variable turnBegun;
        bool turnPending = false; // a turn is queued and has not begun
        std::atomic<bool> ended{false};
    };
    void run(const std::shared_ptr<Worker>& worker, LinkTransport& driver, const Turn& turn);

    std::atomic<bool> shuttingDown_{false};
    std::list<std::shared_ptr<Worker>> workers_;
};

// The parts a link is made of.
struct LinkParts {
    TimerFactory& timers;
    LinkTransport& driver;
    RxThreadHost& threads;
    // The driver reaches the simulator, not a real unit.
    bool simulated = false;
};

// The parts of the desktop program's link, built from `--link TARGET`. It must outlive the main
// window. Throws zr48::Error when the simulator's card file cannot be read.
class QtLink {
public:
    explicit QtLink(const LinkTarget& target);
    LinkParts parts() { return {timers_, driver_.driver(), threads_, driver_.simulated() != nullptr}; }
    LinkDriver& driver() { return driver_; }

private:
    QtTimerFactory timers_;
    QElapsedTimer elapsed_;
    LinkDriver driver_;
    QtRxThreadHost threads_;
};

} // namespace zr48
