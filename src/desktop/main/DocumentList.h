#pragma once
// The main window's document windows, most recently activated first: the one list that the frame
// dispatcher, the file commands, Close All and shutdown walk, and that the enable rules read.

#include "desktop/common/Document.h"
#include "desktop/main/ActionTable.h"
#include "link/FrameDispatcher.h"

#include <functional>
#include <vector>

namespace zr48 {

class DocumentList {
public:
    // A new window comes first: it is the active one.
    void add(Document& document);
    // The window became the active one; a window not in the list is ignored.
    void activate(Document& document);
    void remove(const Document& document);
    bool contains(const Document& document) const;

    const std::vector<Document*>& windows() const { return windows_; }
    // The active document window: the first of the list.
    Document* active() const { return windows_.empty() ? nullptr : windows_.front(); }
    int count() const { return static_cast<int>(windows_.size()); }
    bool empty() const { return windows_.empty(); }
    // The number a window created now gets: the count of those open.
    int nextWindowNumber() const { return count(); }

    // The first window in list order that the predicate picks, or null.
    Document* find(const std::function<bool(const Document&)>& pick) const;

    // The dispatcher's window list: every frame-taking window in list order with its window id.
    void visitFrameWindows(const FrameDispatcher::WindowVisitor& visit) const;

    // Fills what the enable rules read of the documents: count, modified titles, active window.
    void describe(Situation& situation) const;

private:
    std::vector<Document*> windows_;
};

} // namespace zr48
