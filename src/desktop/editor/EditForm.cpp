#include "desktop/editor/EditForm.h"

#include "base/Error.h"
#include "base/FileIo.h"
#include "base/Paths.h"
#include "base/Prompt.h"
#include "base/qt/QtText.h"
#include "desktop/common/DocumentRules.h"
#include "desktop/common/ImageList.h"
#include "desktop/common/Shell.h"
#include "desktop/editor/EditorRules.h"

#include <QElapsedTimer>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QShortcut>
#include <QStatusBar>
#include <QTextBlock>
#include <QTextDocument>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include <atomic>
#include <filesystem>
#include <thread>

namespace zr48 {

namespace {

// A background load fills the text in pieces of about this many characters, each step of the
// event loop for at most this long, so that keys and repaints wait no longer than a frame.
constexpr qsizetype kFillPieceChars = 16 * 1024;
constexpr qint64 kFillStepMs = 8;

// Where the piece of `text` that starts at `from` ends: after its last line end, or after
// `most` characters when a line is longer.
qsizetype fillPieceEnd(const QString& text, qsizetype from, qsizetype most)
{
    const qsizetype end = std::min(text.size(), from + most);
    if (end == text.size())
        return end;
    const qsizetype lineEnd = text.lastIndexOf(QLatin1Char('\n'), end - 1);
    return lineEnd >= from ? lineEnd + 1 : end;
}

// The editor's client area, sized like the window of old.
class ClientArea : public QWidget {
public:
    using QWidget::QWidget;
    QSize sizeHint() const override { return {TEditForm::kClientWidth, TEditForm::kClientHeight}; }
};

// Keys that make a character: printable text, Enter, Tab and Backspace; not shortcuts.
bool makesCharacter(const QKeyEvent& key)
{
    if (key.modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return false;
    if (key.key() == Qt::Key_Return || key.key() == Qt::Key_Enter || key.key() == Qt::Key_Tab ||
        key.key() == Qt::Key_Backspace || key.key() == Qt::Key_Delete)
        return true;
    const QString text = key.text();
    return !text.isEmpty() && text.at(0).isPrint();
}

} // namespace

// A large file read on a worker thread, then filled into the text from the event loop.
struct TEditForm::Load {
    int generation = 0;
    std::string path;
    // What the editor showed before, for a file that cannot be read.
    std::string previousPath;
    bool previousModified = false;
    std::atomic<bool> cancelled{false};
    std::atomic<bool> ended{false};
    // Written by the worker before it ends; read on the user-interface thread after the join.
    QString text;
    std::string error;
    std::thread worker;
    // User-interface thread only.
    bool read = false;
    qsizetype filled = 0;

