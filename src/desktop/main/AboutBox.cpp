#include "desktop/main/AboutBox.h"

#include "base/Prompt.h"
#include "base/qt/QtText.h"
#include "desktop/main/AboutText.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QVBoxLayout>

#include <algorithm>

namespace zr48 {

TAboutBox::TAboutBox(Prompt& prompt, VersionSource firmwareVersion, VersionSource databaseVersion, QWidget* parent)
    : QDialog(parent), prompt_(prompt), firmwareVersion_(std::move(firmwareVersion)),
      databaseVersion_(std::move(databaseVersion))
{
    setObjectName("AboutBox");
    setWindowTitle("About");
    setModal(true);

    Memo = new QPlainTextEdit(this);
    Memo->setObjectName("Memo");
    Memo->setReadOnly(true);
    Memo->setLineWrapMode(QPlainTextEdit::NoWrap);
    Memo->setFrameShape(QFrame::NoFrame);
    Memo->viewport()->setAutoFillBackground(false);
    Memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Memo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Memo->setFocusPolicy(Qt::NoFocus);

    OKButton = new QPushButton("OK", this);
    OKButton->setObjectName("OKButton");
    OKButton->setDefault(true);
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(OKButton);
    buttons->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Memo);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

int TAboutBox::exec()
{
    FormShow();
    adjustSize();
    if (const QScreen* screen = parentWidget() ? parentWidget()->screen() : QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    return QDialog::exec();
}

void TAboutBox::FormShow()
{
    if (!fontChosen_) {
        // Chosen at the first show: the fixed-pitch font costs start-up time that no one sees.
        fontChosen_ = true;
        setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    }
    Memo->clear();
    const Text database = databaseVersion_ ? databaseVersion_() : Text();
    // The version file's line keeps its line end; the memo shows one line.
    const auto lines =
        aboutLines(softwareVersion(), firmwareVersion_ ? firmwareVersion_() : Text("Unknown"), Text(trimmed(database)));
    // Room for the longest line shown (a database or firmware version text may be long), at least
    // 44 characters, so that no line is cut or scrolled out of sight.
    const QFontMetrics metrics(Memo->font());
    int width = metrics.horizontalAdvance(QString(44, QLatin1Char('M')));
    for (const Text& line : lines) {
        Memo->appendPlainText(toQString(line));
        width = std::max(width, metrics.horizontalAdvance(toQString(line)));
    }
    const int margins = 2 * (static_cast<int>(Memo->document()->documentMargin()) + Memo->frameWidth()) + 4;
    Memo->setFixedSize(width + margins, metrics.lineSpacing() * static_cast<int>(lines.size()) + margins);
    Memo->moveCursor(QTextCursor::Start);
    Memo->horizontalScrollBar()->setValue(0);
}

void TAboutBox::FormDblClick()
{
    prompt_.show("KELDO ZR48 Project Manager\n\nWritten for the installers of the ZR48.", Icon::None, Buttons::Ok);
}

void TAboutBox::mouseDoubleClickEvent(QMouseEvent* event)
{
    QDialog::mouseDoubleClickEvent(event);
    FormDblClick();
}

} // namespace zr48
