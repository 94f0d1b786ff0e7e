// The downloader's and the uploader's dialogs in the main window, against the simulated unit:
// a whole download, a cancelled one, an upload that opens its project, one that fails.

#include "base/FileIo.h"
#include "base/Paths.h"
#include "base/qt/QtText.h"
#include "desktop/FakeDocuments.h"
#include "desktop/main/QtPrompt.h"
#include "desktop/tools/DownloaderForm.h"
#include "desktop/tools/FirmwareForm.h"
#include "desktop/tools/ToolFormsHarness.h"
#include "desktop/tools/UploaderForm.h"
#include "project/Compiler.h"
#include "support/TimePassingPrompt.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include <filesystem>

namespace zr48 {
namespace {

using test::FakeProjectWindow;

// The sample project, copied and compiled: its image file.
std::string compiledVilla(const test::TempDir& dir, Prompt& prompt)
{
    std::filesystem::copy(std::filesystem::path(ZR48_EXAMPLES_DIR) / "projects" / "Villa", dir.path() / "Villa");
    const std::string project = dir.text("Villa/Villa.mpj");
    EXPECT_TRUE(CompileProject(project, prompt));
    return changeFileExt(project, ".mpd");
}

// The sector numbers of an image file's records, in order.
std::vector<std::uint16_t> recordSectors(const std::string& image)
{
    const auto bytes = readFileBytes(image);
    std::vector<std::uint16_t> sectors;
    for (std::size_t at = 0; at + 514 <= bytes.size(); at += 514)
        sectors.push_back(static_cast<std::uint16_t>(bytes[at] | bytes[at + 1] << 8));
    return sectors;
}

// The sectors in the order a download writes a sound image: the nine sectors of an empty directory
// first, then the menu and device file sectors, the image's own directory last.
std::vector<std::uint16_t> writeOrder(const std::string& image)
{
    const std::vector<std::uint16_t> records = recordSectors(image);
    std::vector<std::uint16_t> order;
    for (std::uint16_t sector = 0; sector < 9; ++sector)
        order.push_back(sector);
    for (const std::uint16_t sector : records)
        if (sector >= 9)
            order.push_back(sector);
    for (const std::uint16_t sector : records)
        if (sector < 9)
            order.push_back(sector);
    return order;
}

// The sample project compiled, and its image put on the simulated unit's card.
void putVillaOnTheCard(const test::TempDir& dir, SimCard& card, Prompt& prompt)
{
    const auto image = readFileBytes(compiledVilla(dir, prompt));
    for (std::size_t at = 0; at + 514 <= image.size(); at += 514) {
        Sector sector;
        std::copy_n(image.begin() + static_cast<std::ptrdiff_t>(at + 2), 512, sector.begin());
        card.write(static_cast<std::uint16_t>(image[at] | image[at + 1] << 8), sector);
    }
}

// No button in the title bar: the dialog closes through its own buttons only.
void expectNoTitleBarButtons(const QDialog& dialog)
{
    const Qt::WindowFlags flags = dialog.windowFlags();
    EXPECT_TRUE(flags & Qt::CustomizeWindowHint);
    EXPECT_FALSE(flags & (Qt::WindowCloseButtonHint | Qt::WindowMinMaxButtonsHint | Qt::WindowSystemMenuHint));
}

class TransferFormsTest : public test::ToolFormsTest {};

TEST_F(TransferFormsTest, ADownloadRunsFromStartToDownloadFinishedAndOkClosesTheDialog)
{
    TMainForm& form = connectedForm();
    const std::string image = compiledVilla(dir, prompt);
    const std::vector<std::uint16_t> sectors = writeOrder(image);
    ASSERT_GT(sectors.size(), 20u);
    form.openFile(image);

    TDownloaderForm& dialog = *form.dialogs().DownloaderForm;
    const TDownloader& downloader = form.deviceTools().downloader;
    EXPECT_EQ(dialog.windowTitle(), "ZR48 Downloader");
    expectToolDialog(dialog, form);
    expectNoTitleBarButtons(dialog);
    EXPECT_TRUE(dialog.Label->font().bold());
    EXPECT_FALSE(dialog.ButtonOK->isEnabled());
    EXPECT_TRUE(dialog.ButtonCancel->isEnabled());
    EXPECT_EQ(dialog.ProgressBar->maximum(), static_cast<int>(sectors.size() * 514));
    EXPECT_EQ(dialog.Label->text(), QString("Writing sector %1").arg(sectors[0]));

    // The label and the bar follow every acknowledged sector.
    for (const std::size_t sent : {std::size_t{2}, std::size_t{12}, sectors.size()}) {
        ASSERT_TRUE(clock.advanceUntil([&] { return downloader.RecordsSent() == sent; }, 5000));
        EXPECT_EQ(dialog.Label->text(), QString("Writing sector %1").arg(sectors[sent - 1]));
        EXPECT_EQ(dialog.ProgressBar->value(), static_cast<int>(sent * 514));
        EXPECT_TRUE(dialog.isVisible());
    }
    ASSERT_TRUE(clock.advanceUntil([&] { return dialog.Label->text() == "Download Finished."; }, 5000));
    EXPECT_EQ(dialog.ProgressBar->value(), dialog.ProgressBar->maximum());
    EXPECT_TRUE(dialog.ButtonOK->isEnabled());
    EXPECT_FALSE(dialog.ButtonCancel->isEnabled());
    EXPECT_EQ(sim.card.writtenSectors(), recordSectors(image).size());

    // The dialog waits for OK; Enter is OK.
    clock.advance(3000);
    EXPECT_TRUE(dialog.isVisible());
    QTest::keyClick(&dialog, Qt::Key_Return);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(downloader.Result(), DownloadResult::Finished);
    EXPECT_TRUE(prompt.messages().empty());
}

// Cancel, Esc and the window manager's close ask first: No lets the download go on, Yes stops it and
// says what the card holds.
TEST_F(TransferFormsTest, StoppingADownloadInTheMiddleAsksFirstAndSaysWhatTheCardHolds)
{
    struct Way {
        const char* name;
        void (*cancel)(TDownloaderForm&);
    };
    const Way ways[] = {
        {"the Cancel button", [](TDownloaderForm& d) { QTest::mouseClick(d.ButtonCancel, Qt::LeftButton); }},
        {"the Esc key", [](TDownloaderForm& d) { QTest::keyClick(&d, Qt::Key_Escape); }},
        {"the title bar's close", [](TDownloaderForm& d) { d.close(); }},
    };
    TMainForm& form = connectedForm();
    const std::string image = compiledVilla(dir, prompt);
    const std::vector<std::uint16_t> sectors = writeOrder(image);
    const std::size_t imageSectors = recordSectors(image).size();
    for (const Way& way : ways) {
        SCOPED_TRACE(way.name);
        sim.card = SimCard();
        prompt.clear();
        form.openFile(image);
        TDownloaderForm& dialog = *form.dialogs().DownloaderForm;
        const TDownloader& downloader = form.deviceTools().downloader;
        ASSERT_TRUE(clock.advanceUntil([&] { return downloader.RecordsSent() == 5; }, 5000));
        QTest::keyClick(&dialog, Qt::Key_Return); // Enter never cancels
        EXPECT_TRUE(dialog.isVisible());

        prompt.answer(Answer::No, "Stop the download?\nThe ZR48 will hold an incomplete project.");
        way.cancel(dialog);
        EXPECT_TRUE(dialog.isVisible());
        ASSERT_TRUE(clock.advanceUntil([&] { return downloader.RecordsSent() == 15; }, 5000));
        EXPECT_EQ(downloader.Result(), DownloadResult::Running);

        prompt.answer(Answer::Yes, "Stop the download?");
        way.cancel(dialog);
        EXPECT_FALSE(dialog.isVisible());
        EXPECT_EQ(downloader.Result(), DownloadResult::Cancelled);
        ASSERT_EQ(prompt.shown().size(), 3u);
        EXPECT_EQ(prompt.shown()[2].icon, Icon::Information);
        EXPECT_EQ(prompt.shown()[2].message,
                  "Download stopped.\n5 of " + std::to_string(imageSectors) +
                      " sectors were written, so the ZR48's card holds part of the image; its directory names only "
                      "device files written whole. Download it again.");
        clock.advance(3000); // the sector on its way is written; no further one, no resend, no message
        EXPECT_EQ(sim.card.writtenSectors(), 15u);
        EXPECT_EQ(sim.card.read(sectors[15]), Sector{});
        EXPECT_EQ(prompt.shown().size(), 3u);
    }
}

// A dialog opened while a download runs leaves the downloader's dialog in sight.
TEST_F(TransferFormsTest, ADialogOpenedDuringADownloadDoesNotCoverIt)
{
    TMainForm& form = connectedForm();
    form.openFile(compiledVilla(dir, prompt));
    TDownloaderForm& transfer = *form.dialogs().DownloaderForm;
    ASSERT_TRUE(transfer.isVisible());
    for (const ActionId id : {ActionId::Options, ActionId::HelpAbout}) {
        QRect opened;
        QRect downloader;
        QTimer::singleShot(0, [&] {
            QWidget* modal = QApplication::activeModalWidget();
            ASSERT_NE(modal, nullptr);
            opened = modal->frameGeometry();
            downloader = transfer.frameGeometry();
            modal->close();
        });
        form.execute(id);
        EXPECT_FALSE(opened.isEmpty());
        EXPECT_FALSE(opened.intersects(downloader)) << static_cast<int>(id);
        EXPECT_TRUE(transfer.screen()->availableGeometry().contains(downloader));
        EXPECT_TRUE(transfer.isVisible());
    }
}

// Ending the program while a download runs asks first, saying that the program will quit, and after
// stopping says what the card holds, as the dialog's Cancel does.
TEST_F(TransferFormsTest, ExitDuringADownloadAsksFirst)
{
    TMainForm& form = connectedForm();
    form.openFile(compiledVilla(dir, prompt));
    const TDownloader& downloader = form.deviceTools().downloader;
    ASSERT_TRUE(clock.advanceUntil([&] { return downloader.RecordsSent() == 5; }, 5000));
    prompt.answer(Answer::No, "Quitting stops it");
    EXPECT_FALSE(form.close());
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(downloader.Result(), DownloadResult::Running);
    prompt.answer(Answer::Yes, "Quitting stops it");
    EXPECT_TRUE(form.close());
    EXPECT_EQ(downloader.Result(), DownloadResult::Cancelled);
    EXPECT_NE(prompt.messages().back().find(
                  "Download stopped.\nThe ZR48's card holds 4 of the 9 sectors of an empty directory"),
              std::string::npos)
        << prompt.messages().back();
}

// The real message box: Cancel clicked, the question left open while the unit goes on writing.
// Enter continues; a question nobody answers closes by itself when the download ends, and the
// dialog shows the finished download.
TEST_F(TransferFormsTest, TheStopQuestionIsAMessageBoxThatTheDownloadClosesWhenItEnds)
{
    struct Case {
        const char* name;
        bool pressEnter; // else the user leaves the question open
    };
    for (const Case& c : {Case{"Enter", true}, Case{"left open", false}}) {
        SCOPED_TRACE(c.name);
        sim.card = SimCard();
        QtPrompt boxes;
        form_ = std::make_unique<TMainForm>(
            MainFormParts{store, settings, boxes, files, link, programDir.text(), "simulated ZR48"});
        TMainForm& form = *form_;
        boxes.setParent(&form);
        form.show();
        ASSERT_TRUE(clock.advanceUntil([&] { return form.link().Connected(); }, 2000));
        clock.advance(300);
        const TDownloader& downloader = form.deviceTools().downloader;
        TDownloaderForm& dialog = *form.dialogs().DownloaderForm;
        form.deviceTools().downloader.Start(writeImage("Card.mpd", 100, 200), CheckPolicy::Force);
        ASSERT_TRUE(clock.advanceUntil([&] { return downloader.RecordsSent() == 5; }, 5000));

        QStringList captions;
        QString defaultCaption;
        bool openAtTheEnd = false;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box) {
                ADD_FAILURE() << "no question opened";
                return;
            }
            for (QAbstractButton* button : box->buttons())
                captions << button->text();
            defaultCaption = box->defaultButton() ? box->defaultButton()->text() : QString();
            if (c.pressEnter) {
                QTest::keyClick(box, Qt::Key_Return);
                return;
            }
            // The user reads on while every sector goes out and is acknowledged.
            clock.advanceUntil([&] { return downloader.Result() != DownloadResult::Running; }, 60000);
            openAtTheEnd = box->isVisible();
            if (openAtTheEnd)
                box->reject(); // never hang the test
        });
        QTest::mouseClick(dialog.ButtonCancel, Qt::LeftButton);

