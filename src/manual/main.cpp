// zr48-manual MAN1DIR COMPLETIONSDIR: writes the manual pages zr48.1, zr48pm.1 and zr48-sim.1 into
// MAN1DIR and the bash completion zr48 into COMPLETIONSDIR, made from the programs' own tables.
// The build runs it; the files are installed from there.

#include "base/FileIo.h"
#include "base/Version.h"
#include "manual/Completion.h"
#include "manual/ManualPages.h"

#include <filesystem>
#include <iostream>

int main(int argc, char* argv[])
{
    if (argc != 3) {
        std::cerr << "usage: zr48-manual MAN1DIR COMPLETIONSDIR\n";
        return 64;
    }
    const std::filesystem::path man1 = argv[1];
    const std::filesystem::path completions = argv[2];
    try {
        std::filesystem::create_directories(man1);
        std::filesystem::create_directories(completions);
        const std::string version = zr48::kVersion;
        zr48::writeFileAtomically((man1 / "zr48.1").string(), zr48::manual::zr48Page(version));
        zr48::writeFileAtomically((man1 / "zr48pm.1").string(), zr48::manual::zr48pmPage(version));
        zr48::writeFileAtomically((man1 / "zr48-sim.1").string(), zr48::manual::zr48SimPage(version));
        zr48::writeFileAtomically((completions / "zr48").string(), zr48::manual::zr48BashCompletion());
    } catch (const std::exception& e) {
        std::cerr << "zr48-manual: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
