#include "desktop/project/NewProjectRules.h"

#include "base/Error.h"
#include "base/FileIo.h"
#include "base/Paths.h"
#include "base/Prompt.h"
#include "project/ProjectFile.h"

#include <filesystem>

namespace zr48 {

namespace {

namespace fs = std::filesystem;

} // namespace

std::string proposedProjectLocation(std::string_view projectDir, std::string_view name)
{
    std::string location(projectDir);
    location += name;
    location += kNativeSeparator;
    location += name;
    location += ".mpj";
    return location;
}

NewProjectControls newProjectControls(std::string_view name, NewProjectChoice choice, std::string_view copyPath)
{
    NewProjectControls controls;
    controls.location = !name.empty();
    controls.copyProject = choice == NewProjectChoice::Copy;
    controls.ok = !name.empty() && (choice != NewProjectChoice::Copy || fileExists(copyPath));
    return controls;
}

bool createProjectFile(const std::string& path, NewProjectChoice choice, const std::string& copyPath, Prompt& prompt,
                       const std::string& ownProjectsFolder,
                       const std::function<bool(const std::string& path)>& closeWindowsOn)
{
    // The empty project would replace the very project that is to be copied.
    if (choice == NewProjectChoice::Copy && sameFile(path, copyPath)) {
        prompt.error("The project \"" + path + "\" is the project to be copied; choose another location.");
        return false;
    }
    if (fileExists(path) && prompt.confirm("Overwrite Project " + path + " ?", Buttons::YesNo) != Answer::Yes)
        return false;
    if (closeWindowsOn && !closeWindowsOn(path))
        return false;
    const std::string folder = extractFileDir(path);
    if (!folder.empty()) {
        std::error_code ignored; // an existing folder is fine; a missing parent shows below
        if (!ownProjectsFolder.empty() && extractFilePath(folder) == ownProjectsFolder)
            fs::create_directory(toFsPath(ownProjectsFolder), ignored);
        fs::create_directory(toFsPath(folder), ignored);
    }
    if (folder.empty() || !directoryExists(folder)) {
        prompt.error("Unable to create Project " + path + ".");
        return false;
    }
    try {
        TProjectFile().Save(path);
    } catch (const Error& error) {
        prompt.error(error.message());
        return false;
    }
    return true;
}

} // namespace zr48