        captions.sort();
        EXPECT_EQ(captions, (QStringList{"&Continue", "&Stop Download"}));
        EXPECT_EQ(defaultCaption, "&Continue");
        EXPECT_FALSE(openAtTheEnd) << "the question stayed open after the download ended";
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
        EXPECT_TRUE(dialog.isVisible());
        if (c.pressEnter) {
            EXPECT_EQ(downloader.Result(), DownloadResult::Running);
            ASSERT_TRUE(clock.advanceUntil([&] { return downloader.Result() != DownloadResult::Running; }, 60000));
        }
        EXPECT_EQ(downloader.Result(), DownloadResult::Finished);
        EXPECT_EQ(dialog.Label->text(), "Download Finished.");
        EXPECT_TRUE(dialog.ButtonOK->isEnabled());
        EXPECT_EQ(sim.card.read(299), sectorContent(299));
        QTest::mouseClick(dialog.ButtonOK, Qt::LeftButton);
        form_.reset();
    }
}

TEST_F(TransferFormsTest, ADamagedImageIsWrittenOnlyWhenTheUserSaysYes)
{
    TMainForm& form = connectedForm();
    // Sectors 100 to 139: no directory, so no card.
    const std::string image = writeImage("Card.mpd", 100, 40);
    TDownloaderForm& dialog = *form.dialogs().DownloaderForm;
    const TDownloader& downloader = form.deviceTools().downloader;

    prompt.answer(Answer::No, "is damaged");
    form.openFile(image);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(downloader.Result(), DownloadResult::Refused);
    clock.advance(1000);
    EXPECT_EQ(sim.card.writtenSectors(), 0u);

    prompt.answer(Answer::Yes, "is damaged");
    form.openFile(image);
    EXPECT_TRUE(dialog.isVisible());
    ASSERT_TRUE(clock.advanceUntil([&] { return downloader.Result() == DownloadResult::Finished; }, 10000));
    EXPECT_EQ(dialog.Label->text(), "Download Finished.");
    EXPECT_EQ(sim.card.read(139), sectorContent(139));
}

