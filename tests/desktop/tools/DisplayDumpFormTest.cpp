// The display dump's window in the main window, against the simulated unit: the display's pixels
// enlarged on screen, at their own size on the clipboard and in a saved PNG file.

#include "desktop/tools/DisplayDumpForm.h"
#include "base/qt/QtText.h"
#include "desktop/tools/ToolFormsHarness.h"
#include "sim/SimPictures.h"
#include "tools/DisplayDump.h"

#include <QCheckBox>
#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>

namespace zr48 {
namespace {

class DisplayDumpFormTest : public test::ToolFormsTest {
protected:
    // Every pixel of `image` at `scale` image pixels per picture pixel is that of `picture`.
    static void expectPicture(const QImage& image, const DisplayPicture& picture, int scale)
    {
        ASSERT_EQ(image.size(), QSize(DisplayPicture::kWidth * scale, DisplayPicture::kHeight * scale));
        int wrong = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const QRgb expected = picture.dark(x / scale, y / scale) ? qRgb(0, 0, 0) : qRgb(255, 255, 255);
                if ((image.pixel(x, y) & 0xFFFFFF) != (expected & 0xFFFFFF) && ++wrong <= 5)
                    ADD_FAILURE() << "pixel " << x << "," << y << " of picture pixel " << x / scale << "," << y / scale;
            }
        EXPECT_EQ(wrong, 0);
    }

    TDisplayDumpForm& refreshed(TMainForm& form)
    {
        form.execute(ActionId::DisplayDump);
        TDisplayDumpForm& dialog = *form.dialogs().DisplayDumpForm;
        QTest::mouseClick(dialog.ButtonRefresh, Qt::LeftButton);
        EXPECT_FALSE(dialog.Image->isVisible());
        EXPECT_TRUE(clock.advanceUntil([&] { return dialog.Image->isVisible(); }, 5000));
        return dialog;
    }
};

TEST_F(DisplayDumpFormTest, ShowsTheUnitsDisplayEnlargedWithCrispPixels)
{
    TMainForm& form = connectedForm();
    TDisplayDumpForm& dialog = refreshed(form);
    EXPECT_EQ(dialog.windowTitle(), "ZR48 Display Dump");
    expectToolDialog(dialog, form);
    EXPECT_EQ(dialog.CheckBoxRemoveUsbIcon->text(), "Remove USB Icon");
    EXPECT_EQ(dialog.CheckBoxDrawDisplayBorder->text(), "Draw Display Border");
    EXPECT_EQ(dialog.ButtonRefresh->text(), "Refresh");
    EXPECT_EQ(dialog.ButtonClip->text(), "Copy to Clipboard");

    const DisplayPicture expected = DisplayDump::Render(menuPicture(), true, true);
    // What the screen shows: each picture pixel a square of whole screen pixels.
    expectPicture(dialog.Image->grab().toImage().convertToFormat(QImage::Format_RGB32), expected,
                  TDisplayDumpForm::kZoom);
    EXPECT_TRUE(dialog.Panel->geometry().contains(dialog.Image->geometry().translated(dialog.Panel->pos())));

    // Each box sets its own option, which takes effect at the next Refresh.
    const struct {
        QCheckBox* box;
        bool border;
        bool removeUsbIcon;
    } clicks[] = {
        {dialog.CheckBoxRemoveUsbIcon, true, false},
        {dialog.CheckBoxDrawDisplayBorder, false, false},
        {dialog.CheckBoxRemoveUsbIcon, false, true},
    };
    DisplayPicture shown = expected;
    for (const auto& click : clicks) {
        SCOPED_TRACE(click.box->text().toStdString());
        QTest::mouseClick(click.box, Qt::LeftButton);
        EXPECT_EQ(dialog.CheckBoxDrawDisplayBorder->isChecked(), click.border);
        EXPECT_EQ(dialog.CheckBoxRemoveUsbIcon->isChecked(), click.removeUsbIcon);
        expectPicture(dialog.Image->grab().toImage().convertToFormat(QImage::Format_RGB32), shown,
                      TDisplayDumpForm::kZoom);
        QTest::mouseClick(dialog.ButtonRefresh, Qt::LeftButton);
        ASSERT_TRUE(clock.advanceUntil([&] { return dialog.Image->isVisible(); }, 5000));
        shown = DisplayDump::Render(menuPicture(), click.border, click.removeUsbIcon);
        expectPicture(dialog.Image->grab().toImage().convertToFormat(QImage::Format_RGB32), shown,
                      TDisplayDumpForm::kZoom);
    }
    // The pictures differ, so a box that set the other option would show.
    EXPECT_NE(DisplayDump::Render(menuPicture(), true, false).pixels,
              DisplayDump::Render(menuPicture(), false, true).pixels);
}

TEST_F(DisplayDumpFormTest, CopiesThePictureAtItsOwnSizeToTheClipboardAndSavesItAsPng)
{
    TMainForm& form = connectedForm();
    TDisplayDumpForm& dialog = refreshed(form);
    const DisplayPicture expected = DisplayDump::Render(menuPicture(), true, true);

    QGuiApplication::clipboard()->clear();
    QTest::mouseClick(dialog.ButtonClip, Qt::LeftButton);
    expectPicture(QGuiApplication::clipboard()->image().convertToFormat(QImage::Format_RGB32), expected, 1);

    EXPECT_EQ(dialog.ButtonSavePicture->text(), QString::fromUtf8("Save picture\u2026"));
    const std::string path = dir.text("Display.png");
    files.answer(path);
    QTest::mouseClick(dialog.ButtonSavePicture, Qt::LeftButton);
    ASSERT_EQ(files.asked().size(), 1u);
    EXPECT_EQ(files.asked()[0].request.defaultExtension, ".png");
    QImage saved;
    ASSERT_TRUE(saved.load(pathToQString(path), "PNG"));
    expectPicture(saved.convertToFormat(QImage::Format_RGB32), expected, 1);

    // A folder that cannot take the file: the reason is shown, nothing else happens.
    files.answer(dir.text("missing/Display.png"));
    QTest::mouseClick(dialog.ButtonSavePicture, Qt::LeftButton);
    ASSERT_EQ(prompt.errors().size(), 1u);
    EXPECT_NE(prompt.errors()[0].find("missing"), Text::npos);
}

} // namespace
} // namespace zr48
