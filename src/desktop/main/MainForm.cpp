#include "desktop/main/MainForm.h"

#include "base/Error.h"
#include "base/FileIo.h"
#include "base/Paths.h"
#include "base/Prompt.h"
#include "base/Settings.h"
#include "base/qt/QtText.h"
#include "desktop/common/DocumentRules.h"
#include "desktop/common/FileChooser.h"
#include "desktop/editor/EditForm.h"
#include "desktop/main/AboutBox.h"
#include "desktop/main/DirectoryForm.h"
#include "desktop/main/MdiLayout.h"
#include "desktop/main/OptionsForm.h"
#include "desktop/project/DatabaseForm.h"
#include "desktop/project/ProjectDocument.h"
#include "desktop/tools/CompareForm.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDockWidget>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMenuBar>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QScreen>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QStyle>
#include <QTextEdit>
#include <QToolBar>

namespace zr48 {

namespace {

const QColor kTeal(0, 128, 128);

// The window's own state in the settings store.
constexpr const char* kGeometryKey = "MainWindowGeometry";
constexpr const char* kStateKey = "MainWindowState";

// Calls `command` with the text control that has the focus, whichever of the three kinds it is;
// false when the focus is on none of them.
template <class Command>
bool withFocusedTextControl(Command command)
{
    QWidget* focus = QApplication::focusWidget();
    if (auto* edit = qobject_cast<QPlainTextEdit*>(focus))
        command(*edit);
    else if (auto* rich = qobject_cast<QTextEdit*>(focus))
        command(*rich);
    else if (auto* line = qobject_cast<QLineEdit*>(focus))
        command(*line);
    else
        return false;
    return true;
}

bool hasSelection(const QPlainTextEdit& edit)
{
    return edit.textCursor().hasSelection();
}

bool hasSelection(const QTextEdit& edit)
{
    return edit.textCursor().hasSelection();
}

bool hasSelection(const QLineEdit& line)
{
    return line.hasSelectedText();
}

} // namespace

DeviceTools::DeviceTools(TimerFactory& timers, Prompt& prompt)
    : downloader(timers, prompt), uploader(timers, prompt), firmware(timers, prompt), displayDump(timers)
{}

TMainForm::TMainForm(MainFormParts parts, QWidget* parent)
    : QMainWindow(parent), store_(parts.store), settings_(parts.settings), prompt_(parts.prompt), files_(parts.files),
      timers_(parts.link.timers),
      dataDir_(parts.dataDir.empty() ? std::string() : includeTrailingDelimiter(parts.dataDir)),
      linkDescription_(std::move(parts.linkDescription)), simulatedUnit_(parts.link.simulated),
      recentFiles_(parts.store), mdiArea_(new QMdiArea(this))
{
    // 1. The window from its layout.
    setObjectName("MainForm");
    setWindowTitle(kProgramCaption);
    setMinimumSize(640, 480);
    mdiArea_->setObjectName("MdiArea");
    mdiArea_->setBackground(kTeal);
    // When a window closes, the one activated before it becomes active, as the list has it.
    mdiArea_->setActivationOrder(QMdiArea::ActivationHistoryOrder);
    setCentralWidget(mdiArea_);
    buildActions();
    buildMenus();
    buildToolBar();
    buildStatusBar();

    // 2. The link, with status panel 1 as its status sink; it opens at once.
    link_ = std::make_unique<TUsbZR48>(
        parts.link.timers, parts.link.driver, parts.link.threads,
        [panel = statusPanels_[kLinkStatusPanel]](const Text& text) { panel->setText(toQString(text)); });
    if (!linkDescription_.empty())
        statusPanels_[kLinkStatusPanel]->setToolTip("ZR48 link: " + pathToQString(linkDescription_));

    // The device tools' logic, with the link's Send, and their frame receivers in dispatch order.
    tools_ = std::make_unique<DeviceTools>(timers_, prompt_);
    tools_->downloader.SetLink(send());
    tools_->uploader.SetLink(send());
    tools_->firmware.SetLink(send());
    tools_->displayDump.SetLink(send());
    dispatcher_.setConnectNotice([this] { tools_->firmware.ConnectNotice(); });
    dispatcher_.setWindowList(
        [this](const FrameDispatcher::WindowVisitor& visit) { documents_.visitFrameWindows(visit); });
    using Dialog = FrameDispatcher::Dialog;
    dispatcher_.setDialogReceiver(Dialog::Downloader,
                                  [this](const std::uint8_t* p, int n) { tools_->downloader.HandleFrame(p, n); });
    dispatcher_.setDialogReceiver(Dialog::Uploader,
                                  [this](const std::uint8_t* p, int n) { tools_->uploader.HandleFrame(p, n); });
    dispatcher_.setDialogReceiver(Dialog::Firmware,
                                  [this](const std::uint8_t* p, int n) { tools_->firmware.HandleFrame(p, n); });
    dispatcher_.setDialogReceiver(Dialog::DisplayDump,
                                  [this](const std::uint8_t* p, int n) { tools_->displayDump.HandleFrame(p, n); });

    // 3.-6. The database browser, docked at the left edge.
    createDatabaseForm();
    buildDock();
    installProjectWindows();
    installToolWindows();

    // The single-instance dialogs, in their start-up order.
    createDialogs();

    restoreWindowState();

    connect(mdiArea_, &QMdiArea::subWindowActivated, this,
            [this](QMdiSubWindow* window) { documentActivated(qobject_cast<TDocumentWindow*>(window)); });
    connect(qApp, &QApplication::focusChanged, this, [this] { UpdateActions(); });
    connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this, [this] {
        clipboardHasText_.reset();
        UpdateActions();
    });
    setAcceptDrops(true);
    mdiArea_->viewport()->setAcceptDrops(true);
    mdiArea_->viewport()->installEventFilter(this);
    // Every dialog that opens, to keep a running transfer's dialog in sight.
    qApp->installEventFilter(this);

