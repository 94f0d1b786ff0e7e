#pragma once
// Document windows of the kinds that other windows will fill, reduced to what the main window
// asks of them: a project window that records its calls and keeps its title as a project window
// does, and a frame-taking viewer that records its frames.

#include "base/Error.h"
#include "base/qt/QtText.h"
#include "desktop/common/DocumentWindow.h"
#include "desktop/main/MainForm.h"
#include "desktop/project/ProjectDocument.h"

#include <QTreeWidget>

#include <string>
#include <vector>

namespace zr48::test {

class FakeProjectWindow : public TDocumentWindow, public ProjectDocument {
public:
    explicit FakeProjectWindow(int windowNumber) : TDocumentWindow(DocumentKind::ProjectWindow, windowNumber)
    {
        tree = new QTreeWidget(this);
        setWidget(tree);
        caption();
    }

    ProjectDocument* project() override { return this; }
    void LoadProject(const std::string& path) override
    {
        calls.push_back("LoadProject " + path);
        setDocumentFile(path);
        setModified(false);
    }
    bool PrepareDownload() override
    {
        calls.push_back("PrepareDownload");
        return prepareSucceeds;
    }
    void DeleteUnusedFiles() override { calls.push_back("DeleteUnusedFiles"); }
    void ClearSelectedSlot() override
    {
        calls.push_back("ClearSelectedSlot");
        setModified(true);
    }
    void ApplyEnableRules() override { calls.push_back("ApplyEnableRules"); }
    void SaveDocument() override
    {
        calls.push_back("SaveProject " + documentFile());
        if (saveFails)
            throw Error("Cannot write \"" + documentFile() + "\": Permission denied");
        setModified(false);
    }

    void setModified(bool modified)
    {
        modified_ = modified;
        caption();
    }

    QTreeWidget* tree;
    std::vector<std::string> calls;
    bool prepareSucceeds = true;
    bool saveFails = false;

private:
    void caption() { setWindowTitle(pathToQString("ZR48 Project - " + documentFile() + (modified_ ? " *" : ""))); }
    bool modified_ = false;
};

class FakeViewer : public TDocumentWindow {
public:
    FakeViewer(DocumentKind kind, int windowId) : TDocumentWindow(kind, windowId)
    {
        setWindowTitle(QString("Viewer %1").arg(windowId));
    }
    void HandleFrame(const std::uint8_t* payload, int length) override
    {
        frames.emplace_back(payload, payload + length);
    }
    std::vector<std::vector<std::uint8_t>> frames;
};

// Makes `form` open a fake project window where it would open a project window, each kept in
// `windows` as it opens (the form owns them).
inline void openFakeProjectWindows(TMainForm& form, std::vector<FakeProjectWindow*>& windows)
{
    form.setDocumentFactory(DocumentKind::ProjectWindow, [&windows](Shell&, int number) {
        windows.push_back(new FakeProjectWindow(number));
        return windows.back();
    });
}

} // namespace zr48::test
