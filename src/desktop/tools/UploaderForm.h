#pragma once
// The uploader's dialog: the state text, the progress of the sectors requested and Cancel,
// rendered from the uploader's view; it shows and hides itself as the view says. It shows no
// message of its own when the upload completes: the new project window opens instead.

#include <QDialog>

class QLabel;
class QProgressBar;
class QPushButton;

namespace zr48 {

class TUploader;

class TUploaderForm : public QDialog {
    Q_OBJECT
public:
    TUploaderForm(TUploader& uploader, QWidget* mainWindow);
    ~TUploaderForm() override;

    QLabel* Label;
    QProgressBar* ProgressBar;
    QPushButton* ButtonCancel;

public slots:
    // Esc and the window manager's close: as Cancel.
    void reject() override;

private:
    void render();

    TUploader& uploader_;
};

} // namespace zr48
