#include "base/qtgui/PdfFile.h"

#include "base/Error.h"
#include "base/FileIo.h"

#include "base/qtgui/PageCuts.h"

#include <QAbstractTextDocumentLayout>
#include <QBuffer>
#include <QFont>
#include <QGuiApplication>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextLayout>
#include <QTextTable>

#include <algorithm>
#include <limits>
#include <span>
#include <vector>

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

namespace {

// The page: A4 with margins, in millimetres.
constexpr double kSideMarginMm = 18;
constexpr double kTopMarginMm = 15;
constexpr double kBottomMarginMm = 20; // the page number stands in it

struct Breaks {
    std::vector<PageBreak> breaks;
    std::vector<RepeatedHeader> headers;
    std::vector<double> rowBorders; // breaks on a table's border line, drawn on both pages
};

bool holdsText(const QTextBlock& block)
{
    return !block.text().trimmed().isEmpty();
}

// The rows of `table`: a page may end between two rows, never inside one, and never right after
// the header; a page that goes on with the table repeats its header rows.
void addTableRows(QAbstractTextDocumentLayout& layout, QTextTable& table, Breaks& out)
{
    const int rows = table.rows();
    constexpr double kOpen = std::numeric_limits<double>::max();
    std::vector<double> top(static_cast<std::size_t>(rows), kOpen);
    std::vector<double> bottom(static_cast<std::size_t>(rows), -kOpen);
    std::vector<bool> spanned(static_cast<std::size_t>(rows) + 1, false); // a cell runs over this border
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < table.columns(); ++c) {
            const QTextTableCell cell = table.cellAt(r, c);
            if (cell.row() != r || cell.column() != c)
                continue;
            const auto last = static_cast<std::size_t>(r + cell.rowSpan() - 1);
            for (int k = r + 1; k < r + cell.rowSpan(); ++k)
                spanned[static_cast<std::size_t>(k)] = true;
            top[static_cast<std::size_t>(r)] = std::min(
                top[static_cast<std::size_t>(r)], layout.blockBoundingRect(cell.firstCursorPosition().block()).top());
            bottom[last] = std::max(bottom[last], layout.blockBoundingRect(cell.lastCursorPosition().block()).bottom());
        }
    }
    // Between two rows the border lies midway: the same padding above and below it.
    const auto border = [&](int r) {
        return (bottom[static_cast<std::size_t>(r - 1)] + top[static_cast<std::size_t>(r)]) / 2;
    };
    const int headerRows = std::min(table.format().headerRowCount(), rows - 1);
    int header = -1;
    if (headerRows > 0) {
        const double below = border(headerRows);
        const double halfGap =
            (top[static_cast<std::size_t>(headerRows)] - bottom[static_cast<std::size_t>(headerRows - 1)]) / 2;
        out.headers.push_back({top[0] - halfGap, below});
        header = static_cast<int>(out.headers.size()) - 1;
    }
    for (int r = std::max(1, headerRows + 1); r < rows; ++r) {
        if (spanned[static_cast<std::size_t>(r)] || top[static_cast<std::size_t>(r)] == kOpen)
            continue;
        out.breaks.push_back({border(r), header});
        out.rowBorders.push_back(border(r));
    }
}

// Where pages may end: between the lines of a paragraph, before a table and between its rows.
// A heading stays with what follows it, and the document's last paragraph (a closing line) never
// stands alone on a page.
Breaks findBreaks(QTextDocument& document)
{
    QAbstractTextDocumentLayout& layout = *document.documentLayout();
    QTextBlock closing = document.lastBlock();
    while (closing.isValid() && !holdsText(closing))
        closing = closing.previous();
    Breaks out;
    bool keepWithNext = false;
    for (auto it = document.rootFrame()->begin(); !it.atEnd(); ++it) {
        if (QTextFrame* frame = it.currentFrame()) {
            if (!keepWithNext)
                out.breaks.push_back({layout.frameBoundingRect(frame).top(), -1});
            keepWithNext = false;
            if (auto* table = qobject_cast<QTextTable*>(frame))
                addTableRows(layout, *table, out);
            continue;
        }
        const QTextBlock block = it.currentBlock();
        if (!block.isValid() || !holdsText(block))
            continue;
        const QRectF box = layout.blockBoundingRect(block);
        const QTextLayout& lines = *block.layout();
        for (int i = 0; i < lines.lineCount(); ++i) {
            if (i == 0 && (keepWithNext || block == closing))
                continue;
            out.breaks.push_back({box.top() + lines.lineAt(i).y(), -1});
        }
        keepWithNext = block.blockFormat().headingLevel() > 0;
    }
    return out;
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
        const double dotsPerMm = writer.resolution() / 25.4;
        const QRectF body(kSideMarginMm * dotsPerMm, kTopMarginMm * dotsPerMm,
                          writer.width() - 2 * kSideMarginMm * dotsPerMm,
                          writer.height() - (kTopMarginMm + kBottomMarginMm) * dotsPerMm);

        QTextDocument document;
        // Laid out for the writer: points and pixels of the HTML are the writer's.
        document.documentLayout()->setPaintDevice(&writer);
        // Letters as they are, never joined into ligatures: text copied from the file (or searched
        // in it) reads as it was written.
        QFont font = document.defaultFont();
        font.setStyleStrategy(QFont::PreferNoShaping);
        document.setDefaultFont(font);
        document.setDocumentMargin(0);
        document.setHtml(QString::fromStdString(html));
        // One long column, cut into pages where the content allows.
        document.setTextWidth(body.width());
        const Breaks found = findBreaks(document);
        const std::vector<PageSpan> pages =
            CutPages(document.size().height(), body.height(), found.breaks, found.headers);
        // A table border at a page's edge is drawn on both pages.
        const double bleed = 1.5 * writer.resolution() / 96.0;
        const auto onBorder = [&found](double y) {
            return std::find(found.rowBorders.begin(), found.rowBorders.end(), y) != found.rowBorders.end();
        };

        QPainter painter(&writer);
        const auto draw = [&](double from, double to, double at) {
            painter.save();
            painter.translate(body.left(), at - from);
            document.drawContents(&painter, QRectF(0, from, body.width(), to - from));
            painter.restore();
        };
        QFont numberFont = font;
        numberFont.setPointSizeF(8);
        for (std::size_t i = 0; i < pages.size(); ++i) {
            if (i > 0)
                writer.newPage();
            const PageSpan& page = pages[i];
            double at = body.top();
            if (page.header >= 0) {
                const RepeatedHeader& header = found.headers[static_cast<std::size_t>(page.header)];
                draw(header.top - bleed, header.bottom + bleed, at - bleed);
                at += header.bottom - header.top;
            }
            const double before = onBorder(page.from) ? bleed : 0;
            const double after = onBorder(page.to) ? bleed : 0;
            draw(page.from - before, page.to + after, at - before);
            painter.setFont(numberFont);
            painter.setPen(QColor(85, 85, 85));
            const QRectF footer(body.left(), body.bottom(), body.width(), kBottomMarginMm * dotsPerMm / 2);
            painter.drawText(footer, Qt::AlignRight | Qt::AlignBottom,
                             QStringLiteral("Page %1 of %2").arg(i + 1).arg(pages.size()));
        }
    }
    const QByteArray& bytes = buffer.data();
    writeFileAtomically(path, std::span(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                                        static_cast<std::size_t>(bytes.size())));
}

} // namespace zr48
