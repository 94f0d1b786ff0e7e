// The main window: its frame, status panels, menus, tool bar and dock, the rules that show and
// enable the actions, start-up and shutdown, dropped and recent files, and the Window and Edit
// commands.

#include "desktop/main/MainForm.h"

#include "base/Error.h"
#include "desktop/FakeDocuments.h"
#include "desktop/ShellHarness.h"
#include "desktop/editor/EditForm.h"
#include "desktop/main/OptionsForm.h"
#include "desktop/project/DatabaseForm.h"
#include "link/Frames.h"
#include "link/LinkTarget.h"
#include "link/drivers/LinkDrivers.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QDockWidget>
#include <QLabel>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QUrl>

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

namespace zr48 {
namespace {

using MainFormTest = test::ShellTest;

TEST_F(MainFormTest, ShowsTheFrameWithItsCaptionTealAreaAndThreeStatusPanels)
{
    auto owned = makeForm();
    TMainForm& form = *owned;
    form.show();
    EXPECT_EQ(form.windowTitle(), "KELDO ZR48 Project Manager");
    EXPECT_EQ(form.mdiArea()->background().color(), QColor(0, 128, 128));
    EXPECT_TRUE(form.mdiArea()->subWindowList().isEmpty());
    EXPECT_EQ(form.minimumSize(), QSize(640, 480));
    const int widths[] = {200, 200, 50};
    for (int i = 0; i < 3; ++i) {
        ASSERT_NE(form.statusPanel(i), nullptr);
        EXPECT_EQ(form.statusPanel(i)->width(), widths[i]) << "panel " << i;
        EXPECT_EQ(form.statusPanel(i)->parent(), form.statusBar());
    }

    // The link panel grows to show a long link state whole, and goes back to its least width.
    QLabel* linkPanel = form.statusPanel(1);
    const QString longState = "Connected (Rx:1234567890123, Tx:1234567890123)";
    ASSERT_GT(linkPanel->fontMetrics().horizontalAdvance(longState), widths[1]);
    linkPanel->setText(longState);
    QApplication::processEvents();
    EXPECT_GE(linkPanel->contentsRect().width(), linkPanel->fontMetrics().horizontalAdvance(longState));
    EXPECT_EQ(form.statusPanel(0)->width(), widths[0]);
    EXPECT_EQ(form.statusPanel(2)->width(), widths[2]);
    linkPanel->setText("Not Connected");
    QApplication::processEvents();
    EXPECT_EQ(linkPanel->width(), widths[1]);
}

TEST_F(MainFormTest, LongHintsGoToTheFirstStatusPanel)
{
    auto owned = makeForm();
    TMainForm& form = *owned;
    QStatusTipEvent tip("Exit the ZR48 Project Manager");
    QApplication::sendEvent(&form, &tip);
    EXPECT_EQ(form.statusPanel(0)->text(), "Exit the ZR48 Project Manager");
    EXPECT_TRUE(form.statusPanel(2)->text().isEmpty());
}

TEST_F(MainFormTest, StatusPanelOneShowsTheLinkState)
{
    auto owned = makeForm();
    TMainForm& form = *owned;
    clock.advance(100);
    EXPECT_EQ(form.statusPanel(1)->text(), "Connecting...");
    // The first keep-alive's reply connects the unit once the dispatcher listens (after 300 ms).
    ASSERT_TRUE(clock.advanceUntil([&] { return form.link().Connected(); }, 1000));
    clock.advance(100);
    // The firmware updater asks for the unit's version as soon as the link connects.
    EXPECT_EQ(form.statusPanel(1)->text(), "Connected (Rx:15, Tx:2)");
    const auto request = encode(VersionRequestFrame{});
    form.link().Send(request);
    clock.advance(200);
    EXPECT_EQ(form.statusPanel(1)->text(), "Connected (Rx:30, Tx:4)");

    sim.unit.unplug();
    clock.advance(3100);
    EXPECT_EQ(form.statusPanel(1)->text(), "Not Connected");
    EXPECT_TRUE(form.statusPanel(2)->text().isEmpty());
}

TEST_F(MainFormTest, TheDispatcherTakesFramesFromTheStartTimerOn)
{
    auto owned = makeForm();
    TMainForm& form = *owned;
    std::vector<int> types;
    int notices = 0;
    form.dispatcher().setConnectNotice([&] { ++notices; });
    form.dispatcher().setDialogReceiver(FrameDispatcher::Dialog::Firmware,
                                        [&](const std::uint8_t* p, int) { types.push_back(p[0]); });
    const auto request = encode(VersionRequestFrame{});
    form.link().Send(request); // answered before the dispatcher listens: dropped
    clock.advance(299);
    EXPECT_TRUE(types.empty());
    EXPECT_FALSE(form.link().Connected());
    ASSERT_TRUE(clock.advanceUntil([&] { return !types.empty(); }, 1000));
    EXPECT_EQ(notices, 1);
    EXPECT_EQ(types, std::vector<int>{10}); // the keep-alive's reply
}

// The entries of a menu as "caption" or "-", hidden entries left out.
std::vector<QString> entries(const QMenu* menu)
{
    std::vector<QString> out;
    for (const QAction* action : menu->actions())
        if (action->isVisible())
            out.push_back(action->isSeparator() ? QString("-") : action->text());
    return out;
}

QMenu* menuNamed(const TMainForm& form, const char* name)
{
    return form.menuBar()->findChild<QMenu*>(name);
}

TEST_F(MainFormTest, MenusInOrderWithTheirEntriesAndSeparators)
{
    auto form = makeForm();
    std::vector<QString> titles;
    for (const QAction* menu : form->menuBar()->actions())
        titles.push_back(menu->text());
    EXPECT_EQ(titles, (std::vector<QString>{"&File", "&Tools", "&Project", "&Window", "&Help"}));

    EXPECT_EQ(entries(menuNamed(*form, "FileMenu")),
              (std::vector<QString>{"&New Project...", "New &Text File", "-", "&Open...", "&Close", "Close A&ll", "-",
                                    "&Save", "Save &As...", "Sa&ve All", "-", "Export &Report...", "Recent &Files", "-",
                                    "E&xit"}));
    EXPECT_EQ(entries(menuNamed(*form, "ToolsMenu")),
              (std::vector<QString>{"Update &Firmware...", "-", "IR &Optimizer", "&Import Infrared Codes...", "-",
                                    "Op&tions..."}));
    EXPECT_EQ(entries(menuNamed(*form, "Project1")),
              (std::vector<QString>{"&Download to ZR48", "&Compare with ZR48", "-", "Delete &unused mpi Files"}));
    EXPECT_EQ(
        entries(menuNamed(*form, "WindowMenu")),
        (std::vector<QString>{"&Cascade", "Tile &Horizontally", "&Tile Vertically", "&Minimize All", "&Arrange"}));
    EXPECT_EQ(entries(menuNamed(*form, "HelpMenu")), std::vector<QString>{"&About..."});
    EXPECT_EQ(form->action(ActionId::CloseAll)->property("menuEntry").toString(), "SaveAll1");
    EXPECT_EQ(menuNamed(*form, "FileMenu")->menuAction()->statusTip(), "File related commands");
    EXPECT_EQ(menuNamed(*form, "HelpMenu")->menuAction()->statusTip(), "Help topics");
}

TEST_F(MainFormTest, ToolBarButtonsInOrder)
{
    auto form = makeForm();
    std::vector<QString> buttons;
    for (const QAction* action : form->toolBar()->actions())
        buttons.push_back(action->isSeparator() ? QString("|") : action->objectName());
    EXPECT_EQ(buttons,
              (std::vector<QString>{"ActionFileNewProject", "ActionNewTextFile", "ActionFileOpen", "|",
                                    "ActionFileSave", "ActionSaveAll", "|", "ActionEditCut", "ActionEditCopy",
                                    "ActionEditPaste", "|", "ActionWindowCascade", "ActionWindowTileHorizontal",
                                    "ActionWindowTileVertical", "|", "ActionDownload"}));
    // Each button shows its own picture of the image list.
    const std::map<QString, int> pictures = {
        {"ActionFileNewProject", 10},
        {"ActionNewTextFile", 6},
        {"ActionFileOpen", 7},
        {"ActionFileSave", 8},
        {"ActionSaveAll", 23},
        {"ActionEditCut", 25},
        {"ActionEditCopy", 1},
        {"ActionEditPaste", 26},
        {"ActionWindowCascade", 21},
        {"ActionWindowTileHorizontal", 22},
        {"ActionWindowTileVertical", 20},
        {"ActionDownload", 9},
    };
    const auto image = [](const QIcon& icon) {
        return icon.pixmap(16, 16).toImage().convertToFormat(QImage::Format_ARGB32);
    };
    for (const QAction* action : form->toolBar()->actions()) {
        if (action->isSeparator())
            continue;
        SCOPED_TRACE(action->objectName().toStdString());
        ASSERT_EQ(pictures.count(action->objectName()), 1u);
        const int position = pictures.at(action->objectName());
        EXPECT_FALSE(action->icon().isNull());
        EXPECT_EQ(image(action->icon()), image(form->imageList().icon(position)));
        for (const auto& [other, otherPosition] : pictures)
            if (otherPosition != position)
                EXPECT_NE(image(action->icon()), image(form->imageList().icon(otherPosition))) << other.toStdString();
    }
}

TEST_F(MainFormTest, ActionsCarryShortcutsHintsAndPictures)
{
    auto form = makeForm();
    EXPECT_EQ(form->action(ActionId::NewTextFile)->shortcut(), QKeySequence("Ctrl+N"));
    EXPECT_EQ(form->action(ActionId::FileNewProject)->shortcut(), QKeySequence("Ctrl+P"));
    EXPECT_EQ(form->action(ActionId::FileSave)->shortcut(), QKeySequence("Ctrl+S"));
    EXPECT_TRUE(form->action(ActionId::FileExit)->shortcut().isEmpty());
    EXPECT_EQ(form->action(ActionId::FileOpen)->toolTip(), "Open");
    EXPECT_EQ(form->action(ActionId::FileOpen)->statusTip(), "Open a file");
    EXPECT_TRUE(form->action(ActionId::Options)->icon().isNull());

    // Ctrl+N runs New Text File.
    form->show();
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    QTest::keyClick(form.get(), Qt::Key_N, Qt::ControlModifier);
    ASSERT_EQ(form->documentWindows().size(), 1u);
    EXPECT_EQ(form->documentWindows()[0]->kind(), DocumentKind::TextEditor);

    // Also while a tool dialog that the user works beside has the focus.
    for (const char* name : {"FirmwareForm", "DisplayDumpForm", "DownloaderForm", "UploaderForm"}) {
        SCOPED_TRACE(name);
        auto* tool = form->findChild<QDialog*>(name);
        ASSERT_NE(tool, nullptr);
        const std::size_t before = form->documentWindows().size();
        tool->show();
        QApplication::setActiveWindow(tool);
        ASSERT_EQ(QApplication::activeWindow(), tool);
        QTest::keyClick(tool, Qt::Key_N, Qt::ControlModifier);
        EXPECT_EQ(form->documentWindows().size(), before + 1);
        tool->hide();
    }
}

TEST_F(MainFormTest, ExpertAndTheLinkShowAndEnableTheUnitToolsAtOnce)
{
    auto form = makeForm();
    QMenu* tools = menuNamed(*form, "ToolsMenu");
    EXPECT_FALSE(form->action(ActionId::MemoryViewer)->isVisible());
    // The setting is read from the store: a change shows within one update.
    store.writeInteger("Expert", 1);
    clock.advance(TMainForm::kActionUpdateMs);
    EXPECT_EQ(entries(tools),
              (std::vector<QString>{"Update &Firmware...", "&MMC Data Viewer", "&Display Dump...", "-", "IR &Scope",
                                    "IR &Optimizer", "&Import Infrared Codes...", "-", "Op&tions..."}));
    EXPECT_FALSE(form->action(ActionId::MemoryViewer)->isEnabled());
    EXPECT_FALSE(form->action(ActionId::UpdateFirmware)->isEnabled());
    ASSERT_TRUE(clock.advanceUntil([&] { return form->link().Connected(); }, 1000));
    clock.advance(TMainForm::kActionUpdateMs);
    EXPECT_TRUE(form->action(ActionId::MemoryViewer)->isEnabled());
    EXPECT_TRUE(form->action(ActionId::UpdateFirmware)->isEnabled());
    sim.unit.unplug();
    clock.advance(TUsbZR48::kReopenMs + TMainForm::kActionUpdateMs);
    EXPECT_FALSE(form->action(ActionId::DisplayDump)->isEnabled());
}

TEST_F(MainFormTest, TheDatabaseDockIsTwoHundredPixelsWideAndNeverNarrower)
{
    auto form = makeForm();
    form->show();
    QDockWidget* dock = form->databaseDock();
    EXPECT_EQ(form->dockWidgetArea(dock), Qt::LeftDockWidgetArea);
    EXPECT_EQ(dock->windowTitle(), "ZR48 Database");
    EXPECT_EQ(dock->widget(), form->databaseForm());
    EXPECT_FALSE(dock->features() & QDockWidget::DockWidgetClosable);
    EXPECT_EQ(dock->width(), TMainForm::kDockWidth);
    form->resizeDocks({dock}, {150}, Qt::Horizontal);
    QApplication::processEvents();
    EXPECT_EQ(dock->width(), TMainForm::kDockWidth);
    form->resizeDocks({dock}, {320}, Qt::Horizontal);
    QApplication::processEvents();
    EXPECT_EQ(dock->width(), 320);

    // Floating: the dock areas take no room.
    dock->setFloating(true);
    QApplication::processEvents();
    EXPECT_EQ(form->centralWidget()->geometry().left(), 0);
    // Docked on the right, from a wide floating window: 200 pixels again.
    dock->resize(400, 300);
    form->addDockWidget(Qt::RightDockWidgetArea, dock);
    dock->setFloating(false);
    QApplication::processEvents();
    EXPECT_EQ(form->dockWidgetArea(dock), Qt::RightDockWidgetArea);
    EXPECT_EQ(dock->width(), TMainForm::kDockWidth);
    EXPECT_EQ(form->centralWidget()->geometry().left(), 0);
}

TEST_F(MainFormTest, GeometryAndDockPlaceComeBackAtTheNextStart)
{
    // The first start takes most of the screen, centred.
    {
        auto form = makeForm();
        form->show();
        QApplication::processEvents();
        const QRect available = form->screen()->availableGeometry();
        const QSize expected = (available.size() * TMainForm::kFirstStartShare).expandedTo(form->minimumSize());
        EXPECT_EQ(form->size(), expected);
        EXPECT_LE((form->geometry().center() - available.center()).manhattanLength(), 2);
    }
    {
        auto form = makeForm();
        form->show();
        form->addDockWidget(Qt::RightDockWidgetArea, form->databaseDock());
        form->resize(900, 700);
        QApplication::processEvents();
        EXPECT_TRUE(form->close());
    }
    auto form = makeForm();
    form->show();
    QApplication::processEvents();
    EXPECT_EQ(form->dockWidgetArea(form->databaseDock()), Qt::RightDockWidgetArea);
    EXPECT_EQ(form->size(), QSize(900, 700));
    // Something else in its place is no geometry: the first start's.
    store.writeString("MainWindowGeometry", "not a geometry");
    auto third = makeForm();
    third->show();
    EXPECT_EQ(
        third->size(),
        (third->screen()->availableGeometry().size() * TMainForm::kFirstStartShare).expandedTo(third->minimumSize()));
}

TEST_F(MainFormTest, AFirstStartOnTheSimulatorFindsItsFirmwareUpToDateUnlessAnOlderUnitIsAskedFor)
{
    // The firmware file beside the program, as the build puts it there.
    programDir.write("Firmware/ZR48.BIN", std::string("\x11R48+1.21 TEST\0\x11", 17));
    struct Case {
        const char* target;
        bool recommended;
    };
    const Case cases[] = {{"sim", false}, {"sim,firmware=R48+1.10 OLD", true}};
    for (const Case& c : cases) {
        prompt.clear();
        LinkDriver driver(
            *parseLinkTarget(c.target), clock, [this] { return clock.now() * 1000; }, {}, programDir.text());
        TimerRxThreadHost rxThreads(clock);
        auto form = std::make_unique<TMainForm>(MainFormParts{
            store, settings, prompt, files, {clock, driver.driver(), rxThreads, true}, programDir.text(), c.target});
        form->show();
        if (c.recommended)
            prompt.answer(Answer::Cancel, "We strongly recommend to update the Firmware");
        clock.advance(3000);
        EXPECT_EQ(form->deviceTools().firmware.deviceVersion(), c.recommended ? "R48+1.10 OLD" : "R48+1.21 TEST")
            << c.target;
        EXPECT_EQ(prompt.shown().size(), c.recommended ? 1u : 0u) << c.target;
    }
}

TEST_F(MainFormTest, TheStatusBarsToolTipNamesTheLinkTarget)
{
    auto form = makeForm("tty /dev/pts/3");
    EXPECT_EQ(form->statusPanel(1)->toolTip(), "ZR48 link: tty /dev/pts/3");
}

TEST_F(MainFormTest, TheCommandLineFileOpensByItsExtensionInLowerCase)
{
    const Text mpj = dir.write("HOME.MPJ", "[PROJECT]\r\n");
    const Text mpi = dir.write("TV.Mpi", "NAME=TV\r\n");
    const Text txt = dir.write("dev.txt", "x");
    const struct {
        Text path;
        std::size_t windows;
        DocumentKind kind;
    } cases[] = {{mpj, 1, DocumentKind::ProjectWindow},
                 {mpi, 1, DocumentKind::TextEditor},
                 {txt, 0, {}},
                 {dir.text("missing.mpj"), 0, {}}};
    for (const auto& c : cases) {
        auto form = makeForm();
        std::vector<std::string> loaded;
        form->setDocumentFactory(DocumentKind::ProjectWindow, [&](Shell&, int number) {
            auto* window = new test::FakeProjectWindow(number);
            loaded.push_back(c.path);
            return window;
        });
        form->setCommandLineFile(c.path);
        clock.advance(TMainForm::kStartTimerMs - 1);
        EXPECT_TRUE(form->documentWindows().empty());
        clock.advance(1);
        ASSERT_EQ(form->documentWindows().size(), c.windows) << c.path;
        if (c.windows == 0)
            continue;
        EXPECT_EQ(form->documentWindows()[0]->kind(), c.kind);
        EXPECT_EQ(form->documentWindows()[0]->documentFile(), c.path);
    }
    EXPECT_TRUE(prompt.shown().empty());
}

TEST_F(MainFormTest, ShutdownAsksEveryCloseQuestionAndACancelKeepsEverythingOpen)
{
    auto form = makeForm();
    form->show();
    TEditForm* first = form->NewTextEditor(form.get(), 0);
    QTest::keyClicks(first->richEdit(), "a");
    TEditForm* second = form->NewTextEditor(form.get(), 1);
    QTest::keyClicks(second->richEdit(), "b");
    // List order: second, then first.
    prompt.answer(Answer::No, "[Unnamed2]").answer(Answer::Cancel, "[Unnamed1]");
    EXPECT_FALSE(form->close());
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(form->documentWindows().size(), 2u);
    EXPECT_TRUE(first->modified());
    EXPECT_TRUE(second->modified());

    prompt.answer(Answer::No, "[Unnamed1]").answer(Answer::No, "[Unnamed2]");
    EXPECT_TRUE(form->close());
}

// A control whose handler fails.
class FailingWidget : public QWidget {
protected:
    void mousePressEvent(QMouseEvent*) override { throw Error("Cannot read \"x.mpj\":\nNo such file"); }
};

TEST_F(MainFormTest, AnErrorEscapingAnEventHandlerIsShownAndTheProgramGoesOn)
{
    auto* app = static_cast<TApplication*>(QApplication::instance());
    app->setErrorPrompt(&prompt);
    FailingWidget widget;
    widget.show();
    QTest::mouseClick(&widget, Qt::LeftButton);
    app->setErrorPrompt(nullptr);
    EXPECT_EQ(prompt.errors(), std::vector<Text>{"Cannot read \"x.mpj\":\nNo such file"});
}

TEST_F(MainFormTest, FilesDroppedFromTheFileManagerOpenAsFileOpenWould)
{
    auto form = makeForm();
    form->show();
    const Text mpi = dir.write("TV.mpi", "NAME=TV\r\n");
    const Text txt = dir.write("notes.txt", "x");
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QString::fromStdString(mpi)), QUrl::fromLocalFile(QString::fromStdString(txt))});
    QWidget* viewport = form->mdiArea()->viewport();
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &drop);
    // Both open in editors, the text file as File Open opens any text file.
    ASSERT_EQ(form->documentWindows().size(), 2u);
    EXPECT_EQ(form->documentWindows()[1]->documentFile(), mpi);
    EXPECT_EQ(form->documentWindows()[0]->documentFile(), txt);
}

