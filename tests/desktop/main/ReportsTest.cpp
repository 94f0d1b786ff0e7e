// The reports of the main window on the sample project: Compare with ZR48 against the simulated
// unit in virtual time, the IR Optimizer's summary, and File › Export Report.

#include "base/Paths.h"
#include "desktop/editor/EditForm.h"
#include "desktop/common/TitleWidth.h"
#include "desktop/infrared/OptimizeReportForm.h"
#include "desktop/project/ProjectHarness.h"
#include "desktop/tools/CompareForm.h"
#include "desktop/tools/CompareResultForm.h"
#include "desktop/tools/DownloaderForm.h"
#include "support/TempDir.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTextEdit>
#include <QTreeWidget>

#include <cstdio>
#include <filesystem>
#include <fstream>

namespace zr48 {
namespace {

using test::fileContents;

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
    // While the download runs, no comparison takes its replies.
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
        form->execute(ActionId::ExportReport);
        QElapsedTimer waited;
        waited.start();
        while (form->exportingReport() && waited.elapsed() < 60000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        EXPECT_FALSE(form->exportingReport());
    };
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
        ASSERT_FALSE(prompt.shown().empty());
        EXPECT_EQ(prompt.shown().back().message, "The report is written:\n" + target);
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
}

} // namespace
} // namespace zr48
