// The firmware window in the main window, against the simulated unit: an update to the last
// block with its progress, the Expert rule on the file controls, and the demonstration image,
// which only a simulated unit may be given.

#include "desktop/tools/FirmwareForm.h"
#include "base/FileIo.h"
#include "base/qt/QtText.h"
#include "desktop/main/OptionsForm.h"
#include "desktop/main/QtPrompt.h"
#include "desktop/tools/ToolFormsHarness.h"

#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <filesystem>

namespace zr48 {
namespace {

class FirmwareFormTest : public test::ToolFormsTest {
protected:
    // A firmware image of 480 blocks with its version text in block 3.
    std::string writeFirmware(const std::string& version)
    {
        std::string bytes(480 * 256, '\0');
        for (std::size_t i = 0; i < bytes.size(); ++i)
            bytes[i] = static_cast<char>((i * 7 + i / 256) & 0xFF);
        bytes.replace(3 * 256, version.size() + 1, version + '\0');
        return dir.write("New.bin", bytes);
    }

    // The default firmware file beside the program: the build's demonstration image.
    void putDemoImageBesideTheProgram()
    {
        std::filesystem::create_directories(programDir.path() / "Firmware");
        std::filesystem::copy_file(ZR48_FIRMWARE_IMAGE, programDir.path() / "Firmware" / "ZR48.BIN");
    }
};

TEST_F(FirmwareFormTest, AnUpdateRunsToTheLastBlockWithItsProgressShown)
{
    settings.setExpert(true);
    TMainForm& form = connectedForm();
    form.execute(ActionId::UpdateFirmware);
    TFirmwareForm& dialog = *form.dialogs().FirmwareForm;
    EXPECT_EQ(dialog.windowTitle(), "Firmware update");
    expectToolDialog(dialog, form);
    EXPECT_EQ(dialog.ProgressBar->maximum(), 480);
    EXPECT_EQ(dialog.LabelVersion->text(), "Unknown");

    const std::string file = writeFirmware("R48+1.30 TEST");
    dialog.EditFileName->clear();
    QTest::keyClicks(dialog.EditFileName, pathToQString(file));
    EXPECT_EQ(dialog.LabelVersion->text(), "R48+1.30 TEST");

    QTest::mouseClick(dialog.ButtonUpdate, Qt::LeftButton);
    EXPECT_FALSE(dialog.ButtonUpdate->isEnabled());
    const Firmware& firmware = form.deviceTools().firmware;
    for (const int block : {1, 240, 479}) {
        ASSERT_TRUE(clock.advanceUntil([&] { return firmware.currentBlock() == block; }, 60000));
        EXPECT_EQ(dialog.ProgressBar->value(), block);
        EXPECT_EQ(dialog.ProgressBar->maximum(), 480);
        EXPECT_FALSE(dialog.ButtonUpdate->isEnabled());
    }
    ASSERT_TRUE(clock.advanceUntil([&] { return !prompt.messages().empty(); }, 5000));
    EXPECT_EQ(prompt.messages(), std::vector<Text>{"Update finished."});
    EXPECT_EQ(dialog.ProgressBar->value(), 480);
    // The unit is asked which firmware it now runs before the window takes another update.
    ASSERT_TRUE(clock.advanceUntil([&] { return dialog.ButtonUpdate->isEnabled(); }, 5000));
    EXPECT_EQ(firmware.outcome(), Firmware::Outcome::Finished);
    EXPECT_EQ(prompt.messages(), std::vector<Text>{"Update finished."});
    const auto programmed = readFileBytes(file);
    EXPECT_TRUE(std::equal(programmed.begin(), programmed.end(), sim.unit.flash().begin()));
}

// Esc and the close button ask before they stop an update; the window opened again shows no trace
// of the stopped one.
TEST_F(FirmwareFormTest, ClosingTheWindowDuringAnUpdateAsksFirstAndReopensFresh)
{
    struct Way {
        const char* name;
        void (*close)(TFirmwareForm&);
    };
    const Way ways[] = {
        {"the Esc key", [](TFirmwareForm& d) { QTest::keyClick(&d, Qt::Key_Escape); }},
        {"the title bar's close", [](TFirmwareForm& d) { d.close(); }},
        {"the Cancel button", [](TFirmwareForm& d) { QTest::mouseClick(d.ButtonCancel, Qt::LeftButton); }},
    };
    TMainForm& form = connectedForm();
    TFirmwareForm& dialog = *form.dialogs().FirmwareForm;
    const Firmware& firmware = form.deviceTools().firmware;
    const std::string file = writeFirmware("R48+1.30 TEST");
    int block = 0;
    for (const Way& way : ways) {
        SCOPED_TRACE(way.name);
        form.execute(ActionId::UpdateFirmware);
        ASSERT_TRUE(dialog.isVisible());
        form.deviceTools().firmware.EditFileNameChange(file);
        QTest::mouseClick(dialog.ButtonUpdate, Qt::LeftButton);
        block += 20;
        ASSERT_TRUE(clock.advanceUntil([&] { return firmware.currentBlock() == block; }, 60000));
        // While it runs the unit tells no version, and the update can be cancelled.
        EXPECT_FALSE(dialog.ButtonCheckVersion->isEnabled());
        EXPECT_TRUE(dialog.ButtonCancel->isEnabled());

        prompt.answer(Answer::No, "Stop the firmware update?");
        way.close(dialog);
        EXPECT_TRUE(dialog.isVisible());
        ASSERT_TRUE(clock.advanceUntil([&] { return firmware.currentBlock() == block + 5; }, 60000));

        prompt.answer(Answer::Yes, "Stop the firmware update?");
        way.close(dialog);
        EXPECT_FALSE(dialog.isVisible());
        EXPECT_EQ(firmware.state(), Firmware::State::Idle);
        EXPECT_NE(prompt.messages().back().find("Firmware update stopped after " + std::to_string(block + 5)),
                  std::string::npos)
            << prompt.messages().back();
        block = 0; // the next update starts from the first block

        form.execute(ActionId::UpdateFirmware);
        EXPECT_EQ(dialog.ProgressBar->value(), 0);
        EXPECT_EQ(dialog.ProgressBar->maximum(), 480);
        EXPECT_TRUE(dialog.ButtonUpdate->isEnabled());
        EXPECT_TRUE(dialog.ButtonCheckVersion->isEnabled());
        EXPECT_FALSE(dialog.ButtonCancel->isEnabled());
        QTest::keyClick(&dialog, Qt::Key_Escape); // nothing runs: no question
        EXPECT_FALSE(dialog.isVisible());
        prompt.clear();
    }
}

TEST_F(FirmwareFormTest, TheFileControlsFollowExpertWhenShownAndAfterTheSettingsDialog)
{
    TMainForm& form = connectedForm();
    TFirmwareForm& dialog = *form.dialogs().FirmwareForm;
    const auto fileControls = [&] {
        EXPECT_EQ(dialog.EditFileName->isEnabled(), dialog.ButtonBrowse->isEnabled());
        return dialog.EditFileName->isEnabled();
    };
    form.execute(ActionId::UpdateFirmware);
    EXPECT_FALSE(fileControls());
    EXPECT_TRUE(dialog.ButtonCheckVersion->isEnabled());
    EXPECT_TRUE(dialog.ButtonUpdate->isEnabled());

    settings.setExpert(true);
    EXPECT_FALSE(fileControls()) << "applied when shown, or after the settings dialog";
    QTimer::singleShot(0, form.dialogs().OptionsForm, &QDialog::reject);
    form.execute(ActionId::Options);
    EXPECT_TRUE(fileControls());

    QTest::keyClick(&dialog, Qt::Key_Escape);
    EXPECT_FALSE(dialog.isVisible());
    settings.setExpert(false);
    form.execute(ActionId::UpdateFirmware);
    EXPECT_FALSE(fileControls());
}

TEST_F(FirmwareFormTest, BrowseTakesTheChosenFileAndShowsItsVersion)
{
    settings.setExpert(true);
    TMainForm& form = connectedForm();
    form.execute(ActionId::UpdateFirmware);
    TFirmwareForm& dialog = *form.dialogs().FirmwareForm;
    const std::string file = writeFirmware("R48+1.31 BROWSED");
    files.answer(file);
    QTest::mouseClick(dialog.ButtonBrowse, Qt::LeftButton);
    ASSERT_EQ(files.asked().size(), 1u);
    EXPECT_EQ(files.asked()[0].request.filter, "ZR48 Binary File (*.bin)|*.bin");
    EXPECT_EQ(dialog.EditFileName->text(), pathToQString(file));
    EXPECT_EQ(dialog.LabelVersion->text(), "R48+1.31 BROWSED");
    // The label follows the file on disk, once a second.
    writeFirmware("R48+1.32 REWRITTEN");
    clock.advance(1000);
    EXPECT_EQ(dialog.LabelVersion->text(), "R48+1.32 REWRITTEN");
}

TEST_F(FirmwareFormTest, AFileThatFailsItsCheckIsProgrammedOnlyWhenTheUserSaysYes)
{
    settings.setExpert(true);
    TMainForm& form = connectedForm();
    form.execute(ActionId::UpdateFirmware);
    TFirmwareForm& dialog = *form.dialogs().FirmwareForm;
    const std::string file = dir.write("NoVersion.bin", std::string(4096, '\x11'));
    dialog.EditFileName->clear();
    QTest::keyClicks(dialog.EditFileName, pathToQString(file));
    const Firmware& firmware = form.deviceTools().firmware;

    prompt.answer(Answer::No, "Program it into the ZR48 anyway?");
    QTest::mouseClick(dialog.ButtonUpdate, Qt::LeftButton);
    clock.advance(1000);
    EXPECT_EQ(firmware.state(), Firmware::State::Idle);
    EXPECT_FALSE(sim.unit.inBootLoader());
    EXPECT_TRUE(dialog.ButtonUpdate->isEnabled());

    prompt.answer(Answer::Yes, "Program it into the ZR48 anyway?");
    QTest::mouseClick(dialog.ButtonUpdate, Qt::LeftButton);
    EXPECT_FALSE(dialog.ButtonUpdate->isEnabled());
    ASSERT_TRUE(clock.advanceUntil([&] { return firmware.currentBlock() == 5; }, 5000));
    EXPECT_EQ(dialog.ProgressBar->value(), 5);

    // Closing the window, once the user agrees, ends the programming.
    prompt.answer(Answer::Yes, "Stop the firmware update?");
    QTest::keyClick(&dialog, Qt::Key_Escape);
    EXPECT_FALSE(dialog.isVisible());
    clock.advance(1000);
    EXPECT_EQ(firmware.state(), Firmware::State::Idle);
    EXPECT_EQ(firmware.currentBlock(), 5);
}

TEST_F(FirmwareFormTest, TheDemonstrationImageGoesOnlyIntoASimulatedUnit)
{
    for (const bool simulated : {false, true}) {
        SCOPED_TRACE(simulated ? "simulated unit" : "real unit");
        link.simulated = simulated;
        if (!simulated)
            putDemoImageBesideTheProgram();
        // The unit's version differs from the image's: the recommendation's OK opens the window.
        prompt.answer(Answer::Ok, "We strongly recommend to update the Firmware");
        TMainForm& form = connectedForm();
        TFirmwareForm& dialog = *form.dialogs().FirmwareForm;
        ASSERT_TRUE(dialog.isVisible());
        EXPECT_EQ(dialog.LabelVersion->text(), "R48+1.21 KELDO DEMO");
        prompt.clear();

        QTest::mouseClick(dialog.ButtonUpdate, Qt::LeftButton);
        clock.advance(2000);
        if (simulated) {
            EXPECT_TRUE(prompt.messages().empty());
            EXPECT_EQ(form.deviceTools().firmware.state(), Firmware::State::Programming);
            EXPECT_TRUE(sim.unit.inBootLoader());
        } else {
            ASSERT_EQ(prompt.errors().size(), 1u);
            EXPECT_NE(prompt.errors()[0].find("demonstration image"), Text::npos);
            EXPECT_FALSE(sim.unit.inBootLoader());
            EXPECT_EQ(form.deviceTools().firmware.state(), Firmware::State::Idle);
            EXPECT_TRUE(dialog.ButtonUpdate->isEnabled());
        }
        form_.reset();
    }
}

TEST_F(FirmwareFormTest, ItsMessagesOpenAboveIt)
{
    TMainForm& form = connectedForm();
    form.execute(ActionId::UpdateFirmware);
    QtPrompt messages(&form);
    Qt::WindowFlags boxFlags;
    QTimer::singleShot(0, [&] {
        if (QWidget* box = QApplication::activeModalWidget()) {
            boxFlags = box->windowFlags();
            box->close();
        }
    });
    messages.information("Update finished.");
    EXPECT_TRUE(boxFlags & Qt::WindowStaysOnTopHint);
}

} // namespace
} // namespace zr48