    void join()
    {
        if (worker.joinable())
            worker.join();
    }
    ~Load()
    {
        cancelled = true;
        join();
    }
};

TEditForm::TEditForm(Shell& shell, QObject* ownerWindow, int windowNumber, QWidget* parent)
    : TDocumentWindow(DocumentKind::TextEditor, windowNumber, parent), shell_(shell), ownerWindow_(ownerWindow)
{
    setObjectName("EditForm");
    setWindowIcon(shell.imageList().icon(ImageList::kDeviceFile));
    auto* client = new ClientArea(this);
    auto* layout = new QVBoxLayout(client);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    RichEdit = new QPlainTextEdit(client);
    RichEdit->setObjectName("RichEdit");
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    if (const QFontMetrics metrics(font); metrics.horizontalAdvance('i') != metrics.horizontalAdvance('M')) {
        // A platform without a fixed-pitch system font: the font configuration's monospace.
        font.setFamily(QStringLiteral("monospace"));
        font.setStyleHint(QFont::TypeWriter);
        font.setFixedPitch(true);
    }
    font.setPixelSize(kFontPixels);
    RichEdit->setFont(font);
    RichEdit->setLineWrapMode(QPlainTextEdit::NoWrap);
    RichEdit->setTabStopDistance(QFontMetricsF(font).horizontalAdvance(QLatin1Char(' ')) * 8);
    RichEdit->installEventFilter(this);
    layout->addWidget(RichEdit, 1);

    // Find (Ctrl+F): a bar below the text.
    findBar_ = new QWidget(client);
    findBar_->setObjectName("FindBar");
    auto* findLayout = new QHBoxLayout(findBar_);
    findLayout->setContentsMargins(4, 2, 4, 2);
    findLayout->addWidget(new QLabel("Find:", findBar_));
    EditFind = new QLineEdit(findBar_);
    EditFind->setObjectName("EditFind");
    EditFind->setClearButtonEnabled(true);
    EditFind->installEventFilter(this);
    findLayout->addWidget(EditFind, 1);
    auto* previous = new QToolButton(findBar_);
    previous->setObjectName("ButtonFindPrevious");
    previous->setArrowType(Qt::UpArrow);
    previous->setToolTip("Previous match (Shift+F3)");
    auto* next = new QToolButton(findBar_);
    next->setObjectName("ButtonFindNext");
    next->setArrowType(Qt::DownArrow);
    next->setToolTip("Next match (F3)");
    findLayout->addWidget(previous);
    findLayout->addWidget(next);
    findStatus_ = new QLabel(findBar_);
    findLayout->addWidget(findStatus_);
    auto* closeFind = new QToolButton(findBar_);
    closeFind->setText(QStringLiteral("\u2715"));
    closeFind->setAutoRaise(true);
    closeFind->setToolTip("Close (Esc)");
    findLayout->addWidget(closeFind);
    findBar_->hide();
    layout->addWidget(findBar_);

    StatusBar = new QStatusBar(client);
    StatusBar->setObjectName("StatusBar");
    StatusBar->setSizeGripEnabled(false);
    for (std::size_t i = 0; i < statusPanels_.size(); ++i) {
        auto* panel = new QLabel(StatusBar);
        panel->setObjectName(QString("StatusPanel%1").arg(i));
        panel->setMinimumWidth(50);
        panel->setFrameShape(QFrame::Panel);
        panel->setFrameShadow(QFrame::Sunken);
        StatusBar->addWidget(panel);
        statusPanels_[i] = panel;
    }
    layout->addWidget(StatusBar);
    setWidget(client);
    resize(sizeHint());

    fillTimer_ = new QTimer(this);
    fillTimer_->setInterval(0);
    connect(fillTimer_, &QTimer::timeout, this, [this] { fillStep(); });

    connect(RichEdit->document(), &QTextDocument::contentsChange, this, [this](int, int removed, int added) {
        if (!loading_ && (removed > 0 || added > 0))
            RichEditChange();
    });
    connect(RichEdit, &QPlainTextEdit::cursorPositionChanged, this, &TEditForm::RichEditSelectionChange);

    auto* find = new QShortcut(QKeySequence::Find, this, nullptr, nullptr, Qt::WidgetWithChildrenShortcut);
    connect(find, &QShortcut::activated, this, &TEditForm::showFindBar);
    auto* findNextKey = new QShortcut(QKeySequence::FindNext, this, nullptr, nullptr, Qt::WidgetWithChildrenShortcut);
    connect(findNextKey, &QShortcut::activated, this, [this] { findNext(false); });
    auto* findPreviousKey =
        new QShortcut(QKeySequence::FindPrevious, this, nullptr, nullptr, Qt::WidgetWithChildrenShortcut);
    connect(findPreviousKey, &QShortcut::activated, this, [this] { findNext(true); });
    connect(EditFind, &QLineEdit::returnPressed, this, [this] { findNext(false); });
    connect(EditFind, &QLineEdit::textChanged, this, [this] { findStatus_->clear(); });
    connect(next, &QToolButton::clicked, this, [this] { findNext(false); });
    connect(previous, &QToolButton::clicked, this, [this] { findNext(true); });
    connect(closeFind, &QToolButton::clicked, this, [this] {
        findBar_->hide();
        RichEdit->setFocus();
    });

    UpdateTitle(documentFile(), false);
    RichEditSelectionChange();
}

TEditForm::~TEditForm()
{
    // Workers still reading are told to stop and waited for; their late messages die with the
    // window.
    if (load_)
        load_->cancelled = true;
    for (const auto& load : supersededLoads_)
        load->cancelled = true;
    load_.reset();
    supersededLoads_.clear();
}

void TEditForm::UpdateTitle(const std::string& path, bool modified)
{
    setDocumentFile(path);
    setWindowTitle(pathToQString(editorTitle(path, modified, readOnly_)));
    statusPanels_[1]->setText(modified ? QStringLiteral("Modified") : QString());
}

bool TEditForm::modified() const
{
    return titleShowsModified(title());
}

void TEditForm::setReadOnly(bool readOnly)
{
    readOnly_ = readOnly;
    if (!load_)
        applyReadOnly(readOnly);
    UpdateTitle(documentFile(), modified());
}

void TEditForm::applyReadOnly(bool readOnly)
{
    RichEdit->setReadOnly(readOnly);
    // Read-only text keeps its caret, so the keys that move it still work.
    RichEdit->setTextInteractionFlags(readOnly ? Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard
                                               : Qt::TextEditorInteraction);
}

bool TEditForm::readOnly() const
{
    return readOnly_;
}

void TEditForm::showEvent(QShowEvent* event)
{
    TDocumentWindow::showEvent(event);
    if (!shown_) {
        shown_ = true;
        UpdateTitle(documentFile(), false);
    }
}

void TEditForm::LoadFile(std::string path)
{
    if (extractFilePath(path).empty())
        path = absolutePath(path);
    if (!fileExists(path)) {
        shell_.prompt().error("File does not exists\n" + path);
        return;
    }
    // A newer load supersedes a running one: its text never reaches the editor.
    endLoad();
    std::error_code sizeUnknown;
    const std::uintmax_t size = std::filesystem::file_size(toFsPath(path), sizeUnknown);
    if (!sizeUnknown && size > kLoadAtOnceBytes) {
        startLoad(path);
        return;
    }
    const Bytes bytes = readFileBytes(path);
    loading_ = true;
    RichEdit->setPlainText(
        toQString(editorTextFromFile(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()))));
    loading_ = false;
    UpdateTitle(path, false);
}

void TEditForm::startLoad(const std::string& path)
{
    std::erase_if(supersededLoads_, [](const std::unique_ptr<Load>& load) { return load->ended.load(); });
    auto load = std::make_unique<Load>();
    Load* running = load.get();
    running->generation = ++loadGeneration_;
    running->path = path;
    running->previousPath = documentFile();
    running->previousModified = modified();
    // The window joins the worker before it goes, so the worker may post to it.
    running->worker = std::thread([this, running] {
        try {
            const Bytes bytes = readFileBytes(running->path);
            if (!running->cancelled)
                running->text = toQString(
                    editorTextFromFile(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size())));
        } catch (const Error& error) {
            running->error = error.message();
        } catch (const std::exception& error) {
            running->error = "Cannot read \"" + running->path + "\": " + error.what();
        }
        if (!running->cancelled)
            QMetaObject::invokeMethod(
                this, [this, generation = running->generation] { loadRead(generation); }, Qt::QueuedConnection);
        running->ended = true;
    });
    load_ = std::move(load);
    // Until the whole text is in, nothing changes it and it is not modified.
    loading_ = true;
    applyReadOnly(true);
    UpdateTitle(path, false);
    statusPanels_[2]->setText(QStringLiteral("Loading…"));
}

