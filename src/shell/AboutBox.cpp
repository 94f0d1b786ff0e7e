#include "shell/AboutBox.h"

#include "base/Prompt.h"
#include "base/qt/QtText.h"
#include "shell/AboutText.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

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
        // Room for five lines of the longest kind, a firmware version of some length included.
        const QFontMetrics metrics(Memo->font());
        Memo->setFixedSize(metrics.horizontalAdvance(QString(44, QLatin1Char('M'))) + 12,
                           metrics.lineSpacing() * 5 + 12);
    }
    Memo->clear();
    const Text database = databaseVersion_ ? databaseVersion_() : Text();
    for (const Text& line : aboutLines(softwareVersion(), firmwareVersion_ ? firmwareVersion_() : Text("Unknown"),
                                       // The version file's line keeps its line end; the memo shows one line.
                                       Text(trimmed(database))))
        Memo->appendPlainText(toQString(line));
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
