#pragma once
// What the main window asks of a project window, beyond what every document window offers
// (saving goes through TDocumentWindow::SaveDocument, which a project window runs as
// SaveProject(DocumentFile)).

#include "project/ProjectFile.h"

#include <optional>
#include <string>

namespace zr48 {

class ProjectDocument {
public:
    virtual ~ProjectDocument() = default;

    // Shows the project file at `path`; OpenProjectWindow runs it right after creation.
    virtual void LoadProject(const std::string& path) = 0;
    // Download to ZR48: saves the project and the editors this window opened, then compiles.
    // False when the compile failed (its messages are shown).
    virtual bool PrepareDownload() = 0;
    // Delete unused mpi Files.
    virtual void DeleteUnusedFiles() = 0;
    // A slot of this window's tree was dropped on the main window's empty client area.
    virtual void ClearSelectedSlot() = 0;
    // The settings may have changed (after the settings dialog).
    virtual void ApplyEnableRules() = 0;
    // The project as the window shows it, changes not yet saved included (for a comparison with
    // the unit and the installation report); nullopt for a window that holds none.
    virtual std::optional<TProjectFile> CurrentProject() const { return std::nullopt; }
    // Shows slot `slot` with its parameters, or the menu lines with line `line` (0 to 4) at the
    // caret, as asked from a comparison's result.
    virtual void ShowSlot(int /*slot*/) {}
    virtual void ShowMenuLine(int /*line*/) {}
};

} // namespace zr48
