#pragma once
// The downloader's dialog: the state text, the progress through the image file and the two
// buttons, rendered from the downloader's view; it shows and hides itself as the view says.

#include <QDialog>

class QLabel;
class QProgressBar;
class QPushButton;

namespace zr48 {

class TDownloader;

class TDownloaderForm : public QDialog {
    Q_OBJECT
public:
    TDownloaderForm(TDownloader& downloader, QWidget* mainWindow);
    ~TDownloaderForm() override;

    QLabel* Label;
    QProgressBar* ProgressBar;
    QPushButton* ButtonCancel;
    QPushButton* ButtonOK;

public slots:
    // Esc and the window manager's close: as Cancel.
    void reject() override;

private:
    void render();

    TDownloader& downloader_;
};

} // namespace zr48
