#pragma once
// The text editor: a document window in which device INI files and other plain text are viewed
// and edited. Files are Windows-1252 text with CR LF line ends. The title carries the file, the
// modified mark " *" and " (Read only)"; the status bar shows the caret and "Modified".

#include "base/Text.h"
#include "desktop/common/DocumentWindow.h"

#include <QPointer>

#include <array>
#include <string>
#include <vector>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QStatusBar;
class QWidget;

namespace zr48 {

class Shell;

class TEditForm : public TDocumentWindow {
    Q_OBJECT
public:
    static constexpr int kClientWidth = 419;
    static constexpr int kClientHeight = 275;
    static constexpr int kFontPixels = 13;

    // `ownerWindow` is the window that opened the editor (the main window, a project window or
    // the database browser); `windowNumber` numbers its placeholder name "[Unnamed<n+1>]".
    TEditForm(Shell& shell, QObject* ownerWindow, int windowNumber, QWidget* parent = nullptr);

    // Loads a file; a name without a folder is taken from the current folder. A missing file is
    // reported ("File does not exists") and the editor stays as it was. A file that cannot be
    // read throws zr48::Error.
    void LoadFile(std::string path);
    // Writes the text to `path` (atomically) and makes it the editor's file. Throws zr48::Error
    // naming the path and the reason when the write fails; the editor then stays modified.
    // False when the user chose not to save a text with characters a device file cannot hold.
    bool SaveFile(const std::string& path);
    void SaveDocument() override { SaveFile(documentFile()); }

    // Set by the opener before LoadFile (the database browser opens its files read-only).
    void setReadOnly(bool readOnly);
    bool readOnly() const;
    QObject* OwnerWindow() const { return ownerWindow_; }
    bool modified() const;

    // The text as SaveFile writes it (Windows-1252, CR LF), which the infrared optimizer rewrites.
    Text fileBytes() const;
    // Replaces the text by that of the file bytes `bytes` as one edit (one undo step); marks the
    // editor modified and puts the caret at the start.
    void replaceFileBytes(std::string_view bytes);
    // Before a read-only text changes: "Do you really want to edit this File?"; Yes makes it
    // writable (and marks it modified). True when the text may change.
    bool AskToEdit();

    // The controls.
    QPlainTextEdit* richEdit() const { return RichEdit; }
    QLabel* statusPanel(int index) const { return statusPanels_.at(static_cast<std::size_t>(index)); }
    QWidget* findBar() const { return findBar_; }
    QLineEdit* findEdit() const { return EditFind; }
    // Find: shows the find bar; the next or previous match of its text, from the caret on and
    // round the end. False when the text does not occur.
    void showFindBar();
    bool findNext(bool backwards = false);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void UpdateTitle(const std::string& path, bool modified);
    void RichEditChange();
    void RichEditSelectionChange();
    QString plainText() const;

    Shell& shell_;
    QPointer<QObject> ownerWindow_;
    QPlainTextEdit* RichEdit;
    QStatusBar* StatusBar;
    std::array<QLabel*, 3> statusPanels_{};
    QWidget* findBar_;
    QLineEdit* EditFind;
    QLabel* findStatus_;
    bool loading_ = false;
    bool shown_ = false;
};

} // namespace zr48