    StartTimer = timers_.create(true);
    StartTimer->onTimeout = [this] { StartTimerTimer(); };
    StartTimer->start(kStartTimerMs);
    actionUpdateTimer_ = timers_.create();
    actionUpdateTimer_->onTimeout = [this] { UpdateActions(); };
    actionUpdateTimer_->start(kActionUpdateMs);
    UpdateActions();
}

TMainForm::~TMainForm()
{
    actionUpdateTimer_.reset();
    StartTimer.reset();
    // Nothing of what follows runs the rules again.
    destroying_ = true;
    disconnect(mdiArea_, nullptr, this, nullptr);
    // No frame reaches a window or tool once their destruction begins; the document windows
    // and dialogs go before the logic they show, the link last of all.
    link_->SetFrameHandler(nullptr);
    finishReportThread();
    for (TDocumentWindow* window : documentWindows()) {
        window->onGone = nullptr;
        documents_.remove(*window);
        delete window;
    }
    for (QWidget* dialog : findChildren<QDialog*>(Qt::FindDirectChildrenOnly))
        delete dialog;
    delete databaseDock_;
    tools_.reset();
    link_.reset();
}

SendFunction TMainForm::send()
{
    return [this](std::span<const std::uint8_t> payload) { link_->Send(payload); };
}

void TMainForm::setDocumentFactory(DocumentKind kind, DocumentFactory factory)
{
    if (factory)
        documentFactories_[kind] = std::move(factory);
    else
        documentFactories_.erase(kind);
}

// ---------------------------------------------------------------------------------------------
// Actions, menus, tool bar, status bar.