void TEditForm::loadRead(int generation)
{
    if (!load_ || load_->generation != generation || load_->read)
        return; // superseded, or finished at once
    load_->join();
    load_->read = true;
    if (!load_->error.empty()) {
        const std::string error = load_->error;
        const std::string previousPath = load_->previousPath;
        const bool previousModified = load_->previousModified;
        endLoad();
        UpdateTitle(previousPath, previousModified);
        shell_.prompt().error(error);
        return;
    }
    QTextDocument* document = RichEdit->document();
    document->setUndoRedoEnabled(false);
    RichEdit->clear();
    fillTimer_->start();
    fillStep();
}

void TEditForm::fillStep()
{
    if (!load_ || !load_->read)
        return;
    Load& load = *load_;
    const bool first = load.filled == 0;
    QElapsedTimer clock;
    clock.start();
    QTextCursor cursor(RichEdit->document());
    cursor.movePosition(QTextCursor::End);
    do {
        const qsizetype end = fillPieceEnd(load.text, load.filled, kFillPieceChars);
        cursor.insertText(load.text.mid(load.filled, end - load.filled));
        load.filled = end;
    } while (load.filled < load.text.size() && clock.elapsed() < kFillStepMs);
    if (first)
        RichEdit->moveCursor(QTextCursor::Start); // the first piece went in before the caret
    if (load.filled < load.text.size()) {
        statusPanels_[2]->setText(QStringLiteral("Loading… %1 %").arg(load.filled * 100 / load.text.size()));
        return;
    }
    const std::string path = load.path;
    endLoad();
    RichEdit->document()->setModified(false);
    UpdateTitle(path, false);
}

void TEditForm::finishLoading()
{
    if (load_ && !load_->read)
        loadRead(load_->generation); // waits for the worker
    while (load_)
        fillStep();
}

void TEditForm::endLoad()
{
    if (!load_)
        return;
    fillTimer_->stop();
    load_->cancelled = true;
    if (load_->read)
        load_.reset(); // its worker has been joined
    else
        supersededLoads_.push_back(std::move(load_));
    loading_ = false;
    RichEdit->document()->setUndoRedoEnabled(true);
    applyReadOnly(readOnly_);
    statusPanels_[2]->clear();
}

