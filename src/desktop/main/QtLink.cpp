#include "desktop/main/QtLink.h"

#include <QMetaObject>

#include <chrono>

namespace zr48 {

QtRxThreadHost::~QtRxThreadHost()
{
    shuttingDown_ = true;
    for (const auto& worker : workers_) {
        worker->thread->Terminate();
        worker->turnBegun.notify_all();
    }
    for (const auto& worker : workers_)
        if (worker->os.joinable())
            worker->os.join();
}

void QtRxThreadHost::start(std::shared_ptr<TZR48USBRxThread> thread, LinkTransport& driver, Turn turn)
{
    // Threads that ended are joined here; a stopped one ends within about a millisecond.
    for (auto it = workers_.begin(); it != workers_.end();) {
        if ((*it)->ended) {
            (*it)->os.join();
            it = workers_.erase(it);
        } else {
            ++it;
        }
    }
    auto worker = std::make_shared<Worker>();
    worker->thread = std::move(thread);
    workers_.push_back(worker);
    worker->os = std::thread([this, worker, &driver, turn = std::move(turn)] { run(worker, driver, turn); });
}

void QtRxThreadHost::run(const std::shared_ptr<Worker>& worker, LinkTransport& driver, const Turn& turn)
{
    const auto stopped = [&] { return worker->thread->Terminated() || shuttingDown_; };
    while (!stopped()) {
        // A turn with nothing queued reads nothing, so only a signalled wait hands one over:
        // an idle link wakes the user-interface thread not at all.
        if (!driver.waitReadable(1) || stopped())
            continue;
        {
            std::lock_guard lock(worker->mutex);
            worker->turnPending = true;
        }
        QMetaObject::invokeMethod(
            this,
            [worker, turn] {
                // Begun is enough for the thread to go on waiting for bytes: should a frame
                // handler of this turn show a message, the next turn runs inside its modal loop.
                {
                    std::lock_guard lock(worker->mutex);
                    worker->turnPending = false;
                }
                worker->turnBegun.notify_all();
                if (!worker->thread->Terminated())
                    turn(*worker->thread);
            },
            Qt::QueuedConnection);
        // One turn at a time waits in the queue: a busy user-interface thread is not flooded.
        std::unique_lock lock(worker->mutex);
        while (worker->turnPending && !stopped())
            worker->turnBegun.wait_for(lock, std::chrono::milliseconds(10));
    }
    worker->ended = true;
}

QtLink::QtLink(const LinkTarget& target) : driver_(target, timers_, [this] { return elapsed_.nsecsElapsed() / 1000; })
{
    elapsed_.start();
}

} // namespace zr48
