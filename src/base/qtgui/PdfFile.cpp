#include "base/qtgui/PdfFile.h"

#include "base/Error.h"
#include "base/FileIo.h"

#include <QBuffer>
#include <QFont>
#include <QGuiApplication>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QTextDocument>

#include <span>

namespace zr48 {

namespace {

void ensureGraphics()
{
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return;
    if (QCoreApplication::instance())
        throw Error("A PDF file cannot be made here: the program runs without Qt's graphics.");
    static int argc = 3;
    static char program[] = "zr48";
    static char platformOption[] = "-platform";
    static char platform[] = "offscreen";
    static char* argv[] = {program, platformOption, platform, nullptr};
    // What the platform says while it starts (a missing runtime folder, say) is not the user's
    // concern here.
    const QtMessageHandler previous =
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    // Kept until the process ends: Qt's own globals are gone before static destructors would run.
    new QGuiApplication(argc, argv);
    qInstallMessageHandler(previous);
}

} // namespace

void writeHtmlAsPdf(const Path& path, const std::string& html, const std::string& title)
{
    ensureGraphics();
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setTitle(QString::fromStdString(title));
        writer.setCreator(QStringLiteral("ZR48 Project Manager"));
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
        QTextDocument document;
        // Letters as they are, never joined into ligatures: text copied from the file (or searched
        // in it) reads as it was written.
        QFont font = document.defaultFont();
        font.setStyleStrategy(QFont::PreferNoShaping);
        document.setDefaultFont(font);
        document.setHtml(QString::fromStdString(html));
        // Unpaginated, the document is laid out on the pages with margins and page numbers.
        document.print(&writer);
    }
    const QByteArray& bytes = buffer.data();
    writeFileAtomically(path, std::span(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                                        static_cast<std::size_t>(bytes.size())));
}

} // namespace zr48
