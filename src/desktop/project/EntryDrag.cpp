#include "desktop/project/EntryDrag.h"

#include "desktop/common/DocumentWindow.h"
#include "desktop/common/Shell.h"

#include <QDrag>
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>

namespace zr48 {

DatabaseEntryMimeData::DatabaseEntryMimeData(QObject* browser) : browser_(browser)
{
    setData(kDatabaseEntryMimeType, QByteArray());
}

const DeviceEntrySource* entrySourceOf(const QMimeData* data)
{
    if (const auto* slot = qobject_cast<const ProjectSlotMimeData*>(data))
        return dynamic_cast<const DeviceEntrySource*>(slot->projectWindow());
    if (const auto* entry = qobject_cast<const DatabaseEntryMimeData*>(data))
        return dynamic_cast<const DeviceEntrySource*>(entry->browser());
    return nullptr;
}

EntryTree::EntryTree(QWidget* parent) : QTreeWidget(parent)
{
    setHeaderHidden(true);
    setColumnCount(1);
    setDragEnabled(true);
    setDragDropMode(QAbstractItemView::DragDrop);
    setDefaultDropAction(Qt::CopyAction);
}

void EntryTree::startDrag(Qt::DropActions)
{
    if (!dragData || !currentItem())
        return;
    auto* drag = new QDrag(this);
    drag->setMimeData(dragData());
    drag->exec(Qt::CopyAction | Qt::MoveAction, Qt::CopyAction);
}

void EntryTree::dragEnterEvent(QDragEnterEvent* event)
{
    dragMoveEvent(event);
}

void EntryTree::dragMoveEvent(QDragMoveEvent* event)
{
    if (accepts && accepts(event->mimeData())) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
    } else {
        event->ignore();
    }
}

void EntryTree::dropEvent(QDropEvent* event)
{
    if (!accepts || !accepts(event->mimeData())) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
    if (dropped)
        dropped(event->mimeData(), itemAt(event->position().toPoint()));
}

} // namespace zr48
