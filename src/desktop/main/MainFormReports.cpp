// The reports of the main window: the comparison of the active project window with the unit and
// its result, what the IR Optimizer did, and the installation report of the active project window.

#include "base/Error.h"
#include "base/FileIo.h"
#include "base/Paths.h"
#include "base/Prompt.h"
#include "base/Version.h"
#include "base/qt/QtText.h"
#include "base/qtgui/PdfFile.h"
#include "desktop/common/DocumentWindow.h"
#include "desktop/common/FileChooser.h"
#include "desktop/infrared/OptimizeReportForm.h"
#include "desktop/main/MainForm.h"
#include "desktop/main/StatusNotice.h"
#include "desktop/project/ProjectDocument.h"
#include "desktop/tools/CompareForm.h"
#include "desktop/tools/CompareResultForm.h"
#include "infrared/OptimizeReport.h"
#include "project/Compiler.h"
#include "project/InstallationReport.h"

#include <QDate>
#include <QDesktopServices>
#include <QLabel>
#include <QPointer>
#include <QStatusBar>
#include <QThread>
#include <QUrl>

#include <memory>

namespace zr48 {

namespace {

constexpr const char* kReportFilter = "PDF Files (*.pdf)|*.pdf|HTML Files (*.html)|*.html";

// A project window's name: its file name without the extension (the placeholder while unnamed).
std::string projectName(const std::string& documentFile)
{
    const std::string name = extractFileName(documentFile);
    return name.substr(0, name.size() - extractFileExt(name).size());
}

// The project a window shows, changes not yet saved included; nullopt for any other window.
std::optional<TProjectFile> currentProject(TDocumentWindow* window)
{
    ProjectDocument* document = window && window->kind() == DocumentKind::ProjectWindow ? window->project() : nullptr;
    return document ? document->CurrentProject() : std::nullopt;
}

} // namespace

TCompareForm* TMainForm::compareForm()
{
    if (!compareForm_) {
        compareForm_ = new TCompareForm(timers_, prompt_, send(), this);
        compareFrames_ = dispatcher_.subscribe(
            [form = compareForm_](const std::uint8_t* p, int n) { form->comparer().HandleFrame(p, n); });
    }
    return compareForm_;
}

void TMainForm::ActionCompareWithUnitExecute()
{
    TDocumentWindow* window = activeDocument();
    const std::optional<TProjectFile> project = currentProject(window);
    if (!project)
        return;
    // The comparison reads the card with the uploader's frames and would take a transfer's replies
    // (its action is disabled then; this holds for a command that comes another way).
    if (transferRunning()) {
        prompt_.information("The ZR48 is busy with a transfer; compare when it is done.");
        return;
    }
    // Compiled as the window shows it, nothing written; a missing or oversized device file is
    // said here and named again in its slot.
    std::optional<CompiledImage> image = CompileProjectImage(*project, prompt_);
    if (!image)
        return;
    const std::string name = projectName(window->documentFile());
    compareForm()->Start(
        std::move(*image), [this, name, target = QPointer<TDocumentWindow>(window)](const TCardComparer& comparer) {
            if (!compareResultForm_)
                compareResultForm_ = new TCompareResultForm(this);
            const auto closed = [this, name](const char* then) {
                prompt_.information("The project window of \"" + name + "\" is closed; open the project " + then + ".");
            };
            const auto download = [this, target, closed] {
                if (!target)
                    return closed("to download it");
                // What the window showed is the card of before the download.
                compareResultForm_->close();
                bringToFront(*target);
                guarded([this, &target] { downloadProject(*target); });
                UpdateActions();
            };
            const auto open = [this, target, closed](TCompareResultForm::Place place) {
                ProjectDocument* project = target ? target->project() : nullptr;
                if (!project)
                    return closed("to see it");
                bringToFront(*target);
                if (place.slot >= 0)
                    project->ShowSlot(place.slot);
                else
                    project->ShowMenuLine(place.menuLine);
            };
            compareResultForm_->ShowResult(comparer.Comparison(), name, download, open);
        });
}

bool TMainForm::transferRunning() const
{
    return tools_->downloader.Result() == DownloadResult::Running ||
           tools_->uploader.Result() == UploadResult::Running || tools_->firmware.state() != Firmware::State::Idle ||
           (compareForm_ && compareForm_->comparer().Result() == CompareResult::Running);
}

void TMainForm::showOptimizeReport(const std::vector<Text>& before, const std::vector<Text>& after,
                                   const std::string& fileName)
{
    if (!optimizeReportForm_)
        optimizeReportForm_ = new TOptimizeReportForm(this);
    optimizeReportForm_->ShowReport(CompareOptimized(before, after), fileName);
}

void TMainForm::ActionExportReportExecute()
{
    TDocumentWindow* window = activeDocument();
    std::optional<TProjectFile> project = currentProject(window);
    if (!project)
        return;
    if (reportThread_) {
        prompt_.information("A report is being written; export this one when it is done.");
        return;
    }
    const std::string name = projectName(window->documentFile());
    const std::optional<std::string> target = files_.saveFile(
        {"Export Report", kReportFilter, ".pdf", extractFileDir(window->documentFile()), name + ".pdf"});
    if (!target)
        return;
    const bool pdf = lowerCase(extractFileExt(*target)) == ".pdf";
    const std::string date = QDate::currentDate().toString(Qt::ISODate).toStdString();

    // The device files are read and the pages laid out off the user-interface thread.
    auto failure = std::make_shared<std::string>();
    reportThread_ = QThread::create([project = std::move(*project), target = *target, pdf, date, failure] {
        try {
            const InstallationReport report = MakeInstallationReport(project, date, kVersion);
            const std::string html = InstallationReportHtml(report);
            if (pdf)
                writeHtmlAsPdf(target, html, "ZR48 installation report: " + report.ProjectName());
            else
                writeFileAtomically(target, html);
        } catch (const Error& e) {
            *failure = e.message();
        } catch (const std::exception& e) {
            *failure = e.what();
        }
    });
    QThread* thread = reportThread_;
    connect(thread, &QThread::finished, this, [this, thread, failure, written = *target] {
        if (reportThread_ != thread)
            return; // already waited for
        reportThread_ = nullptr;
        thread->deleteLater();
        statusPanel(0)->clear();
        if (failure->empty()) {
            // Said in the status bar, with the file a click away: nothing to close.
            if (!reportNotice_) {
                reportNotice_ = new StatusNotice(timers_, statusBar());
                statusBar()->addWidget(reportNotice_);
            }
            reportNotice_->Show("Report written: " + pathToQString(extractFileName(written)), "&Open",
                                [written] { QDesktopServices::openUrl(QUrl::fromLocalFile(pathToQString(written))); });
            reportNotice_->setToolTip(pathToQString(written));
        } else {
            prompt_.error(*failure);
        }
        UpdateActions();
    });
    if (reportNotice_)
        reportNotice_->hide();
    statusPanel(0)->setText("Writing the report " + pathToQString(*target) + "...");
    thread->start();
}

void TMainForm::finishReportThread()
{
    if (!reportThread_)
        return;
    QThread* thread = reportThread_;
    reportThread_ = nullptr;
    thread->wait();
    delete thread;
}

} // namespace zr48