void TMainForm::buildActions()
{
    for (const ActionRow& row : actionTable()) {
        auto* action = new QAction(QString::fromLatin1(row.caption), this);
        action->setObjectName(row.name);
        if (*row.shortcut)
            action->setShortcut(QKeySequence(QString::fromLatin1(row.shortcut)));
        if (row.image >= 0)
            action->setIcon(images_.icon(row.image));
        if (*row.hint) {
            action->setToolTip(QString::fromStdString(shortHint(row.hint)));
            action->setStatusTip(QString::fromStdString(longHint(row.hint)));
        }
        action->setMenuRole(QAction::NoRole);
        connect(action, &QAction::triggered, this, [this, id = row.id] { execute(id); });
        // Shortcuts work whether or not the action is in a menu.
        addAction(action);
        actions_[static_cast<std::size_t>(row.id)] = action;
    }

    const auto does = [this](ActionId id, void (TMainForm::*command)()) {
        does_[static_cast<std::size_t>(id)] = [this, command] { (this->*command)(); };
    };
    using enum ActionId;
    does(FileNewProject, &TMainForm::ActionFileNewProjectExecute);
    does(NewTextFile, &TMainForm::ActionNewTextFileExecute);
    does(FileOpen, &TMainForm::ActionFileOpenExecute);
    does(FileClose, &TMainForm::ActionFileCloseExecute);
    does(CloseAll, &TMainForm::ActionCloseAllExecute);
    does(FileSave, &TMainForm::ActionFileSaveExecute);
    does(FileSaveAs, &TMainForm::ActionFileSaveAsExecute);
    does(SaveAll, &TMainForm::ActionSaveAllExecute);
    does_[static_cast<std::size_t>(FileExit)] = [this] { close(); };
    does(EditCut, &TMainForm::ActionEditCutExecute);
    does(EditCopy, &TMainForm::ActionEditCopyExecute);
    does(EditPaste, &TMainForm::ActionEditPasteExecute);
    does(ExportReport, &TMainForm::ActionExportReportExecute);
    does(Download, &TMainForm::ActionDownloadExecute);
    does(CompareWithUnit, &TMainForm::ActionCompareWithUnitExecute);
    does(CleanupProject, &TMainForm::ActionCleanupProjectExecute);
    does(UpdateFirmware, &TMainForm::ActionUpdateFirmwareExecute);
    does(MemoryViewer, &TMainForm::ActionMemoryViewerExecute);
    does(DisplayDump, &TMainForm::ActionDisplayDumpExecute);
    does(InfraredScope, &TMainForm::ActionInfraredScopeExecute);
    does(InfraredOptimizer, &TMainForm::ActionInfraredOptimizerExecute);
    does(InfraredImport, &TMainForm::ActionInfraredImportExecute);
    does(Options, &TMainForm::ActionOptionsExecute);
    does(WindowCascade, &TMainForm::ActionWindowCascadeExecute);
    does(WindowTileHorizontal, &TMainForm::ActionWindowTileHorizontalExecute);
    does(WindowTileVertical, &TMainForm::ActionWindowTileVerticalExecute);
    does(WindowMinimizeAll, &TMainForm::ActionWindowMinimizeAllExecute);
    does(WindowArrange, &TMainForm::ActionWindowArrangeExecute);
    does(HelpAbout, &TMainForm::ActionHelpAboutExecute);
}

void TMainForm::buildMenus()
{
    menuBar()->setObjectName("MainMenu");
    for (const MenuRow& row : menuTable()) {
        QMenu* menu = menuBar()->addMenu(QString::fromLatin1(row.caption));
        menu->setObjectName(row.objectName);
        menu->setToolTipsVisible(false);
        if (*row.hint)
            menu->menuAction()->setStatusTip(QString::fromLatin1(row.hint));
        QAction* lastSeparator = nullptr;
        for (const MenuEntry& entry : row.entries) {
            if (!entry.action) {
                lastSeparator = menu->addSeparator();
                continue;
            }
            QAction* action = this->action(*entry.action);
            // The entry's own name, beside the action's.
            action->setProperty("menuEntry", QString::fromLatin1(entry.objectName));
            menu->addAction(action);
        }
        if (row.listsDocumentWindows) {
            windowMenu_ = menu;
            connect(menu, &QMenu::aboutToShow, this, &TMainForm::refreshWindowMenu);
        }
        if (menu->objectName() == "FileMenu" && lastSeparator) {
            // The files opened last, above Exit.
            recentMenu_ = new QMenu("Recent &Files", menu);
            recentMenu_->setObjectName("RecentFilesMenu");
            menu->insertMenu(lastSeparator, recentMenu_);
            connect(recentMenu_, &QMenu::aboutToShow, this, &TMainForm::refreshRecentFilesMenu);
            refreshRecentFilesMenu();
        }
    }
}

void TMainForm::buildToolBar()
{
    ToolBar = addToolBar("Tool Bar");
    ToolBar->setObjectName("ToolBar");
    ToolBar->setMovable(false);
    ToolBar->setFloatable(false);
    ToolBar->setIconSize(QSize(16, 16));
    for (const auto& button : toolBarTable()) {
        if (button)
            ToolBar->addAction(action(*button));
        else
            ToolBar->addSeparator();
    }
}