// File Open never closes its dialog to show nothing: any text file (the database's description
// files, a large log) opens in the editor, and any other file is said to be no text.
TEST_F(MainFormTest, FileOpenOfAnyTextFileOpensItInTheEditorAndOfAnythingElseSaysWhy)
{
    auto form = makeForm();
    form->show();
    const Text shipped = std::string(ZR48_EXAMPLES_DIR) + "/database/KELDO/K20_Server.txt";
    std::string big;
    for (int line = 0; big.size() < 3 * 1024 * 1024; ++line)
        big += "Line " + std::to_string(line) + " of a large text file\n";
    const Text bigFile = dir.write("big.txt", big);
    const Text noExtension = dir.write("README", "Read me\n");
    for (const Text& path : {shipped, bigFile, noExtension}) {
        SCOPED_TRACE(path);
        files.answer(path);
        form->execute(ActionId::FileOpen);
        ASSERT_FALSE(form->documentWindows().empty());
        EXPECT_EQ(form->documentWindows()[0]->documentFile(), path);
    }
    EXPECT_EQ(form->documentWindows().size(), 3u);
    EXPECT_EQ(prompt.errors(), std::vector<Text>{});

    const Text picture = dir.write("photo.png", std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16));
    files.answer(picture);
    form->execute(ActionId::FileOpen);
    EXPECT_EQ(form->documentWindows().size(), 3u);
    EXPECT_EQ(prompt.errors(),
              std::vector<Text>{"The file \"" + picture +
                                "\" is not a text file: it holds binary data, not text (the byte 0x00 at "
                                "offset 8)."});
}

