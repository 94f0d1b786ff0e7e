#pragma once
// The display dump's window: the unit's display as a 124 x 84 picture, shown enlarged by a whole
// number of screen pixels per picture pixel (crisp, never smoothed), the two options, Refresh,
// Copy to Clipboard (the picture at its own size), and Save picture... (a PNG file of it).

#include <QDialog>

class QCheckBox;
class QFrame;
class QLabel;
class QPushButton;

namespace zr48 {

class DisplayDump;
class Shell;

class TDisplayDumpForm : public QDialog {
    Q_OBJECT
public:
    // Screen pixels per picture pixel at a scale factor of 1.
    static constexpr int kZoom = 3;

    TDisplayDumpForm(DisplayDump& dump, Shell& shell);
    ~TDisplayDumpForm() override;

    QFrame* Panel;
    QLabel* Image;
    QCheckBox* CheckBoxRemoveUsbIcon;
    QCheckBox* CheckBoxDrawDisplayBorder;
    QPushButton* ButtonRefresh;
    QPushButton* ButtonClip;
    QPushButton* ButtonSavePicture;

    void ButtonSavePictureClick();

public slots:
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void render();
    // Screen pixels per picture pixel: kZoom at the screen's scale factor, rounded to a whole number.
    int devicePixelsPerPixel() const;

    DisplayDump& dump_;
    Shell& shell_;
    bool screenWatched_ = false;
};

} // namespace zr48
