#include "desktop/common/FieldColour.h"

#include <QApplication>
#include <QComboBox>
#include <QPalette>
#include <QWidget>

namespace zr48 {

QColor enabledFieldColour()
{
    return QApplication::palette().color(QPalette::Active, QPalette::Base);
}

QColor disabledFieldColour()
{
    return QApplication::palette().color(QPalette::Active, QPalette::Button);
}

void setFieldEnabled(QWidget* control, bool enabled)
{
    control->setEnabled(enabled);
    const QColor colour = enabled ? enabledFieldColour() : disabledFieldColour();
    QPalette palette = control->palette();
    for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        palette.setColor(group, QPalette::Base, colour);
        // A drop-down list that cannot be typed into is painted like a button.
        if (qobject_cast<QComboBox*>(control))
            palette.setColor(group, QPalette::Button, colour);
    }
    control->setPalette(palette);
}

} // namespace zr48
