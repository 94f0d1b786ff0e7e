#pragma once
// The base of every document window in the main window's client area: project windows, text
// editors, card sector viewers and infrared scopes. It carries the kind, the window number, the
// DocumentFile and the close question; the main window keeps the list of them.

#include "desktop/common/Document.h"

#include <QFontMetrics>
#include <QMdiSubWindow>
#include <QMimeData>
#include <QPointer>

#include <functional>
#include <string>

namespace zr48 {

class ProjectDocument;

class TDocumentWindow : public QMdiSubWindow, public Document {
    Q_OBJECT
public:
    // The check that runs before the window closes; false keeps it open.
    using CloseQuestion = std::function<bool(TDocumentWindow&)>;

    TDocumentWindow(DocumentKind kind, int windowNumber, QWidget* parent = nullptr);
    ~TDocumentWindow() override;

    DocumentKind kind() const final { return kind_; }
    int windowNumber() const final { return windowNumber_; }
    std::string title() const override;
    std::string documentFile() const override { return documentFile_; }

    // Installed by the main window on project windows and text editors.
    void setCloseQuestion(CloseQuestion question) { closeQuestion_ = std::move(question); }
    bool hasCloseQuestion() const { return static_cast<bool>(closeQuestion_); }
    // Runs the close question; true when there is none.
    bool askCloseQuestion();

    // Save: a project window runs SaveProject(DocumentFile), a text editor SaveFile(DocumentFile);
    // other kinds do nothing. A failed write throws zr48::Error.
    virtual void SaveDocument() {}
    // The project window's operations; null for the other kinds.
    virtual ProjectDocument* project() { return nullptr; }

    // Called once when the window has closed or is being destroyed: the main window takes it off
    // its list.
    std::function<void(TDocumentWindow&)> onGone;

protected:
    void setDocumentFile(std::string path) { documentFile_ = std::move(path); }
    void closeEvent(QCloseEvent* event) override;

private:
    void gone();

    DocumentKind kind_;
    int windowNumber_;
    std::string documentFile_;
    CloseQuestion closeQuestion_;
};

// `title` as it fits in `width` pixels of `metrics`' font: whole when it fits, else with its path
// shortened in the middle ("…"), the window's name before it and the marks of its state after it
// (" *", " (Read only)") kept whole; cut in the middle as a whole only when not even they fit.
QString shortenedTitle(const QString& title, const QFontMetrics& metrics, int width);

// The document window that holds `object` (a window or one of its controls), or null.
TDocumentWindow* documentWindowOf(QObject* object);

// The data of a drag that carries a project window's selected slot (format
// kProjectSlotMimeType). Dropped on the main window's empty client area, it asks the window it
// names for ClearSelectedSlot.
class ProjectSlotMimeData : public QMimeData {
    Q_OBJECT
public:
    explicit ProjectSlotMimeData(TDocumentWindow* projectWindow);
    TDocumentWindow* projectWindow() const { return projectWindow_; }

private:
    QPointer<TDocumentWindow> projectWindow_;
};

} // namespace zr48