// A message that another tool shows while a download runs, held open as a user reads it.
class HeldMessageTest : public test::ToolFormsTest {
protected:
    test::TimePassingPrompt held{clock, 0};
};

TEST_F(HeldMessageTest, ADownloadGoesOnWhileAMessageIsOpenForThreeSecondsAndThenFinishes)
{
    struct Source {
        const char* name;
        // Makes the message appear soon after the download has begun; `startDownload` begins it.
        std::function<void(TMainForm&, const std::function<void()>& startDownload)> run;
        Text message;
    };
    const std::string firmwareFile = dir.write("New.bin", std::string(480 * 256 - 20, '\x5A') + "R48+1.30 NEW");
    const Source sources[] = {
        {"the firmware version, shown by a timer",
         [](TMainForm& form, const std::function<void()>& startDownload) {
             startDownload();
             form.execute(ActionId::UpdateFirmware);
             QTest::mouseClick(form.dialogs().FirmwareForm->ButtonCheckVersion, Qt::LeftButton);
         },
         "Firmware version of the ZR48 currently connected:\nR48+1.20 SIM"},
        {"the end of a firmware update, shown by the frame of its last acknowledgement",
         [this, &firmwareFile](TMainForm& form, const std::function<void()>& startDownload) {
             settings.setExpert(true);
             form.execute(ActionId::UpdateFirmware);
             TFirmwareForm& firmware = *form.dialogs().FirmwareForm;
             firmware.EditFileName->clear();
             QTest::keyClicks(firmware.EditFileName, pathToQString(firmwareFile));
             QTest::mouseClick(firmware.ButtonUpdate, Qt::LeftButton);
             ASSERT_TRUE(clock.advanceUntil([&] { return form.deviceTools().firmware.currentBlock() == 470; }, 20000));
             startDownload();
         },
         "Update finished."},
    };
    for (const Source& source : sources) {
        SCOPED_TRACE(source.name);
        sim.card = SimCard();
        form_ = std::make_unique<TMainForm>(
            MainFormParts{store, settings, held, files, link, programDir.text(), "simulated ZR48"});
        TMainForm& form = *form_;
        form.show();
        ASSERT_TRUE(clock.advanceUntil([&] { return form.link().Connected(); }, 2000));
        clock.advance(300);
        const TDownloader& downloader = form.deviceTools().downloader;
        const int records = 300;
        const std::string image = writeImage("Card.mpd", 100, records);
        held.openMs = 0;
        const std::size_t opened = held.opens().size();
        source.run(form, [&] {
            held.answer(Answer::Yes, "is damaged");
            form.openFile(image);
            held.openMs = 3000;
        });

        std::size_t sentAtOpen = 0;
        held.whileOpen = [&](const Text&) { sentAtOpen = downloader.RecordsSent(); };
        ASSERT_TRUE(clock.advanceUntil([&] { return held.opens().size() == opened + 2; }, 5000));
        held.whileOpen = nullptr;
        const auto& open = held.opens().back();
        EXPECT_EQ(open.message, source.message);
        EXPECT_EQ(open.closedMs - open.openedMs, 3000);

        // While it was open the sectors kept going out and being acknowledged.
        const std::size_t sentAtClose = downloader.RecordsSent();
        EXPECT_GT(sentAtClose, sentAtOpen + 50);
        EXPECT_LT(sentAtClose, static_cast<std::size_t>(records));
        EXPECT_EQ(downloader.Result(), DownloadResult::Running);
        EXPECT_TRUE(form.link().Connected());

        ASSERT_TRUE(clock.advanceUntil([&] { return downloader.Result() != DownloadResult::Running; }, 20000));
        EXPECT_EQ(downloader.Result(), DownloadResult::Finished);
        EXPECT_EQ(form.dialogs().DownloaderForm->Label->text(), "Download Finished.");
        for (int n = 0; n < records; ++n) {
            const auto sector = static_cast<std::uint16_t>(100 + n);
            ASSERT_EQ(sim.card.read(sector), sectorContent(sector)) << "sector " << sector;
        }
        EXPECT_EQ(held.opens().size(), opened + 2);
        form_.reset();
    }
}

