// The reports of the main window on the sample project: Compare with ZR48 against the simulated
// unit in virtual time, the IR Optimizer's summary, and File › Export Report.

#include "base/Paths.h"
#include "desktop/common/FileChooser.h"
#include "desktop/common/TitleWidth.h"
#include "desktop/editor/EditForm.h"
#include "desktop/infrared/OptimizeReportForm.h"
#include "desktop/main/StatusNotice.h"
#include "desktop/project/ProjectHarness.h"
#include "desktop/tools/CompareForm.h"
#include "desktop/tools/CompareResultForm.h"
#include "desktop/tools/DownloaderForm.h"
#include "support/TempDir.h"

#include <QApplication>
#include <QComboBox>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTextEdit>
#include <QTimer>
#include <QTreeWidget>
#include <QUrl>

#include <cstdio>
#include <filesystem>
#include <fstream>

namespace zr48 {
namespace {

using test::fileContents;

// What QDesktopServices::openUrl was given.
class UrlCatcher : public QObject {
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void open(const QUrl& url) { urls.push_back(url); }
};

const char* const kVillaSlots[] = {"TUNER", "DVD", "TV", "SERVER", "SAT", "AUDIO", "LIGHT"};

// Every control of `dialog` carries its name.
void expectNamedControls(const QDialog& dialog)
{
    for (const QWidget* control : dialog.findChildren<QWidget*>()) {
        if (qobject_cast<const QAbstractButton*>(control) || qobject_cast<const QLabel*>(control) ||
            qobject_cast<const QTreeWidget*>(control) || qobject_cast<const QProgressBar*>(control)) {
            EXPECT_FALSE(control->objectName().isEmpty()) << control->metaObject()->className();
        }
    }
}

// The rows of a result window: place and state.
std::vector<std::pair<QString, QString>> rows(const TCompareResultForm& result)
{
    std::vector<std::pair<QString, QString>> list;
    for (int i = 0; i < result.SlotList->topLevelItemCount(); ++i)
        list.emplace_back(result.SlotList->topLevelItem(i)->text(0), result.SlotList->topLevelItem(i)->text(1));
    return list;
}

class ReportsTest : public test::ProjectShellTest {
protected:
    TProjectForm& openVilla()
    {
        std::filesystem::copy(std::filesystem::path(ZR48_EXAMPLES_DIR) / "projects" / "Villa",
                              dir.path() / "Projects" / "Villa");
        TProjectForm* window = openProject(dir.text("Projects/Villa/Villa.mpj"));
        EXPECT_NE(window, nullptr);
        return *window;
    }
    void connectLink()
    {
        ASSERT_TRUE(clock.advanceUntil([&] { return form->link().Connected(); }, 2000));
        clock.advance(300); // the version check that follows a connect
    }
    void waitForDownload()
    {
        const TDownloader& downloader = form->deviceTools().downloader;
        ASSERT_TRUE(clock.advanceUntil([&] { return downloader.Result() != DownloadResult::Running; }, 120000));
        ASSERT_EQ(downloader.Result(), DownloadResult::Finished);
        form->dialogs().DownloaderForm->ButtonOK->click();
    }
    // Runs Compare with ZR48 to its end, checking the progress dialog on the way.
    const TCardComparer& compare()
    {
        form->execute(ActionId::CompareWithUnit);
        TCompareForm& progress = *form->compareForm();
        const TCardComparer& comparer = progress.comparer();
        EXPECT_TRUE(progress.isVisible());
        EXPECT_FALSE(progress.isModal());
        EXPECT_EQ(progress.parentWidget(), form.get());
        EXPECT_TRUE(progress.Label->text().startsWith("Reading sector ")) << progress.Label->text().toStdString();
        EXPECT_TRUE(progress.ButtonCancel->isEnabled());
        expectNamedControls(progress);
        EXPECT_TRUE(clock.advanceUntil([&] { return comparer.Result() != CompareResult::Running; }, 120000));
        EXPECT_FALSE(progress.isVisible());
        return comparer;
    }
    // Runs File › Export Report to its end (the file chooser has been answered).
    void exportReport()
    {
        form->execute(ActionId::ExportReport);
        QElapsedTimer waited;
        waited.start();
        while (form->exportingReport() && waited.elapsed() < 60000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        EXPECT_FALSE(form->exportingReport());
    }
    // Changes one duration of the amplifier's power key, which the AUDIO slot holds.
    void changeOneKey()
    {
        const std::string path = dir.text("Projects/Villa/AX-200_Amplifier.mpi");
        std::string content = fileContents(path);
        const std::size_t at = content.find("#4507#565#");
        ASSERT_NE(at, std::string::npos);
        content.replace(at, 10, "#4507#566#");
        std::ofstream(path, std::ios::binary) << content;
    }
};

TEST_F(ReportsTest, CompareShowsTheSameCardAfterADownloadAndAChangedDeviceFileFirstWithDownloadOffered)
{
    openVilla();
    connectLink();
    // A blank card: every slot is only in the project, and the details say so, not "same".
    ASSERT_EQ(compare().Result(), CompareResult::Finished);
    ASSERT_NE(form->compareResultForm(), nullptr);
    EXPECT_EQ(rows(*form->compareResultForm()).front(),
              std::make_pair(QString("TUNER"), QString("only in the project")));
    EXPECT_EQ(form->compareResultForm()->LabelDetails->text(), "TUNER: only in the project");
    form->compareResultForm()->close();

    form->execute(ActionId::Download);
    // While the download runs, no comparison takes its replies: the entry is disabled, and the
    // command that comes another way is refused.
    EXPECT_FALSE(form->action(ActionId::CompareWithUnit)->isEnabled());
    form->execute(ActionId::CompareWithUnit);
    ASSERT_FALSE(prompt.shown().empty());
    EXPECT_EQ(prompt.shown().back().message, "The ZR48 is busy with a transfer; compare when it is done.");
    EXPECT_FALSE(form->compareForm()->isVisible());
    waitForDownload();

    ASSERT_EQ(compare().Result(), CompareResult::Finished);
    TCompareResultForm* result = form->compareResultForm();
    ASSERT_NE(result, nullptr);
    EXPECT_TRUE(result->isVisible());
    EXPECT_FALSE(result->isModal());
    expectNamedControls(*result);
    EXPECT_EQ(result->LabelVerdict->text(), "The ZR48 holds this project.");
    std::vector<std::pair<QString, QString>> same;
    for (const char* slot : kVillaSlots)
        same.emplace_back(slot, "same");
    for (int line = 1; line <= 5; ++line)
        same.emplace_back(QString("Menu line %1").arg(line), "same");
    EXPECT_EQ(rows(*result), same);
    EXPECT_TRUE(result->ButtonDownload->isHidden());

    // One key changed in the amplifier's file: its slot comes first, coloured, Download offered.
    changeOneKey();
    ASSERT_EQ(compare().Result(), CompareResult::Finished);
    EXPECT_EQ(result->LabelVerdict->text(), "The ZR48 differs from this project in 1 place.");
    std::vector<std::pair<QString, QString>> changed = same;
    changed.erase(changed.begin() + 5);
    changed.insert(changed.begin(), {"AUDIO", "device file differs"});
    EXPECT_EQ(rows(*result), changed);
    const QTreeWidgetItem* audio = result->SlotList->topLevelItem(0);
    const QTreeWidgetItem* tuner = result->SlotList->topLevelItem(1);
    EXPECT_NE(audio->background(1), tuner->background(1));
    EXPECT_EQ(tuner->background(1).style(), Qt::NoBrush);
    EXPECT_EQ(result->SlotList->currentItem(), audio);
    EXPECT_TRUE(result->LabelDetails->text().contains("AX-200_Amplifier"))
        << result->LabelDetails->text().toStdString();
    EXPECT_TRUE(result->ButtonDownload->isVisible());

    // Download to ZR48 writes the project; then the unit holds it again.
    result->ButtonDownload->click();
    EXPECT_FALSE(result->isVisible());
    EXPECT_EQ(form->deviceTools().downloader.Result(), DownloadResult::Running);
    waitForDownload();
    ASSERT_EQ(compare().Result(), CompareResult::Finished);
    EXPECT_EQ(result->LabelVerdict->text(), "The ZR48 holds this project.");
    EXPECT_EQ(rows(*result), same);
    EXPECT_TRUE(prompt.errors().empty());
}

// Villa on the card; a second project without its LIGHT but with the six SOUND slots after the
// first one: the rows say which side holds what, all of them in sight, and a double-click leads
// into the project window.
TEST_F(ReportsTest, TheResultTellsTheSidesApartShowsEveryRowAndOpensARowInTheProject)
{
    openVilla();
    connectLink();
    form->execute(ActionId::Download);
    waitForDownload();

    std::string other = fileContents(dir.text("Projects/Villa/Villa.mpj"));
    other.erase(other.find("[LIGHT]"));
    for (int n = 0; n <= 6; ++n)
        other += (n == 0 ? std::string("[SOUND]") : "[SOUND-" + std::to_string(n) + "]") +
                 "\r\nDEVICE_TYPE=1\r\nDEVICE_NAME=Radio " + std::to_string(n) +
                 "\r\nK73_SELECT=1\r\n"
                 "CONFIG_FILE=" +
                 dir.text("Projects/Villa/K73_FM_Tuner.mpi") + "\r\nOPTION_LIST=\r\n\r\n";
    std::ofstream(dir.path() / "Projects" / "Villa" / "Other.mpj", std::ios::binary) << other;
    TProjectForm* window = openProject(dir.text("Projects/Villa/Other.mpj"));
    ASSERT_NE(window, nullptr);
    ASSERT_EQ(compare().Result(), CompareResult::Finished);
    TCompareResultForm& result = *form->compareResultForm();
    QTreeWidget& list = *result.SlotList;

    const auto row = [&](const QString& place) {
        for (int i = 0; i < list.topLevelItemCount(); ++i)
            if (list.topLevelItem(i)->text(0) == place)
                return list.topLevelItem(i);
        ADD_FAILURE() << place.toStdString() << " is not listed";
        return list.topLevelItem(0);
    };
    const QTreeWidgetItem* light = row("LIGHT");
    const QTreeWidgetItem* sound = row("SOUND-3");
    EXPECT_EQ(light->text(1), "only on the unit");
    EXPECT_EQ(light->text(3), "not in the project");
    EXPECT_EQ(sound->text(1), "only in the project");
    EXPECT_EQ(sound->text(2), "not on the ZR48");
    EXPECT_NE(light->background(0), sound->background(0));
    EXPECT_NE(light->background(0).style(), Qt::NoBrush);
    EXPECT_NE(sound->background(0).style(), Qt::NoBrush);

    // 6 + 1 + 7 slots and 5 menu lines, every one in sight without scrolling.
    ASSERT_EQ(list.topLevelItemCount(), 19);
    QCoreApplication::processEvents();
    for (int i = 0; i < list.topLevelItemCount(); ++i)
        EXPECT_TRUE(list.viewport()->rect().contains(list.visualItemRect(list.topLevelItem(i))))
            << list.topLevelItem(i)->text(0).toStdString() << " is out of sight";

    // A double-click on a slot shows it in its window; on a menu line, the lines with its at the caret.
    const auto doubleClick = [&](const QTreeWidgetItem* item) {
        // As the platform delivers it: a click, then the second press as a double-click.
        const QPoint at = list.visualItemRect(item).center();
        QTest::mouseClick(list.viewport(), Qt::LeftButton, Qt::NoModifier, at);
        QTest::mouseDClick(list.viewport(), Qt::LeftButton, Qt::NoModifier, at);
    };
    form->execute(ActionId::NewTextFile); // another window comes in front
    ASSERT_NE(form->documents().active(), window);
    doubleClick(sound);
    EXPECT_EQ(form->documents().active(), window);
    EXPECT_EQ(window->view().SelectedSlot(), 8 * 7 + 3);
    EXPECT_EQ(window->pageControl()->currentIndex(), 0);
    doubleClick(row("Menu line 2"));
    EXPECT_EQ(window->pageControl()->currentIndex(), 1);
    EXPECT_EQ(window->informationMemo()->textCursor().blockNumber(), 1);
    EXPECT_TRUE(prompt.errors().empty());
}

TEST_F(ReportsTest, AUnitThatStopsAnsweringIsAFailureToReadAndNoVerdict)
{
    openVilla();
    connectLink();
    sim.unit.faults().silent = true;
    EXPECT_EQ(compare().Result(), CompareResult::NoAnswer);
    ASSERT_EQ(prompt.errors().size(), 1u);
    EXPECT_NE(prompt.errors()[0].find("Compare failed."), std::string::npos) << prompt.errors()[0];
    EXPECT_EQ(form->compareResultForm(), nullptr);
}

TEST_F(ReportsTest, AfterTheIrOptimizerASummaryShowsWithTheKeysAClickAway)
{
    settings.setIrOptimizerPass1(10);
    settings.setIrOptimizerPass2(0);
    // One entry drifts up to 1200, so 1100 ends 100 µs (9.1 %) away from where it was.
    const std::string device = dir.write(
        "dev.mpi",
        "NAME=Test\r\nIR_TIME_0 = 7\r\nIR_UP = \"#1000#1100#1150#1200#1250#1000\"\r\nIR_DOWN = \"#1000\"\r\n");
    files.answer(device);
    form->execute(ActionId::FileOpen);
    prompt.answer(Answer::Yes, "Perform Infrared String Optimization?");
    form->execute(ActionId::InfraredOptimizer);

    TOptimizeReportForm* report = form->optimizeReportForm();
    ASSERT_NE(report, nullptr);
    EXPECT_TRUE(report->isVisible());
    expectNamedControls(*report);
    EXPECT_EQ(report->windowTitle(), "IR Optimizer - dev.mpi");
    EXPECT_EQ(report->LabelSummary->text(), "1 key changed, largest change 9.1 % in UP.");
    EXPECT_TRUE(report->KeyList->isHidden());

    report->ButtonDetails->click();
    EXPECT_TRUE(report->KeyList->isVisible());
    ASSERT_EQ(report->KeyList->topLevelItemCount(), 2);
    const QTreeWidgetItem* up = report->KeyList->topLevelItem(0);
    EXPECT_EQ(up->text(0), "UP");
    EXPECT_EQ(up->text(1), "3 of 6");
    EXPECT_EQ(up->text(2), QString::fromUtf8("+100 µs (1100 → 1200)"));
    EXPECT_EQ(up->text(3), QString::fromUtf8("+9.1 % (1100 → 1200)"));
    EXPECT_EQ(report->KeyList->topLevelItem(1)->text(1), "0 of 1");
    report->ButtonDetails->click();
    EXPECT_TRUE(report->KeyList->isHidden());
    // Nothing is written until the user saves.
    EXPECT_EQ(fileContents(device).substr(0, 11), "NAME=Test\r\n");

    // A long file name: the window is wide enough for its whole title.
    report->ShowReport(OptimizeReport{}, "Living room receiver of the Villa on the hill, second floor.mpi");
    EXPECT_GE(report->width(), widthForTitle(report->windowTitle()));
}

// The text of a PDF file as pdftotext reads it; empty when it cannot be read.
std::string pdfText(const std::string& path)
{
    FILE* pipe = popen(("pdftotext -enc UTF-8 '" + path + "' - 2>/dev/null").c_str(), "r");
    std::string text;
    if (!pipe)
        return text;
    char buffer[4096];
    for (std::size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        text.append(buffer, n);
    pclose(pipe);
    return text;
}

TEST_F(ReportsTest, ExportReportWritesPdfOrHtmlByTheNameAndSaysWhenItCannot)
{
    TProjectForm& villa = openVilla();
    villa.informationMemo()->setPlainText("VILLA SONNENHANG\nNot saved yet"); // as the window shows it
    const auto exportTo = [&](const std::string& target) {
        files.answer(target);
        exportReport();
    };
    // "Open" hands the file to the desktop, caught here.
    UrlCatcher opened;
    QDesktopServices::setUrlHandler("file", &opened, "open");
    struct Case {
        const char* name;
        std::string (*read)(const std::string&);
    };
    const Case cases[] = {{"Villa report.pdf", pdfText},
                          {"Villa.html", [](const std::string& p) { return fileContents(p); }}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string target = dir.text(std::string("Projects/") + c.name);
        exportTo(target);
        const auto& asked = files.asked().back();
        EXPECT_EQ(asked.request.title, "Export Report");
        EXPECT_EQ(asked.request.fileName, "Villa.pdf");
        // Said in the status bar with the file a click away; no box to close.
        EXPECT_TRUE(prompt.shown().empty());
        StatusNotice* notice = form->reportNotice();
        ASSERT_NE(notice, nullptr);
        EXPECT_FALSE(notice->isHidden());
        EXPECT_EQ(notice->Label->text(), QString("Report written: ") + c.name);
        notice->ButtonAction->click();
        EXPECT_EQ(opened.urls, QList<QUrl>{QUrl::fromLocalFile(QString::fromStdString(target))});
        opened.urls.clear();
        EXPECT_TRUE(notice->isHidden());
        const std::string text = c.read(target);
        for (const char* slot : kVillaSlots)
            EXPECT_NE(text.find(slot), std::string::npos) << slot;
        for (const char* key : {"POWER", "Amplifier", "Not saved yet"})
            EXPECT_NE(text.find(key), std::string::npos) << key;
    }

    // A folder that is not there: an error, not "written".
    exportTo(dir.text("Projects/none/Villa.html"));
    ASSERT_EQ(prompt.errors().size(), 1u);
    EXPECT_FALSE(std::filesystem::exists(toFsPath(dir.text("Projects/none/Villa.html"))));
    EXPECT_TRUE(form->reportNotice()->isHidden());
    QDesktopServices::unsetUrlHandler("file");
}

// The "HTML Files" filter chosen in the dialog, with the keyboard: a name typed without an
// extension is written as HTML, and so is the proposed name, whose extension follows the filter.
TEST_F(ReportsTest, ExportReportWritesWhatTheChosenFilterSays)
{
    openVilla();
    const struct {
        const char* typed; // nullptr: the proposed name is kept
        const char* written;
    } cases[] = {{"Villa report", "Villa report.html"}, {nullptr, "Villa.html"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.written);
        files.answerWith([&](const FileDialogRequest& request) {
            QtFileChooser dialogs(form.get());
            QTimer::singleShot(0, [&] {
                auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
                if (!dialog)
                    return ADD_FAILURE() << "no file dialog";
                auto* filter = dialog->findChild<QComboBox*>("fileTypeCombo");
                auto* name = dialog->findChild<QLineEdit*>("fileNameEdit");
                if (!filter || !name) {
                    ADD_FAILURE() << "the dialog has no filter or name field";
                    return dialog->reject();
                }
                EXPECT_EQ(name->text(), "Villa.pdf");
                filter->setFocus();
                QTest::keyClick(filter, Qt::Key_Down);
                EXPECT_EQ(filter->currentText(), "HTML Files (*.html)");
                if (c.typed) {
                    name->selectAll();
                    QTest::keyClicks(name, c.typed);
                }
                QTest::keyClick(name, Qt::Key_Return);
                if (dialog->isVisible())
                    dialog->reject();
            });
            return dialogs.saveFile(request);
        });
        exportReport();
        const std::string written = dir.text(std::string("Projects/Villa/") + c.written);
        ASSERT_TRUE(std::filesystem::exists(toFsPath(written)));
        EXPECT_EQ(fileContents(written).rfind("<!DOCTYPE html>", 0), 0u);
        EXPECT_EQ(form->reportNotice()->Label->text(), QString("Report written: ") + c.written);
    }
    EXPECT_FALSE(std::filesystem::exists(toFsPath(dir.text("Projects/Villa/Villa report.pdf"))));
    EXPECT_TRUE(prompt.errors().empty());
}

} // namespace
} // namespace zr48

#include "ReportsTest.moc"
