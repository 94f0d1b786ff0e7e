// The main window with document windows of every kind: numbering, frame routing, the project
// window's hooks and the single-instance dialogs' start-up order.

#include "desktop/FakeDocuments.h"
#include "desktop/ShellHarness.h"
#include "desktop/editor/EditForm.h"
#include "desktop/main/OptionsForm.h"
#include "desktop/tools/UploaderForm.h"
#include "project/Compiler.h"
#include "project/ProjectFile.h"

#include <QApplication>
#include <QDialog>
#include <QDropEvent>
#include <QMdiArea>
#include <QTimer>

namespace zr48 {
namespace {

using test::FakeProjectWindow;
using test::FakeViewer;
using test::openFakeProjectWindows;

class DocumentWindowsTest : public test::ShellTest {
protected:
    void SetUp() override
    {
        form = makeForm();
        openFakeProjectWindows(*form, projects);
        for (const DocumentKind kind : {DocumentKind::SectorViewer, DocumentKind::InfraredScope})
            form->setDocumentFactory(kind, [this, kind](Shell&, int number) {
                viewers.push_back(new FakeViewer(kind, number));
                return viewers.back();
            });
    }

    std::unique_ptr<TMainForm> form;
    std::vector<FakeProjectWindow*> projects;
    std::vector<FakeViewer*> viewers;
};

TEST_F(DocumentWindowsTest, EveryFrameWindowHasAnIdNoOtherOpenWindowHasAndGetsOnlyItsFrames)
{
    form->OpenProjectWindow(dir.text("Home.mpj"));
    form->execute(ActionId::MemoryViewer);
    form->execute(ActionId::MemoryViewer);
    ASSERT_EQ(viewers.size(), 2u);
    EXPECT_EQ(viewers[0]->windowNumber(), 1);
    EXPECT_EQ(viewers[1]->windowNumber(), 2);

    // Three windows are open again, but the id 2 is taken: the first closed left 1 free.
    delete viewers[0];
    form->execute(ActionId::InfraredScope);
    ASSERT_EQ(viewers.size(), 3u);
    EXPECT_EQ(viewers[2]->windowNumber(), 1);
    EXPECT_EQ(viewers[2]->kind(), DocumentKind::InfraredScope);
    // With every low number taken, the next beyond them.
    form->execute(ActionId::MemoryViewer);
    ASSERT_EQ(viewers.size(), 4u);
    EXPECT_EQ(viewers[3]->windowNumber(), 3);

    const std::uint8_t reply[] = {20, 2, 7};
    form->dispatcher().Dispatch(reply, 3);
    EXPECT_EQ(viewers[1]->frames.size(), 1u);
    EXPECT_EQ(viewers[2]->frames.size(), 0u);
    EXPECT_EQ(viewers[3]->frames.size(), 0u);
    const std::uint8_t other[] = {20, 1, 7};
    form->dispatcher().Dispatch(other, 3);
    EXPECT_EQ(viewers[1]->frames.size(), 1u);
    EXPECT_EQ(viewers[2]->frames.size(), 1u);
    // The connect notice reaches no window.
    form->dispatcher().Dispatch(nullptr, 0);
    EXPECT_EQ(viewers[1]->frames.size(), 1u);
    EXPECT_EQ(viewers[2]->frames.size(), 1u);

    // The placeholder names keep counting the open windows.
    form->execute(ActionId::NewTextFile);
    EXPECT_EQ(form->documentWindows().front()->documentFile(), "[Unnamed5]");
}

// A title too wide for its bar loses the middle of its path: the window's name and the marks of
// the document's state stay in sight.
TEST_F(DocumentWindowsTest, ALongTitleIsShortenedInTheMiddleOfItsPath)
{
    const QFontMetrics metrics(QApplication::font());
    const QString path = "/home/ann/ZR48 Projects/a very long folder name/another level/living room television.mpi";
    const QString ellipsis(QChar(0x2026));
    for (const QString state : {" *", " (Read only)", " * (Read only)"}) {
        const QString title = "Text Editor - " + path + state;
        const int width = metrics.horizontalAdvance("Text Editor - /home/ann/ZR48 Projects" + state);
        const QString shown = shortenedTitle(title, metrics, width);
        SCOPED_TRACE(shown.toStdString());
        EXPECT_LE(metrics.horizontalAdvance(shown), width);
        EXPECT_TRUE(shown.startsWith("Text Editor - /home"));
        EXPECT_TRUE(shown.endsWith(".mpi" + state));
        EXPECT_TRUE(shown.contains(ellipsis));
    }
    // A title that fits is shown whole; in a bar too narrow even for the name and state, the
    // whole title is cut in its middle.
    EXPECT_EQ(shortenedTitle("Text Editor - /a.mpi *", metrics, 1000), "Text Editor - /a.mpi *");
    const QString narrow = shortenedTitle("Text Editor - " + path + " *", metrics, metrics.horizontalAdvance("Text E"));
    EXPECT_LE(metrics.horizontalAdvance(narrow), metrics.horizontalAdvance("Text E"));
}

TEST_F(DocumentWindowsTest, AFrameForWindowZeroReachesAViewerWithIdZero)
{
    form->execute(ActionId::MemoryViewer);
    ASSERT_EQ(viewers.size(), 1u);
    EXPECT_EQ(viewers[0]->windowNumber(), 0);
    const std::uint8_t frame[] = {20, 0, 1};
    form->dispatcher().Dispatch(frame, 3);
    EXPECT_EQ(viewers[0]->frames.size(), 1u);
}

TEST_F(DocumentWindowsTest, OpenProjectWindowLoadsTheFileWithTheCurrentNumberAndTheCloseQuestion)
{
    form->execute(ActionId::NewTextFile);
    TDocumentWindow* window = form->OpenProjectWindow(dir.text("Home.mpj"));
    ASSERT_EQ(projects.size(), 1u);
    EXPECT_EQ(window, projects[0]);
    EXPECT_EQ(projects[0]->windowNumber(), 1);
    EXPECT_EQ(projects[0]->calls, std::vector<std::string>{"LoadProject " + dir.text("Home.mpj")});
    EXPECT_TRUE(projects[0]->hasCloseQuestion());
    EXPECT_EQ(form->documentWindows().front(), window);
}

TEST_F(DocumentWindowsTest, WithoutAFactoryNoProjectWindowOpens)
{
    form->setDocumentFactory(DocumentKind::ProjectWindow, nullptr);
    EXPECT_EQ(form->OpenProjectWindow(dir.text("Home.mpj")), nullptr);
    EXPECT_TRUE(form->documentWindows().empty());
}

TEST_F(DocumentWindowsTest, ASlotDroppedOnTheEmptyClientAreaIsClearedInItsProjectWindow)
{
    form->show();
    form->OpenProjectWindow(dir.text("Home.mpj"));
    QWidget* viewport = form->mdiArea()->viewport();
    const QPointF corner(viewport->width() - 2, viewport->height() - 2);

    ProjectSlotMimeData slot(projects[0]);
    QDragEnterEvent enter(corner.toPoint(), Qt::MoveAction, &slot, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(corner, Qt::MoveAction, &slot, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &drop);
    EXPECT_EQ(projects[0]->calls.back(), "ClearSelectedSlot");
    EXPECT_TRUE(projects[0]->title().ends_with(" *"));

    // Any other source is refused.
    QMimeData text;
    text.setText("TV-3");
    QDragEnterEvent other(corner.toPoint(), Qt::MoveAction, &text, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &other);
    EXPECT_FALSE(other.isAccepted());
}

TEST_F(DocumentWindowsTest, DownloadPreparesTheProjectThenStartsTheDownloaderWithItsImage)
{
    // The image of an empty project: the directory and menu sectors, ten records.
    TProjectFile().Save(dir.text("Home.mpj"));
    ASSERT_TRUE(CompileProject(dir.text("Home.mpj"), prompt));
    form->OpenProjectWindow(dir.text("Home.mpj"));
    projects[0]->prepareSucceeds = false;
    form->execute(ActionId::Download);
    EXPECT_EQ(projects[0]->calls.back(), "PrepareDownload");
    EXPECT_EQ(form->deviceTools().downloader.Result(), DownloadResult::None);

    // A project without a device would empty the unit's card: asked first.
    projects[0]->prepareSucceeds = true;
    prompt.answer(Answer::No, "assigns no device to any slot");
    form->execute(ActionId::Download);
    EXPECT_EQ(form->deviceTools().downloader.Result(), DownloadResult::Refused);
    prompt.answer(Answer::Yes, "Write it to the ZR48 anyway?");
    form->execute(ActionId::Download);
    EXPECT_EQ(form->deviceTools().downloader.Result(), DownloadResult::Running);
    EXPECT_EQ(form->deviceTools().downloader.ImageRecordCount(), 10u);
    form->deviceTools().downloader.Cancel();
}

TEST_F(DocumentWindowsTest, ProjectCommandsGoToTheActiveProjectWindowOnly)
{
    form->OpenProjectWindow(dir.text("Home.mpj"));
    form->execute(ActionId::CleanupProject);
    EXPECT_EQ(projects[0]->calls.back(), "DeleteUnusedFiles");
    form->execute(ActionId::NewTextFile);
    form->execute(ActionId::CleanupProject);
    form->execute(ActionId::Download);
    EXPECT_EQ(projects[0]->calls.back(), "DeleteUnusedFiles");
}

TEST_F(DocumentWindowsTest, TheDialogsAreCreatedInTheirStartUpOrder)
{
    std::vector<QString> names;
    for (QObject* child : form->children())
        if (qobject_cast<QDialog*>(child) || child->objectName() == "DirectoryForm")
            names.push_back(child->objectName());
    const std::vector<QString> order{"AboutBox",     "DirectoryForm",  "DisplayDumpForm", "DownloaderForm",
                                     "FirmwareForm", "NewProjectForm", "OptionsForm",     "UploaderForm"};
    EXPECT_EQ(names, order);
    EXPECT_EQ(form->dialogs().UploaderForm->objectName(), "UploaderForm");
}

TEST_F(DocumentWindowsTest, ProjectWindowsApplyTheirRulesAgainAfterTheSettingsDialog)
{
    form->OpenProjectWindow(dir.text("Home.mpj"));
    QTimer::singleShot(0, form->dialogs().OptionsForm, &QDialog::reject);
    form->execute(ActionId::Options);
    EXPECT_EQ(projects[0]->calls.back(), "ApplyEnableRules");
}

} // namespace
} // namespace zr48
