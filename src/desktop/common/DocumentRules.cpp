#include "desktop/common/DocumentRules.h"

#include "base/Paths.h"

namespace zr48 {

std::string placeholderName(DocumentKind kind, int windowNumber)
{
    const std::string number = std::to_string(windowNumber + 1);
    switch (kind) {
    case DocumentKind::ProjectWindow: return "[Project" + number + "]";
    case DocumentKind::TextEditor: return "[Unnamed" + number + "]";
    case DocumentKind::SectorViewer:
    case DocumentKind::InfraredScope: break;
    }
    return {};
}

bool titleShowsModified(std::string_view title)
{
    return title.find('*') != std::string_view::npos;
}

bool titleShowsUnnamed(std::string_view title)
{
    return title.find("[Unnamed") != std::string_view::npos;
}

Text closeQuestionText(std::string_view title)
{
    // Messages are UTF-8, as the title (which holds a path) is.
    return "Save changes to\n" + std::string(title) + " ?";
}

OpenAction fileOpenAction(std::string_view path)
{
    const std::string ext = extractFileExt(path);
    if (ext == ".mpd")
        return OpenAction::Download;
    if (ext == ".mpj")
        return OpenAction::ProjectWindow;
    if (ext == ".mpi")
        return OpenAction::TextEditor;
    return OpenAction::Nothing;
}

OpenAction commandLineAction(std::string_view path)
{
    const std::string ext = lowerCase(extractFileExt(path));
    if (ext == ".mpj")
        return OpenAction::ProjectWindow;
    if (ext == ".mpi")
        return OpenAction::TextEditor;
    return OpenAction::Nothing;
}

std::string downloadImagePath(std::string_view projectFile)
{
    return changeFileExt(projectFile, ".mpd");
}

} // namespace zr48
