#include "base/qt/QtTimer.h"

#include <QTimer>

namespace zr48 {

namespace {

class QtTimer : public Timer {
public:
    explicit QtTimer(bool singleShot)
    {
        timer_.setSingleShot(singleShot);
        timer_.setTimerType(Qt::PreciseTimer);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            if (onTimeout)
                onTimeout();
        });
    }
    void start(int intervalMs) override { timer_.start(intervalMs); }
    void stop() override { timer_.stop(); }
    bool active() const override { return timer_.isActive(); }
    int interval() const override { return timer_.interval(); }

private:
    QTimer timer_;
};

} // namespace

std::unique_ptr<Timer> QtTimerFactory::create(bool singleShot)
{
    return std::make_unique<QtTimer>(singleShot);
}

} // namespace zr48
