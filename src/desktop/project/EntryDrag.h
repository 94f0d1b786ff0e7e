#pragma once
// Dragging device entries between trees: from the database browser or a project window onto a
// project window's slot. The drag carries its source; the receiver reads the source's selected
// entry when it is dropped.

#include <QMimeData>
#include <QPointer>
#include <QTreeWidget>

#include <functional>

namespace zr48 {

struct DEVICE_CONFIG;

// A window whose tree can be dragged from: the database browser, a project window.
class DeviceEntrySource {
public:
    virtual ~DeviceEntrySource() = default;
    // The entry of the selected node: a database entry or a project's slot; null without one.
    virtual const DEVICE_CONFIG* selectedEntry() const = 0;
};

// The data of a drag from the database browser's tree.
inline constexpr const char* kDatabaseEntryMimeType = "application/x-zr48-database-entry";

class DatabaseEntryMimeData : public QMimeData {
    Q_OBJECT
public:
    explicit DatabaseEntryMimeData(QObject* browser);
    QObject* browser() const { return browser_; }

private:
    QPointer<QObject> browser_;
};

// The window a drag of entries comes from (its data names it), or null for any other drag.
const DeviceEntrySource* entrySourceOf(const QMimeData* data);

// A tree view that starts its drags with data of its own and leaves the drop decisions to its
// window.
class EntryTree : public QTreeWidget {
    Q_OBJECT
public:
    explicit EntryTree(QWidget* parent = nullptr);

    // The data of a drag of the selected node; no drag without it.
    std::function<QMimeData*()> dragData;
    // Whether a drag with this data may be dropped here; no drop without it.
    std::function<bool(const QMimeData*)> accepts;
    // The data dropped on `target` (the node under the pointer, or null).
    std::function<void(const QMimeData*, QTreeWidgetItem* target)> dropped;

protected:
    void startDrag(Qt::DropActions supportedActions) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
};

} // namespace zr48
