#pragma once
// What document windows and dialogs get from the main window: one context with the services of
// the running program (settings, message boxes, timers, the link, file dialogs, the pictures)
// and the main window's document operations. TMainForm implements it.

#include "base/Text.h"
#include "link/SendFunction.h"

#include <string>
#include <vector>

class QObject;
class QWidget;

namespace zr48 {

// The main window's caption, also that of messages with no icon of their own. (Not given to Qt as
// the application's display name: X11 would append that to every dialog's caption.)
inline constexpr const char* kProgramCaption = "KELDO ZR48 Project Manager";

class FileChooser;
class ImageList;
class Prompt;
class Settings;
class TDocumentWindow;
class TEditForm;
class TimerFactory;
class TUsbZR48;

// The format of a drag that carries a project window's selected slot. Dropped on the main
// window's empty client area, it asks that window (the drag's source) to clear the slot.
inline constexpr const char* kProjectSlotMimeType = "application/x-zr48-project-slot";

class Shell {
public:
    virtual ~Shell() = default;

    // Services.
    virtual Settings& settings() = 0;
    virtual Prompt& prompt() = 0;
    virtual TimerFactory& timers() = 0;
    virtual TUsbZR48& link() = 0;
    // The link's Send, as the tools take it.
    virtual SendFunction send() = 0;
    // The programs' data folder: share/zr48/ of the install or the build (UTF-8, with a final
    // separator); the demonstration firmware lies below it.
    virtual const std::string& dataDir() const = 0;
    virtual FileChooser& fileChooser() = 0;
    // The shared 16 x 16 pictures (tool bar, menus, the database tree).
    virtual const ImageList& imageList() const = 0;
    // The main window: the parent of dialogs and the owner of tool windows.
    virtual QWidget* mainWindow() = 0;

    // Document windows, most recently activated first.
    virtual std::vector<TDocumentWindow*> documentWindows() const = 0;
    // The window number of a window created now: the count of those open.
    virtual int nextWindowNumber() const = 0;
    // Puts a new document window into the client area and at the head of the list, shows and
    // activates it. The main window owns it from here on; it frees itself when closed.
    virtual void addDocumentWindow(TDocumentWindow* window) = 0;
    // The first project window or text editor in list order whose DocumentFile is the file at
    // `path` (the same file on disk, whatever its spelling; letter case counts); null when there is
    // none.
    virtual TDocumentWindow* FindOpenWindow(const std::string& path) = 0;
    // A new project window (the current window number, the close question) that loads `path`.
    virtual TDocumentWindow* OpenProjectWindow(const std::string& path) = 0;
    // A new, empty text editor with the close question; `ownerWindow` is the window that opened
    // it (a project window saves its own editors before a download).
    virtual TEditForm* NewTextEditor(QObject* ownerWindow, int windowNumber) = 0;
    // The close question of a project window or text editor: false keeps the window open.
    virtual bool CloseQuestion(TDocumentWindow& window) = 0;
    // Brings a document window to the front; it becomes the active one.
    virtual void bringToFront(TDocumentWindow& window) = 0;
};

} // namespace zr48