TEST_F(MainFormTest, RecentFilesOfferTheFilesOpenedLast)
{
    auto form = makeForm();
    form->show();
    const Text first = dir.write("a.mpi", "A\r\n");
    const Text second = dir.write("b.mpi", "B\r\n");
    // Empty at the first start; the first file opened makes it usable at once (a disabled menu
    // never opens, so it cannot wait for its own opening to find out).
    EXPECT_FALSE(form->recentFilesMenu()->isEnabled());
    for (const Text& path : {first, second}) {
        files.answer(path);
        form->execute(ActionId::FileOpen);
        EXPECT_TRUE(form->recentFilesMenu()->isEnabled());
    }
    EXPECT_EQ(form->recentFiles().files(), (std::vector<std::string>{second, first}));
    form->CloseAll();

    // At the next start the menu offers them, newest first.
    auto next = makeForm();
    next->show();
    QMenu* recent = next->recentFilesMenu();
    emit recent->aboutToShow();
    ASSERT_EQ(recent->actions().size(), 2);
    EXPECT_EQ(recent->actions()[0]->text(), "&1 " + pathToQString(second));
    EXPECT_EQ(recent->actions()[1]->text(), "&2 " + pathToQString(first));
    recent->actions()[1]->trigger();
    ASSERT_EQ(next->documentWindows().size(), 1u);
    EXPECT_EQ(next->documentWindows()[0]->documentFile(), first);

    // A file that has gone is said so, and leaves the list.
    std::filesystem::remove(second);
    emit recent->aboutToShow();
    recent->actions()[1]->trigger();
    EXPECT_EQ(prompt.errors(), std::vector<Text>{"File does not exists\n" + second});
    EXPECT_EQ(next->recentFiles().files(), std::vector<std::string>{first});
}

