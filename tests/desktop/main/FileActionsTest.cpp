// The file commands on document windows: File Open, Save, Save As, Save All, Close, Close All
// with the close question, and the infrared optimizer.

#include "base/FileIo.h"
#include "cli/Cli.h"
#include "desktop/FakeDocuments.h"
#include "desktop/ShellHarness.h"
#include "desktop/editor/EditForm.h"
#include "infrared/IrOptimizer.h"
#include "support/RandomBytes.h"

#include <QAction>
#include <QLabel>
#include <QMdiArea>
#include <QPlainTextEdit>
#include <QTest>

#include <sstream>

namespace zr48 {
namespace {

using test::fileContents;

using Kind = test::ScriptedFileChooser::Kind;
using test::FakeProjectWindow;
using test::openFakeProjectWindows;

class FileActionsTest : public test::ShellTest {
protected:
    void SetUp() override
    {
        form = makeForm();
        openFakeProjectWindows(*form, projects);
        form->show();
    }
    TEditForm* newEditor()
    {
        form->execute(ActionId::NewTextFile);
        return qobject_cast<TEditForm*>(form->documentWindows().front());
    }
    TEditForm* openEditor(const Text& path)
    {
        files.answer(path);
        form->execute(ActionId::FileOpen);
        return qobject_cast<TEditForm*>(form->documentWindows().front());
    }
    static void type(TEditForm* editor, const char* text) { QTest::keyClicks(editor->richEdit(), text); }
    std::size_t openCount() const { return form->documentWindows().size(); }

