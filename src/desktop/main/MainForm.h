#pragma once
// The main window: the multi-document frame in which the whole system runs. It owns the link, the
// device tools' logic and their dialogs, the docked database browser and the document windows;
// it builds its actions, menus and tool bar from the action table and routes every received frame.
//
// The file is split by subject: MainForm.cpp (frame, actions, docking, start-up and shutdown),
// MainFormFiles.cpp (document windows and file commands), MainFormProject.cpp (database browser,
// project windows, new-project dialog) and MainFormTools.cpp (the device tools' dialogs and
// windows).

#include "base/Text.h"
#include "base/Timer.h"
#include "desktop/common/DocumentRules.h"
#include "desktop/common/ImageList.h"
#include "desktop/common/Shell.h"
#include "desktop/main/ActionTable.h"
#include "desktop/main/DocumentList.h"
#include "desktop/main/QtLink.h"
#include "desktop/main/RecentFiles.h"
#include "link/FrameDispatcher.h"
#include "link/UsbZR48.h"
#include "tools/DisplayDump.h"
#include "tools/Downloader.h"
#include "tools/Firmware.h"
#include "tools/Uploader.h"

#include <QMainWindow>

#include <array>
#include <functional>
#include <map>
#include <memory>
#include <optional>

class QAction;
class QDialog;
class QDockWidget;
class QLabel;
class QMdiArea;
class QMenu;
class QThread;
class QToolBar;

namespace zr48 {

class FileChooser;
class ProjectDocument;
class Prompt;
class Settings;
class SettingsStore;
class TAboutBox;
class TCompareForm;
class TCompareResultForm;
class TOptimizeReportForm;
class StatusNotice;
class TDatabaseForm;
class TDirectoryForm;
class TDisplayDumpForm;
class TDownloaderForm;
class TFirmwareForm;
class TNewProjectForm;
class TOptionsForm;
class TUploaderForm;

// What the main window runs on.
struct MainFormParts {
    // The settings, and the store that also keeps the window's own state (geometry, dock place,
    // recent files).
    SettingsStore& store;
    Settings& settings;
    Prompt& prompt;
    FileChooser& files;
    LinkParts link;
    // The programs' data folder (the default firmware file lies below it).
    std::string dataDir;
    // How the unit is reached, for the status bar's tool tip.
    std::string linkDescription;
};

// The logic of the single-instance device tools, alive as long as the main window. Their frame
// receivers are registered with the dispatcher in this order.
struct DeviceTools {
    DeviceTools(TimerFactory& timers, Prompt& prompt);
    TDownloader downloader;
    TUploader uploader;
    Firmware firmware;
    DisplayDump displayDump;
};

// The single-instance dialogs, created at start-up in this order (the member order) and hidden
// until used.
struct Dialogs {
    TAboutBox* AboutBox = nullptr;
    TDirectoryForm* DirectoryForm = nullptr;
    TDisplayDumpForm* DisplayDumpForm = nullptr;
    TDownloaderForm* DownloaderForm = nullptr;
    TFirmwareForm* FirmwareForm = nullptr;
    TNewProjectForm* NewProjectForm = nullptr;
    TOptionsForm* OptionsForm = nullptr;
    TUploaderForm* UploaderForm = nullptr;
};

class TMainForm : public QMainWindow, public Shell {
    Q_OBJECT
public:
    static constexpr int kStatusPanelWidths[3] = {200, 200, 50};
    // The link panel's width is its least: long byte counts widen it rather than being cut.
    static constexpr int kLinkStatusPanel = 1;
    static constexpr int kStartTimerMs = 300;
    // How often the enable and visible rules run besides the moments that surely change them.
    static constexpr int kActionUpdateMs = 100;
    // The share of the screen's width and height that the window takes at the first start.
    static constexpr double kFirstStartShare = 0.8;
    // The width of a dock area that holds the database browser; never narrower by dragging.
    static constexpr int kDockWidth = 200;

    // Creates the link (its status text goes to status panel 1; it opens at once), the device
    // tools, the database browser and the dialogs.
    explicit TMainForm(MainFormParts parts, QWidget* parent = nullptr);
    ~TMainForm() override;

    // Creates a document window of one kind with the given window number. Each kind that the
    // main window creates itself (project windows, sector viewers, infrared scopes) has one;
    // a kind without one is not created.
    using DocumentFactory = std::function<TDocumentWindow*(Shell& shell, int windowNumber)>;
    void setDocumentFactory(DocumentKind kind, DocumentFactory factory);

    // The file named on the command line (UTF-8), opened when start-up finishes.
    void setCommandLineFile(Path path) { commandLineFile_ = std::move(path); }
    // The link this program runs on, for the settings dialog: its target and what named it.
    void setRunningLink(const std::string& target, const std::string& givenBy);
    // A file that a second start of the program handed over (an absolute path): opened as the
    // command line's file is, or its window brought to the front, and the main window raised.
    void openHandedOverFile(const std::string& path);
    // A second start on the same unit: the window comes to the front, out of the task bar too.
    void comeToFront();

