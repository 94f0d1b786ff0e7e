#include "cli/CommandsUnit.h"

#include "base/DataDir.h"
#include "base/Error.h"
#include "base/FileIo.h"
#include "base/Paths.h"
#include "cli/Interrupt.h"
#include "cli/Json.h"
#include "cli/PngFile.h"
#include "cli/ProgressBar.h"
#include "cli/UnitSession.h"
#include "tools/Firmware.h"
#include "tools/MemView.h"

#include <filesystem>
#include <ostream>

namespace zr48::cli {

namespace {

// Long enough for an update over a line that loses many frames.
constexpr int kUpdateLimitMs = 10 * 60 * 1000;
constexpr int kVersionWaitMs = 1000;
constexpr int kDisplayLimitMs = 60 * 1000;
constexpr int kSectorLimitMs = 5000;
// The viewer of the command line is the first document window.
constexpr int kViewerWindowId = 1;

// Asks the unit for its firmware version; "Unknown" when it does not answer.
Text askVersion(UnitSession& session, Firmware& firmware)
{
    firmware.RequestVersion();
    session.runUntil([&] { return !sameText(firmware.deviceVersion(), Firmware::kUnknown); }, kVersionWaitMs);
    return firmware.deviceVersion();
}

// Messages that interrupt a progress bar: the bar is brought up to date and its line ended first.
class PromptAfterBar : public Prompt {
public:
    PromptAfterBar(Prompt& prompt, std::function<void()> endBar) : prompt_(prompt), endBar_(std::move(endBar)) {}
    Answer show(const std::string& message, Icon icon, Buttons buttons) override
    {
        endBar_();
        return prompt_.show(message, icon, buttons);
    }

private:
    Prompt& prompt_;
    std::function<void()> endBar_;
};

void registerFirmware(UnitSession& session, Firmware& firmware)
{
    firmware.SetLink(session.sender());
    session.dispatcher().setDialogReceiver(FrameDispatcher::Dialog::Firmware,
                                           [&firmware](const std::uint8_t* p, int n) { firmware.HandleFrame(p, n); });
}

// --- firmware ------------------------------------------------------------------------------------

// A path as the shell takes it back: in single quotes, a quote inside written as '\''.
std::string shellQuoted(const std::string& text)
{
    std::string quoted = "'";
    for (char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

// The command that runs the update again, as the shell takes it.
std::string commandAgain(const Context& context, const Path& path, bool force)
{
    std::string again = "zr48";
    if (context.options.link != "auto")
        again += " --link " + shellQuoted(context.options.link);
    return again + " firmware " + shellQuoted(path) + (force ? " --force" : "");
}

int runFirmware(Context& context, const Arguments& arguments)
{
    const auto parsed = parseArguments(context, "firmware", arguments);
    if (!parsed)
        return parsed.failure();
    if (parsed->positional.size() != 1)
        return usageError(context, "firmware");
    const std::string& file = parsed->positional[0];
    const bool force = parsed->has("--force");
    const bool dryRun = parsed->has("--dry-run");
    const Path path = absolutePath(file);
    // Checked before the unit is asked for, so that a wrong file does not wait for a unit, and a
    // file that is no firmware never starts the boot loader.
    if (const auto reason = notAFileReason(path)) {
        context.prompt.error("Unable to open firmware file.");
        if (*reason == kNoSuchFile)
            context.err << "zr48: there is no file " << shownPath(path) << '\n';
        else
            context.err << "zr48: cannot use " << shownPath(path) << ": " << *reason << '\n';
        return kExitFailed;
    }
    if (const Text problem = Firmware::FileProblem(path); !problem.empty() && !force) {
        context.err << "zr48: " << problem
                    << "\nzr48: nothing was sent to the ZR48; add --force to program it anyway\n";
        return kExitFailed;
    }
    CtrlC ctrlC(context.options.interrupted); // before the session, whose threads take over the signal mask
    int exitCode = kExitOk;
    const auto session = connectedSession(context, exitCode);
    if (!session)
        return exitCode;
    ProgressBar bar(context.err, "blocks", barMode(context));
    const Firmware* updater = nullptr;
    int shown = -1;
    double start = 0;
    auto showProgress = [&] {
        const bool programmed =
            updater->state() == Firmware::State::Programming || updater->outcome() == Firmware::Outcome::Finished;
        if (programmed && updater->currentBlock() != shown) {
            shown = updater->currentBlock();
            bar.update(shown, Firmware::kBlocks, session->elapsedSeconds() - start);
        }
    };
    PromptAfterBar prompt(context.prompt, [&] {
        showProgress();
        bar.finish();
    });
    Firmware firmware(session->timers(), prompt);
    updater = &firmware;
    registerFirmware(*session, firmware);
    firmware.EditFileNameChange(path);
    const Text fileVersion = firmware.view().fileVersion;
    if (!dryRun)
        context.out << "Updating the ZR48 with " << shownPath(path) << " (" << toUtf8(fileVersion) << ")\n";
    if (Firmware::DemoImageForRealUnit(fileVersion, session->simulated())) {
        context.err << "zr48: " << shownPath(path)
                    << " is the demonstration image for the simulated unit, no firmware for a real ZR48\n";
        return kExitFailed;
    }
    std::error_code ec;
    const auto size = std::filesystem::file_size(toFsPath(path), ec);
    if (!ec && size < std::uintmax_t{Firmware::kBlocks} * Firmware::kBlockSize)
        context.err << "zr48: the file holds " << size << " bytes; the blocks beyond its end are sent as zeros\n";
    if (dryRun) {
        const Text unitVersion = askVersion(*session, firmware);
        context.out << "Dry run: " << shownPath(path) << " (" << toUtf8(fileVersion)
                    << ") passed its checks and the ZR48 (" << toUtf8(unitVersion) << ") answered; "
                    << Firmware::kBlocks << " blocks would be programmed. Nothing was sent to the boot loader.\n";
        return kExitOk;
    }
    start = session->elapsedSeconds();
    firmware.ButtonUpdateClick(force ? CheckPolicy::Force : CheckPolicy::Refuse);
    if (firmware.outcome() == Firmware::Outcome::FileUnreadable || firmware.outcome() == Firmware::Outcome::FileRefused)
        return kExitFailed;
    bool interrupted = false;
    session->runUntil(
        [&] {
            showProgress();
            interrupted = firmware.state() != Firmware::State::Idle && ctrlC.pressed();
            return firmware.state() == Firmware::State::Idle || interrupted;
        },
        kUpdateLimitMs);
    showProgress();
    bar.finish();
    if (interrupted) {
        const bool programming = firmware.state() == Firmware::State::Programming;
        context.err << "zr48: update interrupted"
                    << (programming ? " after " + std::to_string(firmware.currentBlock()) + " of " +
                                          std::to_string(Firmware::kBlocks) + " blocks"
                                    : std::string(" while the boot loader was starting"))
                    << "; the ZR48 may be in its boot loader or run its old firmware; run the update again:\n"
                    << "zr48:   " << commandAgain(context, path, force) << '\n';
        return kExitFailed;
    }
    switch (firmware.outcome()) {
    case Firmware::Outcome::Finished: break;
    case Firmware::Outcome::BootLoaderUnreachable: return kExitFailed;
    case Firmware::Outcome::VersionDiffers:
    case Firmware::Outcome::VersionUnanswered:
        // The updater has said what the unit reported, or that it did not.
        context.err << "zr48: run the update again:\nzr48:   " << commandAgain(context, path, force) << '\n';
        return kExitFailed;
    case Firmware::Outcome::UnitStoppedAnswering:
        // The updater has said what is known; here is how far it got and how to run it again.
        context.err << "zr48: the ZR48 stopped answering after " << firmware.currentBlock() << " of "
                    << Firmware::kBlocks << " blocks, and its boot loader did not answer again; check its cable and "
                    << "run:\nzr48:   " << commandAgain(context, path, force) << '\n';
        return kExitFailed;
    default:
        context.err << "zr48: the update did not complete (" << firmware.currentBlock() << " of " << Firmware::kBlocks
                    << " blocks programmed)\n";
        return kExitFailed;
    }
    context.out << "Firmware version of the ZR48: " << toUtf8(firmware.deviceVersion()) << '\n';
    return kExitOk;
}

// --- version -------------------------------------------------------------------------------------

int runVersion(Context& context, const Arguments& given)
{
    const auto parsed = parseArguments(context, "version", given);
    if (!parsed)
        return parsed.failure();
    const Arguments& arguments = parsed->positional;
    if (arguments.size() > 1)
        return usageError(context, "version");
    // A file named but not there is an error, not a file of version "Unknown".
    if (!arguments.empty() && !fileExists(absolutePath(arguments[0]))) {
        context.err << "zr48: "
                    << (directoryExists(absolutePath(arguments[0]))
                            ? "'" + arguments[0] + "' is a folder, not a firmware file"
                            : "there is no firmware file '" + arguments[0] + "'")
                    << '\n';
        return kExitFailed;
    }
    int exitCode = kExitOk;
    const auto session = connectedSession(context, exitCode);
    if (!session)
        return exitCode;
    Firmware firmware(session->timers(), context.prompt);
    registerFirmware(*session, firmware);
    if (arguments.empty())
        firmware.FormCreate(dataDir());
    else
        firmware.EditFileNameChange(absolutePath(arguments[0]));

    const Text device = askVersion(*session, firmware);
    const Text file = Firmware::FileVersion(firmware.view().fileName);
    const bool recommended = Firmware::UpdateRecommended(device, file);
    const bool deviceKnown = !sameText(device, Firmware::kUnknown);
    if (parsed->has("--json")) {
        JsonWriter json(context.out);
        json.beginObject().key("unitVersion");
        deviceKnown ? json.string(toUtf8(device)) : json.null();
        json.key("firmwareFile");
        firmware.view().fileName.empty() ? json.null() : json.string(firmware.view().fileName);
        json.key("fileVersion");
        sameText(file, Firmware::kUnknown) ? json.null() : json.string(toUtf8(file));
        json.booleanField("updateRecommended", recommended).endObject();
        if (!deviceKnown)
            context.err << "zr48: Unable to retrieve version number.\n";
        return deviceKnown ? kExitOk : kExitFailed;
    }
    context.out << "ZR48 firmware:      " << toUtf8(device) << '\n';
    context.out << "Firmware file:      "
                << (firmware.view().fileName.empty() ? "none (no " + dataDir() + Firmware::kDefaultFile + ")"
                                                     : shownPath(firmware.view().fileName))
                << '\n';
    context.out << "File version:       " << toUtf8(file) << '\n';
    context.out << "Update recommended: " << (recommended ? "yes" : "no") << '\n';
    if (!deviceKnown) {
        context.prompt.error("Unable to retrieve version number.");
        return kExitFailed;
    }
    return kExitOk;
}

// --- display -------------------------------------------------------------------------------------

int runDisplay(Context& context, const Arguments& arguments)
{
    const auto parsed = parseArguments(context, "display", arguments);
    if (!parsed)
        return parsed.failure();
    if (!parsed->positional.empty())
        return usageError(context, "display");
    const std::string pngFile = parsed->value("--png").value_or("");
    const bool border = !parsed->has("--no-border");
    const bool removeUsbIcon = !parsed->has("--keep-usb-icon");
    if (!pngFile.empty()) {
        try {
            // Before the display is read, not after.
            checkWritable(pngFile);
        } catch (const Error& e) {
            context.err << prefixedLines(e.message() + "\nthe display was not read");
            return kExitFailed;
        }
    }
    CtrlC ctrlC(context.options.interrupted); // before the session, whose threads take over the signal mask
    int exitCode = kExitOk;
    const auto session = connectedSession(context, exitCode);
    if (!session)
        return exitCode;
    DisplayDump dump(session->timers());
    dump.SetLink(session->sender());
    session->dispatcher().setDialogReceiver(FrameDispatcher::Dialog::DisplayDump,
                                            [&dump](const std::uint8_t* p, int n) { dump.HandleFrame(p, n); });
    dump.CheckBoxDrawDisplayBorderClick(border);
    dump.CheckBoxRemoveUsbIconClick(removeUsbIcon);
    dump.ButtonRefreshClick();

    ProgressBar bar(context.err, "pages", barMode(context));
    int shown = -1;
    const double start = session->elapsedSeconds();
    bool interrupted = false;
    session->runUntil(
        [&] {
            if (dump.currentPage() != shown) {
                shown = dump.currentPage();
                bar.update(shown, DisplayDump::kPages, session->elapsedSeconds() - start);
            }
            interrupted = dump.reading() && ctrlC.pressed();
            return !dump.reading() || interrupted;
        },
        kDisplayLimitMs);
    bar.finish();
    if (interrupted) {
        context.err << "zr48: display interrupted after " << dump.currentPage() << " of " << DisplayDump::kPages
                    << " pages; nothing was written\n";
        return kExitFailed;
    }
    if (!dump.view().pictureVisible) {
        context.err << "zr48: the ZR48 did not send page " << dump.currentPage() << " of its display\n";
        return kExitFailed;
    }
    const DisplayPicture& picture = dump.view().picture;
    context.out << displayPictureArt(picture);
    if (!pngFile.empty()) {
        std::vector<std::uint8_t> grey(picture.pixels.size());
        for (std::size_t i = 0; i < grey.size(); ++i)
            grey[i] = picture.pixels[i] ? 0 : 255;
        try {
            writeFileAtomically(pngFile, encodeGreyPng(DisplayPicture::kWidth, DisplayPicture::kHeight, grey));
        } catch (const Error& e) {
            context.err << prefixedLines(e.message());
            return kExitFailed;
        }
        context.out << "Picture written: " << shownPath(pngFile) << " (" << DisplayPicture::kWidth << " x "
                    << DisplayPicture::kHeight << " pixels)\n";
    }
    return kExitOk;
}

// --- sector --------------------------------------------------------------------------------------

int runSector(Context& context, const Arguments& given)
{
    const auto parsed = parseArguments(context, "sector", given);
    if (!parsed)
        return parsed.failure();
    const Arguments& arguments = parsed->positional;
    const auto number = arguments.size() == 1 ? MemView::ParseNumber(arguments[0]) : std::nullopt;
    if (!number || *number < 0 || *number > MemView::kLastSector)
        return usageError(context, "sector");
    CtrlC ctrlC(context.options.interrupted); // before the session, whose threads take over the signal mask
    int exitCode = kExitOk;
    const auto session = connectedSession(context, exitCode);
    if (!session)
        return exitCode;
    MemView viewer(session->timers(), kViewerWindowId, session->sender());
    session->dispatcher().setWindowList([&viewer](const FrameDispatcher::WindowVisitor& visit) {
        visit(viewer.windowId(), [&viewer](const std::uint8_t* p, int n) { viewer.HandleFrame(p, n); });
    });
    const auto sector = static_cast<std::uint16_t>(*number);
    viewer.ChooseSector(sector, true);
    bool interrupted = false;
    session->runUntil(
        [&] {
            interrupted = viewer.state() == MemView::State::Requesting && ctrlC.pressed();
            return viewer.state() != MemView::State::Requesting || interrupted;
        },
        kSectorLimitMs);
    if (interrupted) {
        context.err << "zr48: sector " << sector << " read interrupted; nothing was shown\n";
        return kExitFailed;
    }
    if (viewer.state() != MemView::State::Showing) {
        context.err << "zr48: the ZR48 did not send sector " << sector << '\n';
        return kExitFailed;
    }
    for (const Text& line : viewer.view().memo)
        context.out << toUtf8(line) << '\n';
    return kExitOk;
}

} // namespace

std::string displayPictureArt(const DisplayPicture& picture)
{
    std::string art;
    for (int y = 0; y < DisplayPicture::kHeight; y += 2) {
        for (int x = 0; x < DisplayPicture::kWidth; ++x) {
            const bool top = picture.dark(x, y);
            const bool bottom = y + 1 < DisplayPicture::kHeight && picture.dark(x, y + 1);
            art += top ? (bottom ? "\u2588" : "\u2580") : (bottom ? "\u2584" : " ");
        }
        art += '\n';
    }
    return art;
}

Command firmwareCommand()
{
    static const OptionRow options[] = {
        {.longName = "--force", .help = "program a file that fails the check all the same"},
        {.shortName = "-n",
         .longName = "--dry-run",
         .help = "make every check (the file, the unit answers and tells its version) and program nothing: the boot "
                 "loader is not started"},
    };
    return {.name = "firmware",
            .arguments = "FILE.bin",
            .summary = "Program a firmware file into the ZR48 through its boot loader.",
            .details = "Checks the file first: it must hold a version text (\"R48+1...\") and at most 122,880 bytes,\n"
                       "the 480 blocks of 256 bytes that the boot loader takes. Then starts the ZR48's boot loader\n"
                       "and sends the blocks, each acknowledged (beyond the end of a shorter file, zeros); a lost\n"
                       "block is sent again every 200 ms. After 5 s of silence (the unit unplugged for a moment)\n"
                       "the boot loader is asked for again and the blocks are sent from the first; when it does\n"
                       "not answer within 5 s the update ends. Then asks the unit for its firmware version. After\n"
                       "Ctrl-C, or when the unit stops answering, the ZR48 may be in its boot loader or run its old\n"
                       "firmware; the message says how to run the update again.\n"
                       "Exit status 0 when the update finished, 1 when the file is refused or cannot be read, the\n"
                       "boot loader does not answer within 5 s or the unit stops answering, 2 when no ZR48 answered.",
            .options = options,
            .files = "bin",
            .minArguments = 1,
            .maxArguments = 1,
            .run = runFirmware};
}

Command versionCommand()
{
    static const OptionRow options[] = {
        {.longName = "--json", .help = "print the versions as one JSON document instead (unknown ones as null)"},
    };
    return {.name = "version",
            .arguments = "[FILE.bin]",
            .summary = "Show the ZR48's firmware version and whether an update is recommended.",
            .details = "Asks the ZR48 for its firmware version and compares it with the version of FILE.bin (by\n"
                       "default Firmware/ZR48.BIN in the data folder, share/zr48/ beside the program's bin/): an\n"
                       "update is recommended when both are known and differ, letter case ignored. Exit status 1 when\n"
                       "the unit does not tell its version or FILE.bin is not there.",
            .options = options,
            .files = "bin",
            .minArguments = 0,
            .maxArguments = 1,
            .run = runVersion};
}

Command displayCommand()
{
    static const OptionRow options[] = {
        {.longName = "--png", .value = "FILE", .help = "also write the picture as a PNG file", .valueFiles = "png"},
        {.longName = "--no-border", .help = "leave the frame white"},
        {.longName = "--keep-usb-icon", .help = "show the top-left corner as the unit does"},
    };
    return {.name = "display",
            .summary = "Copy the ZR48's display as text art and as a picture.",
            .details = "Reads the display's ten pages and prints the 124 x 84 picture as text art: the 120 x 80\n"
                       "display inside a frame, with the USB icon corner painted over.",
            .options = options,
            .run = runDisplay};
}

Command sectorCommand()
{
    return {.name = "sector",
            .arguments = "N",
            .summary = "Show sector N of the ZR48's memory card as the sector viewer does.",
            .details = "Reads sector N (0 to 65535; decimal, or hexadecimal as 0x1A0 or $1A0) and prints its 32\n"
                       "dump lines: sector and offset, 16 bytes in hexadecimal, the same bytes as characters.",
            .run = runSector};
}

} // namespace zr48::cli
