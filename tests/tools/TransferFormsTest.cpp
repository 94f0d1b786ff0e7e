// The downloader's and the uploader's dialogs in the main window, against the simulated unit:
// a whole download, a cancelled one, an upload that opens its project, one that fails.

#include "ToolFormsHarness.h"
#include "base/FileIo.h"
#include "base/Paths.h"
#include "project/Compiler.h"
#include "shell/FakeDocuments.h"
#include "tools/DownloaderForm.h"
#include "tools/UploaderForm.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

#include <filesystem>

namespace zr48 {
namespace {

using test::FakeProjectWindow;

class TransferFormsTest : public test::ToolFormsTest {};

// No button in the title bar: the dialog closes through its own buttons only.
void expectNoTitleBarButtons(const QDialog& dialog)
{
    const Qt::WindowFlags flags = dialog.windowFlags();
    EXPECT_TRUE(flags & Qt::CustomizeWindowHint);
    EXPECT_FALSE(flags & (Qt::WindowCloseButtonHint | Qt::WindowMinMaxButtonsHint | Qt::WindowSystemMenuHint));
    EXPECT_TRUE(flags & Qt::WindowStaysOnTopHint);
}

TEST_F(TransferFormsTest, ADownloadRunsFromStartToDownloadFinishedAndOkClosesTheDialog)
{
    TMainForm& form = connectedForm();
    const int records = 40;
    form.openFile(writeImage("Card.mpd", 100, records));

    TDownloaderForm& dialog = *form.dialogs().DownloaderForm;
    const TDownloader& downloader = form.deviceTools().downloader;
    EXPECT_EQ(dialog.windowTitle(), "ZR48 Downloader");
    expectToolDialog(dialog, form);
    expectNoTitleBarButtons(dialog);
    EXPECT_TRUE(dialog.Label->font().bold());
    EXPECT_FALSE(dialog.ButtonOK->isEnabled());
    EXPECT_TRUE(dialog.ButtonCancel->isEnabled());
    EXPECT_EQ(dialog.ProgressBar->maximum(), records * 514);
    EXPECT_EQ(dialog.Label->text(), "Writing sector 100");

    // The label and the bar follow every acknowledged sector.
    for (const std::size_t sent : {5u, 20u, 39u}) {
        ASSERT_TRUE(clock.advanceUntil([&] { return downloader.RecordsSent() == sent; }, 5000));
        EXPECT_EQ(dialog.Label->text(), QString("Writing sector %1").arg(99 + sent));
        EXPECT_EQ(dialog.ProgressBar->value(), static_cast<int>(sent) * 514);
        EXPECT_TRUE(dialog.isVisible());
    }
    ASSERT_TRUE(clock.advanceUntil([&] { return dialog.Label->text() == "Download Finished."; }, 5000));
    EXPECT_EQ(dialog.ProgressBar->value(), dialog.ProgressBar->maximum());
    EXPECT_TRUE(dialog.ButtonOK->isEnabled());
    EXPECT_FALSE(dialog.ButtonCancel->isEnabled());
    for (int n = 0; n < records; ++n)
        EXPECT_EQ(sim.card.read(static_cast<std::uint16_t>(100 + n)), sectorContent(100 + n)) << n;

    // The dialog waits for OK.
    clock.advance(3000);
    EXPECT_TRUE(dialog.isVisible());
    QTest::mouseClick(dialog.ButtonOK, Qt::LeftButton);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(downloader.Result(), DownloadResult::Finished);
    EXPECT_TRUE(prompt.messages().empty());
}

TEST_F(TransferFormsTest, CancelInTheMiddleStopsTheDownloadAndClosesTheDialog)
{
    struct Way {
        const char* name;
        void (*cancel)(TDownloaderForm&);
    };
    const Way ways[] = {
        {"the Cancel button", [](TDownloaderForm& d) { QTest::mouseClick(d.ButtonCancel, Qt::LeftButton); }},
        {"the Esc key", [](TDownloaderForm& d) { QTest::keyClick(&d, Qt::Key_Escape); }},
    };
    TMainForm& form = connectedForm();
    const std::string image = writeImage("Card.mpd", 1000, 60);
    for (const Way& way : ways) {
        SCOPED_TRACE(way.name);
        sim.card = SimCard();
        form.openFile(image);
        TDownloaderForm& dialog = *form.dialogs().DownloaderForm;
        const TDownloader& downloader = form.deviceTools().downloader;
        ASSERT_TRUE(clock.advanceUntil([&] { return downloader.RecordsSent() == 10; }, 5000));
        way.cancel(dialog);
        EXPECT_FALSE(dialog.isVisible());
        EXPECT_EQ(downloader.Result(), DownloadResult::Cancelled);
        clock.advance(3000); // the sector on its way is written; no further one, no resend, no message
        EXPECT_EQ(sim.card.writtenSectors(), 10u);
        EXPECT_EQ(sim.card.read(1009), sectorContent(1009));
        EXPECT_EQ(sim.card.read(1010), Sector{});
        EXPECT_TRUE(prompt.messages().empty());
    }
}

// The sample project compiled, and its image put on the simulated unit's card.
std::string putVillaOnTheCard(const test::TempDir& dir, SimCard& card, Prompt& prompt)
{
    std::filesystem::copy(std::filesystem::path(ZR48_EXAMPLES_DIR) / "projects" / "Villa", dir.path() / "Villa");
    const std::string project = dir.text("Villa/Villa.mpj");
    EXPECT_TRUE(CompileProject(project, prompt));
    const auto image = readFileBytes(changeFileExt(project, ".mpd"));
    for (std::size_t at = 0; at + 514 <= image.size(); at += 514) {
        Sector sector;
        std::copy_n(image.begin() + static_cast<std::ptrdiff_t>(at + 2), 512, sector.begin());
        card.write(static_cast<std::uint16_t>(image[at] | image[at + 1] << 8), sector);
    }
    return project;
}

class UploaderFormTest : public test::ToolFormsTest {
protected:
    void SetUp() override
    {
        TMainForm& form = connectedForm();
        form.setDocumentFactory(DocumentKind::ProjectWindow, [this](Shell&, int number) {
            projects.push_back(new FakeProjectWindow(number));
            return projects.back();
        });
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
