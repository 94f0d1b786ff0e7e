#include "desktop/main/Application.h"

#include "base/Error.h"
#include "base/Prompt.h"
#include "base/qt/QtText.h"
#include "desktop/common/Shell.h"

#include <QMessageBox>

namespace zr48 {

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool TApplication::notify(QObject* receiver, QEvent* event)
{
    std::string message; // messages are UTF-8
    try {
        return QApplication::notify(receiver, event);
    } catch (const Error& error) {
        message = error.message();
    } catch (const std::exception& error) {
        message = error.what();
    }
    if (prompt_)
        prompt_->error(message);
    else
        QMessageBox::critical(activeWindow(), QString(kProgramCaption), messageToQString(message));
    return false;
}

} // namespace zr48
