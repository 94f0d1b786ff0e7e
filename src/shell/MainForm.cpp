#include "shell/MainForm.h"

#include "base/Settings.h"
#include "base/qt/QtText.h"

#include <QApplication>
#include <QLabel>
#include <QMdiArea>
#include <QMenuBar>
#include <QStatusBar>
#include <QStatusTipEvent>

namespace zr48 {

namespace {
const QColor kTeal(0, 128, 128);
} // namespace

TMainForm::TMainForm(Settings& settings, LinkParts link, QWidget* parent)
    : QMainWindow(parent), settings_(settings), mdiArea_(new QMdiArea(this))
{
    setObjectName("MainForm");
    setWindowTitle("KELDO ZR48 Project Manager");
    setMinimumSize(640, 480);

    mdiArea_->setObjectName("MdiArea");
    mdiArea_->setBackground(kTeal);
    setCentralWidget(mdiArea_);

    QMenu* fileMenu = menuBar()->addMenu("&File");
    QAction* exitAction = fileMenu->addAction("E&xit");
    exitAction->setObjectName("ActionExit");
    exitAction->setStatusTip("Exit the ZR48 Project Manager");
    connect(exitAction, &QAction::triggered, this, &QWidget::close);

    buildStatusBar();
    // The client area of the first show is 726 by 585 pixels.
    resize(726, 585 + menuBar()->sizeHint().height() + statusBar()->sizeHint().height());

    link_ =
        std::make_unique<TUsbZR48>(link.timers, link.driver, link.threads,
                                   [panel = statusPanels_[1]](const Text& text) { panel->setText(toQString(text)); });
    StartTimer = link.timers.create(true);
    StartTimer->onTimeout = [this] { StartTimerTimer(); };
    StartTimer->start(kStartTimerMs);
}

// The link goes first: its receive thread stops before the windows it serves.
TMainForm::~TMainForm()
{
    link_.reset();
}

void TMainForm::StartTimerTimer()
{
    StartTimer->stop();
    link_->SetFrameHandler([this](const std::uint8_t* payload, int length) { dispatcher_.Dispatch(payload, length); });
}

void TMainForm::buildStatusBar()
{
    QStatusBar* bar = statusBar();
    bar->setObjectName("StatusBar");
    for (size_t i = 0; i < statusPanels_.size(); ++i) {
        auto* panel = new QLabel(bar);
        panel->setObjectName(QString("StatusPanel%1").arg(i));
        panel->setFixedWidth(kStatusPanelWidths[i]);
        panel->setFrameShape(QFrame::Panel);
        panel->setFrameShadow(QFrame::Sunken);
        bar->addWidget(panel);
        statusPanels_[i] = panel;
    }
}

bool TMainForm::event(QEvent* event)
{
    if (event->type() == QEvent::StatusTip) {
        statusPanels_[0]->setText(static_cast<QStatusTipEvent*>(event)->tip());
        return true;
    }
    return QMainWindow::event(event);
}

} // namespace zr48
