// zr48pm: the desktop program.
//
//   zr48pm [--link TARGET] [FILE]
//
// --link chooses how the ZR48 is reached (auto, serial, ftdi, tty:PATH, sim, sim:CARDFILE); the
// first other argument names a project or device file to open at start.

#include "base/Error.h"
#include "base/Settings.h"
#include "base/Text.h"
#include "base/qt/QtSettingsStore.h"
#include "base/qt/QtText.h"
#include "link/LinkTarget.h"
#include "shell/Application.h"
#include "shell/FileChooser.h"
#include "shell/MainForm.h"
#include "shell/QtLink.h"
#include "shell/QtPrompt.h"

#include <QMessageBox>

#include <iostream>
#include <optional>

namespace {

struct CommandLine {
    std::string link = "auto";
    std::optional<zr48::Path> file; // as given
};

// nullopt after printing what is wrong.
std::optional<CommandLine> parseCommandLine(const QStringList& arguments)
{
    CommandLine line;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        if (a == "--link" || a.startsWith("--link=")) {
            if (a == "--link" && i + 1 == arguments.size()) {
                std::cerr << "zr48pm: --link needs a value (" << zr48::kLinkTargetHelp << ")\n";
                return std::nullopt;
            }
            line.link = (a == "--link" ? arguments[++i] : a.mid(7)).toStdString();
        } else if (a == "--help" || a == "-h") {
            std::cout << "Usage: zr48pm [--link TARGET] [FILE]\n"
                         "  --link TARGET  how to reach the ZR48: "
                      << zr48::kLinkTargetHelp
                      << " (default auto)\n"
                         "  FILE         a project (.mpj) or device file (.mpi) to open\n";
            return std::nullopt;
        } else if (!line.file) {
            line.file = zr48::pathFromQString(a); // the first other argument keeps its meaning
        }
    }
    return line;
}

} // namespace

int main(int argc, char* argv[])
{
    zr48::TApplication app(argc, argv);
    QApplication::setOrganizationName("KELDO");
    QApplication::setApplicationName("ZR48");
    QApplication::setApplicationDisplayName("KELDO ZR48 Project Manager");

    const auto commandLine = parseCommandLine(QApplication::arguments());
    if (!commandLine)
        return QApplication::arguments().contains("--help") || QApplication::arguments().contains("-h") ? 0 : 64;
    const auto target = zr48::parseLinkTarget(commandLine->link);
    if (!target) {
        std::cerr << "zr48pm: unknown link '" << commandLine->link << "'; use " << zr48::kLinkTargetHelp << "\n";
        return 64;
    }

    zr48::QtSettingsStore store;
    zr48::Settings settings(store, zr48::platformSettingsDefaults());
    zr48::QtPrompt prompt;
    zr48::QtFileChooser files;
    app.setErrorPrompt(&prompt);
    try {
        zr48::QtLink link(*target);
        zr48::TMainForm mainForm({store, settings, prompt, files, link.parts(),
                                  zr48::pathFromQString(QApplication::applicationDirPath()),
                                  link.driver().description()});
        prompt.setParent(&mainForm);
        files.setParent(&mainForm);
        if (commandLine->file)
            mainForm.setCommandLineFile(*commandLine->file);
        mainForm.show();
        return QApplication::exec();
    } catch (const zr48::Error& e) {
        // An error during start-up is shown, and the program ends.
        QMessageBox::critical(nullptr, QApplication::applicationDisplayName(), zr48::messageToQString(e.message()));
        return 1;
    }
}
