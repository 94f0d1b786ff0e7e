#pragma once
// Who asks a device tool to stop a transfer that runs: its own dialog (Cancel, Esc, the close
// button), or the program that is about to quit. The question says which.

namespace zr48 {

enum class StopAsker { Dialog, Quit };

} // namespace zr48
