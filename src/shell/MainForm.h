#pragma once
// The main window: the multi-document frame in which the whole system runs.

#include "base/Paths.h"
#include "base/Text.h"
#include "base/Timer.h"
#include "link/FrameDispatcher.h"
#include "link/UsbZR48.h"
#include "shell/QtLink.h"

#include <QMainWindow>

#include <array>
#include <memory>

class QLabel;
class QMdiArea;

namespace zr48 {

class Settings;

class TMainForm : public QMainWindow {
    Q_OBJECT
public:
    static constexpr int kStatusPanelWidths[3] = {200, 200, 50};

    static constexpr int kStartTimerMs = 300;

    // Creates the link on `link` (its status text goes to status panel 1); the link opens at once.
    TMainForm(Settings& settings, LinkParts link, QWidget* parent = nullptr);
    ~TMainForm() override;

    QMdiArea* mdiArea() const { return mdiArea_; }
    TUsbZR48& link() { return *link_; }
    // The frame dispatcher that the tools register with; the link's frame handler from the
    // start timer's tick on.
    FrameDispatcher& dispatcher() { return dispatcher_; }

    // The file named on the command line, opened when start-up finishes.
    void setCommandLineFile(Path path) { commandLineFile_ = std::move(path); }
    const Path& commandLineFile() const { return commandLineFile_; }
    QLabel* statusPanel(int index) const { return statusPanels_.at(static_cast<size_t>(index)); }

protected:
    // Long hints of menu entries and buttons go to status panel 0.
    bool event(QEvent* event) override;

private:
    void buildStatusBar();
    // Finishes start-up 300 ms after creation.
    void StartTimerTimer();

    Settings& settings_;
    QMdiArea* mdiArea_;
    std::array<QLabel*, 3> statusPanels_{};
    FrameDispatcher dispatcher_;
    std::unique_ptr<TUsbZR48> link_;
    std::unique_ptr<Timer> StartTimer;
    Path commandLineFile_;
};

} // namespace zr48
