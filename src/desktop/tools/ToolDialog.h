#pragma once
// What the single-instance dialogs of the device tools share: they stay above the other windows,
// and each time they are shown they open centred on the main window, not modal, so that the user
// keeps working while a transfer runs.

#include <QDialog>

#include <cstdint>
#include <initializer_list>

class QLabel;
class QProgressBar;
class QPushButton;

namespace zr48 {

enum class TitleBarButtons { Close, None };

// The window flags of a tool dialog of fixed size: a title bar with no buttons or only the close
// button. The dialog stays above the main window, its owner, as a dialog with a parent does, but
// not above every window: one left open must never cover the program's modal dialogs (a new
// project, the settings, a file dialog), which it could not be moved away from while they are open.
Qt::WindowFlags toolDialogFlags(TitleBarButtons buttons);

// Shows `dialog` centred on its parent; one that is shown already comes to the front where it is.
void showCentred(QDialog& dialog);

// A smooth progress bar at `position` of `maximum`; an empty range shows an empty bar (not the
// toolkit's busy indicator).
void setProgress(QProgressBar& bar, std::int64_t maximum, std::int64_t position);

// What the transfer dialogs show above their buttons.
struct TransferWidgets {
    QLabel* label;
    QProgressBar* progressBar;
};

// Fills a transfer dialog: its state text ("Label") over a progress bar with no text
// ("ProgressBar") over `buttons` at the right. The dialog keeps a fixed size, wide enough for the
// longest state text.
TransferWidgets layOutTransferDialog(QDialog& dialog, std::initializer_list<QPushButton*> buttons);

// Renders the state text and the progress of a transfer dialog.
void renderTransfer(const TransferWidgets& widgets, const QString& text, std::int64_t maximum, std::int64_t position);

// Shows `dialog` centred when it becomes `visible`, or hides it.
void showOrHide(QDialog& dialog, bool visible);

} // namespace zr48
