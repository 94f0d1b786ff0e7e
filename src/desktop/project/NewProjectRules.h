#pragma once
// The new-project dialog's logic, free of Qt: the proposed location, which controls are enabled,
// and what "OK" does (ask before overwriting, create the project's folder, save an empty project).

#include <functional>
#include <string>
#include <string_view>

namespace zr48 {

class Prompt;

// How the new project is filled after the dialog.
enum class NewProjectChoice { Empty, Upload, Copy };

// The project directory setting, the name, a separator, the name again and ".mpj". The setting is
// taken as it is: without a final separator it runs into the name.
std::string proposedProjectLocation(std::string_view projectDir, std::string_view name);

struct NewProjectControls {
    bool location = false;    // the location edit
    bool copyProject = false; // the copy path edit and its "..." button
    bool ok = false;
    bool operator==(const NewProjectControls&) const = default;
};
NewProjectControls newProjectControls(std::string_view name, NewProjectChoice choice, std::string_view copyPath);

// "OK": asks before an existing project file is overwritten, creates the project's folder (one
// level: its parent must exist) and saves an empty project there. False, with the reason shown,
// when the dialog stays open. A copy onto its own source is refused before anything is written.
// `ownProjectsFolder` is the program's default projects folder ("ZR48 Projects" in the home):
// when the project's folder lies in it and it is missing, as on a new system, it is made first,
// as an installer would have made it; a projects folder the user chose must exist.
// `closeWindowsOn(path)` closes the windows that show the project at `path` (each after its close
// question), false when one stays open: the project is then not replaced, as two windows on one
// file would overwrite each other's work.
bool createProjectFile(const std::string& path, NewProjectChoice choice, const std::string& copyPath, Prompt& prompt,
                       const std::string& ownProjectsFolder = {},
                       const std::function<bool(const std::string& path)>& closeWindowsOn = {});

} // namespace zr48
