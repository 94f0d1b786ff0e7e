#pragma once
// Edits, drop-down lists and check lists show whether the user may change them: an enabled one has
// the background of text fields, a disabled one that of buttons.

class QColor;
class QWidget;

namespace zr48 {

// Enables or disables `control` and gives it the matching background.
void setFieldEnabled(QWidget* control, bool enabled);
// The background of an enabled and of a disabled field.
QColor enabledFieldColour();
QColor disabledFieldColour();

} // namespace zr48
