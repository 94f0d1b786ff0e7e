#include "desktop/main/DirectoryForm.h"

#include "desktop/common/FileChooser.h"
#include "desktop/main/OptionsRules.h"

namespace zr48 {

TDirectoryForm::TDirectoryForm(FileChooser& files, QObject* parent) : QObject(parent), files_(files)
{
    setObjectName("DirectoryForm");
}

bool TDirectoryForm::Execute(const std::string& startPath)
{
    FileDialogRequest request;
    request.title = kCaption;
    request.directory = chooserStartDirectory(startPath);
    const auto chosen = files_.chooseDirectory(request);
    if (!chosen)
        return false;
    directory_ = chosenDirectory(*chosen);
    return true;
}

} // namespace zr48