void TMainForm::buildStatusBar()
{
    QStatusBar* bar = statusBar();
    bar->setObjectName("StatusBar");
    for (size_t i = 0; i < statusPanels_.size(); ++i) {
        auto* panel = new QLabel(bar);
        panel->setObjectName(QString("StatusPanel%1").arg(i));
        if (i == kLinkStatusPanel)
            panel->setMinimumWidth(kStatusPanelWidths[i]);
        else
            panel->setFixedWidth(kStatusPanelWidths[i]);
        panel->setFrameShape(QFrame::Panel);
        panel->setFrameShadow(QFrame::Sunken);
        bar->addWidget(panel);
        statusPanels_[i] = panel;
    }
}

void TMainForm::buildDock()
{
    databaseDock_ = new QDockWidget("ZR48 Database", this);
    databaseDock_->setObjectName("DatabaseDock");
    // Only the database browser docks, left or right; it can float but not close.
    databaseDock_->setAllowedAreas(Qt::LeftDockWidgetArea | Qt::RightDockWidgetArea);
    databaseDock_->setFeatures(QDockWidget::DockWidgetMovable | QDockWidget::DockWidgetFloatable);
    // A dock area is never narrower than this by dragging its splitter.
    databaseDock_->setMinimumWidth(kDockWidth);
    databaseDock_->setWidget(DatabaseForm);
    addDockWidget(Qt::LeftDockWidgetArea, databaseDock_);
    resizeDocks({databaseDock_}, {kDockWidth}, Qt::Horizontal);
    // Docked anew (in either area): the area is as wide as the rule says.
    connect(databaseDock_, &QDockWidget::dockLocationChanged, this, [this](Qt::DockWidgetArea area) {
        if (area == Qt::LeftDockWidgetArea || area == Qt::RightDockWidgetArea)
            resizeDocks({databaseDock_}, {kDockWidth}, Qt::Horizontal);
    });
}

void TMainForm::createDialogs()
{
    dialogs_.AboutBox = new TAboutBox(
        prompt_, [this] { return Firmware::FileVersion(tools_->firmware.view().fileName); },
        [this] { return DatabaseVersion(); }, this);
    dialogs_.DirectoryForm = new TDirectoryForm(files_, this);
    createDisplayDumpForm();
    createDownloaderForm();
    createFirmwareForm();
    createNewProjectForm();
    dialogs_.OptionsForm = new TOptionsForm(settings_, *dialogs_.DirectoryForm, this);
    dialogs_.OptionsForm->setCardFileChooser([this](const std::string& current) {
        FileDialogRequest request;
        request.title = "Simulator's card file";
        request.filter = "ZR48 Card Files (*.zr48)|*.zr48|All Files (*.*)|*.*";
        request.defaultExtension = ".zr48";
        request.directory = extractFileDir(current);
        request.fileName = extractFileName(current);
        request.confirmOverwrite = false; // the simulator reads the card it finds there
        return files_.saveFile(request);
    });
    setRunningLink({}, {});
    createUploaderForm();
    shareShortcutsWithToolDialogs();
}

// ---------------------------------------------------------------------------------------------
// The rules.

Situation TMainForm::situation() const
{
    Situation s;
    s.connected = link_->Connected();
    s.expert = settings_.expert(); // read from the store each time: a change needs no notice
    documents_.describe(s);
    s.transferRunning = transferRunning();
    s.focusIsText = withFocusedTextControl([&s](const auto& control) { s.focusHasSelection = hasSelection(control); });
    // The clipboard is asked once after each change, and only when the answer matters: asking
    // may mean a round trip to the program that owns it.
    if (s.focusIsText) {
        if (!clipboardHasText_) {
            const QMimeData* clip = QGuiApplication::clipboard()->mimeData();
            clipboardHasText_ = clip && clip->hasText();
        }
        s.clipboardHasText = *clipboardHasText_;
    }
    return s;
}

void TMainForm::UpdateActions()
{
    if (destroying_)
        return;
    const Situation s = situation();
    for (const ActionRow& row : actionTable()) {
        QAction* action = this->action(row.id);
        action->setEnabled(row.enabled(s));
        action->setVisible(row.visible(s));
    }
    updateNewProjectForm(s);
}

