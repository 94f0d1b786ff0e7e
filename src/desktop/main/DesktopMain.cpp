#include "desktop/main/DesktopMain.h"

#include "base/DataDir.h"
#include "base/Error.h"
#include "base/Paths.h"
#include "base/Settings.h"
#include "base/Version.h"
#include "base/qt/QtSettingsStore.h"
#include "base/qt/QtText.h"
#include "desktop/common/FileChooser.h"
#include "desktop/common/Shell.h"
#include "desktop/main/Application.h"
#include "desktop/main/CommandLine.h"
#include "desktop/main/HandOver.h"
#include "desktop/main/MainForm.h"
#include "desktop/main/QtLink.h"
#include "desktop/main/QtPrompt.h"
#include "desktop/main/SingleInstance.h"
#include "link/LinkTarget.h"

#include <QIcon>
#include <QMessageBox>

#include <cstdlib>
#include <iostream>

namespace zr48 {

int runDesktopProgram(int& argc, char** argv, const std::function<void(QMainWindow&)>& shown)
{
    // Help, version and a wrong link are answered before Qt looks for a display: they work over ssh
    // and in scripts.
    const char* linkVariable = std::getenv("ZR48_LINK");
    const auto variable = linkVariable ? std::optional<std::string>(linkVariable) : std::nullopt;
    const DesktopCommandLine early = parseDesktopCommandLine({argv + 1, argv + argc}, variable);
    if (early.help) {
        std::cout << desktopUsage();
        return 0;
    }
    if (early.version) {
        std::cout << "zr48pm " << kVersion << "\n";
        return 0;
    }
    if (!early.error.empty()) {
        std::cerr << "zr48pm: " << early.error << "\n";
        return 64;
    }

    TApplication app(argc, argv);
    QApplication::setOrganizationName("KELDO");
    QApplication::setApplicationName("ZR48");
    // The installed desktop entry and icon bear this name; desktops match the windows to them.
    QApplication::setDesktopFileName(ZR48_APP_ID);
    QApplication::setWindowIcon(QIcon::fromTheme(ZR48_APP_ID, QIcon(":/icons/program.svg")));

    std::vector<std::string> arguments;
    for (const QString& argument : QApplication::arguments().mid(1))
        arguments.push_back(pathFromQString(argument));
    // Again without the options that Qt took.
    const DesktopCommandLine line = parseDesktopCommandLine(arguments, variable);
    if (!line.error.empty()) {
        std::cerr << "zr48pm: " << line.error << "\n";
        return 64;
    }

    // A file opened by its type while the program runs goes to the running program's window; so
    // does a start on the unit that the running program uses, which would otherwise show a second
    // window on the same card.
    const QString handOverName = SingleInstance::serverName();
    if (line.linkOption) {
        std::vector<std::string> files;
        if (line.file)
            files.push_back(absolutePath(*line.file));
        if (SingleInstance::handOver(handOverName, absoluteLinkTarget(line.link), files))
            return 0;
    } else if (line.file && SingleInstance::handOver(handOverName, absolutePath(*line.file))) {
        return 0;
    }

    QtSettingsStore store;
    Settings settings(store, platformSettingsDefaults());
    const std::string chosen = chosenLink(line, settings.link());
    QtPrompt prompt;
    QtFileChooser files;
    app.setErrorPrompt(&prompt);
    try {
        QtLink link(*parseLinkTarget(chosen));
        TMainForm mainForm({store, settings, prompt, files, link.parts(), dataDir(), link.driver().description()});
        prompt.setParent(&mainForm);
        files.setParent(&mainForm);
        if (line.file)
            mainForm.setCommandLineFile(*line.file);
        mainForm.setRunningLink(chosen, line.linkOption ? "--link" : line.linkGiven ? "ZR48_LINK" : "");
        mainForm.show();
        SingleInstance instance(handOverName);
        instance.setLink(absoluteLinkTarget(chosen));
        instance.onSameLink = [&mainForm] { mainForm.comeToFront(); };
        instance.onFile = [&mainForm](const std::string& path) { mainForm.openHandedOverFile(path); };
        instance.listen();
        if (shown)
            shown(mainForm);
        return QApplication::exec();
    } catch (const Error& e) {
        // An error during start-up is shown, and the program ends.
        QMessageBox::critical(nullptr, QString(kProgramCaption), messageToQString(e.message()));
        return 1;
    } catch (const std::exception& e) {
        QMessageBox::critical(nullptr, QString(kProgramCaption), QString::fromUtf8(e.what()));
        return 1;
    }
}

} // namespace zr48
