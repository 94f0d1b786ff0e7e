#include "desktop/common/DocumentWindow.h"

#include "base/qt/QtText.h"
#include "desktop/common/DocumentRules.h"
#include "desktop/common/Shell.h"

#include <QApplication>
#include <QCloseEvent>
#include <QPainter>
#include <QProxyStyle>
#include <QStyleOptionTitleBar>

namespace zr48 {

namespace {

// The application's style, but a title bar shows the window's title shortened in the middle of
// its path: the style itself cuts the end off, and with it the " *" and " (Read only)" that say
// what state the document is in.
class TitleBarStyle : public QProxyStyle {
    static constexpr int kTitleMargin = 16;

public:
    using QProxyStyle::QProxyStyle;

    void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option, QPainter* painter,
                            const QWidget* widget) const override
    {
        const auto* bar = qstyleoption_cast<const QStyleOptionTitleBar*>(option);
        if (control != CC_TitleBar || !bar || !widget) {
            QProxyStyle::drawComplexControl(control, option, painter, widget);
            return;
        }
        QStyleOptionTitleBar shortened(*bar);
        shortened.text = widget->windowTitle();
        // The styles draw with the painter's font and keep a margin inside the label (Fusion 14
        // pixels), cutting the end off anything wider.
        const int room = subControlRect(CC_TitleBar, &shortened, SC_TitleBarLabel, widget).width() - kTitleMargin;
        shortened.text = shortenedTitle(widget->windowTitle(), painter->fontMetrics(), room);
        QProxyStyle::drawComplexControl(control, &shortened, painter, widget);
    }
};

} // namespace

QString shortenedTitle(const QString& title, const QFontMetrics& metrics, int width)
{
    if (metrics.horizontalAdvance(title) <= width)
        return title;
    const TitleParts parts = splitTitle(pathFromQString(title));
    const QString name = pathToQString(parts.name);
    const QString state = pathToQString(parts.state);
    const int pathRoom = width - metrics.horizontalAdvance(name) - metrics.horizontalAdvance(state);
    const QString path = metrics.elidedText(pathToQString(parts.path), Qt::ElideMiddle, pathRoom);
    if (pathRoom <= 0 || path.isEmpty())
        return metrics.elidedText(title, Qt::ElideMiddle, width);
    return name + path + state;
}

TDocumentWindow::TDocumentWindow(DocumentKind kind, int windowNumber, QWidget* parent)
    : QMdiSubWindow(parent), kind_(kind), windowNumber_(windowNumber),
      documentFile_(placeholderName(kind, windowNumber))
{
    setAttribute(Qt::WA_DeleteOnClose);
    // Only the titles that carry a path grow long. The same style as the rest of the program (its
    // own instance, owned by the window); the scope and the sector viewer keep the program's own,
    // whose metrics their fixed layouts are measured in.
    if (kind == DocumentKind::ProjectWindow || kind == DocumentKind::TextEditor) {
        auto* style = new TitleBarStyle(QApplication::style()->name());
        style->setParent(this);
        setStyle(style);
    }
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
