#include "base/FileIo.h"
#include "desktop/common/FieldColour.h"
#include "desktop/editor/EditForm.h"
#include "desktop/main/OptionsForm.h"
#include "desktop/project/ProjectHarness.h"

#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTextEdit>
#include <QToolTip>

#include <gtest/gtest.h>

namespace zr48 {
namespace {

namespace fs = std::filesystem;
using test::Choose;
using test::DropOnNode;
using test::fileContents;
using test::FindNode;

class ProjectFormTest : public test::ProjectShellTest {
protected:
    // A saved project in its own folder; slot 15 (TV-1) holds an infrared device whose device file
    // offers option 2 only, and slot 0 a tuner.
    std::string makeProject(const std::string& name = "Home")
    {
        const std::string path = dir.text("Projects/" + name + "/" + name + ".mpj");
        TProjectFile project;
        project.FileName = path;
        project.Slot(0).DeviceType = 1;
        project.Slot(0).DeviceName = "Radio";
        project.Slot(0).ConfigFile = dir.write("Projects/" + name + "/TUNER.mpi", "DEVICE=1\r\n");
        project.Slot(15).DeviceType = 5;
        project.Slot(15).DeviceName = "TV";
        project.Slot(15).SourceSelect = 8;
        project.Slot(15).OptionList = "111";
        project.Slot(15).ConfigFile =
            dir.write("Projects/" + name + "/TV.mpi", "DEVICE=5\r\nOPTION_2=x,Night mode\r\n");
        project.Description = {"Villa", "ground floor"};
        project.ProjectInfo = {"VILLA", "Line 2"};
        project.Save(path);
        return path;
    }

    void select(TProjectForm& window, const char* node)
    {
        QTreeWidgetItem* item = FindNode(window.treeView(), node);
        ASSERT_NE(item, nullptr) << node;
        window.treeView()->setCurrentItem(item);
    }