    std::unique_ptr<TMainForm> form;
    std::vector<FakeProjectWindow*> projects;
};

// On a new system the projects folder is made first, so that the dialog can start there.
TEST_F(FileActionsTest, OpenOffersTheFileKindsAndStartsInTheProjectFolder)
{
    const Text projectsFolder = dir.text("ZR48 Projects") + "/";
    store.writeString("ProjectDir", projectsFolder);
    form = makeForm(); // the start folder is read at the first show
    form->show();
    files.answer(std::nullopt);
    form->execute(ActionId::FileOpen);
    ASSERT_EQ(files.asked().size(), 1u);
    EXPECT_EQ(files.asked()[0].kind, Kind::Open);
    EXPECT_EQ(files.asked()[0].request.filter, "Project Files (*.mpj)|*.mpj|Device INI Files (*.mpi)|*.mpi|"
                                               "Database Files (*.mpd)|*.mpd|All Files (*.*)|*.*");
    EXPECT_EQ(files.asked()[0].request.directory, projectsFolder);
    EXPECT_TRUE(directoryExists(projectsFolder));
    EXPECT_EQ(openCount(), 0u);
}

TEST_F(FileActionsTest, OpenByTheExtensionAsWritten)
{
    const Text mpi = dir.write("TV.mpi", "NAME=TV\r\n");
    const Text upper = dir.write("HOME.MPJ", "[PROJECT]\r\n");
    const Text notes = dir.write("NOTES.TXT", "x");
    const Text mpj = dir.write("Home.mpj", "[PROJECT]\r\n");

    TEditForm* editor = openEditor(mpi);
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->documentFile(), mpi);
    EXPECT_EQ(editor->richEdit()->toPlainText(), "NAME=TV\n");
    files.answer(upper).answer(notes);
    form->execute(ActionId::FileOpen);
    form->execute(ActionId::FileOpen);
    // Names that are no project or device file by their extension as written open as text.
    EXPECT_EQ(openCount(), 3u);
    files.answer(mpj);
    form->execute(ActionId::FileOpen);
    ASSERT_EQ(projects.size(), 1u);
    EXPECT_EQ(projects[0]->calls, std::vector<std::string>{"LoadProject " + mpj});
}

// Such a file would open as an empty project, and Download would then empty the unit's card.
TEST_F(FileActionsTest, AFileThatIsNoProjectIsNotOpenedAsOne)
{
    const std::string random = test::randomBytes(5000, 5);
    const struct {
        const char* name;
        std::string bytes;
        const char* reason;
    } cases[] = {
        {"x.mpj", random, "it holds binary data, not text"},
        {"empty.mpj", "", "it has neither a [PROJECT] section nor a slot section"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Text path = dir.write(c.name, c.bytes);
        prompt.clear();
        files.answer(path);
        form->execute(ActionId::FileOpen);
        EXPECT_EQ(openCount(), 0u);
        EXPECT_TRUE(projects.empty());
        ASSERT_EQ(prompt.errors().size(), 1u);
        EXPECT_EQ(prompt.errors()[0].rfind("The file \"" + path + "\" is not a project file: " + c.reason, 0), 0u)
            << prompt.errors()[0];
    }
}

// A file open in a window comes to the front by any name of it (another spelling of its path, a
// link to it); a name in other letter case is another file here, which opens beside it.
TEST_F(FileActionsTest, AFileAlreadyOpenComesToTheFrontByAnyNameOfIt)
{
    const Text mpj = dir.write("Home.mpj", "[PROJECT]\r\n");
    const Text mpi = dir.write("case.mpi", "A=1\r\n");
    std::filesystem::create_directories(toFsPath(dir.text("sub")));
    std::filesystem::create_symlink(toFsPath(mpj), toFsPath(dir.text("link.mpj")));
    files.answer(mpj);
    form->execute(ActionId::FileOpen);
    TEditForm* editor = openEditor(mpi);
    ASSERT_EQ(form->documentWindows().front(), editor);

    for (const Text& name : {dir.text("sub/../Home.mpj"), dir.text("link.mpj")}) {
        SCOPED_TRACE(name);
        form->bringToFront(*editor);
        files.answer(name);
        form->execute(ActionId::FileOpen);
        EXPECT_EQ(openCount(), 2u);
        EXPECT_EQ(projects.size(), 1u);
        EXPECT_EQ(form->documentWindows().front(), projects[0]);
        EXPECT_EQ(form->mdiArea()->activeSubWindow(), projects[0]);
    }
    TEditForm* other = openEditor(dir.write("CASE.mpi", "B=2\r\n"));
    EXPECT_NE(other, editor);
    EXPECT_EQ(openCount(), 3u);
    EXPECT_EQ(other->richEdit()->toPlainText(), "B=2\n");

    // OpenProjectWindow itself does not look: a second window on the same file.
    form->OpenProjectWindow(mpj);
    EXPECT_EQ(projects.size(), 2u);
}

TEST_F(FileActionsTest, OpeningAnImageStartsTheDownloaderAtOnceEvenWithoutTheLink)
{
    // One sector record of zeros: no card image, so the user is asked first.
    std::string image(514, '\0');
    const Text path = dir.write("image.mpd", image);
    ASSERT_FALSE(form->link().Connected());
    files.answer(path);
    prompt.answer(Answer::No, "is damaged");
    form->execute(ActionId::FileOpen);
    EXPECT_EQ(form->deviceTools().downloader.Result(), DownloadResult::Refused);

    files.answer(path);
    prompt.answer(Answer::Yes, "is damaged");
    form->execute(ActionId::FileOpen);
    EXPECT_EQ(form->deviceTools().downloader.Result(), DownloadResult::Running);
    EXPECT_EQ(openCount(), 0u);
    // Without a unit its resends run out, and it says so itself.
    sim.unit.unplug();
    clock.advance(Exchange::kWatchdogMs * (Exchange::kMaxResends + 2));
    EXPECT_EQ(form->deviceTools().downloader.Result(), DownloadResult::Failed);
    EXPECT_EQ(prompt.errors().size(), 1u);
}

TEST_F(FileActionsTest, NewTextFileIsNumberedByTheOpenWindowsAndSavesThroughSaveAs)
{
    form->OpenProjectWindow(dir.text("Home.mpj"));
    newEditor();
    TEditForm* editor = newEditor();
    EXPECT_EQ(editor->windowTitle(), "Text Editor - [Unnamed3]");
    type(editor, "A=1");

    files.answer(std::nullopt);
    form->execute(ActionId::FileSave);
    ASSERT_EQ(files.asked().size(), 1u);
    const FileDialogRequest& request = files.asked()[0].request;
    EXPECT_EQ(files.asked()[0].kind, Kind::Save);
    EXPECT_EQ(request.title, "Save Device INI File as...");
    EXPECT_EQ(request.filter, "Device INI Files (*.mpi)|*.mpi");
    EXPECT_EQ(request.defaultExtension, ".mpi");
    EXPECT_EQ(request.fileName, "[Unnamed3]");
    EXPECT_TRUE(editor->modified());

    files.answer(dir.text("new.mpi"));
    form->execute(ActionId::FileSave);
    EXPECT_EQ(fileContents(dir.text("new.mpi")), "A=1");
    EXPECT_EQ(editor->windowTitle(), QString::fromStdString("Text Editor - " + dir.text("new.mpi")));
    // Named now: Save writes without asking.
    type(editor, "2");
    form->execute(ActionId::FileSave);
    EXPECT_EQ(fileContents(dir.text("new.mpi")), "A=12");
    EXPECT_EQ(files.asked().size(), 2u);
}

TEST_F(FileActionsTest, SaveAndSaveAsAreEnabledByTheActiveWindow)
{
    form->setDocumentFactory(DocumentKind::SectorViewer,
                             [](Shell&, int n) { return new test::FakeViewer(DocumentKind::SectorViewer, n); });
    TEditForm* editor = newEditor();
    type(editor, "x");
    form->UpdateActions();
    EXPECT_TRUE(form->action(ActionId::FileSave)->isEnabled());
    EXPECT_TRUE(form->action(ActionId::FileSaveAs)->isEnabled());
    form->execute(ActionId::MemoryViewer);
    EXPECT_FALSE(form->action(ActionId::MemoryViewer)->isEnabled()); // no link
    ASSERT_EQ(openCount(), 2u);
    EXPECT_FALSE(form->action(ActionId::FileSave)->isEnabled());
    EXPECT_FALSE(form->action(ActionId::FileSaveAs)->isEnabled());
    EXPECT_TRUE(form->action(ActionId::SaveAll)->isEnabled());
}

TEST_F(FileActionsTest, SaveAllSavesOnlyModifiedWindowsWithOneSaveAsForTheUnnamed)
{
    // A rewrite of the clean file would show: the editor writes CR LF.
    const Text clean = dir.write("clean.mpi", "A=1\n");
    TEditForm* unnamed = newEditor();
    type(unnamed, "U=1");
    TEditForm* untouched = openEditor(clean);
    TEditForm* emptyUnnamed = newEditor(); // never saved, nothing typed: no Save As
    form->OpenProjectWindow(dir.text("Home.mpj"));
    projects[0]->setModified(true);

    files.answer(dir.text("saved.mpi"));
    form->execute(ActionId::SaveAll);
    EXPECT_EQ(projects[0]->calls.back(), "SaveProject " + dir.text("Home.mpj"));
    EXPECT_EQ(
        std::count_if(files.asked().begin(), files.asked().end(), [](const auto& a) { return a.kind == Kind::Save; }),
        1);
    EXPECT_EQ(fileContents(dir.text("saved.mpi")), "U=1");
    EXPECT_FALSE(unnamed->modified());
    EXPECT_FALSE(untouched->modified());
    EXPECT_EQ(fileContents(clean), "A=1\n");
    EXPECT_TRUE(emptyUnnamed->title().find("[Unnamed") != std::string::npos);
    EXPECT_FALSE(form->action(ActionId::SaveAll)->isEnabled());
}

TEST_F(FileActionsTest, SaveAllReportsAFailedSaveAndGoesOn)
{
    TEditForm* editor = openEditor(dir.write("a.mpi", "A=1\r\n"));
    type(editor, "x");
    form->OpenProjectWindow(dir.text("Home.mpj"));
    projects[0]->setModified(true);
    projects[0]->saveFails = true;
    form->execute(ActionId::SaveAll);
    EXPECT_EQ(prompt.errors().size(), 1u);
    EXPECT_TRUE(projects[0]->title().ends_with(" *"));
    EXPECT_FALSE(editor->modified());
}

TEST_F(FileActionsTest, TheCloseQuestionOfAnUnchangedWindowShowsNothing)
{
    newEditor();
    form->execute(ActionId::FileClose);
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(openCount(), 0u);
    EXPECT_TRUE(prompt.shown().empty());
}

TEST_F(FileActionsTest, TheCloseQuestionNamesTheWholeTitle)
{
    TEditForm* editor = openEditor(dir.write("a.mpi", "A=1\r\n"));
    type(editor, "x");
    prompt.answer(Answer::Cancel, "Save changes to\nText Editor - " + dir.text("a.mpi") + " * ?");
    form->execute(ActionId::FileClose);
    EXPECT_EQ(openCount(), 1u);
    EXPECT_TRUE(editor->modified());
    EXPECT_EQ(prompt.shown().at(0).buttons, Buttons::YesNoCancel);
    EXPECT_EQ(prompt.shown().at(0).icon, Icon::Confirmation);

    prompt.answer(Answer::Yes);
    form->execute(ActionId::FileClose);
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(openCount(), 0u);
    EXPECT_EQ(fileContents(dir.text("a.mpi")), "xA=1\r\n");
}

TEST_F(FileActionsTest, ASaveThatFailsOrIsCancelledInTheCloseQuestionKeepsTheWindow)
{
    TEditForm* unnamed = newEditor();
    type(unnamed, "x");
    prompt.answer(Answer::Yes);
    files.answer(std::nullopt);
    form->execute(ActionId::FileClose);
    EXPECT_EQ(openCount(), 1u);
    EXPECT_TRUE(unnamed->modified());

    form->OpenProjectWindow(dir.text("Home.mpj"));
    projects[0]->setModified(true);
    projects[0]->saveFails = true;
    prompt.answer(Answer::Yes);
    form->execute(ActionId::FileClose);
    EXPECT_EQ(openCount(), 2u);
    EXPECT_EQ(prompt.errors().size(), 1u);
}

TEST_F(FileActionsTest, CloseAllRunsTheQuestionsInListOrderUntilACancel)
{
    TEditForm* first = openEditor(dir.write("1.mpi", "1\r\n"));
    TEditForm* second = openEditor(dir.write("2.mpi", "2\r\n"));
    TEditForm* third = openEditor(dir.write("3.mpi", "3\r\n"));
    type(first, "a");
    type(third, "c");
    // List order: third, second, first.
    prompt.answer(Answer::No, "3.mpi").answer(Answer::Cancel, "1.mpi");
    EXPECT_FALSE(form->CloseAll());
    EXPECT_EQ(form->documentWindows(), std::vector<TDocumentWindow*>{first});
    EXPECT_TRUE(first->modified());
    EXPECT_EQ(fileContents(dir.text("3.mpi")), "3\r\n");
    (void)second;

    prompt.answer(Answer::No);
    form->execute(ActionId::CloseAll);
    EXPECT_EQ(openCount(), 0u);
    EXPECT_EQ(fileContents(dir.text("1.mpi")), "1\r\n");
}

TEST_F(FileActionsTest, InfraredOptimizerOnlyForAnEditorOnAnMpiFile)
{
    TEditForm* unnamed = newEditor();
    form->UpdateActions();
    EXPECT_FALSE(form->action(ActionId::InfraredOptimizer)->isEnabled());
    openEditor(dir.write("DEV.MPI", "A=1\r\n"));
    EXPECT_FALSE(form->action(ActionId::InfraredOptimizer)->isEnabled());
    form->execute(ActionId::InfraredOptimizer); // nothing, not even the question
    openEditor(dir.write("dev.mpi", "A=1\r\n"));
    EXPECT_TRUE(form->action(ActionId::InfraredOptimizer)->isEnabled());
    EXPECT_TRUE(form->action(ActionId::InfraredImport)->isEnabled());
    form->bringToFront(*unnamed);
    EXPECT_FALSE(form->action(ActionId::InfraredOptimizer)->isEnabled());
    EXPECT_FALSE(form->action(ActionId::InfraredImport)->isEnabled());
    form->execute(ActionId::InfraredImport); // nothing, not even a file dialog
    EXPECT_TRUE(prompt.shown().empty());
}

// The editor's optimizer gives, once saved, the very bytes of "zr48 ir optimize -o" with the same
// tolerances; it rewrites the text in place as one edit and writes nothing until saved.
TEST_F(FileActionsTest, InfraredOptimizerGivesTheBytesOfTheCommandLine)
{
    const std::string device = "NAME=TV\r\n"
                               "POWER=\"#9000#4500#560#1690#560#560#570#1680#555#565\"\r\n"
                               "\r\n"
                               "MUTE=\"#9010#4490#565#1700#545#575#1650#590\"\r\n";
    const Text path = dir.write("tv.mpi", device);
    settings.setIrOptimizerPass1(3);
    settings.setIrOptimizerPass2(30);
    const Text reference = dir.text("reference.mpi");
    std::ostringstream out;
    std::ostringstream err;
    test::ScriptedPrompt cliPrompt;
    cli::Environment command{out, err, cliPrompt, settings, {}};
    ASSERT_EQ(cli::run(command, {"ir", "optimize", path, "-o", reference}), 0) << err.str();
    ASSERT_NE(fileContents(reference), device);

    TEditForm* editor = openEditor(path);
    QTest::keyClick(editor->richEdit(), Qt::Key_End);
    QTest::keyClick(editor->richEdit(), Qt::Key_Down);
    prompt.answer(Answer::No, "Perform Infrared String Optimization?\n");
    form->execute(ActionId::InfraredOptimizer);
    EXPECT_FALSE(editor->modified());

    prompt.answer(Answer::Yes);
    form->execute(ActionId::InfraredOptimizer);
    EXPECT_TRUE(editor->modified());
    EXPECT_EQ(editor->statusPanel(0)->text(), "1:1");
    EXPECT_EQ(fileContents(path), device); // nothing written until saved
    // One edit: one undo brings the text back.
    editor->richEdit()->undo();
    EXPECT_EQ(editor->fileBytes(), device);
    editor->richEdit()->redo();
    form->execute(ActionId::FileSave);
    EXPECT_EQ(fileContents(path), fileContents(reference));
}

// A read-only text (a database file) changes only when the user agrees, as for a key press.
TEST_F(FileActionsTest, InfraredOptimizerAsksBeforeItChangesAReadOnlyFile)
{
    const std::string device = "POWER=\"#9000#4500#560#1690#560#560\"\r\n";
    const Text path = dir.write("db/tv.mpi", device);
    TEditForm* editor = form->NewTextEditor(form.get(), 0);
    editor->setReadOnly(true);
    editor->LoadFile(path);

    prompt.answer(Answer::Yes, "Perform Infrared String Optimization?")
        .answer(Answer::No, "Do you really want to edit this File?");
    form->execute(ActionId::InfraredOptimizer);
    EXPECT_EQ(editor->fileBytes(), device);
    EXPECT_TRUE(editor->readOnly());
    EXPECT_FALSE(editor->modified());

    prompt.answer(Answer::Yes, "Perform Infrared String Optimization?")
        .answer(Answer::Yes, "Do you really want to edit this File?");
    form->execute(ActionId::InfraredOptimizer);
    EXPECT_NE(editor->fileBytes(), device);
    EXPECT_FALSE(editor->readOnly());
    EXPECT_TRUE(editor->modified());
    EXPECT_EQ(fileContents(path), device);
}

// A Flipper file with a parsed and a raw button, and one the table does not know.
const char* const kRemote = "Filetype: IR signals file\nVersion: 1\n#\n"
                            "name: Power\ntype: parsed\nprotocol: NEC\naddress: 04 00 00 00\ncommand: 08 00 00 00\n#\n"
                            "name: Vol+\ntype: raw\nfrequency: 38000\nduty_cycle: 0.33\ndata: 900 450 900\n#\n"
                            "name: Guide\ntype: parsed\nprotocol: Morse\naddress: 01 00 00 00\ncommand: 02 00 00 00\n";

TEST_F(FileActionsTest, ImportInfraredCodesAddsTheButtonsToTheTextUnderTheFilesPrefix)
{
    settings.setIrOptimizerPass1(10);
    settings.setIrOptimizerPass2(20);
    const std::string own = "NAME=Amp\r\nIR_TIME_0 = 560\r\nIR_POWER=\"#9000#4500$0#560\"\r\nIR_MUTE=\"#1000\"\r\n";
    const Text device = dir.write("amp.mpi", own);
    const Text remote = dir.write("remote.ir", kRemote);
    TEditForm* editor = openEditor(device);

    // A change not saved: the codes go into the text as it stands, no question asked; IR_POWER
    // is the file's, so the import asks before it replaces it.
    type(editor, "X");
    files.answer(remote);
    prompt.answer(Answer::No, "infrared strings under these keys already: IR_POWER.");
    form->execute(ActionId::InfraredImport);
    EXPECT_EQ(files.asked().back().request.filter, "Infrared Codes (*.ir;*.txt)|*.ir;*.txt|All Files (*.*)|*.*");
    EXPECT_EQ(files.asked().back().request.directory, extractFilePath(device));
    ASSERT_EQ(prompt.shown().size(), 2u);
    EXPECT_EQ(prompt.shown().back().icon, Icon::Information);
    EXPECT_EQ(prompt.shown().back().message, "Imported 1 button into amp.mpi: IR_VOL_PLUS\n"
                                             "Renamed:\n  \"Vol+\" as IR_VOL_PLUS: + and - spelled out\n"
                                             "Skipped:\n"
                                             "  \"Guide\" (line 16): protocol Morse is not in the table\n"
                                             "  \"Power\" (line 4): IR_POWER exists and was not replaced\n");
    // The text's own lines are as they were, byte for byte: the new table line follows the
    // file's, the new key the last line (its 450 µs within 20 % of the file's 560, its 900 µs
    // new); nothing is written until the user saves.
    EXPECT_TRUE(editor->modified());
    EXPECT_EQ(editor->fileBytes(),
              "XNAME=Amp\r\nIR_TIME_0 = 560\r\nIR_TIME_1 = 900\r\nIR_POWER=\"#9000#4500$0#560\"\r\n"
              "IR_MUTE=\"#1000\"\r\nIR_VOL_PLUS=\"$101\"\r\n");
    EXPECT_EQ(fileContents(device), own);
}

// Text after a section line no reader sees; the optimizer would write its durations as 0.
TEST_F(FileActionsTest, OptimizerAndImportRefuseATextWithASectionLine)
{
    const std::string text = "DEVICE=6\r\nIR_POWER=\"#9000#4500#560\"\r\n[S]\r\nX=1\r\n";
    const Text device = dir.write("v.mpi", text);
    TEditForm* editor = openEditor(device);
    const std::size_t dialogs = files.asked().size();
    prompt.answer(Answer::Yes, "Perform Infrared String Optimization?");
    form->execute(ActionId::InfraredOptimizer);
    form->execute(ActionId::InfraredImport);
    ASSERT_EQ(prompt.errors().size(), 2u);
    for (const std::string& error : prompt.errors())
        EXPECT_EQ(error, "The file \"" + device +
                             "\" is not a device file: line 3 is the section line \"[S]\", which a device file has "
                             "none of.");
    EXPECT_EQ(files.asked().size(), dialogs); // no code file asked for
    EXPECT_EQ(editor->fileBytes(), text);
    EXPECT_FALSE(editor->modified());
}

TEST_F(FileActionsTest, ImportOfAFileThatCannotBeReadShowsWhyAndChangesNothing)
{
    const std::string text = "NAME=TV\r\nPOWER=\"#9000#4500#560\"\r\n";
    const Text device = dir.write("tv.mpi", text);
    TEditForm* editor = openEditor(device);
    files.answer(dir.write("codes.txt", "Power: 0000 006D 0000 0001 0156\n"));
    form->execute(ActionId::InfraredImport);
    ASSERT_EQ(prompt.errors().size(), 1u);
    EXPECT_NE(prompt.errors()[0].find("codes.txt: line 1: an odd number of words (5)"), std::string::npos);
    EXPECT_EQ(fileContents(device), text);
    EXPECT_EQ(editor->fileBytes(), text);

    // Cancelled at the file dialog: nothing at all.
    files.answer(std::nullopt);
    form->execute(ActionId::InfraredImport);
    EXPECT_EQ(prompt.shown().size(), 1u);
}

// Message boxes that stay open for a while: the link's time goes on while one is up.
class SlowPrompt : public test::ScriptedPrompt {
public:
    explicit SlowPrompt(VirtualClock& clock) : clock_(clock) {}
    Answer show(const Text& message, Icon icon, Buttons buttons) override
    {
        clock_.advance(5000);
        return ScriptedPrompt::show(message, icon, buttons);
    }

private:
    VirtualClock& clock_;
};

TEST_F(FileActionsTest, TheLinkGoesOnWhileACloseQuestionIsOpen)
{
    form.reset(); // one main window on the simulated unit
    SlowPrompt slow(clock);
    auto owned = std::make_unique<TMainForm>(MainFormParts{store, settings, slow, files, link, programDir.text(), ""});
    TMainForm& main = *owned;
    main.show();
    ASSERT_TRUE(clock.advanceUntil([&] { return main.link().Connected(); }, 1000));
    const auto received = main.link().RxCount();
    TEditForm* editor = main.NewTextEditor(&main, 0);
    QTest::keyClicks(editor->richEdit(), "x");

    slow.answer(Answer::Cancel, "Save changes to");
    main.execute(ActionId::CloseAll);
    // Five seconds in the box: past the reopen time, yet the keep-alive kept the unit connected.
    EXPECT_TRUE(main.link().Connected());
    EXPECT_GT(main.link().RxCount(), received);
    EXPECT_EQ(main.documentWindows().size(), 1u);

    slow.answer(Answer::No, "Save changes to");
    EXPECT_TRUE(main.CloseAll());
    EXPECT_TRUE(main.link().Connected());
}

} // namespace
} // namespace zr48
