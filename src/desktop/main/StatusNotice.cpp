#include "desktop/main/StatusNotice.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

namespace zr48 {

StatusNotice::StatusNotice(TimerFactory& timers, QWidget* parent) : QWidget(parent), timer_(timers.create(true))
{
    setObjectName("StatusNotice");
    Label = new QLabel(this);
    Label->setObjectName("LabelNotice");
    ButtonAction = new QPushButton(this);
    ButtonAction->setObjectName("ButtonNoticeAction");
    ButtonAction->setAutoDefault(false);
    ButtonAction->setFocusPolicy(Qt::TabFocus);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 0, 0, 0);
    layout->addWidget(Label);
    layout->addWidget(ButtonAction);
    connect(ButtonAction, &QPushButton::clicked, this, [this] {
        hide();
        if (action_)
            action_();
    });
    timer_->onTimeout = [this] { hide(); };
    hide();
}

void StatusNotice::Show(const QString& text, const QString& actionText, std::function<void()> action)
{
    Label->setText(text);
    ButtonAction->setText(actionText);
    action_ = std::move(action);
    show();
    timer_->start(kShownMs);
}

} // namespace zr48
