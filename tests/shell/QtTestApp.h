#pragma once
// The one QApplication of a GUI test program (offscreen platform, set by CTest), made on first use.

#include <QApplication>

namespace zr48::test {

inline void ensureQApplication()
{
    static int argc = 1;
    static char name[] = "shell_tests";
    static char* argv[] = {name, nullptr};
    if (!QApplication::instance())
        new QApplication(argc, argv);
}

} // namespace zr48::test
