#pragma once
// A message in the status bar with one action beside it ("Report written: Villa.pdf  [Open]"),
// where a box would stop the user until closed. It stays until the next notice, its action is
// taken, or its time is up.

#include "base/Timer.h"

#include <QWidget>

#include <functional>
#include <memory>

class QLabel;
class QPushButton;

namespace zr48 {

class StatusNotice : public QWidget {
    Q_OBJECT
public:
    static constexpr int kShownMs = 30000;

    StatusNotice(TimerFactory& timers, QWidget* parent);

    // Shows `text` (UTF-8 in a QString) with a button `actionText` that runs `action`.
    void Show(const QString& text, const QString& actionText, std::function<void()> action);

    QLabel* Label;
    QPushButton* ButtonAction;

private:
    std::unique_ptr<Timer> timer_;
    std::function<void()> action_;
};

} // namespace zr48
