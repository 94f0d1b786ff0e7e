#include "cli/CommandsInfraredCodes.h"

#include "base/Error.h"
#include "base/FileIo.h"
#include "base/Paths.h"
#include "cli/Json.h"
#include "infrared/CaptureDecoder.h"
#include "infrared/IrCaptureFile.h"
#include "infrared/IrCodeExport.h"
#include "infrared/IrCodeImport.h"
#include "infrared/IrEncoder.h"
#include "infrared/IrString.h"
#include "project/SimpleIniFile.h"

#include <charconv>
#include <optional>
#include <ostream>

namespace zr48::cli {

namespace {

std::vector<Text> deviceFileLines(const Path& path)
{
    return ReadDeviceFileLines(path);
}

// "0x1F" or "31".
std::optional<std::uint32_t> parseCodeNumber(std::string_view text)
{
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        text.remove_prefix(2);
        base = 16;
    }
    std::uint32_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (text.empty() || error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

bool isInfraredString(std::string_view text)
{
    const std::string_view start = trimmed(text);
    return !start.empty() && (start.front() == '#' || start.front() == '$' || start.front() == '"');
}

void printFrames(Context& context, const std::vector<IrFrame>& frames, std::uint32_t carrierHz, bool json)
{
    if (!json) {
        for (const IrFrame& frame : frames)
            context.out << describeIrFrame(frame, frame.kind == IrFrame::Kind::Unknown ? carrierHz : 0) << '\n';
        return;
    }
    JsonWriter writer(context.out);
    writer.beginObject().key("frames").beginArray();
    for (const IrFrame& frame : frames) {
        writer.beginObject();
        if (frame.kind == IrFrame::Kind::Unknown) {
            writer.field("protocol", "unknown");
            if (carrierHz != 0)
                writer.numberField("carrierHz", carrierHz);
            const IrShape& shape = frame.shape;
            if (shape.coded)
                writer.field("coding", bitCodingName(shape.coding))
                    .numberField("unitUs", shape.unit)
                    .numberField("bits", shape.bitCount)
                    .field("data", shape.bits);
            if (shape.leadIn.mark != 0)
                writer.numberField("leadInMarkUs", shape.leadIn.mark).numberField("leadInSpaceUs", shape.leadIn.space);
            if (shape.leadOut != 0)
                writer.numberField("leadOutUs", shape.leadOut);
            writer.numberField("lengthUs", static_cast<std::int64_t>(frame.length))
                .numberField("marks", frame.marks)
                .numberField("spaces", frame.spaces);
        } else {
            writer.field("protocol", frame.protocol->name);
            if (frame.kind == IrFrame::Kind::Repeat) {
                writer.booleanField("repeat", true);
            } else {
                writer.numberField("address", frame.code.address).numberField("command", frame.code.command);
                if (hasToggle(*frame.protocol))
                    writer.numberField("toggle", frame.code.toggle ? 1 : 0);
            }
        }
        writer.endObject();
    }
    writer.endArray().endObject();
}

int runDecode(Context& context, const Arguments& arguments)
{
    const auto parsed = parseArguments(context, "ir decode", arguments);
    if (!parsed)
        return parsed.failure();
    const std::vector<std::string>& positional = parsed->positional;
    if (positional.empty())
        return usageError(context, "ir decode");
    const bool json = parsed->has("--json");
    try {
        if (isInfraredString(positional[0])) {
            std::string text;
            for (const std::string& word : positional)
                text += word + " ";
            std::optional<IrTimingTable> table;
            if (const auto device = parsed->value("--device"))
                table = readIrTimingTable(deviceFileLines(absolutePath(*device)));
            std::string problem;
            const auto durations = parseIrString(text, table ? &*table : nullptr, problem);
            if (!durations) {
                context.err << kMessagePrefix << "not an infrared string: " << problem << '\n';
                return kExitFailed;
            }
            printFrames(context, decodeIrFrames(*durations), 0, json);
            return kExitOk;
        }
        if (positional.size() != 1 && positional.size() != 3)
            return usageError(context, "ir decode");
        const CaptureFile file = readCaptureFile(absolutePath(positional[0]));
        std::int64_t first = 0;
        std::int64_t last = file.bytes * 8 - 1;
        if (positional.size() == 3) {
            const auto a = parseCodeNumber(positional[1]);
            const auto b = parseCodeNumber(positional[2]);
            if (!a || !b || *a >= kCaptureSamples || *b >= kCaptureSamples) {
                context.err << kMessagePrefix << "FIRST and LAST are sample numbers from 0 to " << kCaptureSamples - 1
                            << '\n';
                return kExitUsage;
            }
            first = *a;
            last = *b;
        }
        const CaptureCodes codes = decodeCapture(*file.buffer, first, last);
        if (codes.frames.empty())
            context.err << kMessagePrefix << "no mark ends between samples " << std::min(first, last) << " and "
                        << std::max(first, last) << ".\n";
        printFrames(context, codes.frames, codes.carrierHz, json);
    } catch (const Error& e) {
        context.prompt.error(e.message());
        return kExitFailed;
    }
    return kExitOk;
}

// The names of the table's rows, joined by `separator`.
std::string protocolNames(std::string_view separator = ", ")
{
    std::string names;
    for (const IrProtocol& protocol : irProtocols())
        names += (names.empty() ? "" : std::string(separator)) + std::string(protocol.name);
    return names;
}

// "0x00..0xFF", or "-" for a field the protocol has not; RC5's wider commands follow.
std::string rangeText(std::uint32_t limit, std::uint32_t inputLimit)
{
    if (limit == 0 && inputLimit == 0)
        return "-";
    std::string text = irHex(0, inputLimit) + ".." + irHex(limit, inputLimit);
    if (inputLimit > limit)
        text += " (.." + irHex(inputLimit, inputLimit) + ")";
    return text;
}

int runProtocols(Context& context, const Arguments& arguments)
{
    const auto parsed = parseArguments(context, "ir protocols", arguments);
    if (!parsed)
        return kExitUsage;
    if (!parsed->positional.empty())
        return usageError(context, "ir protocols");
    if (parsed->has("--json")) {
        JsonWriter writer(context.out);
        writer.beginObject().key("protocols").beginArray();
        for (const IrProtocol& protocol : irProtocols())
            writer.beginObject()
                .field("name", protocol.name)
                .numberField("carrierHz", protocol.carrierHz)
                .field("coding", bitCodingName(protocol.coding))
                .numberField("addressMax", addressLimit(protocol))
                .numberField("commandMax", commandInputLimit(protocol))
                .booleanField("toggle", hasToggle(protocol))
                .booleanField("flipper", protocol.inFlipperFiles)
                .field("frame", irFrameLayout(protocol))
                .endObject();
        writer.endArray().endObject();
        return kExitOk;
    }
    const auto column = [](std::string text, std::size_t width) {
        text.resize(std::max(width, text.size() + 1), ' ');
        return text;
    };
    context.out << column("PROTOCOL", 14) << column("CARRIER", 9) << column("CODING", 15) << column("ADDRESS", 24)
                << column("COMMAND", 24) << column("TOGGLE", 7) << column("FLIPPER", 8) << "FRAME\n";
    for (const IrProtocol& protocol : irProtocols())
        context.out << column(std::string(protocol.name), 14) << column(std::to_string(protocol.carrierHz), 9)
                    << column(std::string(bitCodingName(protocol.coding)), 15)
                    << column(rangeText(addressLimit(protocol), addressLimit(protocol)), 24)
                    << column(rangeText(commandLimit(protocol), commandInputLimit(protocol)), 24)
                    << column(hasToggle(protocol) ? "yes" : "no", 7)
                    << column(protocol.inFlipperFiles ? "yes" : "no", 8) << irFrameLayout(protocol) << '\n';
    return kExitOk;
}

int runEncode(Context& context, const Arguments& arguments)
{
    const auto parsed = parseArguments(context, "ir encode", arguments);
    if (!parsed)
        return parsed.failure();
    const std::vector<std::string>& positional = parsed->positional;
    if (positional.size() != 3)
        return usageError(context, "ir encode");
    const auto address = parseCodeNumber(positional[1]);
    const auto command = parseCodeNumber(positional[2]);
    if (!address || !command)
        return usageError(context, "ir encode",
                          positional[1].starts_with("-") || positional[2].starts_with("-")
                              ? "ADDRESS and COMMAND are 0 or more, never negative"
                              : "ADDRESS and COMMAND are numbers: 0x and hexadecimal digits, or decimal");
    bool toggle = false;
    if (const auto value = parsed->value("--toggle")) {
        if (*value != "0" && *value != "1")
            return usageError(context, "ir encode", "--toggle takes 0 or 1");
        toggle = *value == "1";
    }
    const IrProtocol* protocol = findIrProtocol(positional[0]);
    if (!protocol) {
        context.err << kMessagePrefix << "unknown protocol '" << positional[0] << "'; the table has " << protocolNames()
                    << '\n';
        return kExitFailed;
    }
    const IrCode code{*address, *command, toggle};
    if (const std::string problem = irCodeProblem(*protocol, code); !problem.empty()) {
        context.err << kMessagePrefix << problem << '\n';
        return kExitFailed;
    }
    context.out << formatIrString(encodeIrFrame(*protocol, code)) << '\n';
    return kExitOk;
}

int runImport(Context& context, const Arguments& arguments)
{
    const auto parsed = parseArguments(context, "ir import", arguments);
    if (!parsed)
        return parsed.failure();
    const auto into = parsed->value("--into");
    if (parsed->positional.size() != 1 || !into)
        return usageError(context, "ir import", into ? "" : "name the device file with --into DEVICE.mpi");
    std::optional<Text> prefix;
    if (const auto given = parsed->value("--prefix")) {
        prefix = upperCase(*given);
        for (const char c : *prefix)
            if (!((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_'))
                return usageError(context, "ir import", "--prefix takes letters, digits and _ only");
    }
    const Path device = absolutePath(*into);
    const IrImportOptions options{.prefix = prefix,
                                  .tolerance1 = context.settings.irOptimizerPass1(),
                                  .tolerance2 = context.settings.irOptimizerPass2(),
                                  .optimizeFile = parsed->has("--optimize")};
    try {
        const IrImportReport report =
            importIrCodeFile(absolutePath(parsed->positional[0]), device, options, context.prompt);
        context.out << report.text(device);
        if (report.imported.empty()) {
            context.err << kMessagePrefix << "no button was imported; " << device << " is as it was\n";
            return kExitFailed;
        }
    } catch (const Error& e) {
        context.prompt.error(e.message());
        return kExitFailed;
    }
    return kExitOk;
}

int runExport(Context& context, const Arguments& arguments)
{
    const auto parsed = parseArguments(context, "ir export", arguments);
    if (!parsed)
        return parsed.failure();
    const auto format = parsed->value("--format");
    if (parsed->positional.size() != 1 || !format)
        return usageError(context, "ir export", format ? "" : "give --format flipper or --format pronto");
    if (*format != "flipper" && *format != "pronto")
        return usageError(context, "ir export", "--format takes flipper or pronto");
    const Path path = absolutePath(parsed->positional[0]);
    try {
        const IrExport result = exportIrStrings(deviceFileLines(path), *format == "flipper" ? IrExportFormat::Flipper
                                                                                            : IrExportFormat::Pronto);
        for (const std::string& skipped : result.skipped)
            context.err << kMessagePrefix << skipped << "; left out\n";
        if (result.exported == 0) {
            context.err << kMessagePrefix << "no infrared string to export in " << path << '\n';
            return kExitFailed;
        }
        if (const auto output = parsed->value("--output"))
            writeFileAtomically(absolutePath(*output), result.text);
        else
            context.out << result.text;
    } catch (const Error& e) {
        context.prompt.error(e.message());
        return kExitFailed;
    }
    return kExitOk;
}

const OptionRow kDecodeOptions[] = {
    {.longName = "--device",
     .value = "FILE.mpi",
     .help = "read \"$\" references through the timing table IR_TIME_0..9 of that device file",
     .valueFiles = "mpi"},
    {.longName = "--json", .help = "print the frames as one JSON document instead"},
};
const OptionRow kEncodeOptions[] = {
    {.longName = "--toggle",
     .value = "0|1",
     .help = "the toggle bit (RC5, RC5X, RC6, RC6-6-20, MCE); 0 when not given",
     .valueWords = "0 1"},
};
const OptionRow kProtocolsOptions[] = {
    {.longName = "--json", .help = "print the table as one JSON document instead"},
};

// The protocol names, space-separated, for completion.
const char* protocolWords()
{
    static const std::string words = protocolNames(" ");
    return words.c_str();
}
const OptionRow kImportOptions[] = {
    {.longName = "--into",
     .value = "DEVICE.mpi",
     .help = "the device file that takes the codes (needed); made when it does not exist",
     .valueFiles = "mpi"},
    {.longName = "--prefix",
     .value = "NAME_",
     .help = "put NAME_ before every key (IR_ makes IR_POWER); default: the prefix the file's keys have"},
    {.longName = "--optimize", .help = "then optimize the whole file, its own codes too, and report what moved"},
};
const OptionRow kExportOptions[] = {
    {.longName = "--format",
     .value = "flipper|pronto",
     .help = "a Flipper .ir file, or Pronto hex lines \"KEY: 0000 ...\" (needed)",
     .valueWords = "flipper pronto"},
    {.shortName = "-o",
     .longName = "--output",
     .value = "FILE",
     .help = "write into FILE instead of standard output",
     .valueFiles = "*"},
};

} // namespace

Command irDecodeCommand()
{
    return {.name = "decode",
            .arguments = "\"#9000#4500...\" | CAPTURE.bin [FIRST LAST]",
            .summary = "Name the protocol, address and command of an infrared code.",
            .details = "Reads a \"#\" string as device files hold it, or a capture as `zr48 ir capture` writes it\n"
                       "(between the sample numbers FIRST and LAST; default: the whole capture). Prints one line a\n"
                       "frame, the first being the frame that counts: the protocol and its fields\n"
                       "(\"NEC address=0x04 command=0x08\"), \"PROTOCOL repeat\" for the repeat of the frame\n"
                       "before, or \"unknown\" with the carrier (when a capture shows it, in Hz), the length (from\n"
                       "the first mark's start to the last one's end, in microseconds) and the marks and spaces.\n"
                       "An unknown frame is described further where its bits can be read: its coding\n"
                       "(pulse-distance, pulse-width, bi-phase), unit, bit count and bits in hexadecimal (the\n"
                       "first bit sent the most significant), its lead-in and lead-out.\n"
                       "`zr48 ir protocols` lists the protocols. Timings are read as a receiver delivers them:\n"
                       "within a quarter of nominal, marks up to 250 us longer. A frame that two protocols read is\n"
                       "named after the one whose timing (and, in a capture, carrier) lies nearest, else the\n"
                       "first in the list (NEC when the inverse bytes match, else NECext).",
            .options = kDecodeOptions,
            .files = "bin",
            .minArguments = 1,
            .maxArguments = -1,
            .reads = kReadsCapture,
            .namesFile = [](std::string_view argument) { return !isInfraredString(argument); },
            .run = runDecode};
}

Command irEncodeCommand()
{
    return {.name = "encode",
            .arguments = "PROTOCOL ADDRESS COMMAND",
            .summary = "Print the \"#\" string of one frame of a code, with its lead-out.",
            .details = "ADDRESS and COMMAND are numbers, 0x and hexadecimal or decimal, numbered as Flipper .ir\n"
                       "files number them (RC5X commands from 0: Philips \"Menu\" is RC5X 0 0x12). A command of\n"
                       "64 to 127 is taken under RC5 too: RC5 0 82 is RC5X 0 0x12. `zr48 ir protocols` lists\n"
                       "the protocols with their ranges.",
            .options = kEncodeOptions,
            .words = protocolWords(),
            .run = runEncode};
}

Command irProtocolsCommand()
{
    return {.name = "protocols",
            .summary = "List the infrared protocols that decode, encode, import and export know.",
            .details = "One line a protocol: its name, carrier in Hz, bit coding, the ranges of address and\n"
                       "command (RC5 takes RC5X's commands as 64 to 127 too), whether it has a toggle bit,\n"
                       "whether Flipper .ir files name it, and its frame: lead-in, the durations of a 0 and a 1\n"
                       "in microseconds, the bit order and the fields as sent (A address, C command, T toggle,\n"
                       "X parity, V fixed bits, ~ inverted, A:16:8 sixteen bits from the address's bit 8),\n"
                       "the stop mark. A frame is named after the protocol whose timing fits it best; between\n"
                       "protocols of the same timing, the one listed first.",
            .options = kProtocolsOptions,
            .run = runProtocols};
}

Command irImportCommand()
{
    return {.name = "import",
            .arguments = "FILE",
            .summary = "Put the buttons of a Flipper .ir file or of Pronto hex lines into a device file.",
            .details = "FILE is a Flipper .ir file (raw and parsed signals) or Pronto hex, one button a line as\n"
                       "\"NAME: 0000 FREQ N1 N2 ...\". Each button becomes a line KEY=\"#...\": the file's prefix and\n"
                       "its name in upper case, words joined by _, + and - spelled out (VOL_PLUS), accented and\n"
                       "Cyrillic letters transliterated, \"_2\", \"_3\", ... where a key is taken. The new durations\n"
                       "join the timing table (IrOptimizerPass1 and IrOptimizerPass2) without moving a value the\n"
                       "file's codes use; --optimize optimizes the whole file. Before keys of the file are replaced\n"
                       "it asks (--yes answers). A report lists the imported, renamed and skipped buttons and the\n"
                       "keys whose carrier changes. A file that cannot be read, and a device file that is none (a\n"
                       "project file, a file with a [SECTION] line), leave the device file as it was.",
            .options = kImportOptions,
            .files = "*",
            .run = runImport};
}

Command irExportCommand()
{
    return {.name = "export",
            .arguments = "DEVICE.mpi",
            .summary = "Write the infrared strings of a device file as a Flipper .ir file or as Pronto hex.",
            .details = "Table references are read through the file's IR_TIME_0..9. A Flipper file holds a parsed\n"
                       "signal wherever a string is one frame of a protocol that Flipper files know, raw durations\n"
                       "elsewhere; each button is named after its key.",
            .options = kExportOptions,
            .files = "mpi",
            .minArguments = 1,
            .maxArguments = 1,
            .reads = kReadsDeviceFile,
            .run = runExport};
}

} // namespace zr48::cli
