#include "desktop/common/FileChooser.h"

#include "base/Paths.h"
#include "base/qt/QtText.h"

#include <QFileDialog>
#include <QFontMetrics>
#include <QHeaderView>
#include <QLineEdit>
#include <QRegularExpression>
#include <QTreeView>

namespace zr48 {

std::string toQtFilter(std::string_view filter)
{
    std::vector<std::string_view> parts;
    for (std::size_t start = 0;;) {
        const std::size_t bar = filter.find('|', start);
        parts.push_back(filter.substr(start, bar == std::string_view::npos ? std::string_view::npos : bar - start));
        if (bar == std::string_view::npos)
            break;
        start = bar + 1;
    }
    std::string out;
    for (std::size_t i = 0; i + 1 < parts.size(); i += 2) {
        std::string patterns(parts[i + 1]);
        for (char& c : patterns)
            if (c == ';')
                c = ' ';
        if (patterns == "*.*")
            patterns = "*";
        std::string description(parts[i]);
        if (const auto open = description.find(" ("); open != std::string::npos)
            description.erase(open);
        if (!out.empty())
            out += ";;";
        out += description + " (" + patterns + ")";
    }
    return out;
}

namespace {

// The extension of a filter's first pattern: "HTML Files (*.html *.htm)" gives "html"; empty for
// "All Files (*)".
QString filterExtension(const QString& filter)
{
    static const QRegularExpression pattern(QStringLiteral("\\*\\.([A-Za-z0-9_]+)"));
    const QRegularExpressionMatch match = pattern.match(filter);
    return match.hasMatch() ? match.captured(1) : QString();
}

QString startPath(const FileDialogRequest& request)
{
    if (request.fileName.empty())
        return pathToQString(request.directory);
    if (!extractFilePath(request.fileName).empty() || request.directory.empty())
        return pathToQString(request.fileName);
    return pathToQString(includeTrailingDelimiter(request.directory) + request.fileName);
}

std::optional<std::string> run(QFileDialog& dialog)
{
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return pathFromQString(dialog.selectedFiles().front());
}

void prepare(QFileDialog& dialog, const FileDialogRequest& request)
{
    // Qt's own dialog opens so small that the size and date columns are cut off.
    const QFontMetrics metrics(dialog.font());
    dialog.resize(dialog.sizeHint().expandedTo(QSize(metrics.averageCharWidth() * 110, metrics.height() * 30)));
    // Size, type and date are fitted to what they show; the name takes the rest.
    for (QTreeView* details : dialog.findChildren<QTreeView*>()) {
        QHeaderView* header = details->header();
        header->setStretchLastSection(false);
        for (int column = 1; column < header->count(); ++column)
            header->setSectionResizeMode(column, QHeaderView::ResizeToContents);
        if (header->count() > 0)
            header->setSectionResizeMode(0, QHeaderView::Stretch);
    }
    if (!request.title.empty())
        dialog.setWindowTitle(QString::fromStdString(request.title));
    if (!request.filter.empty())
        dialog.setNameFilter(QString::fromStdString(toQtFilter(request.filter)));
    if (!request.defaultExtension.empty())
        dialog.setDefaultSuffix(QString::fromStdString(request.defaultExtension).remove(0, 1));
    const QString start = startPath(request);
    if (!start.isEmpty()) {
        if (request.fileName.empty())
            dialog.setDirectory(start);
        else
            dialog.selectFile(start);
    }
}

} // namespace

std::optional<std::string> QtFileChooser::openFile(const FileDialogRequest& request)
{
    QFileDialog dialog(parent_);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    prepare(dialog, request);
    return run(dialog);
}

std::optional<std::string> QtFileChooser::saveFile(const FileDialogRequest& request)
{
    QFileDialog dialog(parent_);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.confirmOverwrite);
    prepare(dialog, request);
    // The extension follows the chosen filter: a name typed without one gets the filter's, and a
    // name that still ends in the previous filter's extension takes the new one.
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog](const QString& filter) {
        const QString previous = dialog.defaultSuffix();
        const QString suffix = filterExtension(filter);
        if (suffix.isEmpty())
            return; // "All Files": the name stays as typed
        dialog.setDefaultSuffix(suffix);
        // The name field of Qt's own dialog; a dialog of the desktop keeps its own rules.
        auto* name = dialog.findChild<QLineEdit*>("fileNameEdit");
        if (!name || previous.isEmpty() || !name->text().endsWith("." + previous, Qt::CaseInsensitive))
            return;
        name->setText(name->text().chopped(previous.size()) + suffix);
    });
    return run(dialog);
}

std::optional<std::string> QtFileChooser::chooseDirectory(const FileDialogRequest& request)
{
    QFileDialog dialog(parent_);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    prepare(dialog, request);
    dialog.setMinimumSize(200, 200);
    return run(dialog);
}

} // namespace zr48
