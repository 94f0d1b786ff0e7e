#pragma once
// The desktop program from its command line to the end of its message loop, in one place for
// zr48pm and for the start-up benchmark.

#include <functional>

class QMainWindow;

namespace zr48 {

// Runs zr48pm; the exit code. `shown`, when given, is called right after the main window's show.
int runDesktopProgram(int& argc, char** argv, const std::function<void(QMainWindow&)>& shown = {});

} // namespace zr48
