#pragma once
// The card sector viewer's window: a document window of fixed size with the sector number, the
// dump of the sector in a fixed-pitch font, and a scroll bar over all 65,536 sectors. It renders
// the viewer's view and forwards the edit box, the scroll bar and the keys to its handlers; the
// main window hands it the frames whose byte 1 is its window id.

#include "desktop/common/DocumentWindow.h"

#include <memory>
#include <vector>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QScrollBar;

namespace zr48 {

class MemView;
class Shell;

class TMemViewForm : public TDocumentWindow {
    Q_OBJECT
public:
    // The window id is the window number.
    TMemViewForm(Shell& shell, int windowNumber);
    ~TMemViewForm() override;

    void HandleFrame(const std::uint8_t* payload, int length) override;
    MemView& viewer() { return *viewer_; }

    QLabel* Label1;
    QLineEdit* EditSector;
    QPlainTextEdit* Memo;
    QScrollBar* ScrollBar;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    // Page Up, Page Down, Home and End on the scroll bar or the dump.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void render();
    void fitDumpFont();

    std::unique_ptr<MemView> viewer_;
    std::vector<std::string> shownLines_;
    bool shown_ = false;
};

} // namespace zr48
