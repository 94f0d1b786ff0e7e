#include "desktop/main/QtPrompt.h"

#include "base/qt/QtText.h"
#include "desktop/common/Shell.h"
#include "desktop/common/TitleWidth.h"

#include <QApplication>
#include <QGridLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QSpacerItem>

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

QMessageBox::StandardButton standardButton(Answer answer)
{
    switch (answer) {
    case Answer::Ok: return QMessageBox::Ok;
    case Answer::Cancel: return QMessageBox::Cancel;
    case Answer::Yes: return QMessageBox::Yes;
    case Answer::No: break;
    }
    return QMessageBox::No;
}

Answer answerOf(int result, Buttons buttons)
{
    switch (result) {
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

} // namespace

std::unique_ptr<QMessageBox> QtPrompt::box(const std::string& message, Icon icon, Buttons buttons) const
{
    auto box =
        std::make_unique<QMessageBox>(messageIcon(icon), caption(icon), messageToQString(message),
                                      standardButtons(buttons), parent_ ? parent_ : QApplication::activeWindow());
    // Above every window, the tool dialogs included: a message that a tool shows from a frame
    // handler must not open hidden behind another window.
    box->setWindowFlag(Qt::WindowStaysOnTopHint);
    // Wide enough for its whole title: the box sizes itself by its text alone, and a message box
    // ignores a minimum width of its own, so the room goes into its layout.
    if (auto* grid = qobject_cast<QGridLayout*>(box->layout()))
        grid->addItem(new QSpacerItem(widthForTitle(box->windowTitle()), 0, QSizePolicy::Minimum, QSizePolicy::Fixed),
                      grid->rowCount(), 0, 1, grid->columnCount());
    return box;
}

Answer QtPrompt::show(const std::string& message, Icon icon, Buttons buttons)
{
    const auto shown = box(message, icon, buttons);
    return answerOf(shown->exec(), buttons);
}

Answer QtPrompt::showQuestion(const Question& question, std::function<void()>& close)
{
    const auto shown = box(question.message, question.icon, question.buttons);
    const auto caption = [&](QMessageBox::StandardButton which, const std::string& text) {
        if (QAbstractButton* button = shown->button(which); button && !text.empty())
            button->setText(QString::fromStdString(text));
    };
    caption(QMessageBox::Yes, question.yesCaption);
    caption(QMessageBox::No, question.noCaption);
    shown->setDefaultButton(standardButton(question.defaultAnswer));
    shown->setEscapeButton(standardButton(question.defaultAnswer));
    // Taken back by the asker: the box closes as if Esc had been pressed; ask() returns nothing.
    QMessageBox* open = shown.get();
    close = [open] { open->done(QMessageBox::Escape); };
    const int result = shown->exec();
    close = nullptr;
    return answerOf(result, question.buttons);
}

} // namespace zr48
