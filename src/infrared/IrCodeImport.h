#pragma once
// Infrared codes from files of the world into a device file: the buttons of a Flipper `.ir` file
// or of Pronto hex lines ("NAME: 0000 006D ..."), one `KEY="#..."` line each. Their durations join
// the file's timing table without moving a value the file's own codes use; the whole file is
// optimized only when the caller asks, and then the report says what moved.

#include "base/Paths.h"
#include "base/Prompt.h"
#include "base/Text.h"
#include "infrared/IrProtocol.h"
#include "infrared/OptimizeReport.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zr48 {

struct IrButton {
    std::string name; // as the file gives it
    int line = 0;     // where it begins in the file
    IrDurations durations = {};
    std::string skipped = {};    // why it cannot be imported; empty when it can
    std::uint32_t carrierHz = 0; // as the file gives it (a parsed signal: its protocol's); 0: not given
};

// The buttons of a Flipper `.ir` file (raw durations as they stand, parsed signals encoded
// through the protocol table) or of Pronto hex lines (the sequence sent once and the repeated one,
// once; blank lines and lines beginning with "#" ignored). Throws zr48::Error naming the line when
// the text is neither or is malformed.
std::vector<IrButton> readIrCodeFile(std::string_view bytes);

struct IrImportOptions {
    // Put before every key; none: the prefix the file's keys already have (irKeyPrefix).
    std::optional<Text> prefix = std::nullopt;
    int tolerance1 = 0; // the optimizer's two passes, in percent
    int tolerance2 = 0;
    bool optimizeFile = false; // then the whole file, its own codes too
};

// The prefix that every key of the file's infrared strings has ("IR_" of IR_POWER and IR_VOL_UP):
// the first word with its "_", shared by two keys at least; empty when there is none.
Text irKeyPrefix(const std::vector<Text>& lines);

struct IrImportReport {
    struct Entry {
        std::string button = {}; // UTF-8
        int line = 0;
        Text key = {};
        std::string reason = {}; // imported: why the key is not the name as it stands; skipped: why
    };
    std::vector<Entry> imported;
    std::vector<Entry> skipped;
    // Keys whose code the file gave another carrier than the one their string is sent with (its
    // protocol's, or that of a code no protocol names): a device file holds durations only.
    struct Carrier {
        Text key = {};
        std::uint32_t givenHz = 0;
        std::uint32_t sentHz = 0;
    };
    std::vector<Carrier> carriers;
    // What the optimizer changed, when the whole file was optimized.
    std::optional<OptimizeReport> optimized;

    // "Imported 3 buttons into TV.mpi: POWER, VOL_PLUS, VOL_MINUS", the renamed buttons with their
    // names, the skipped ones with the reason, the keys whose carrier changes and what the
    // optimizer moved. UTF-8.
    std::string text(std::string_view deviceFile) const;
};

// Adds one `KEY="#..."` line per button to a device file's lines and merges their durations into
// the timing table (MergeIntoTimingTable), or with `optimizeFile` optimizes the whole file. A key
// is the prefix and the name as irKeyName makes it; one that another button, a line of the file
// other than an infrared string or a key the file's readers use already has gets "_2", "_3", ....
// Before keys of the file's infrared strings are replaced, `prompt` is asked once; on No those
// buttons are skipped.
IrImportReport importIrButtons(std::vector<Text>& lines, const std::vector<IrButton>& buttons,
                               const IrImportOptions& options, Prompt& prompt);

// The lines of a device file made for an import: an infrared device named `name`.
std::vector<Text> newIrDeviceLines(const Text& name);

// The buttons of a code file on disk. Throws zr48::Error, naming the file and the line, when it
// cannot be read.
std::vector<IrButton> readIrCodeFileAt(const Path& codeFile);

// The import of a code file into a device file on disk, which is made (named after its file) when
// it does not exist. The device file is written, as Windows-1252 lines ended by CR LF through the
// atomic write, when at least one button was imported. Throws zr48::Error, naming the file and the
// line, when the code file cannot be read, the device file is none (a project file, a file with
// a section line) or cannot be written; the device file is then as it was.
IrImportReport importIrCodeFile(const Path& codeFile, const Path& deviceFile, const IrImportOptions& options,
                                Prompt& prompt);

} // namespace zr48
