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
#include "shell/MainForm.h"
#include "shell/QtLink.h"

#include <QApplication>
#include <QIcon>
#include <QMessageBox>

#include <iostream>
#include <optional>

namespace {

struct CommandLine {
    std::string link = "auto";
    std::optional<std::string> file; // UTF-8, as given
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
            line.file = a.toStdString(); // the first other argument keeps its meaning
        }
    }
    return line;
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setOrganizationName("KELDO");
    QApplication::setApplicationName("ZR48");
    QApplication::setApplicationDisplayName("KELDO ZR48 Project Manager");
    // The installed desktop entry and icon bear this name; desktops match the windows to them.
    QApplication::setDesktopFileName(ZR48_APP_ID);
    QApplication::setWindowIcon(QIcon::fromTheme(ZR48_APP_ID));

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
    try {
        zr48::QtLink link(*target);
        zr48::TMainForm mainForm(settings, link.parts());
        if (commandLine->file)
            mainForm.setCommandLineFile(zr48::fromUtf8(*commandLine->file));
        mainForm.show();
        return QApplication::exec();
    } catch (const zr48::Error& e) {
        // An error during start-up is shown, and the program ends.
        QMessageBox::critical(nullptr, QApplication::applicationDisplayName(), zr48::toQString(e.message()));
        return 1;
    }
}