    // Parts, for the windows and for tests.
    QMdiArea* mdiArea() const { return mdiArea_; }
    FrameDispatcher& dispatcher() { return dispatcher_; }
    DeviceTools& deviceTools() { return *tools_; }
    const Dialogs& dialogs() const { return dialogs_; }
    QDockWidget* databaseDock() const { return databaseDock_; }
    TDatabaseForm* databaseForm() const { return DatabaseForm; }
    QLabel* statusPanel(int index) const { return statusPanels_.at(static_cast<size_t>(index)); }
    QAction* action(ActionId id) const { return actions_[static_cast<std::size_t>(id)]; }
    QToolBar* toolBar() const { return ToolBar; }
    QMenu* windowMenu() const { return windowMenu_; }
    QMenu* recentFilesMenu() const { return recentMenu_; }
    const DocumentList& documents() const { return documents_; }
    RecentFiles& recentFiles() { return recentFiles_; }

    // What the rules see now.
    Situation situation() const;
    // Runs the enable and visible rules of every action.
    void UpdateActions();
    // Runs an action's command as a menu entry or button does (errors are shown, not thrown).
    void execute(ActionId id);

    // Reads the unit's card into the new project at `projectPath` (UTF-8); when the upload and its
    // unpacking succeed, the project opens in a project window.
    void StartUpload(const std::string& projectPath);

    // The comparison with the unit, its result window, the optimizer's report and the export of
    // the installation report (MainFormReports.cpp); the windows are made when first used.
    TCompareForm* compareForm();
    TCompareResultForm* compareResultForm() const { return compareResultForm_; }
    TOptimizeReportForm* optimizeReportForm() const { return optimizeReportForm_; }
    // True while an installation report is being written (off the user-interface thread).
    bool exportingReport() const { return reportThread_ != nullptr; }
    // The status bar's "Report written: ... [Open]" once a report is written; null before.
    StatusNotice* reportNotice() const { return reportNotice_; }

    // File commands.
    // Opens `path` as File Open does after its dialog (also for dropped and recent files).
    void openFile(const std::string& path);
    void SaveDocument(TDocumentWindow& window);
    void SaveDocumentAs(TDocumentWindow& window);
    // Save on a window: Save As while it is unnamed.
    void Save(TDocumentWindow& window);
    // Close All; false when a close question was cancelled.
    bool CloseAll();

    // Shell.
    Settings& settings() override { return settings_; }
    Prompt& prompt() override { return prompt_; }
    TimerFactory& timers() override { return timers_; }
    TUsbZR48& link() override { return *link_; }
    SendFunction send() override;
    const std::string& dataDir() const override { return dataDir_; }
    FileChooser& fileChooser() override { return files_; }
    const ImageList& imageList() const override { return images_; }
    QWidget* mainWindow() override { return this; }
    std::vector<TDocumentWindow*> documentWindows() const override;
    int nextWindowNumber() const override { return documents_.nextWindowNumber(); }
    void addDocumentWindow(TDocumentWindow* window) override;
    TDocumentWindow* FindOpenWindow(const std::string& path) override;
    TDocumentWindow* OpenProjectWindow(const std::string& path) override;
    TEditForm* NewTextEditor(QObject* ownerWindow, int windowNumber) override;
    bool CloseQuestion(TDocumentWindow& window) override;
    void bringToFront(TDocumentWindow& window) override;

protected:
    // Long hints of menu entries and buttons go to status panel 0.
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    // Shutdown: every close question in list order; a Cancel keeps everything open.
    void closeEvent(QCloseEvent* event) override;
    // Files dropped from the desktop's file manager.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // Construction.
    void buildActions();
    void buildMenus();
    void buildToolBar();
    void buildStatusBar();
    void buildDock();
    void createDialogs();
    // The geometry and dock place of the last run; at the first start, placeForFirstStart.
    void restoreWindowState();
    void placeForFirstStart();
    void saveWindowState();
    // First show: the open dialog's start directory.
    void FormShow();
    // Finishes start-up 300 ms after creation.
    void StartTimerTimer();
    void openCommandLineFile();
    // Before the program ends: false when the user let a running download or firmware update go on.
    bool stopTransfers();
    // Opens `path` as `action` says; a project or text file opened goes to the recent files.
    void openAs(OpenAction action, const std::string& path);

    void refreshWindowMenu();
    void refreshRecentFilesMenu();
    void rememberFile(const std::string& path);
    void documentActivated(TDocumentWindow* window);
    // The project window whose slot a drag carries, or null for any other drag.
    ProjectDocument* slotDragSource(const QDropEvent& event) const;
    TDocumentWindow* activeDocument() const;
    TDocumentWindow* openDocument(DocumentKind kind);
    // Runs `command`; an error it throws is shown and the program goes on.
    void guarded(const std::function<void()>& command);