class UploaderFormTest : public test::ToolFormsTest {
protected:
    void SetUp() override
    {
        TMainForm& form = connectedForm();
        test::openFakeProjectWindows(form, projects);
        std::filesystem::create_directory(dir.path() / "Copy");
        newProject = dir.text("Copy/Copy.mpj");
    }

    std::vector<FakeProjectWindow*> projects;
    std::string newProject;
};

TEST_F(UploaderFormTest, OpensTheProjectWindowWhenTheCardHasBeenReadAndUnpacked)
{
    putVillaOnTheCard(dir, sim.card, prompt);
    TMainForm& form = *form_;
    form.StartUpload(newProject);

    TUploaderForm& dialog = *form.dialogs().UploaderForm;
    const TUploader& uploader = form.deviceTools().uploader;
    EXPECT_EQ(dialog.windowTitle(), "ZR48 Uploader");
    expectToolDialog(dialog, form);
    expectNoTitleBarButtons(dialog);
    EXPECT_EQ(dialog.Label->text(), "Reading sector 0");
    EXPECT_EQ(dialog.ProgressBar->maximum(), 65536);
    EXPECT_EQ(dialog.ProgressBar->value(), 1);

    // After the directory the bar counts the sectors of the device files.
    ASSERT_TRUE(clock.advanceUntil([&] { return !uploader.ReadingDirectory(); }, 5000));
    EXPECT_EQ(dialog.ProgressBar->maximum(), uploader.View().ProgressMax);
    EXPECT_LT(dialog.ProgressBar->maximum(), 1000);
    EXPECT_EQ(dialog.Label->text(), QString("Reading sector %1").arg(uploader.CurrentSector()));
    EXPECT_TRUE(projects.empty());

    ASSERT_TRUE(clock.advanceUntil([&] { return !projects.empty(); }, 20000));
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(uploader.Result(), UploadResult::Finished);
    ASSERT_EQ(projects.size(), 1u);
    EXPECT_EQ(projects[0]->calls, std::vector<std::string>{"LoadProject " + newProject});
    EXPECT_TRUE(fileExists(newProject));
    EXPECT_TRUE(prompt.messages().empty()) << "no message of its own on success";
}

TEST_F(UploaderFormTest, FailsWithItsMessageWhenTheUnitIsSilent)
{
    sim.unit.faults().silent = true;
    TMainForm& form = *form_;
    form.StartUpload(newProject);
    TUploaderForm& dialog = *form.dialogs().UploaderForm;
    EXPECT_TRUE(dialog.isVisible());
    ASSERT_TRUE(clock.advanceUntil([&] { return !prompt.messages().empty(); }, 5000));
    EXPECT_EQ(prompt.errors(), std::vector<Text>{"Upload failed.\nPlease check connection and/or memory card.\n"});
    EXPECT_FALSE(dialog.isVisible());
    clock.advance(1000);
    EXPECT_TRUE(projects.empty());
    EXPECT_EQ(form.deviceTools().uploader.Result(), UploadResult::Failed);
}

} // namespace
} // namespace zr48
