// zr48: the command-line tool.

#include "base/Platform.h"
#include "base/Settings.h"
#include "cli/Cli.h"
#include "cli/TerminalPrompt.h"

#ifdef ZR48_QT_SETTINGS
#include "base/qt/QtSettingsStore.h"
#include "base/qtgui/PdfFile.h"
#else
#include "base/IniSettingsStore.h"
#endif

#include <iostream>

int main(int argc, char* argv[])
{
#ifdef ZR48_QT_SETTINGS
    // QSettings needs no application object; the PDF writer makes the one it needs.
    zr48::QtSettingsStore store;
    zr48::Settings settings(store, zr48::platformSettingsDefaults());
#else
    // Without Qt (the Windows build): a settings file of the tool's own.
    zr48::IniSettingsStore store(zr48::userSettingsFile());
    zr48::Settings settings(store, zr48::userSettingsDefaults());
#endif
    zr48::platform::useUtf8Terminal();
    zr48::TerminalPrompt prompt(std::cin, std::cerr);

    zr48::cli::Environment environment{std::cout, std::cerr, prompt, settings, [&prompt](bool yes) {
                                           prompt.setPolicy(yes ? zr48::TerminalPrompt::Policy::AlwaysYes
                                                                : zr48::TerminalPrompt::Policy::AlwaysNo);
                                       }};
#ifdef ZR48_QT_SETTINGS
    environment.defaults.writePdf = zr48::writeHtmlAsPdf;
#endif
    if (const auto link = zr48::platform::environmentVariable(zr48::cli::kLinkVariable))
        environment.linkVariable = *link;
    const zr48::cli::Arguments arguments = zr48::platform::commandLineArguments(argc, argv);
    return zr48::cli::run(environment, arguments);
}