void TMainForm::execute(ActionId id)
{
    if (const auto& command = does_[static_cast<std::size_t>(id)])
        guarded(command);
    UpdateActions();
}

void TMainForm::guarded(const std::function<void()>& command)
{
    try {
        command();
    } catch (const Error& error) {
        prompt_.error(error.message());
    } catch (const std::exception& error) {
        prompt_.error(error.what());
    }
}

// ---------------------------------------------------------------------------------------------
// Events.

bool TMainForm::event(QEvent* event)
{
    if (event->type() == QEvent::StatusTip) {
        statusPanels_[0]->setText(static_cast<QStatusTipEvent*>(event)->tip());
        return true;
    }
    return QMainWindow::event(event);
}

void TMainForm::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (!shown_) {
        shown_ = true;
        FormShow();
    }
}

void TMainForm::FormShow()
{
    openDialogDirectory_ = settings_.projectDir();
}

void TMainForm::StartTimerTimer()
{
    StartTimer->stop();
    link_->SetFrameHandler([this](const std::uint8_t* payload, int length) { dispatcher_.Dispatch(payload, length); });
    RefreshDatabase();
    openCommandLineFile();
}

void TMainForm::openCommandLineFile()
{
    // A missing file, another extension or no argument: nothing, and no message.
    if (commandLineFile_.empty() || !fileExists(commandLineFile_))
        return;
    const std::string path = absolutePath(commandLineFile_);
    openAs(commandLineAction(path), path);
}

void TMainForm::setRunningLink(const std::string& target, const std::string& givenBy)
{
    // The driver's own words for a link it could not open ("in use by ..."), as the status bar
    // shows them beside the error code.
    dialogs_.OptionsForm->setRunningLink(
        {target, givenBy, {}}, [this] { return link_->Connected() ? std::string() : link_->LastFailure().reason; });
}

void TMainForm::comeToFront()
{
    if (isMinimized())
        showNormal();
    raise();
    activateWindow();
}

void TMainForm::openHandedOverFile(const std::string& path)
{
    comeToFront();
    if (!fileExists(path))
        return;
    if (TDocumentWindow* open = FindOpenWindow(path))
        bringToFront(*open);
    else
        openAs(commandLineAction(path), path);
}

bool TMainForm::stopTransfers()
{
    // A download or firmware update that runs stops only when the user agrees that the program
    // quits; one that ends while the user is asked shows its result, and the program stays.
    if (tools_->downloader.Result() == DownloadResult::Running && !tools_->downloader.RequestStop(StopAsker::Quit))
        return false;
    return tools_->firmware.state() == Firmware::State::Idle || tools_->firmware.CloseRequested(StopAsker::Quit);
}

void TMainForm::closeEvent(QCloseEvent* event)
{
    if (!stopTransfers()) {
        event->ignore();
        return;
    }
    // Every close question first, in list order, before anything closes.
    const auto windows = documentWindows();
    std::vector<QPointer<TDocumentWindow>> guarded(windows.begin(), windows.end());
    for (const auto& window : guarded) {
        if (window && !window->askCloseQuestion()) {
            event->ignore();
            return;
        }
    }
    saveWindowState();
    event->accept();
}

