// An installer's day, end to end against the simulated unit in virtual time: a new project, devices
// dragged from the sample database, parameters set, saved, downloaded, and read back into a second
// project by "Upload from ZR48".

#include "desktop/project/ProjectHarness.h"

#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTextEdit>

#include <gtest/gtest.h>

namespace zr48 {
namespace {

using test::Choose;
using test::DropOnNode;
using test::fileContents;
using test::FindNode;

class ProjectFlowTest : public test::ProjectShellTest {
protected:
    TProjectForm* newProject(const char* name, QRadioButton* (TNewProjectForm::*choice)() const)
    {
        whenShown(&newProjectForm(), [this, name, choice] {
            TNewProjectForm& dialog = newProjectForm();
            QTest::keyClicks(dialog.nameEdit(), name);
            (dialog.*choice)()->click();
            dialog.okButton()->click();
        });
        form->execute(ActionId::FileNewProject);
        return dynamic_cast<TProjectForm*>(form->documentWindows().empty() ? nullptr : form->documentWindows().front());
    }

    void drop(TProjectForm& window, const char* entry, const char* slot)
    {
        ASSERT_NE(selectEntry(entry), nullptr) << entry;
        DatabaseEntryMimeData drag(&browser());
        ASSERT_TRUE(DropOnNode(window.treeView(), FindNode(window.treeView(), slot), drag)) << slot;
    }
};

TEST_F(ProjectFlowTest, ANewProjectIsBuiltSavedDownloadedAndUploadedIntoASecondProject)
{
    ASSERT_TRUE(clock.advanceUntil([&] { return form->link().Connected(); }, 2000));
    ASSERT_GT(browser().treeView()->topLevelItemCount(), 1); // filled by the start timer

    // A new, empty project; three devices from the database onto slots of two groups.
    TProjectForm* home = newProject("Home", &TNewProjectForm::emptyButton);
    ASSERT_NE(home, nullptr);
    const std::string path = dir.text("Projects/Home/Home.mpj");
    ASSERT_EQ(home->documentFile(), path);
    drop(*home, "KELDO K73 FM-Tuner module", "TUNER");
    drop(*home, "Lumetra LX-40 television", "TV-1");
    drop(*home, "Vidora VB-9 Blu-ray player", "TV-2");
    ASSERT_TRUE(prompt.errors().empty()) << prompt.errors()[0];

    // Options, source and name of the television; the blu-ray player on another source.
    home->treeView()->setCurrentItem(FindNode(home->treeView(), "TV-1"));
    QListWidget* options = home->optionsList();
    ASSERT_EQ(options->count(), 9);
    EXPECT_FALSE(options->item(2)->flags() & Qt::ItemIsEnabled); // OPTION_3 is empty
    options->item(0)->setCheckState(Qt::Checked);
    options->item(3)->setCheckState(Qt::Checked);
    QTest::keyClick(home->deviceNameEdit(), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(home->deviceNameEdit(), "Living TV");
    home->treeView()->setCurrentItem(FindNode(home->treeView(), "TV-2"));
    Choose(home->sourceSelectBox(), 9); // Video1
    home->informationMemo()->setPlainText("HOME\nGround floor");
    form->execute(ActionId::FileSave);
    ASSERT_FALSE(home->windowTitle().contains('*'));

    // The file is what the core writes for the same slots.
    const std::string folder = dir.text("Projects/Home/");
    TProjectFile expected;
    const auto slot = [&](int i, std::uint16_t type, Text name, std::uint16_t source, Text list, Text file) {
        DEVICE_CONFIG& s = expected.Slot(i);
        s.DeviceType = type;
        s.DeviceName = std::move(name);
        s.SourceSelect = source;
        s.OptionList = std::move(list);
        s.ConfigFile = folder + file;
    };
    slot(0, 1, "FM Tuner", 1, "", "K73_FM_Tuner.mpi");
    slot(15, 6, "Living TV", 8, "100100000", "LX-40_TV.mpi");
    slot(16, 5, "Blu-ray", 9, "", "VB-9_BluRay.mpi");
    expected.ProjectInfo = {"HOME", "Ground floor"};
    EXPECT_EQ(fileContents(path), expected.SaveText(path));

    // Download to ZR48.
    form->execute(ActionId::Download);
    ASSERT_TRUE(
        clock.advanceUntil([&] { return form->deviceTools().downloader.Result() != DownloadResult::Running; }, 120000));
    ASSERT_EQ(form->deviceTools().downloader.Result(), DownloadResult::Finished) << prompt.messages().size();

    // A second project, uploaded from the unit.
    newProject("Copy", &TNewProjectForm::uploadButton);
    ASSERT_TRUE(clock.advanceUntil([&] { return form->documentWindows().size() == 2; }, 120000));
    auto* copy = dynamic_cast<TProjectForm*>(form->documentWindows().front());
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->documentFile(), dir.text("Projects/Copy/Copy.mpj"));
    EXPECT_TRUE(prompt.errors().empty());
    for (const int i : {0, 15, 16}) {
        const DEVICE_CONFIG& original = home->view().project().Slot(i);
        const DEVICE_CONFIG& uploaded = copy->view().project().Slot(i);
        EXPECT_EQ(uploaded.DeviceType, original.DeviceType) << i;
        EXPECT_EQ(uploaded.DeviceName, original.DeviceName) << i;
        EXPECT_EQ(uploaded.SourceSelect, original.SourceSelect) << i;
        EXPECT_EQ(uploaded.OptionList.substr(0, 9), original.OptionList.empty() ? "000000000" : original.OptionList)
            << i;
        EXPECT_EQ(extractFilePath(uploaded.ConfigFile), dir.text("Projects/Copy/")) << i;
        EXPECT_EQ(fileContents(uploaded.ConfigFile), fileContents(original.ConfigFile)) << i;
    }
    for (int i = 0; i < TProjectFile::kSlotCount; ++i) {
        if (i != 0 && i != 15 && i != 16) {
            EXPECT_EQ(copy->view().project().Slot(i).DeviceType, 0) << i;
        }
    }
    EXPECT_EQ(copy->view().project().ProjectInfo.at(0), "HOME");
    EXPECT_EQ(copy->informationMemo()->toPlainText().section('\n', 0, 1), "HOME\nGround floor");
}

} // namespace
} // namespace zr48