    static bool underlined(QTreeWidgetItem* item) { return item->font(0).underline(); }
};

TEST_F(ProjectFormTest, ANewProjectShowsNineGroupsOfSixEmptySlots)
{
    TProjectForm* window = openProject(dir.text("Projects/Home/Home.mpj"));
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->windowTitle(), "ZR48 Project - [PROJECT]/Home.mpj");
    EXPECT_EQ(window->documentFile(), dir.text("Projects/Home/Home.mpj"));
    QTreeWidget* tree = window->treeView();
    ASSERT_EQ(tree->topLevelItemCount(), 9);
    const char* groups[] = {"TUNER", "DVD", "TV", "SERVER", "SAT", "VIDEO", "AUDIO", "LIGHT", "SOUND"};
    for (int g = 0; g < 9; ++g) {
        QTreeWidgetItem* top = tree->topLevelItem(g);
        EXPECT_EQ(top->text(0), groups[g]);
        ASSERT_EQ(top->childCount(), 6) << groups[g];
        for (int k = 0; k < 6; ++k) {
            EXPECT_EQ(top->child(k)->text(0), QString("%1-%2").arg(groups[g]).arg(k + 1));
            EXPECT_FALSE(underlined(top->child(k)));
        }
        EXPECT_FALSE(underlined(top));
    }
    EXPECT_EQ(tree->currentItem(), tree->topLevelItem(0));
    EXPECT_EQ(tree->indentation(), 19);
    EXPECT_EQ(window->parametersBox()->title(), "TUNER");
    EXPECT_EQ(window->pageControl()->currentWidget()->objectName(), "TabSheet1");
    EXPECT_EQ(window->pageControl()->tabText(0), "Assignments");
    EXPECT_EQ(window->pageControl()->tabText(1), "Information");
    EXPECT_EQ(window->pageControl()->tabPosition(), QTabWidget::South);
    ASSERT_EQ(window->deviceTypeBox()->count(), 10);
    EXPECT_EQ(window->deviceTypeBox()->itemText(4), QString::fromUtf8("Feller BEAMIT®"));
    ASSERT_EQ(window->sourceSelectBox()->count(), 18);
    EXPECT_EQ(window->sourceSelectBox()->itemText(0), "None");
    EXPECT_EQ(window->sourceSelectBox()->itemText(17), "Local3");
    for (const char* name : {"PageControl", "TreeView", "GBoxParameters", "ComboBoxDeviceType", "EditDeviceName",
                             "ComboBoxK73Select", "CheckListBoxOptions", "EditConfigFile", "ButtonLoadConfigFile",
                             "ButtonEditConfigFile", "ProjectDescriptionMemo", "ProjectInformationMemo"})
        EXPECT_NE(window->findChild<QWidget*>(name), nullptr) << name;
    // A fixed frame without a maximize button.
    EXPECT_EQ(window->size(), window->maximumSize());
    EXPECT_EQ(window->widget()->size(), window->widget()->maximumSize());
    EXPECT_FALSE(window->windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(window->windowFlags() & Qt::WindowMinimizeButtonHint);
}

TEST_F(ProjectFormTest, AProjectFileIsShownWithItsDevicesUnderlined)
{
    TProjectForm* window = openProject(makeProject());
    ASSERT_NE(window, nullptr);
    QTreeWidget* tree = window->treeView();
    EXPECT_TRUE(underlined(tree->topLevelItem(0)));
    EXPECT_EQ(tree->topLevelItem(0)->childCount(), 0); // a device in TUNER hides TUNER-1 to 6
    EXPECT_TRUE(underlined(FindNode(tree, "TV-1")));
    EXPECT_FALSE(underlined(FindNode(tree, "TV")));
    EXPECT_EQ(window->deviceNameEdit()->text(), "Radio");
    EXPECT_EQ(window->configFileEdit()->text(), "[PROJECT]/TUNER.mpi");
    EXPECT_EQ(window->descriptionMemo()->toPlainText(), "Villa\nground floor");
    EXPECT_EQ(window->informationMemo()->toPlainText(), "VILLA\nLine 2");
    EXPECT_EQ(window->informationMemo()->document()->defaultTextOption().alignment(), Qt::AlignHCenter);
    EXPECT_FALSE(window->windowTitle().contains('*'));
}

TEST_F(ProjectFormTest, ChoosingADeviceTypeForAGroupHidesItsSlotsAndNoDeviceBringsThemBack)
{
    settings.setAdvanced(true);
    TProjectForm* window = openProject(dir.text("Projects/Home/Home.mpj"));
    ASSERT_NE(window, nullptr);
    select(*window, "DVD-2");
    QTest::keyClicks(window->deviceNameEdit(), "x"); // no device: the name is disabled
    Choose(window->deviceTypeBox(), 5);
    QTest::keyClicks(window->deviceNameEdit(), "Player");
    select(*window, "DVD");
    Choose(window->deviceTypeBox(), 1);
    QTreeWidgetItem* dvd = FindNode(window->treeView(), "DVD");
    EXPECT_EQ(dvd->childCount(), 0);
    EXPECT_TRUE(underlined(dvd));
    EXPECT_TRUE(window->windowTitle().endsWith(" *"));
    EXPECT_EQ(window->treeView()->currentItem(), dvd);

    Choose(window->deviceTypeBox(), 0);
    ASSERT_EQ(dvd->childCount(), 6);
    EXPECT_FALSE(underlined(dvd));
    EXPECT_TRUE(underlined(dvd->child(1)));
    select(*window, "DVD-2");
    EXPECT_EQ(window->deviceNameEdit()->text(), "Player");
    EXPECT_EQ(window->deviceTypeBox()->currentIndex(), 5);
}

TEST_F(ProjectFormTest, TheEnableRulesShowInTheControlsAndTheirColours)
{
    TProjectForm* window = openProject(makeProject());
    ASSERT_NE(window, nullptr);
    const auto state = [&](QWidget* control) {
        const bool grey = control->palette().color(QPalette::Base) == disabledFieldColour();
        const bool white = control->palette().color(QPalette::Base) == enabledFieldColour();
        EXPECT_NE(grey, white) << control->objectName().toStdString();
        return control->isEnabled() && white;
    };
    // Without Advanced: neither the type nor the device file, for any slot.
    for (const char* node : {"TUNER", "TV-1", "TV-2", "DVD"}) {
        select(*window, node);
        EXPECT_FALSE(state(window->deviceTypeBox())) << node;
        EXPECT_FALSE(state(window->configFileEdit())) << node;
        EXPECT_FALSE(window->browseButton()->isEnabled()) << node;
        EXPECT_FALSE(window->editButton()->isEnabled()) << node;
    }
    select(*window, "TV-1"); // Infrared (RC5)
    EXPECT_TRUE(state(window->deviceNameEdit()));
    EXPECT_TRUE(state(window->sourceSelectBox()));
    EXPECT_TRUE(state(window->optionsList()));

    settings.setAdvanced(true);
    // The rules are applied again after the settings dialog, whichever button closed it.
    whenShown(form->dialogs().OptionsForm, [] {});
    form->execute(ActionId::Options);
    EXPECT_TRUE(state(window->deviceTypeBox()));
    EXPECT_TRUE(state(window->configFileEdit()));
    EXPECT_TRUE(window->browseButton()->isEnabled());

    Choose(window->deviceTypeBox(), 4); // Feller BEAMIT: no source select, no options
    EXPECT_TRUE(state(window->deviceNameEdit()));
    EXPECT_FALSE(state(window->sourceSelectBox()));
    EXPECT_FALSE(state(window->optionsList()));
    EXPECT_TRUE(state(window->configFileEdit()));
}

TEST_F(ProjectFormTest, TheOptionListShowsTheDeviceFilesOptionsAndAClickSetsThemAll)
{
    TProjectForm* window = openProject(makeProject());
    ASSERT_NE(window, nullptr);
    select(*window, "TV-1");
    QListWidget* options = window->optionsList();
    ASSERT_EQ(options->count(), 9);
    for (int i = 0; i < 9; ++i) {
        QListWidgetItem* item = options->item(i);
        EXPECT_EQ(bool(item->flags() & Qt::ItemIsEnabled), i == 1) << i;
        EXPECT_EQ(item->checkState(), i == 1 ? Qt::Checked : Qt::Unchecked) << i;
    }
    EXPECT_EQ(options->item(1)->text(), "2: Night mode");
    EXPECT_FALSE(window->windowTitle().contains('*'));

    options->item(1)->setCheckState(Qt::Unchecked);
    EXPECT_EQ(window->view().project().Slot(15).OptionList, "000000000");
    EXPECT_TRUE(window->windowTitle().endsWith(" *"));

    // A slot whose device file has gone shows no options.
    fs::remove(toFsPath(dir.text("Projects/Home/TUNER.mpi")));
    select(*window, "TUNER");
    EXPECT_EQ(window->optionsList()->count(), 0);
}

TEST_F(ProjectFormTest, TypingMarksTheProjectModifiedWhileShowingASlotDoesNot)
{
    const std::string path = makeProject();
    TProjectForm* window = openProject(path);
    ASSERT_NE(window, nullptr);
    for (const char* node : {"TV-1", "TV-2", "TUNER", "SOUND"})
        select(*window, node);
    EXPECT_EQ(window->windowTitle(), "ZR48 Project - [PROJECT]/Home.mpj");

    select(*window, "TV-1");
    QTest::keyClicks(window->deviceNameEdit(), " 2");
    EXPECT_EQ(window->windowTitle(), "ZR48 Project - [PROJECT]/Home.mpj *");
    EXPECT_EQ(window->view().project().Slot(15).DeviceName, "TV 2");

    // Save, and the mark goes; the memos' lines go into the file.
    window->informationMemo()->setPlainText("KITCHEN");
    form->execute(ActionId::FileSave);
    EXPECT_EQ(window->windowTitle(), "ZR48 Project - [PROJECT]/Home.mpj");
    TProjectFile saved;
    saved.Load(path);
    EXPECT_EQ(saved.Slot(15).DeviceName, "TV 2");
    EXPECT_EQ(saved.ProjectInfo, std::vector<Text>{"KITCHEN"});
    EXPECT_EQ(saved.Description, (std::vector<Text>{"Villa", "ground floor"}));

    window->descriptionMemo()->appendPlainText("x");
    EXPECT_TRUE(window->windowTitle().endsWith(" *"));
}

// The unit stores Western European text (Windows-1252): the device name refuses other characters
// and says so; memo lines with them are saved only when the user agrees, and then show what was
// stored.
TEST_F(ProjectFormTest, TextsTheUnitCannotHoldAreRefusedOrAskedAboutAndShownAsStored)
{
    const std::string path = makeProject();
    TProjectForm* window = openProject(path);
    ASSERT_NE(window, nullptr);
    select(*window, "TV-1");
    for (const QChar c : QString::fromUtf8(" Ж é"))
        QTest::sendKeyEvent(QTest::Click, window->deviceNameEdit(), Qt::Key_unknown, QString(c), Qt::NoModifier);
    EXPECT_EQ(window->deviceNameEdit()->text(), QString::fromUtf8("TV  é"));
    EXPECT_EQ(window->view().project().Slot(15).DeviceName, "TV  \xE9");
    EXPECT_TRUE(QToolTip::isVisible());
    EXPECT_EQ(QToolTip::text(), TProjectForm::kUnstorableCharacterHint);

    const std::string before = fileContents(path);
    window->descriptionMemo()->setPlainText(QString::fromUtf8("Вилла\nVilla"));
    window->informationMemo()->setPlainText(QString::fromUtf8("Дом"));
    prompt.answer(Answer::No, "cannot be stored");
    form->execute(ActionId::FileSave);
    EXPECT_EQ(fileContents(path), before);
    EXPECT_TRUE(window->windowTitle().endsWith(" *"));

    prompt.answer(Answer::Yes, "Save anyway?");
    form->execute(ActionId::FileSave);
    TProjectFile saved;
    saved.Load(path);
    EXPECT_EQ(saved.Description, (std::vector<Text>{"?????", "Villa"}));
    EXPECT_EQ(saved.Slot(15).DeviceName, "TV  \xE9");
    EXPECT_EQ(window->descriptionMemo()->toPlainText(), "?????\nVilla");
    EXPECT_EQ(window->informationMemo()->toPlainText(), "???");
    EXPECT_FALSE(window->windowTitle().endsWith(" *"));
}

TEST_F(ProjectFormTest, TheDeviceFileIsShownAndTypedWithTheProjectMark)
{
    settings.setAdvanced(true);
    TProjectForm* window = openProject(makeProject());
    ASSERT_NE(window, nullptr);
    select(*window, "TV-1");
    EXPECT_EQ(window->configFileEdit()->text(), "[PROJECT]/TV.mpi");
    window->configFileEdit()->clear();
    QTest::keyClicks(window->configFileEdit(), "[PROJECT]/DVD.mpi");
    EXPECT_EQ(window->view().project().Slot(15).ConfigFile, dir.text("Projects/Home/DVD.mpi"));
    EXPECT_EQ(window->configFileEdit()->text(), "[PROJECT]/DVD.mpi");
    EXPECT_TRUE(window->windowTitle().endsWith(" *"));

    // Browse: the chosen file stays where it is.
    const std::string elsewhere = dir.write("db/Other.mpi", "OPTION_1=Power\r\n");
    files.answer(elsewhere);
    window->browseButton()->click();
    EXPECT_EQ(files.asked().back().request.filter, "Device INI Files (*.mpi)|*.mpi");
    EXPECT_EQ(window->view().project().Slot(15).ConfigFile, elsewhere);
    EXPECT_EQ(window->configFileEdit()->text(), pathToQString(elsewhere));
    EXPECT_TRUE(window->optionsList()->item(0)->flags() & Qt::ItemIsEnabled);
    files.answer(std::nullopt);
    window->browseButton()->click();
    EXPECT_EQ(window->view().project().Slot(15).ConfigFile, elsewhere);
}

TEST_F(ProjectFormTest, DatabaseEntriesDropOntoSlots)
{
    clock.advance(300); // the start timer fills the browser
    TProjectForm* window = openProject(projectPath("Home"));
    ASSERT_NE(window, nullptr);
    QTreeWidget* tree = window->treeView();
    DatabaseEntryMimeData drag(&browser());

    ASSERT_NE(selectEntry("Lumetra LX-40 television"), nullptr);
    ASSERT_TRUE(DropOnNode(tree, FindNode(tree, "TV-3"), drag));
    const DEVICE_CONFIG& slot = window->view().project().Slot(17);
    EXPECT_EQ(slot.DeviceType, 6);
    EXPECT_EQ(slot.DeviceName, "Television");
    EXPECT_EQ(slot.SourceSelect, 8);
    EXPECT_EQ(slot.ConfigFile, dir.text("Projects/Home/LX-40_TV.mpi"));
    EXPECT_EQ(fileContents(slot.ConfigFile), fileContents(databaseDir + "/Video/Lumetra/LX-40_TV.mpi"));
    EXPECT_TRUE(underlined(FindNode(tree, "TV-3")));
    EXPECT_EQ(tree->currentItem()->text(0), "TV-3");
    EXPECT_EQ(tree->selectedItems(), QList<QTreeWidgetItem*>{tree->currentItem()});
    EXPECT_EQ(window->parametersBox()->title(), "TV-3");
    EXPECT_EQ(window->deviceNameEdit()->text(), "Television");
    EXPECT_EQ(window->optionsList()->count(), 9);
    EXPECT_TRUE(window->windowTitle().endsWith(" *"));

    // When the copy asks about overwriting another file of that name, the target already shows
    // selected.
    dir.write("Projects/Home/LX-40_TV.mpi", "changed in the project");
    window->treeView()->setCurrentItem(FindNode(tree, "TUNER"));
    QString selectedAtQuestion;
    QString parametersAtQuestion;
    prompt.whenShown = [&](const std::string&) {
        selectedAtQuestion = tree->currentItem()->text(0);
        parametersAtQuestion = window->parametersBox()->title();
    };
    prompt.answer(Answer::No, "Overwrite current Device File?");
    ASSERT_NE(selectEntry("Lumetra LX-40 television"), nullptr);
    ASSERT_TRUE(DropOnNode(tree, FindNode(tree, "TV-5"), drag));
    prompt.whenShown = nullptr;
    EXPECT_EQ(selectedAtQuestion, "TV-5");
    EXPECT_EQ(parametersAtQuestion, "TV-5");

    // Folders and "No items found" carry no device file.
    ASSERT_NE(selectEntry("VIDEO"), nullptr);
    EXPECT_FALSE(DropOnNode(tree, FindNode(tree, "TV-4"), drag));
    EXPECT_FALSE(window->view().Assigned(18));

    // A drag inside the same tree is refused, and the slot stays.
    window->treeView()->setCurrentItem(FindNode(tree, "TV-3"));
    ProjectSlotMimeData own(window);
    EXPECT_FALSE(DropOnNode(tree, FindNode(tree, "TV-4"), own));
    EXPECT_FALSE(window->view().Assigned(18));
    EXPECT_TRUE(window->view().Assigned(17));
}

TEST_F(ProjectFormTest, ASlotOfAnotherProjectWindowDropsWithItsDeviceFile)
{
    TProjectForm* source = openProject(makeProject("Villa"));
    TProjectForm* target = openProject(projectPath("Home"));
    ASSERT_TRUE(source && target);
    select(*source, "TV-1");
    ProjectSlotMimeData drag(source);
    ASSERT_TRUE(DropOnNode(target->treeView(), FindNode(target->treeView(), "AUDIO"), drag));
    const DEVICE_CONFIG& slot = target->view().project().Slot(42);
    EXPECT_EQ(slot.DeviceName, "TV");
    EXPECT_EQ(slot.OptionList, "111");
    EXPECT_EQ(slot.ConfigFile, dir.text("Projects/Home/TV.mpi"));
    EXPECT_EQ(FindNode(target->treeView(), "AUDIO")->childCount(), 0);
    EXPECT_EQ(target->treeView()->selectedItems(), QList<QTreeWidgetItem*>{FindNode(target->treeView(), "AUDIO")});
    EXPECT_EQ(form->documentWindows().front(), target); // brought to the front

    // The same name, another file: asked before it is replaced.
    dir.write("Projects/Villa/TV.mpi", "DEVICE=5\r\nOPTION_1=changed\r\n");
    fs::last_write_time(toFsPath(dir.text("Projects/Villa/TV.mpi")),
                        fs::last_write_time(toFsPath(dir.text("Projects/Home/TV.mpi"))) + std::chrono::seconds(5));
    prompt.answer(Answer::No, "Overwrite current Device File?\nTV.mpi");
    ASSERT_TRUE(DropOnNode(target->treeView(), FindNode(target->treeView(), "SOUND"), drag));
    EXPECT_EQ(fileContents(dir.text("Projects/Home/TV.mpi")), "DEVICE=5\r\nOPTION_2=x,Night mode\r\n");
    EXPECT_EQ(target->view().project().Slot(56).ConfigFile, dir.text("Projects/Home/TV.mpi"));

    // An empty slot cannot be dragged.
    select(*source, "DVD");
    EXPECT_FALSE(DropOnNode(target->treeView(), FindNode(target->treeView(), "DVD"), drag));
}

TEST_F(ProjectFormTest, ASlotDraggedOutOfItsWindowOntoTheEmptyClientAreaIsCleared)
{
    // The drag starts over the slot tree and leaves the window across its title bar.
    struct Case {
        const char* what;
        bool overTitleBar;
        bool endsOnEmptyArea;
        bool cleared;
    };
    const Case cases[] = {
        {"across the title bar onto the empty area", true, true, true},
        {"straight from the tree onto the empty area", false, true, true},
        {"let go over the window's title bar", true, false, false},
    };
    for (const Case& c : cases) {
        TProjectForm* window = openProject(makeProject());
        ASSERT_NE(window, nullptr);
        window->move(0, 0);
        select(*window, "TV-1");
        QTreeWidget* tree = window->treeView();
        const auto inForm = [&](QWidget* widget, QPoint at) { return widget->mapTo(form.get(), at); };
        std::vector<QPoint> path{inForm(tree->viewport(), tree->visualItemRect(tree->currentItem()).center())};
        if (c.overTitleBar)
            path.push_back(inForm(window, QPoint(window->width() / 2, 4)));
        if (c.endsOnEmptyArea)
            path.push_back(
                inForm(form->mdiArea()->viewport(), form->mdiArea()->viewport()->rect().bottomRight() - QPoint(5, 5)));
        ProjectSlotMimeData drag(window);
        EXPECT_EQ(test::DragAlong(form.get(), drag, path), c.cleared) << c.what;
        EXPECT_EQ(window->view().project().Slot(15).DeviceType, c.cleared ? 0 : 5) << c.what;
        EXPECT_EQ(underlined(FindNode(tree, "TV-1")), !c.cleared) << c.what;
        EXPECT_EQ(window->windowTitle().endsWith(" *"), c.cleared) << c.what;
        if (c.cleared) {
            EXPECT_EQ(window->deviceNameEdit()->text(), "") << c.what;
        }
        window->setCloseQuestion(nullptr);
        window->close();
        QApplication::processEvents();
    }

    // A database entry dropped on the empty area clears nothing.
    TProjectForm* window = openProject(makeProject());
    ASSERT_NE(window, nullptr);
    window->move(0, 0);
    select(*window, "TV-1");
    clock.advance(TMainForm::kStartTimerMs);
    ASSERT_NE(selectEntry("Lumetra LX-40 television"), nullptr);
    DatabaseEntryMimeData entry(&browser());
    const QPoint empty = form->mdiArea()->viewport()->mapTo(
        form.get(), form->mdiArea()->viewport()->rect().bottomRight() - QPoint(5, 5));
    EXPECT_FALSE(test::DragAlong(form.get(), entry, {empty}));
    EXPECT_EQ(window->view().project().Slot(15).DeviceType, 5);
}

TEST_F(ProjectFormTest, DownloadSavesTheEditorsOfThisWindowOnly)
{
    settings.setAdvanced(true);
    const std::string path = makeProject();
    const std::string device = dir.text("Projects/Home/TV.mpi");
    TProjectForm* window = openProject(path);
    ASSERT_NE(window, nullptr);
    // The same device file in an editor of File Open and in one of the window's "Edit" button.
    form->openFile(device);
    auto* general = dynamic_cast<TEditForm*>(form->documentWindows().front());
    form->bringToFront(*window);
    select(*window, "TV-1");
    window->editButton()->click();
    auto* own = dynamic_cast<TEditForm*>(form->documentWindows().front());
    ASSERT_TRUE(general && own && general != own);
    EXPECT_EQ(own->OwnerWindow(), window);
    EXPECT_EQ(own->windowNumber(), 0);
    EXPECT_EQ(own->documentFile(), device);
    general->richEdit()->setPlainText("DEVICE=5\nOPTION_1=from File Open");
    own->richEdit()->setPlainText("DEVICE=5\nOPTION_1=from Edit");

    EXPECT_TRUE(window->PrepareDownload());
    EXPECT_EQ(fileContents(device), "DEVICE=5\r\nOPTION_1=from Edit");
    EXPECT_FALSE(own->modified());
    EXPECT_TRUE(general->modified());
    EXPECT_TRUE(fileExists(dir.text("Projects/Home/Home.mpd")));
    for (TDocumentWindow* w : form->documentWindows())
        w->setCloseQuestion(nullptr);
}

TEST_F(ProjectFormTest, AProjectFileThatCannotBeReadOpensNoWindow)
{
    const std::string path = dir.text("Projects/Folder.mpj");
    fs::create_directories(toFsPath(path));
    openProject(path);
    EXPECT_TRUE(form->documentWindows().empty());
    ASSERT_EQ(prompt.errors().size(), 1u);
    EXPECT_NE(prompt.errors()[0].find(path), Text::npos) << prompt.errors()[0];
}

TEST_F(ProjectFormTest, ASaveThatFailsKeepsTheChangesAndTheOldFile)
{
    const std::string path = makeProject();
    const std::string before = fileContents(path);
    TProjectForm* window = openProject(path);
    ASSERT_NE(window, nullptr);
    select(*window, "TV-1");
    QTest::keyClicks(window->deviceNameEdit(), "x");
    fs::rename(toFsPath(dir.text("Projects/Home")), toFsPath(dir.text("Projects/Gone")));
    form->execute(ActionId::FileSave);
    ASSERT_EQ(prompt.errors().size(), 1u);
    EXPECT_NE(prompt.errors()[0].find(path), Text::npos) << prompt.errors()[0];
    EXPECT_TRUE(window->windowTitle().endsWith(" *"));
    EXPECT_EQ(fileContents(dir.text("Projects/Gone/Home.mpj")), before);
}

TEST_F(ProjectFormTest, ADeviceFileTooBigForItsAreaStopsTheDownloadBeforeAnythingIsSent)
{
    const std::string path = makeProject();
    // The tuner's area holds 8 sectors.
    dir.write("Projects/Home/TUNER.mpi", "DEVICE=1\r\n" + std::string(8 * 512, ';'));
    ASSERT_TRUE(clock.advanceUntil([&] { return form->link().Connected(); }, 2000));
    TProjectForm* window = openProject(path);
    ASSERT_NE(window, nullptr);
    form->execute(ActionId::Download);
    ASSERT_FALSE(prompt.errors().empty());
    EXPECT_NE(prompt.errors()[0].find("TUNER"), Text::npos) << prompt.errors()[0];
    EXPECT_EQ(form->deviceTools().downloader.Result(), DownloadResult::None);
}

TEST_F(ProjectFormTest, DeleteUnusedFilesRunsOnTheActiveProjectWindow)
{
    TProjectForm* window = openProject(makeProject());
    ASSERT_NE(window, nullptr);
    dir.write("Projects/Home/Old.mpi", "");
    prompt.answer(Answer::Yes, "Old.mpi\n\nThis File is not used in the current Project.");
    form->execute(ActionId::CleanupProject);
    EXPECT_FALSE(fileExists(dir.text("Projects/Home/Old.mpi")));
    EXPECT_TRUE(fileExists(dir.text("Projects/Home/TV.mpi")));
}

} // namespace
} // namespace zr48