// A settings file the user may not write (the store then throws on each write).
class ReadOnlySettingsStore : public MemorySettingsStore {
public:
    void writeString(const std::string&, const std::string&) override { refuse(); }
    void writeInteger(const std::string&, std::int32_t) override { refuse(); }

private:
    [[noreturn]] static void refuse() { throw Error("Cannot write the settings to \"ZR48.conf\"."); }
};

// The recent files and the window's place are kept for comfort: a read-only settings file leaves
// File Open, the recent files' menu and the exit quiet. Only the settings dialog, where the user
// asked to keep something, says that it could not.
TEST_F(MainFormTest, AReadOnlySettingsFileIsReportedOnlyByTheSettingsDialog)
{
    ReadOnlySettingsStore readOnly;
    Settings readOnlySettings{readOnly, SettingsDefaults{}};
    auto form = std::make_unique<TMainForm>(
        MainFormParts{readOnly, readOnlySettings, prompt, files, link, programDir.text(), "simulated ZR48"});
    form->show();
    files.answer(dir.write("a.mpi", "A\r\n"));
    form->execute(ActionId::FileOpen);
    EXPECT_EQ(form->documentWindows().size(), 1u);
    form->CloseAll();
    EXPECT_TRUE(form->close());
    EXPECT_EQ(prompt.errors(), std::vector<Text>{});

    TOptionsForm* options = form->dialogs().OptionsForm;
    QTimer::singleShot(0, options, [options] { options->OkButton->click(); });
    form->execute(ActionId::Options);
    EXPECT_EQ(prompt.errors(), std::vector<Text>{"Cannot write the settings to \"ZR48.conf\"."});
}