    // Commands (MainForm.cpp, MainFormFiles.cpp).
    void ActionNewTextFileExecute();
    void ActionFileOpenExecute();
    void ActionFileCloseExecute();
    void ActionCloseAllExecute();
    void ActionFileSaveExecute();
    void ActionFileSaveAsExecute();
    void ActionSaveAllExecute();
    void ActionEditCutExecute();
    void ActionEditCopyExecute();
    void ActionEditPasteExecute();
    void ActionDownloadExecute();
    // Download to ZR48 of one project window.
    void downloadProject(TDocumentWindow& window);
    void ActionCleanupProjectExecute();
    void ActionMemoryViewerExecute();
    void ActionInfraredScopeExecute();
    void ActionInfraredOptimizerExecute();
    // Into the device file of the active editor: asks for a Flipper .ir or Pronto file, imports it
    // as `zr48 ir import` does (the editor's changes saved first), shows the report and reloads
    // the editor.
    void ActionInfraredImportExecute();
    void ActionOptionsExecute();
    void ActionWindowCascadeExecute();
    void ActionWindowTileHorizontalExecute();
    void ActionWindowTileVerticalExecute();
    void ActionWindowMinimizeAllExecute();
    void ActionWindowArrangeExecute();
    void ActionHelpAboutExecute();

    // Reports (MainFormReports.cpp).
    // A download, an upload, a comparison or a firmware update is talking to the unit.
    bool transferRunning() const;
    void ActionCompareWithUnitExecute();
    void ActionExportReportExecute();
    // After the IR Optimizer: what it did to the editor's lines.
    void showOptimizeReport(const std::vector<Text>& before, const std::vector<Text>& after,
                            const std::string& fileName);
    // Waits for a report being written (when the window goes).
    void finishReportThread();

    // The project side (MainFormProject.cpp): the database browser, project windows and the
    // new-project dialog.
    void createDatabaseForm();
    void installProjectWindows();
    void createNewProjectForm();
    void RefreshDatabase();
    Text DatabaseVersion() const;
    void ActionFileNewProjectExecute();
    // The New Project action's update step (the upload choice needs the link).
    void updateNewProjectForm(const Situation& situation);

    // The device tools' side (MainFormTools.cpp): their dialogs and document windows.
    void installToolWindows();
    void createDisplayDumpForm();
    void createDownloaderForm();
    void createFirmwareForm();
    void createUploaderForm();
    void shareShortcutsWithToolDialogs();
    // A dialog that opens while a transfer runs moves the transfer's dialog out of its way.
    void keepTransferDialogsInSight(const QWidget& shown);
    void ActionUpdateFirmwareExecute();
    void ActionDisplayDumpExecute();
    // After the settings dialog: the firmware dialog applies the Expert setting.
    void applyExpertToFirmwareForm();

    SettingsStore& store_;
    Settings& settings_;
    Prompt& prompt_;
    FileChooser& files_;
    TimerFactory& timers_;
    std::string dataDir_;
    std::string linkDescription_;
    bool simulatedUnit_;
    ImageList images_;
    RecentFiles recentFiles_;

    QMdiArea* mdiArea_;
    QToolBar* ToolBar = nullptr;
    QMenu* windowMenu_ = nullptr;
    QMenu* recentMenu_ = nullptr;
    QList<QAction*> windowListActions_;
    std::array<QAction*, kActionCount> actions_{};
    std::array<std::function<void()>, kActionCount> does_{};
    std::array<QLabel*, 3> statusPanels_{};
    QDockWidget* databaseDock_ = nullptr;
    TDatabaseForm* DatabaseForm = nullptr;

    FrameDispatcher dispatcher_;
    std::unique_ptr<TUsbZR48> link_;
    std::unique_ptr<DeviceTools> tools_;
    Dialogs dialogs_;
    TCompareForm* compareForm_ = nullptr;
    FrameDispatcher::Subscription compareFrames_; // the comparison's frames while the form lives
    TCompareResultForm* compareResultForm_ = nullptr;
    TOptimizeReportForm* optimizeReportForm_ = nullptr;
    QThread* reportThread_ = nullptr;
    StatusNotice* reportNotice_ = nullptr;
    DocumentList documents_;
    std::map<DocumentKind, DocumentFactory> documentFactories_;

    std::unique_ptr<Timer> StartTimer;
    std::unique_ptr<Timer> actionUpdateTimer_;
    std::string commandLineFile_;
    std::string openDialogDirectory_;
    bool shown_ = false;
    bool destroying_ = false;
    bool closingAll_ = false;
    mutable std::optional<bool> clipboardHasText_;
};

} // namespace zr48
