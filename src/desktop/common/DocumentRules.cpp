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

TitleParts splitTitle(std::string_view title)
{
    TitleParts parts;
    std::size_t end = title.size();
    for (bool found = true; found;) {
        found = false;
        for (const std::string_view mark : {std::string_view(" *"), std::string_view(" (Read only)")}) {
            if (title.substr(0, end).ends_with(mark)) {
                end -= mark.size();
                found = true;
            }
        }
    }
    parts.state = std::string(title.substr(end));
    const std::string_view rest = title.substr(0, end);
    const std::size_t dash = rest.find(" - ");
    const std::size_t pathStart = dash == std::string_view::npos ? 0 : dash + 3;
    parts.name = std::string(rest.substr(0, pathStart));
    parts.path = std::string(rest.substr(pathStart));
    return parts;
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
    return OpenAction::TextFile;
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
