#pragma once
// The comparison's progress dialog, in the tool dialogs' style: the state text, the sectors
// requested and Cancel, rendered from the comparer's view; it shows and hides itself as the view
// says. It owns the comparer, which the main window hands the card's frames.

#include "tools/CardComparer.h"

#include <QDialog>

#include <functional>

class QLabel;
class QProgressBar;
class QPushButton;

namespace zr48 {

class Prompt;
class TimerFactory;

class TCompareForm : public QDialog {
    Q_OBJECT
public:
    TCompareForm(TimerFactory& timers, Prompt& prompt, SendFunction send, QWidget* mainWindow);
    ~TCompareForm() override;

    TCardComparer& comparer() { return comparer_; }
    // Reads the card to compare it with `image`; `finished` gets the comparer once the comparison
    // is complete (not after a failure to read, which the comparer has said, nor after Cancel).
    void Start(CompiledImage image, std::function<void(const TCardComparer&)> finished);

    QLabel* Label;
    QProgressBar* ProgressBar;
    QPushButton* ButtonCancel;

public slots:
    // Esc and the window manager's close: as Cancel.
    void reject() override;

private:
    void render();

    TCardComparer comparer_;
    std::function<void(const TCardComparer&)> finished_;
};

} // namespace zr48
