#pragma once
// How wide a window must be for the window manager to show its whole title: the title's text in
// the title bar's font, with room for the window's icon and its buttons.

#include <QString>

class QWidget;

namespace zr48 {

int widthForTitle(const QString& title);

// Makes `window` at least as wide as its title needs.
void fitTitle(QWidget& window);

} // namespace zr48
