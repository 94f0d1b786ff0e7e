#pragma once
// What the single-instance dialogs of the device tools share: they stay above the other windows,
// and each time they are shown they open centred on the main window, not modal, so that the user
// keeps working while a transfer runs.

#include <QDialog>

#include <cstdint>

class QProgressBar;

namespace zr48 {

enum class TitleBarButtons { Close, None };

// The window flags of a tool dialog of fixed size: a title bar with no buttons or only the close
// button, kept on top of the other windows unless `onTop` is false.
Qt::WindowFlags toolDialogFlags(TitleBarButtons buttons, bool onTop = true);

// Shows `dialog` centred on its parent; one that is shown already comes to the front where it is.
void showCentred(QDialog& dialog);

// A smooth progress bar at `position` of `maximum`; an empty range shows an empty bar (not the
// toolkit's busy indicator).
void setProgress(QProgressBar& bar, std::int64_t maximum, std::int64_t position);

// A bold state text, larger than the dialog's own font.
void makeStateLabel(QWidget& label);

} // namespace zr48
