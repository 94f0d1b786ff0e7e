#pragma once
// The one application object of a GUI test program (offscreen platform, set by CTest), made on
// first use: the desktop program's own, so that errors escaping event handlers are handled as
// there.

#include "desktop/main/Application.h"

namespace zr48::test {

inline void ensureQApplication()
{
    static int argc = 1;
    static char name[] = "shell_tests";
    static char* argv[] = {name, nullptr};
    if (!QApplication::instance())
        new TApplication(argc, argv);
}

} // namespace zr48::test
