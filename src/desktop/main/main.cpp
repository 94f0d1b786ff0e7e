// zr48pm: the desktop program.
//
//   zr48pm [--link TARGET] [FILE]
//
// --link chooses how the ZR48 is reached (auto, serial, ftdi, tty:PATH, sim, sim:CARDFILE); the
// first other argument names a project or device file to open at start.

#include "desktop/main/DesktopMain.h"

int main(int argc, char* argv[])
{
    return zr48::runDesktopProgram(argc, argv);
}
