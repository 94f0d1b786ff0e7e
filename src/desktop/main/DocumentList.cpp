#include "desktop/main/DocumentList.h"

#include "desktop/common/DocumentRules.h"

#include <algorithm>

namespace zr48 {

void DocumentList::add(Document& document)
{
    remove(document);
    windows_.insert(windows_.begin(), &document);
}

void DocumentList::activate(Document& document)
{
    const auto it = std::find(windows_.begin(), windows_.end(), &document);
    if (it != windows_.end())
        std::rotate(windows_.begin(), it, it + 1);
}

void DocumentList::remove(const Document& document)
{
    std::erase(windows_, &document);
}

bool DocumentList::contains(const Document& document) const
{
    return std::find(windows_.begin(), windows_.end(), &document) != windows_.end();
}

Document* DocumentList::find(const std::function<bool(const Document&)>& pick) const
{
    for (Document* document : windows_)
        if (pick(*document))
            return document;
    return nullptr;
}

void DocumentList::visitFrameWindows(const FrameDispatcher::WindowVisitor& visit) const
{
    // A receiver may open or close windows: the walk goes over the list as it was.
    const std::vector<Document*> windows = windows_;
    for (Document* document : windows) {
        if (!contains(*document) || !document->takesFrames())
            continue;
        visit(document->windowNumber(),
              [document](const std::uint8_t* payload, int length) { document->HandleFrame(payload, length); });
    }
}

void DocumentList::describe(Situation& situation) const
{
    situation.documentCount = count();
    situation.anyDocumentModified =
        std::any_of(windows_.begin(), windows_.end(), [](const Document* d) { return titleShowsModified(d->title()); });
    if (const Document* first = active()) {
        situation.activeKind = first->kind();
        situation.activeTitle = first->title();
        situation.activeDocumentFile = first->documentFile();
    } else {
        situation.activeKind.reset();
        situation.activeTitle.clear();
        situation.activeDocumentFile.clear();
    }
}

} // namespace zr48
