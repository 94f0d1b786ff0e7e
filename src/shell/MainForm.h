#pragma once
// The main window: the multi-document frame in which the whole system runs.

#include <QMainWindow>

#include <array>

class QLabel;
class QMdiArea;

namespace zr48 {

class Settings;

class TMainForm : public QMainWindow {
    Q_OBJECT
public:
    static constexpr int kStatusPanelWidths[3] = {200, 200, 50};

    explicit TMainForm(Settings& settings, QWidget* parent = nullptr);

    QMdiArea* mdiArea() const { return mdiArea_; }
    QLabel* statusPanel(int index) const { return statusPanels_.at(static_cast<size_t>(index)); }

protected:
    // Long hints of menu entries and buttons go to status panel 0.
    bool event(QEvent* event) override;

private:
    void buildStatusBar();

    Settings& settings_;
    QMdiArea* mdiArea_;
    std::array<QLabel*, 3> statusPanels_{};
};

} // namespace zr48
