// zr48: the command-line tool.

#include "base/Settings.h"
#include "base/qt/QtSettingsStore.h"
#include "cli/Cli.h"
#include "cli/TerminalPrompt.h"

#include <QCoreApplication>

#include <cstdlib>
#include <iostream>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    zr48::QtSettingsStore store;
    zr48::Settings settings(store, zr48::platformSettingsDefaults());
    zr48::TerminalPrompt prompt(std::cin, std::cerr);

    zr48::cli::Environment environment{std::cout, std::cerr, prompt, settings, [&prompt](bool yes) {
                                           prompt.setPolicy(yes ? zr48::TerminalPrompt::Policy::AlwaysYes
                                                                : zr48::TerminalPrompt::Policy::AlwaysNo);
                                       }};
    if (const char* link = std::getenv(zr48::cli::kLinkVariable))
        environment.linkVariable = link;
    const zr48::cli::Arguments arguments(argv + 1, argv + argc);
    return zr48::cli::run(environment, arguments);
}
