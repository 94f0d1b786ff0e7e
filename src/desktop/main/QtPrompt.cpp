#include "desktop/main/QtPrompt.h"

#include "base/qt/QtText.h"
#include "desktop/common/Shell.h"

#include <QApplication>
#include <QMessageBox>

namespace zr48 {

namespace {

QMessageBox::StandardButtons standardButtons(Buttons buttons)
{
    switch (buttons) {
    case Buttons::Ok: return QMessageBox::Ok;
    case Buttons::OkCancel: return QMessageBox::Ok | QMessageBox::Cancel;
    case Buttons::YesNo: return QMessageBox::Yes | QMessageBox::No;
    case Buttons::YesNoCancel: break;
    }
    return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
}

QMessageBox::Icon messageIcon(Icon icon)
{
    switch (icon) {
    case Icon::Error: return QMessageBox::Critical;
    case Icon::Information: return QMessageBox::Information;
    case Icon::Confirmation: return QMessageBox::Question;
    case Icon::None: break;
    }
    return QMessageBox::NoIcon;
}

QString caption(Icon icon)
{
    switch (icon) {
    case Icon::Error: return QStringLiteral("Error");
    case Icon::Information: return QStringLiteral("Information");
    case Icon::Confirmation: return QStringLiteral("Confirm");
    case Icon::None: break;
    }
    return kProgramCaption;
}

} // namespace

Answer QtPrompt::show(const std::string& message, Icon icon, Buttons buttons)
{
    QMessageBox box(messageIcon(icon), caption(icon), messageToQString(message), standardButtons(buttons),
                    parent_ ? parent_ : QApplication::activeWindow());
    // Above every window, the tool dialogs included: a message that a tool shows from a frame
    // handler must not open hidden behind another window.
    box.setWindowFlag(Qt::WindowStaysOnTopHint);
    switch (box.exec()) {
    case QMessageBox::Ok: return Answer::Ok;
    case QMessageBox::Yes: return Answer::Yes;
    case QMessageBox::No: return Answer::No;
    default: break;
    }
    // Closing the box with Esc or its close button: Cancel where offered, else the last button.
    if (offers(buttons, Answer::Cancel))
        return Answer::Cancel;
    return buttons == Buttons::YesNo ? Answer::No : Answer::Ok;
}

} // namespace zr48
