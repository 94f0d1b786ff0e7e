#include "base/FileIo.h"
#include "desktop/common/FieldColour.h"
#include "desktop/project/ProjectHarness.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <gtest/gtest.h>

namespace zr48 {
namespace {

namespace fs = std::filesystem;
using test::fileContents;

class NewProjectFormTest : public test::ProjectShellTest {
protected:
    static bool grey(QWidget* control) { return control->palette().color(QPalette::Base) == disabledFieldColour(); }
};

TEST_F(NewProjectFormTest, TheControlsFollowTheNameAndTheChoice)
{
    TNewProjectForm& dialog = newProjectForm();
    dialog.Prepare();
    EXPECT_EQ(dialog.windowTitle(), "Create new Project");
    EXPECT_TRUE(dialog.emptyButton()->isChecked());
    EXPECT_FALSE(dialog.okButton()->isEnabled());
    EXPECT_TRUE(dialog.okButton()->isDefault());
    EXPECT_FALSE(dialog.locationEdit()->isEnabled());
    EXPECT_TRUE(grey(dialog.locationEdit()));
    EXPECT_FALSE(dialog.copyEdit()->isEnabled());
    EXPECT_FALSE(dialog.browseCopyButton()->isEnabled());

    QTest::keyClicks(dialog.nameEdit(), "Villa");
    EXPECT_EQ(dialog.locationEdit()->text(), pathToQString(dir.text("Projects/Villa/Villa.mpj")));
    EXPECT_TRUE(dialog.locationEdit()->isEnabled());
    EXPECT_FALSE(grey(dialog.locationEdit()));
    EXPECT_TRUE(dialog.okButton()->isEnabled());

    // An edited location gives way to the proposal when the name changes.
    dialog.locationEdit()->setText("/elsewhere/x.mpj");
    QTest::keyClicks(dialog.nameEdit(), "2");
    EXPECT_EQ(dialog.locationEdit()->text(), pathToQString(dir.text("Projects/Villa2/Villa2.mpj")));

    // Copy: OK only for a project file that exists.
    dialog.copyButton()->click();
    EXPECT_TRUE(dialog.copyEdit()->isEnabled());
    EXPECT_FALSE(grey(dialog.copyEdit()));
    EXPECT_TRUE(dialog.browseCopyButton()->isEnabled());
    EXPECT_FALSE(dialog.okButton()->isEnabled());
    const std::string old = dir.write("Old/Old.mpj", "[PROJECT]\r\n");
    QTest::keyClicks(dialog.copyEdit(), pathToQString(old));
    EXPECT_TRUE(dialog.okButton()->isEnabled());
    dialog.nameEdit()->clear();
    EXPECT_FALSE(dialog.okButton()->isEnabled());
    EXPECT_FALSE(dialog.locationEdit()->isEnabled());

    dialog.emptyButton()->click();
    EXPECT_FALSE(dialog.copyEdit()->isEnabled());
    EXPECT_TRUE(grey(dialog.copyEdit()));
}

TEST_F(NewProjectFormTest, BrowseChoosesTheProjectToCopy)
{
    TNewProjectForm& dialog = newProjectForm();
    dialog.Prepare();
    QTest::keyClicks(dialog.nameEdit(), "Villa");
    dialog.copyButton()->click();
    const std::string old = dir.write("Old/Old.mpj", "[PROJECT]\r\n");
    files.answer(old);
    dialog.browseCopyButton()->click();
    const FileDialogRequest& asked = files.asked().back().request;
    EXPECT_EQ(asked.title, "Select Project to copy...");
    EXPECT_EQ(asked.filter, "Project Files (*.mpj)|*.mpj");
    EXPECT_EQ(asked.defaultExtension, ".mpj");
    EXPECT_EQ(asked.directory, dir.text("Projects/"));
    EXPECT_EQ(asked.fileName, "");
    EXPECT_EQ(dialog.copyProjectPath(), old);
    EXPECT_TRUE(dialog.okButton()->isEnabled());
}

TEST_F(NewProjectFormTest, UploadIsOfferedOnlyWhileTheLinkIsConnected)
{
    form->UpdateActions();
    EXPECT_FALSE(newProjectForm().uploadButton()->isEnabled());
    ASSERT_TRUE(clock.advanceUntil([&] { return form->link().Connected(); }, 2000));
    form->UpdateActions();
    EXPECT_TRUE(newProjectForm().uploadButton()->isEnabled());
}

TEST_F(NewProjectFormTest, NewProjectOpensAnEmptyProjectInItsOwnFolder)
{
    // Any name the file system can hold.
    whenShown(&newProjectForm(), [&] {
        newProjectForm().nameEdit()->setText(QString::fromUtf8("Дом"));
        newProjectForm().okButton()->click();
    });
    form->execute(ActionId::FileNewProject);
    const std::string path = dir.text("Projects/Дом/Дом.mpj");
    ASSERT_EQ(form->documentWindows().size(), 1u);
    EXPECT_EQ(form->documentWindows().front()->documentFile(), path);
    EXPECT_EQ(form->documentWindows().front()->windowTitle(), QString::fromUtf8("ZR48 Project - [PROJECT]/Дом.mpj"));
    EXPECT_EQ(fileContents(path), TProjectFile().SaveText(path));

    // Cancel: nothing.
    whenShown(&newProjectForm(), [&] {
        EXPECT_TRUE(newProjectForm().nameEdit()->text().isEmpty()); // the command empties it
        QTest::keyClicks(newProjectForm().nameEdit(), "Chalet");
        newProjectForm().cancelButton()->click();
    });
    form->execute(ActionId::FileNewProject);
    EXPECT_EQ(form->documentWindows().size(), 1u);
    EXPECT_FALSE(fs::exists(toFsPath(dir.text("Projects/Chalet"))));
}

// A new project at the place of one open in a window: that window closes first, after its close
// question; one kept open refuses the new project. Never two windows on one file.
TEST_F(NewProjectFormTest, ANewProjectReplacesAnOpenOneOnlyOnceItsWindowHasClosed)
{
    const std::string path = projectPath("Home");
    TProjectFile home;
    home.Description = {"old"};
    home.Save(path);
    TDocumentWindow* open = form->OpenProjectWindow(path);
    ASSERT_NE(open, nullptr);
    open->setCloseQuestion([this](TDocumentWindow& w) { return form->CloseQuestion(w); });
    dynamic_cast<TProjectForm&>(*open).descriptionMemo()->appendPlainText("changed");
    const std::string before = fileContents(path);
    const auto createHome = [&] {
        whenShown(&newProjectForm(), [&] {
            QTest::keyClicks(newProjectForm().nameEdit(), "Home");
            newProjectForm().okButton()->click();
        });
        form->execute(ActionId::FileNewProject);
    };

    prompt.answer(Answer::Yes, "Overwrite Project " + path + " ?").answer(Answer::Cancel, "Save changes to");
    createHome();
    ASSERT_EQ(form->documentWindows(), std::vector<TDocumentWindow*>{open});
    EXPECT_EQ(fileContents(path), before);

    prompt.answer(Answer::Yes, "Overwrite Project").answer(Answer::No, "Save changes to");
    createHome();
    ASSERT_EQ(form->documentWindows().size(), 1u);
    EXPECT_EQ(form->documentWindows()[0]->documentFile(), path);
    EXPECT_EQ(fileContents(path), TProjectFile().SaveText(path));
    EXPECT_TRUE(dynamic_cast<TProjectForm&>(*form->documentWindows()[0]).view().project().Description.empty());
}

TEST_F(NewProjectFormTest, AnUploadThatFailsOpensNoWindowAndLeavesTheEmptyProject)
{
    ASSERT_TRUE(clock.advanceUntil([&] { return form->link().Connected(); }, 2000));
    form->UpdateActions();
    whenShown(&newProjectForm(), [&] {
        QTest::keyClicks(newProjectForm().nameEdit(), "Villa");
        newProjectForm().uploadButton()->click();
        newProjectForm().okButton()->click();
    });
    form->execute(ActionId::FileNewProject);
    EXPECT_EQ(form->deviceTools().uploader.Result(), UploadResult::Running);
    sim.unit.unplug();
    clock.advance(Exchange::kWatchdogMs * (Exchange::kMaxResends + 2));
    EXPECT_EQ(form->deviceTools().uploader.Result(), UploadResult::Failed);
    EXPECT_TRUE(form->documentWindows().empty());
    EXPECT_TRUE(fileExists(dir.text("Projects/Villa/Villa.mpj")));
    ASSERT_FALSE(prompt.errors().empty());
    EXPECT_NE(prompt.errors().back().find("Upload failed."), std::string::npos) << prompt.errors().back();
}

TEST_F(NewProjectFormTest, AFailedCreationKeepsTheDialogOpenForAnotherTry)
{
    settings.setProjectDir(dir.text("Missing/"));
    bool stayedOpen = false;
    whenShown(&newProjectForm(), [&] {
        QTest::keyClicks(newProjectForm().nameEdit(), "Villa");
        newProjectForm().okButton()->click();
        stayedOpen = newProjectForm().isVisible();
    });
    form->execute(ActionId::FileNewProject);
    EXPECT_TRUE(stayedOpen);
    EXPECT_EQ(prompt.errors(),
              std::vector<Text>{"Unable to create Project " + dir.text("Missing/Villa/Villa.mpj") + "."});
    EXPECT_TRUE(form->documentWindows().empty());
}

TEST_F(NewProjectFormTest, NewProjectCopiesAnotherProjectWithItsDeviceFiles)
{
    TProjectFile old;
    old.FileName = dir.text("Old/Old.mpj");
    old.Slot(3).DeviceType = 5;
    old.Slot(3).DeviceName = "TV";
    old.Slot(3).ConfigFile = dir.write("Old/TV.mpi", "DEVICE=5\r\n");
    old.Description = {"first"};
    old.Save(old.FileName);

    whenShown(&newProjectForm(), [&] {
        QTest::keyClicks(newProjectForm().nameEdit(), "Villa");
        newProjectForm().copyButton()->click();
        newProjectForm().copyEdit()->setText(pathToQString(old.FileName));
        newProjectForm().okButton()->click();
    });
    form->execute(ActionId::FileNewProject);
    ASSERT_EQ(form->documentWindows().size(), 1u);
    auto* window = dynamic_cast<TProjectForm*>(form->documentWindows().front());
    ASSERT_NE(window, nullptr);
    const DEVICE_CONFIG& slot = window->view().project().Slot(3);
    EXPECT_EQ(slot.DeviceName, "TV");
    EXPECT_EQ(slot.ConfigFile, dir.text("Projects/Villa/TV.mpi"));
    EXPECT_EQ(fileContents(slot.ConfigFile), "DEVICE=5\r\n");
    EXPECT_EQ(window->view().project().Description.at(0), "*** Project copied from " + old.FileName + " ***");
}

} // namespace
} // namespace zr48
