#include "desktop/common/DocumentWindow.h"

#include "base/qt/QtText.h"
#include "desktop/common/DocumentRules.h"
#include "desktop/common/Shell.h"

#include <QCloseEvent>

namespace zr48 {

TDocumentWindow::TDocumentWindow(DocumentKind kind, int windowNumber, QWidget* parent)
    : QMdiSubWindow(parent), kind_(kind), windowNumber_(windowNumber),
      documentFile_(placeholderName(kind, windowNumber))
{
    setAttribute(Qt::WA_DeleteOnClose);
}

TDocumentWindow::~TDocumentWindow()
{
    gone();
}

std::string TDocumentWindow::title() const
{
    return pathFromQString(windowTitle());
}

bool TDocumentWindow::askCloseQuestion()
{
    return !closeQuestion_ || closeQuestion_(*this);
}

void TDocumentWindow::closeEvent(QCloseEvent* event)
{
    if (!askCloseQuestion()) {
        event->ignore();
        return;
    }
    QMdiSubWindow::closeEvent(event);
    if (event->isAccepted())
        gone();
}

void TDocumentWindow::gone()
{
    if (auto notify = std::exchange(onGone, nullptr))
        notify(*this);
}

TDocumentWindow* documentWindowOf(QObject* object)
{
    for (; object; object = object->parent())
        if (auto* window = qobject_cast<TDocumentWindow*>(object))
            return window;
    return nullptr;
}

ProjectSlotMimeData::ProjectSlotMimeData(TDocumentWindow* projectWindow) : projectWindow_(projectWindow)
{
    setData(kProjectSlotMimeType, QByteArray());
}

} // namespace zr48