QString TEditForm::plainText() const
{
    // The raw text keeps non-breaking spaces (a Windows-1252 character), which toPlainText() would
    // turn into spaces; only the paragraph separators become line ends.
    QString text = RichEdit->document()->toRawText();
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    text.replace(QChar::LineSeparator, QLatin1Char('\n'));
    return text;
}

bool TEditForm::SaveFile(const std::string& path)
{
    finishLoading();
    const QString text = plainText();
    if (!fitsWindows1252(text) &&
        shell_.prompt().confirm("Some characters of this text cannot be stored in a device file; they would be "
                                "saved as \"?\".\nSave anyway?",
                                Buttons::YesNo) != Answer::Yes)
        return false;
    const Text stored = fromQString(text);
    writeFileAtomically(path, fileBytesFromEditorText(stored));
    if (!fitsWindows1252(text)) {
        // The text shows what the file now holds ("?" for what it could not).
        const int caret = RichEdit->textCursor().position();
        loading_ = true;
        RichEdit->setPlainText(toQString(stored));
        loading_ = false;
        QTextCursor cursor = RichEdit->textCursor();
        cursor.setPosition(std::min(caret, static_cast<int>(RichEdit->document()->characterCount()) - 1));
        RichEdit->setTextCursor(cursor);
    }
    UpdateTitle(path, false);
    return true;
}

Text TEditForm::fileBytes()
{
    finishLoading();
    return fileBytesFromEditorText(fromQString(plainText()));
}

void TEditForm::replaceFileBytes(std::string_view bytes)
{
    finishLoading();
    RichEdit->setUpdatesEnabled(false);
    QTextCursor cursor(RichEdit->document());
    cursor.beginEditBlock();
    cursor.select(QTextCursor::Document);
    cursor.insertText(toQString(editorTextFromFile(bytes)));
    cursor.endEditBlock();
    RichEdit->moveCursor(QTextCursor::Start);
    RichEdit->ensureCursorVisible();
    RichEdit->setUpdatesEnabled(true);
    // Marked modified as for any edit, also when nothing changed.
    UpdateTitle(documentFile(), true);
}

void TEditForm::RichEditChange()
{
    UpdateTitle(documentFile(), true);
}

void TEditForm::RichEditSelectionChange()
{
    const QTextCursor cursor = RichEdit->textCursor();
    statusPanels_[0]->setText(QString::fromStdString(caretText(cursor.blockNumber(), cursor.positionInBlock())));
}

bool TEditForm::AskToEdit()
{
    if (!readOnly_)
        return true;
    if (shell_.prompt().confirm("Do you really want to edit this File?", Buttons::YesNo) != Answer::Yes)
        return false;
    setReadOnly(false);
    UpdateTitle(documentFile(), true);
    return true;
}

bool TEditForm::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (watched == RichEdit && load_ && makesCharacter(*key))
            return true; // nothing to change before the whole text is in
        if (watched == RichEdit && readOnly_ && makesCharacter(*key))
            return !AskToEdit(); // on Yes the key goes on as an ordinary key press
        if (watched == EditFind && key->key() == Qt::Key_Escape) {
            findBar_->hide();
            RichEdit->setFocus();
            return true;
        }
    }
    return TDocumentWindow::eventFilter(watched, event);
}

void TEditForm::showFindBar()
{
    findBar_->show();
    const QString selected = RichEdit->textCursor().selectedText();
    if (!selected.isEmpty() && !selected.contains(QChar::ParagraphSeparator))
        EditFind->setText(selected);
    EditFind->selectAll();
    EditFind->setFocus();
}

bool TEditForm::findNext(bool backwards)
{
    const QString word = EditFind->text();
    if (word.isEmpty()) {
        showFindBar();
        return false;
    }
    const QTextDocument::FindFlags flags = backwards ? QTextDocument::FindBackward : QTextDocument::FindFlags();
    bool found = RichEdit->find(word, flags);
    if (!found) {
        // Round the end of the text.
        const QTextCursor keep = RichEdit->textCursor();
        RichEdit->moveCursor(backwards ? QTextCursor::End : QTextCursor::Start);
        found = RichEdit->find(word, flags);
        if (!found)
            RichEdit->setTextCursor(keep);
    }
    findStatus_->setText(found ? QString() : QStringLiteral("Not found"));
    return found;
}

} // namespace zr48
