#include "desktop/tools/MemViewForm.h"

#include "base/qt/QtText.h"
#include "desktop/common/ImageList.h"
#include "desktop/common/PicturePositions.h"
#include "desktop/common/Shell.h"
#include "tools/MemView.h"

#include <QCloseEvent>
#include <QFontDatabase>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QShowEvent>
#include <QSignalBlocker>

namespace zr48 {

namespace {

// The dump: 32 lines of 82 characters.
constexpr int kDumpLines = 32;
constexpr int kDumpColumns = 82;
// The smallest font the dump is shrunk to so that all of it fits.
constexpr qreal kSmallestPointSize = 6;

MemView::Key viewerKey(int key)
{
    switch (key) {
    case Qt::Key_PageUp: return MemView::Key::PageUp;
    case Qt::Key_PageDown: return MemView::Key::PageDown;
    case Qt::Key_Home: return MemView::Key::Home;
    case Qt::Key_End: return MemView::Key::End;
    default: break;
    }
    return MemView::Key::Other;
}

} // namespace

TMemViewForm::TMemViewForm(Shell& shell, int windowNumber)
    : TDocumentWindow(DocumentKind::SectorViewer, windowNumber),
      viewer_(std::make_unique<MemView>(shell.timers(), windowNumber, shell.send()))
{
    setObjectName("MemViewForm");
    setWindowTitle("ZR48 Data Viewer");
    setWindowIcon(shell.imageList().icon(kCardViewerPicture));
    // A fixed border: the size is the viewer's own; the window can be minimised, not maximised.
    setWindowFlags(Qt::SubWindow | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);

    auto* content = new QWidget(this);
    Label1 = new QLabel("Sector:", content);
    Label1->setObjectName("Label1");
    EditSector = new QLineEdit(content);
    EditSector->setObjectName("EditSector");
    Label1->setBuddy(EditSector);
    Memo = new QPlainTextEdit(content);
    Memo->setObjectName("Memo");
    Memo->setReadOnly(true);
    Memo->setLineWrapMode(QPlainTextEdit::NoWrap);
    Memo->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    Memo->setWordWrapMode(QTextOption::NoWrap);
    // The dump always fits (fitDumpFont); the only scroll bar is the one over the sectors.
    Memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Memo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    ScrollBar = new QScrollBar(Qt::Vertical, content);
    ScrollBar->setObjectName("ScrollBar");
    ScrollBar->setRange(0, MemView::kLastSector);
    ScrollBar->setSingleStep(1);
    ScrollBar->setPageStep(MemView::kPageStep);

    auto* layout = new QGridLayout(content);
    layout->addWidget(Label1, 0, 0);
    layout->addWidget(EditSector, 0, 1);
    layout->addWidget(Memo, 1, 0, 1, 3);
    layout->addWidget(ScrollBar, 0, 3, 2, 1);
    layout->setColumnStretch(2, 1);
    layout->setRowStretch(1, 1);
    setWidget(content);

    connect(EditSector, &QLineEdit::textEdited, this,
            [this](const QString& text) { viewer_->EditSectorChange(fromQString(text)); });
    // Arrow keys, clicks and drags on the scroll bar; the viewer's own changes are not reported.
    connect(ScrollBar, &QScrollBar::valueChanged, this, [this](int position) { viewer_->ScrollBarScroll(position); });
    ScrollBar->installEventFilter(this);
    Memo->installEventFilter(this);

    viewer_->OnViewChanged = [this] { render(); };
    render();
}

TMemViewForm::~TMemViewForm()
{
    viewer_->OnViewChanged = nullptr;
}

void TMemViewForm::HandleFrame(const std::uint8_t* payload, int length)
{
    viewer_->HandleFrame(payload, length);
}

void TMemViewForm::showEvent(QShowEvent* event)
{
    TDocumentWindow::showEvent(event);
    if (!shown_ && !event->spontaneous()) {
        shown_ = true;
        viewer_->FormShow();
    }
}

void TMemViewForm::closeEvent(QCloseEvent* event)
{
    viewer_->FormClose();
    TDocumentWindow::closeEvent(event);
}

void TMemViewForm::fitDumpFont()
{
    // The largest size of the fixed-pitch font, up to the desktop's own, at which the whole dump
    // fits the memo without scrolling.
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    const qreal margin = 2 * (Memo->document()->documentMargin() + Memo->frameWidth());
    const qreal height = Memo->height() - margin;
    const qreal width = Memo->width() - margin;
    if (font.pointSizeF() <= 0)
        font.setPointSizeF(10);
    for (qreal size = font.pointSizeF(); size > kSmallestPointSize; size -= 0.5) {
        const QFontMetricsF metrics(font);
        // Half a line to spare: the text layout may add a pixel here and there.
        if (metrics.lineSpacing() * (kDumpLines + 0.5) <= height &&
            metrics.horizontalAdvance(QString(kDumpColumns, QLatin1Char('0'))) <= width)
            break;
        font.setPointSizeF(size - 0.5);
    }
    Memo->setFont(font);
}

bool TMemViewForm::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == Memo && event->type() == QEvent::Resize)
        fitDumpFont();
    if ((watched == ScrollBar || watched == Memo) && event->type() == QEvent::KeyPress) {
        if (viewer_->ScrollBarKeyDown(viewerKey(static_cast<QKeyEvent*>(event)->key())))
            return true;
    }
    return TDocumentWindow::eventFilter(watched, event);
}

void TMemViewForm::render()
{
    const MemViewView& view = viewer_->view();
    if (view.width > 0 && view.height > 0 && size() != QSize(view.width, view.height))
        setFixedSize(view.width, view.height);
    const QString sector = toQString(view.editSector);
    if (EditSector->text() != sector)
        EditSector->setText(sector);
    {
        const QSignalBlocker quiet(ScrollBar);
        ScrollBar->setValue(view.scrollPosition);
    }
    if (view.memo != shownLines_) {
        shownLines_ = view.memo;
        // The lines are replaced in one go, without drawing in between.
        Memo->setUpdatesEnabled(false);
        QStringList lines;
        for (const Text& line : shownLines_)
            lines.append(toQString(line));
        Memo->setPlainText(lines.join('\n'));
        Memo->setUpdatesEnabled(true);
    }
}

} // namespace zr48
