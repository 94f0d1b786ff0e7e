#pragma once
// The directory chooser of the settings dialog's browse buttons: the platform's folder dialog,
// opened at the directory part of a start path; the chosen directory always ends with a
// separator.

#include <QObject>

#include <string>

namespace zr48 {

class FileChooser;

class TDirectoryForm : public QObject {
    Q_OBJECT
public:
    static constexpr const char* kCaption = "Browse Directory...";

    explicit TDirectoryForm(FileChooser& files, QObject* parent = nullptr);

    // Shows the chooser; true when the user confirmed. The chosen directory is then Directory().
    bool Execute(const std::string& startPath);
    const std::string& Directory() const { return directory_; }

private:
    FileChooser& files_;
    std::string directory_;
};

} // namespace zr48