TEST_F(MainFormTest, TheWindowMenuListsTheOpenDocumentWindows)
{
    auto form = makeForm();
    form->show();
    form->NewTextEditor(form.get(), 0);
    TEditForm* second = form->NewTextEditor(form.get(), 1);
    emit form->windowMenu()->aboutToShow();
    const auto list = entries(form->windowMenu());
    ASSERT_EQ(list.size(), 8u);
    EXPECT_EQ(list[5], "-");
    EXPECT_EQ(list[6], "&1 Text Editor - [Unnamed1]");
    EXPECT_EQ(list[7], "&2 Text Editor - [Unnamed2]");
    EXPECT_TRUE(form->windowMenu()->actions().back()->isChecked());
    form->windowMenu()->actions()[6]->trigger();
    EXPECT_NE(form->documentWindows().front(), second);
}

TEST_F(MainFormTest, TileHorizontallyStacksTheWindowsOverTheWholeArea)
{
    auto form = makeForm();
    form->show();
    form->NewTextEditor(form.get(), 0);
    form->NewTextEditor(form.get(), 1);
    form->execute(ActionId::WindowTileHorizontal);
    const QRect area = form->mdiArea()->viewport()->rect();
    const auto windows = form->documentWindows();
    EXPECT_EQ(windows[0]->geometry().width(), area.width());
    EXPECT_EQ(windows[0]->geometry().height() + windows[1]->geometry().height(), area.height());
    EXPECT_NE(windows[0]->geometry().top(), windows[1]->geometry().top());
    form->execute(ActionId::WindowTileVertical);
    EXPECT_EQ(windows[0]->geometry().height(), area.height());
    EXPECT_EQ(windows[0]->geometry().width() + windows[1]->geometry().width(), area.width());

    // A window of fixed size (as the project window is), last in the list, is not shrunk below its
    // content and stays inside the area whichever way the windows are tiled.
    form->resize(900, 700);
    TDocumentWindow* fixed = form->NewTextEditor(form.get(), 2);
    fixed->widget()->setFixedSize(500, 400);
    QApplication::processEvents();
    for (TDocumentWindow* window : windows)
        form->bringToFront(*window);
    ASSERT_EQ(form->documentWindows().back(), fixed);
    for (const ActionId tiling : {ActionId::WindowTileHorizontal, ActionId::WindowTileVertical}) {
        form->execute(tiling);
        const QRect client = form->mdiArea()->viewport()->rect();
        ASSERT_GE(client.width(), fixed->width());
        ASSERT_GE(client.height(), fixed->height());
        for (const TDocumentWindow* window : form->documentWindows())
            EXPECT_TRUE(client.contains(window->geometry())) << static_cast<int>(tiling);
        EXPECT_TRUE(fixed->contentsRect().contains(fixed->widget()->geometry())) << static_cast<int>(tiling);
    }
}

TEST_F(MainFormTest, CutCopyAndPasteFollowTheFocusedTextControl)
{
    auto form = makeForm();
    form->show();
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    TEditForm* editor = form->NewTextEditor(form.get(), 0);
    editor->richEdit()->setFocus();
    QApplication::clipboard()->clear();
    QTest::keyClicks(editor->richEdit(), "NAME=TV");
    form->UpdateActions();
    EXPECT_FALSE(form->action(ActionId::EditCopy)->isEnabled());
    EXPECT_FALSE(form->action(ActionId::EditPaste)->isEnabled());
    editor->richEdit()->selectAll();
    form->UpdateActions();
    EXPECT_TRUE(form->action(ActionId::EditCut)->isEnabled());
    form->execute(ActionId::EditCopy);
    EXPECT_EQ(QApplication::clipboard()->text(), "NAME=TV");
    EXPECT_TRUE(form->action(ActionId::EditPaste)->isEnabled());
    editor->richEdit()->moveCursor(QTextCursor::End);
    form->execute(ActionId::EditPaste);
    EXPECT_EQ(editor->richEdit()->toPlainText(), "NAME=TVNAME=TV");
}

} // namespace
} // namespace zr48
