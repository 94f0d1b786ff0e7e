#pragma once
// The text editor: a document window in which device INI files and other plain text are viewed
// and edited. Files are Windows-1252 text with CR LF line ends. The title carries the file, the
// modified mark " *" and " (Read only)"; the status bar shows the caret and "Modified".

#include "base/Text.h"
#include "desktop/common/DocumentWindow.h"

#include <QPointer>

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QStatusBar;
class QTimer;
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
    ~TEditForm() override;

    // Files up to this size are read and shown at once; larger ones load in the background.
    static constexpr std::uintmax_t kLoadAtOnceBytes = 64 * 1024;

    // Loads a file; a name without a folder is taken from the current folder. A missing file is
    // reported ("File does not exists") and the editor stays as it was. A small file that cannot
    // be read throws zr48::Error. A large file is read on a worker thread and its text is filled
    // in from the event loop a piece at a time, so the window keeps answering: meanwhile the
    // title names the file, the text shown so far can be read but not changed, and the editor
    // is not modified. A large file that cannot be read is reported and the editor goes back to
    // what it was. A newer load supersedes a running one.
    void LoadFile(std::string path);
    // Whether a large file is still being loaded.
    bool loading() const { return load_ != nullptr; }
    // Waits for a running load's file and fills in the rest of its text at once (before a save
    // or the optimizer, which need the whole text).
    void finishLoading();
    // Writes the text to `path` (atomically) and makes it the editor's file. Throws zr48::Error
    // naming the path and the reason when the write fails; the editor then stays modified.
    // False when the user chose not to save a text with characters a device file cannot hold.
    bool SaveFile(const std::string& path);
    void SaveDocument() override { SaveFile(documentFile()); }

    // Set by the opener before LoadFile (the database browser opens its files read-only). The
    // text cannot be changed while it loads, whatever this says.
    void setReadOnly(bool readOnly);
    bool readOnly() const;
    QObject* OwnerWindow() const { return ownerWindow_; }
    bool modified() const;

    // The text as SaveFile writes it (Windows-1252, CR LF), which the infrared optimizer rewrites
    // (a running load is finished first).
    Text fileBytes();
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
    struct Load;
    void startLoad(const std::string& path);
    void loadRead(int generation);
    void fillStep();
    void endLoad();
    void applyReadOnly(bool readOnly);
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
    bool readOnly_ = false;
    // The running background load; superseded ones until their workers have ended.
    std::unique_ptr<Load> load_;
    std::vector<std::unique_ptr<Load>> supersededLoads_;
    int loadGeneration_ = 0;
    QTimer* fillTimer_;
};

} // namespace zr48
