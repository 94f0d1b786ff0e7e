#pragma once
// The file and folder dialogs behind File Open, Save As and the directory chooser. The desktop
// program shows the toolkit's dialogs (QtFileChooser); tests answer from a script.

#include <optional>
#include <string>
#include <string_view>

class QWidget;

namespace zr48 {

struct FileDialogRequest {
    std::string title;            // the dialog's caption; empty for the toolkit's own
    std::string filter;           // "Project Files (*.mpj)|*.mpj|All Files (*.*)|*.*"
    std::string defaultExtension; // added to a name typed without one, as ".mpi"
    std::string directory;        // where the dialog starts (UTF-8)
    std::string fileName;         // the proposed name
    bool confirmOverwrite = true; // saveFile: ask before an existing file is chosen
};

class FileChooser {
public:
    virtual ~FileChooser() = default;
    // An existing file, or nothing when the user cancels.
    virtual std::optional<std::string> openFile(const FileDialogRequest& request) = 0;
    // A file to write; the dialog asks before an existing file is overwritten, unless the request
    // says it need not.
    virtual std::optional<std::string> saveFile(const FileDialogRequest& request) = 0;
    // A folder (without a final separator), or nothing.
    virtual std::optional<std::string> chooseDirectory(const FileDialogRequest& request) = 0;
};

// The toolkit's dialogs, modal over `parent`.
class QtFileChooser : public FileChooser {
public:
    explicit QtFileChooser(QWidget* parent = nullptr) : parent_(parent) {}
    void setParent(QWidget* parent) { parent_ = parent; }

    std::optional<std::string> openFile(const FileDialogRequest& request) override;
    std::optional<std::string> saveFile(const FileDialogRequest& request) override;
    std::optional<std::string> chooseDirectory(const FileDialogRequest& request) override;

private:
    QWidget* parent_;
};

// A filter of "description|patterns" pairs in the toolkit's form ("description (patterns);;...").
// The pattern "*.*" becomes "*", so that names without a dot are listed as well.
std::string toQtFilter(std::string_view filter);

} // namespace zr48
