#pragma once
// Infrared codes from files of the world into a device file: the buttons of a Flipper `.ir` file
// or of Pronto hex lines ("NAME: 0000 006D ..."), one `KEY="#..."` line each, and then the timing
// optimizer over the whole file, as the IR Optimizer command runs it.

#include "base/Paths.h"
#include "base/Prompt.h"
#include "base/Text.h"
#include "infrared/IrProtocol.h"

#include <string>
#include <string_view>
#include <vector>

namespace zr48 {

struct IrButton {
    std::string name; // as the file gives it
    int line = 0;     // where it begins in the file
    IrDurations durations = {};
    std::string skipped = {}; // why it cannot be imported; empty when it can
};

// The buttons of a Flipper `.ir` file (raw durations as they stand, parsed signals encoded
// through the protocol table) or of Pronto hex lines (the sequence sent once and the repeated one,
// once; blank lines and lines beginning with "#" ignored). Throws zr48::Error naming the line when
// the text is neither or is malformed.
std::vector<IrButton> readIrCodeFile(std::string_view bytes);

struct IrImportOptions {
    Text prefix;        // put before every key
    int tolerance1 = 0; // the optimizer's two passes, in percent
    int tolerance2 = 0;
};

struct IrImportReport {
    struct Entry {
        std::string button = {}; // UTF-8
        int line = 0;
        Text key = {};
        std::string reason = {}; // imported: why the key is not the name as it stands; skipped: why
    };
    std::vector<Entry> imported;
    std::vector<Entry> skipped;

    // "Imported 3 buttons into TV.mpi: POWER, VOL_, VOL__2" and the renamed and skipped buttons,
    // one a line with the reason. UTF-8.
    std::string text(std::string_view deviceFile) const;
};

// Adds one `KEY="#..."` line per button to a device file's lines and runs the optimizer over them.
// A key is the prefix and the name in upper case, each character other than A-Z, 0-9 and "_"
// replaced by "_"; one that another button, a line of the file other than an infrared string or a
// key the file's readers use already has gets "_2", "_3", .... Before keys of the file's infrared
// strings are replaced, `prompt` is asked once; on No those buttons are skipped.
IrImportReport importIrButtons(std::vector<Text>& lines, const std::vector<IrButton>& buttons,
                               const IrImportOptions& options, Prompt& prompt);

// The lines of a device file made for an import: an infrared device named `name`.
std::vector<Text> newIrDeviceLines(const Text& name);

// The import of a code file into a device file on disk, which is made (named after its file) when
// it does not exist. The device file is written, as Windows-1252 lines ended by CR LF through the
// atomic write, when at least one button was imported. Throws zr48::Error, naming the file and the
// line, when the code file or the device file cannot be read or the device file cannot be written;
// the device file is then as it was.
IrImportReport importIrCodeFile(const Path& codeFile, const Path& deviceFile, const IrImportOptions& options,
                                Prompt& prompt);

} // namespace zr48