bool TMainForm::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Show && watched->isWidgetType() && !destroying_) {
        auto* shown = static_cast<QWidget*>(watched);
        if (shown->isWindow() && shown->windowType() == Qt::Dialog)
            keepTransferDialogsInSight(*shown);
    }
    // A drag that a document window refused comes on to the client area: a slot is cleared only
    // when it is dropped where no window lies.
    const auto overEmptyArea = [this](const QDropEvent& drag) {
        return !mdiArea_->viewport()->childAt(drag.position().toPoint());
    };
    if (watched == mdiArea_->viewport()) {
        switch (event->type()) {
        case QEvent::DragEnter: {
            // A slot's drag is taken in wherever it enters, over a window too: only then does Qt
            // send this area the moves (and the drop) that reach the empty part.
            auto* drag = static_cast<QDropEvent*>(event);
            if (slotDragSource(*drag) || drag->mimeData()->hasUrls())
                drag->acceptProposedAction();
            else
                drag->ignore();
            return true;
        }
        case QEvent::DragMove: {
            auto* drag = static_cast<QDropEvent*>(event);
            if ((slotDragSource(*drag) && overEmptyArea(*drag)) || drag->mimeData()->hasUrls())
                drag->acceptProposedAction();
            else
                drag->ignore();
            return true;
        }
        case QEvent::Drop: {
            auto* drop = static_cast<QDropEvent*>(event);
            if (drop->mimeData()->hasFormat(kProjectSlotMimeType)) {
                ProjectDocument* project = slotDragSource(*drop);
                if (project && overEmptyArea(*drop)) {
                    drop->acceptProposedAction();
                    guarded([project] { project->ClearSelectedSlot(); });
                }
                return true;
            }
            dropEvent(drop);
            return true;
        }
        default: break;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

ProjectDocument* TMainForm::slotDragSource(const QDropEvent& event) const
{
    if (!event.mimeData()->hasFormat(kProjectSlotMimeType))
        return nullptr;
    TDocumentWindow* window = nullptr;
    if (const auto* slot = qobject_cast<const ProjectSlotMimeData*>(event.mimeData()))
        window = slot->projectWindow();
    else
        window = documentWindowOf(event.source());
    if (!window || window->kind() != DocumentKind::ProjectWindow || !documents_.contains(*window))
        return nullptr;
    return window->project();
}

void TMainForm::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void TMainForm::dropEvent(QDropEvent* event)
{
    if (!event->mimeData()->hasUrls())
        return;
    event->acceptProposedAction();
    for (const QUrl& url : event->mimeData()->urls())
        if (url.isLocalFile())
            guarded([this, path = pathFromQString(url.toLocalFile())] { openFile(path); });
    UpdateActions();
}

// ---------------------------------------------------------------------------------------------
// Window state kept between runs.

void TMainForm::restoreWindowState()
{
    const auto geometry = store_.readString(kGeometryKey);
    if (!geometry || geometry->empty() ||
        !restoreGeometry(QByteArray::fromBase64(QByteArray::fromStdString(*geometry))))
        placeForFirstStart();
    if (const auto state = store_.readString(kStateKey); state && !state->empty())
        restoreState(QByteArray::fromBase64(QByteArray::fromStdString(*state)));
}

void TMainForm::placeForFirstStart()
{
    // Most of the screen, centred: room beside the database browser for the largest document
    // windows (the sector viewer, the infrared scope).
    const QRect available = (screen() ? screen() : QGuiApplication::primaryScreen())->availableGeometry();
    const QSize size = (available.size() * kFirstStartShare).expandedTo(minimumSize()).boundedTo(available.size());
    setGeometry(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, size, available));
}

void TMainForm::saveWindowState()
{
    // Kept for the user's comfort, never asked for: a settings file that cannot be written leaves
    // the program without a word, as the recent files do.
    try {
        store_.writeString(kGeometryKey, saveGeometry().toBase64().toStdString());
        store_.writeString(kStateKey, saveState().toBase64().toStdString());
    } catch (const Error&) {
    }
}

// ---------------------------------------------------------------------------------------------
// Window menu and the Window commands.

void TMainForm::refreshWindowMenu()
{
    for (QAction* action : windowListActions_) {
        windowMenu_->removeAction(action);
        action->deleteLater();
    }
    windowListActions_.clear();
    const QList<QMdiSubWindow*> windows = mdiArea_->subWindowList(QMdiArea::CreationOrder);
    if (windows.isEmpty())
        return;
    windowListActions_.append(windowMenu_->addSeparator());
    const TDocumentWindow* active = activeDocument();
    int number = 0;
    for (QMdiSubWindow* sub : windows) {
        auto* window = qobject_cast<TDocumentWindow*>(sub);
        if (!window || !documents_.contains(*window))
            continue;
        ++number;
        const QString text = (number < 10 ? QString("&%1 ").arg(number) : QString("%1 ").arg(number)) +
                             window->windowTitle().replace('&', "&&");
        QAction* entry = windowMenu_->addAction(text);
        entry->setCheckable(true);
        entry->setChecked(window == active);
        connect(entry, &QAction::triggered, this, [this, target = QPointer<TDocumentWindow>(window)] {
            if (target)
                bringToFront(*target);
        });
        windowListActions_.append(entry);
    }
}

namespace {

QRect toQRect(const Rect& r)
{
    return {r.x, r.y, r.width, r.height};
}

// Places the windows that are not minimized where `tile` puts them in `area`, each restored first.
// A window whose content cannot take its place's size (the project window's is fixed) keeps the
// size it needs, moved back into the area where its place would push it past an edge.
template <class Tile>
void tileWindows(const std::vector<TDocumentWindow*>& windows, const QRect& area, Tile tile)
{
    std::vector<TDocumentWindow*> open;
    for (TDocumentWindow* window : windows)
        if (!window->isMinimized())
            open.push_back(window);
    const Rect whole{area.x(), area.y(), area.width(), area.height()};
    const auto places = tile(whole, static_cast<int>(open.size()));
    for (std::size_t i = 0; i < open.size(); ++i) {
        open[i]->showNormal();
        // Never smaller than its content allows: a shrunk project window would cut its controls off.
        open[i]->setGeometry(
            QRect(toQRect(places[i]).topLeft(), toQRect(places[i]).size().expandedTo(open[i]->minimumSizeHint())));
        const QRect placed = open[i]->geometry();
        const Rect inside = keepInside(whole, {placed.x(), placed.y(), placed.width(), placed.height()});
        open[i]->move(inside.x, inside.y);
    }
}

} // namespace

void TMainForm::ActionWindowCascadeExecute()
{
    mdiArea_->cascadeSubWindows();
}

void TMainForm::ActionWindowTileHorizontalExecute()
{
    tileWindows(documentWindows(), mdiArea_->viewport()->rect(), tileHorizontally);
}

void TMainForm::ActionWindowTileVerticalExecute()
{
    tileWindows(documentWindows(), mdiArea_->viewport()->rect(), tileVertically);
}

void TMainForm::ActionWindowMinimizeAllExecute()
{
    for (TDocumentWindow* window : documentWindows())
        window->showMinimized();
}

void TMainForm::ActionWindowArrangeExecute()
{
    std::vector<TDocumentWindow*> minimized;
    for (QMdiSubWindow* sub : mdiArea_->subWindowList(QMdiArea::CreationOrder))
        if (auto* window = qobject_cast<TDocumentWindow*>(sub); window && window->isMinimized())
            minimized.push_back(window);
    if (minimized.empty())
        return;
    const QRect area = mdiArea_->viewport()->rect();
    const QSize size = minimized.front()->size();
    const auto places = arrangeIcons({area.x(), area.y(), area.width(), area.height()}, size.width(), size.height(),
                                     static_cast<int>(minimized.size()));
    for (std::size_t i = 0; i < minimized.size(); ++i)
        minimized[i]->move(places[i].x, places[i].y);
}

// ---------------------------------------------------------------------------------------------
// Edit, Tools and Help commands.

void TMainForm::ActionEditCutExecute()
{
    withFocusedTextControl([](auto& control) { control.cut(); });
}

void TMainForm::ActionEditCopyExecute()
{
    withFocusedTextControl([](auto& control) { control.copy(); });
}

void TMainForm::ActionEditPasteExecute()
{
    withFocusedTextControl([](auto& control) { control.paste(); });
}

void TMainForm::ActionMemoryViewerExecute()
{
    openDocument(DocumentKind::SectorViewer);
}

void TMainForm::ActionInfraredScopeExecute()
{
    openDocument(DocumentKind::InfraredScope);
}

void TMainForm::ActionOptionsExecute()
{
    const std::string database = settings_.database();
    dialogs_.OptionsForm->exec();
    // A database directory of its own: the browser shows it at once.
    if (settings_.database() != database)
        RefreshDatabase();
    // Whatever button closed it, the windows that show the settings apply them again.
    for (TDocumentWindow* window : documentWindows())
        if (ProjectDocument* project = window->project())
            project->ApplyEnableRules();
    applyExpertToFirmwareForm();
    // The one place that says the settings could not be written: here the user asked to keep them.
    if (const auto failure = dialogs_.OptionsForm->takeWriteFailure())
        prompt_.error(*failure);
}

void TMainForm::ActionHelpAboutExecute()
{
    dialogs_.AboutBox->exec();
}

} // namespace zr48
