#include "cli/CommandsTransfer.h"

#include "base/Error.h"
#include "base/FileIo.h"
#include "base/Paths.h"
#include "cli/CommandsImage.h"
#include "cli/CommandsProject.h"
#include "cli/Interrupt.h"
#include "cli/ProgressBar.h"
#include "cli/UnitSession.h"
#include "project/Compiler.h"
#include "project/ImageCheck.h"
#include "project/ImageReader.h"
#include "project/SectorImage.h"
#include "tools/CardReader.h"
#include "tools/Downloader.h"
#include "tools/DownloaderVerifier.h"
#include "tools/MemView.h"
#include "tools/Uploader.h"

#include <cstdio>
#include <filesystem>
#include <memory>
#include <ostream>

namespace zr48::cli {

namespace {

std::string seconds(double s)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.1f s", s);
    return text;
}

// --- download ------------------------------------------------------------------------------------

int readBack(Context& context, UnitSession& session, const Path& imagePath, TDownloadVerifier& verifier, CtrlC& ctrlC)
{
    Bytes image;
    try {
        image = readFileBytes(imagePath);
    } catch (const Error& e) {
        context.err << prefixedLines(e.message());
        return kExitFailed;
    }
    ProgressBar bar(context.err, "sectors verified", barMode(context));
    const double start = session.elapsedSeconds();
    verifier.OnProgress = [&] {
        bar.update(static_cast<std::int64_t>(verifier.SectorsChecked()),
                   static_cast<std::int64_t>(verifier.SectorCount()), session.elapsedSeconds() - start);
    };
    verifier.Start(image);
    bool interrupted = false;
    runWhile(session, [&] {
        interrupted = ctrlC.pressed();
        return verifier.Result() == VerifyResult::Running && !interrupted;
    });
    bar.finish();
    if (interrupted && verifier.Result() == VerifyResult::Running) {
        context.err << "zr48: verify interrupted after " << verifier.SectorsChecked() << " of "
                    << verifier.SectorCount() << " sectors; the download itself was complete\n";
        return kExitFailed;
    }
    switch (verifier.Result()) {
    case VerifyResult::Same:
        context.out << "Verified: the " << verifier.SectorCount() << " sectors on the card match the image";
        if (verifier.SectorsReadAgain() > 0)
            context.out << " (" << verifier.SectorsReadAgain()
                        << " read again after a read that a changed byte on the line spoiled)";
        context.out << ".\n";
        return kExitOk;
    case VerifyResult::Differs:
        context.err << "zr48: verify failed: sector " << verifier.CurrentSector()
                    << " on the card differs from the image (first at byte " << verifier.FirstDifferingByte()
                    << "; two reads agreed on it)\n";
        return kExitFailed;
    case VerifyResult::Unsettled:
        context.err << "zr48: verify failed: sector " << verifier.CurrentSector() << " was read " << Exchange::kMaxReads
                    << " times, never as the image holds it, and no two reads agreed; check the connection\n";
        return kExitFailed;
    default:
        context.err << "zr48: verify failed: the ZR48 did not answer when sector " << verifier.CurrentSector()
                    << " was read back\n";
        return kExitFailed;
    }
}

int runDownload(Context& context, const Arguments& arguments)
{
    const auto parsed = parseArguments(context, "download", arguments);
    if (!parsed)
        return parsed.failure();
    if (parsed->positional.size() != 1)
        return usageError(context, "download");
    const std::string& file = parsed->positional[0];
    const bool verify = parsed->has("--verify");
    const bool force = parsed->has("--force");
    const bool dryRun = parsed->has("--dry-run");
    const Path path = absolutePath(file);
    const Text ext = lowerCase(extractFileExt(path));
    if (ext != ".mpj" && ext != ".mpd") {
        context.err << "zr48: give a project file (.mpj) or an image file (.mpd), not " << quotedName(file) << "\n";
        return kExitUsage;
    }
    Path imagePath = path;
    if (ext == ".mpj") {
        // A project goes to the unit only as a complete image.
        imagePath = changeFileExt(path, ".mpd");
        if (Compile(path, context.prompt) != CompileResult::Complete) {
            context.err << "zr48: the project did not compile completely; nothing was written to the ZR48\n";
            return kExitFailed;
        }
        context.out << describeWrittenImage(imagePath) << '\n';
    }
    // Checked before the unit is asked for: a damaged image never reaches the card, and a wrong
    // file does not wait for a unit.
    bool noDevice = false;
    try {
        const Text problem = ImageFileProblem(imagePath);
        if (!problem.empty() && !force) {
            context.err << prefixedLines(problem + "\nnothing was written to the ZR48; add --force to write it anyway");
            return kExitFailed;
        }
        noDevice = ImageAssignsNoDevice(ReadSectorImage(imagePath));
    } catch (const Error& e) {
        context.prompt.error(e.message());
        return kExitFailed;
    }
    // An image without a device empties the card: asked before the unit is (--yes or --force answer).
    if (noDevice && !dryRun &&
        !GoOnDespite(context.prompt, force ? CheckPolicy::Force : CheckPolicy::Ask,
                     TDownloader::NoDeviceProblem(imagePath), TDownloader::kWriteAnyway,
                     TDownloader::kNothingWritten)) {
        context.err << "zr48: nothing was written to the ZR48\n";
        return kExitFailed;
    }

    CtrlC ctrlC(context.options.interrupted); // before the session, whose threads take over the signal mask
    int exitCode = kExitOk;
    const auto session = connectedSession(context, exitCode);
    if (!session)
        return exitCode;
    if (dryRun) {
        std::error_code ec;
        const auto sectors = std::filesystem::file_size(toFsPath(imagePath), ec) / kSectorRecordSize;
        context.out << "Dry run: the image " << shownPath(imagePath) << " passed its checks and the ZR48 answered; "
                    << sectors << " sectors would be written"
                    << (noDevice ? " (it assigns no device: a download asks first)" : "") << ". Nothing was written.\n";
        return kExitOk;
    }

    TDownloader downloader(session->timers(), context.prompt);
    TDownloadVerifier verifier(session->timers());
    downloader.SetLink(session->sender());
    verifier.SetLink(session->sender());
    const DialogReceiver receiver(session->dispatcher(), FrameDispatcher::Dialog::Downloader,
                                  [&](const std::uint8_t* payload, int length) {
                                      downloader.HandleFrame(payload, length);
                                      verifier.HandleFrame(payload, length);
                                  });

    ProgressBar bar(context.err, "sectors", barMode(context));
    const double start = session->elapsedSeconds();
    downloader.OnViewChanged = [&] {
        // The image's sectors: the empty directory written first is not counted.
        const auto count = static_cast<std::int64_t>(downloader.ImageRecordCount());
        const double elapsed = session->elapsedSeconds() - start;
        if (downloader.Result() == DownloadResult::Running) {
            bar.update(static_cast<std::int64_t>(downloader.ImageRecordsAcknowledged()), count, elapsed);
            return;
        }
        if (downloader.Result() == DownloadResult::Finished)
            bar.update(count, count, elapsed);
        bar.finish(); // before any message
    };
    downloader.Start(imagePath, force ? CheckPolicy::Force : CheckPolicy::Refuse, CheckPolicy::Force);
    runWhile(*session, [&] {
        if (downloader.Result() == DownloadResult::Running && ctrlC.pressed())
            downloader.Cancel();
        return downloader.Result() == DownloadResult::Running;
    });
    bar.finish();
    if (downloader.Result() == DownloadResult::Cancelled) {
        context.err << "zr48: download interrupted. " << toUtf8(downloader.CardAfterStop()) << '\n';
        return kExitFailed;
    }
    if (downloader.Result() != DownloadResult::Finished)
        return kExitFailed; // the downloader has said why
    context.out << toUtf8(downloader.View().Label) << " " << downloader.ImageRecordCount() << " sectors written in "
                << seconds(session->elapsedSeconds() - start) << ".\n";
    downloader.Close();
    return verify ? readBack(context, *session, imagePath, verifier, ctrlC) : kExitOk;
}

// --- upload --------------------------------------------------------------------------------------

// Where an upload that did not finish left what it read; an earlier image file stays as it was.
void reportKeptImage(Context& context, const TUploader& uploader, bool interrupted)
{
    const std::string path = quotedName(uploader.KeptImagePath());
    context.err << "zr48: " << (interrupted ? "upload interrupted; " : "");
    const auto records = uploader.KeptRecords();
    if (!records)
        context.err << "nothing read was kept: the image file " << shownPath(path) << " could not be written\n";
    else if (*records == 0)
        context.err << "no sector was read, so nothing was kept\n";
    else
        context.err << "the " << *records << (*records == 1 ? " sector" : " sectors") << " read"
                    << (interrupted ? " so far" : "") << (*records == 1 ? " is" : " are") << " kept in " << path
                    << " (not unpacked into a project)\n";
    // Nothing of the project is replaced unless all of it is: what was there before stays.
    std::vector<std::string> kept;
    if (fileExists(uploader.ImagePath()))
        kept.push_back(quotedName(uploader.ImagePath()));
    const Path project = changeFileExt(uploader.ImagePath(), ".mpj");
    if (fileExists(project))
        kept.push_back(quotedName(project) + " with its device files");
    if (kept.size() == 1)
        context.err << "zr48: " << kept[0] << " is as it was before the upload\n";
    else if (kept.size() == 2)
        context.err << "zr48: " << kept[0] << " and " << kept[1] << " are as they were before the upload\n";
}

int runUpload(Context& context, const Arguments& arguments)
{
    const auto parsed = parseArguments(context, "upload", arguments);
    if (!parsed)
        return parsed.failure();
    if (parsed->positional.size() != 1)
        return usageError(context, "upload");
    const std::string& file = parsed->positional[0];
    const bool force = parsed->has("--force");
    const bool verify = parsed->has("--verify");
    const Path projectPath = absolutePath(file);
    if (lowerCase(extractFileExt(projectPath)) != ".mpj") {
        context.err << "zr48: the new project's file name must end in .mpj, not " << quotedName(file) << "\n";
        return kExitUsage;
    }
    if (directoryExists(projectPath)) {
        context.err << "zr48: " << quotedName(file) << " is a folder; give the new project's file name\n";
        return kExitUsage;
    }
    if (fileExists(projectPath) && !force) {
        context.err << "zr48: the project " << quotedName(file) << " exists; add --force to replace it\n";
        return kExitFailed;
    }
    std::error_code ec;
    std::filesystem::create_directories(toFsPath(extractFileDir(projectPath)), ec);
    if (ec) {
        context.err << "zr48: cannot create the folder " << quotedName(extractFileDir(projectPath)) << ": "
                    << ec.message() << '\n';
        return kExitFailed;
    }
    // Every name the upload writes, and room for it, before the card is read.
    if (const auto problem = UnpackTargetProblem(changeFileExt(projectPath, ".mpd"))) {
        context.err << prefixedLines("the uploaded project cannot be written: " + *problem +
                                     "\nnothing was read from the ZR48");
        return kExitFailed;
    }

    CtrlC ctrlC(context.options.interrupted); // before the session, whose threads take over the signal mask
    int exitCode = kExitOk;
    const auto session = connectedSession(context, exitCode);
    if (!session)
        return exitCode;

    TUploader uploader(session->timers(), context.prompt);
    uploader.SetVerify(verify);
    uploader.SetDamagedCardPolicy(parsed->has("--force") ? CheckPolicy::Force : CheckPolicy::Refuse);
    uploader.SetLink(session->sender());
    const DialogReceiver receiver(
        session->dispatcher(), FrameDispatcher::Dialog::Uploader,
        [&uploader](const std::uint8_t* payload, int length) { uploader.HandleFrame(payload, length); });

    // Two bars: the directory and menu sectors, then the device files, whose size the directory gives.
    std::unique_ptr<ProgressBar> bar;
    bool directoryBar = false;
    double phaseStart = 0;
    std::int64_t phaseSectors = 0;
    // Ends the bar of a phase, full when the phase is complete.
    const auto endPhase = [&](bool complete) {
        if (!bar)
            return;
        if (complete)
            bar->update(phaseSectors, phaseSectors, session->elapsedSeconds() - phaseStart);
        bar->finish();
        bar.reset();
    };
    uploader.OnViewChanged = [&] {
        if (uploader.Result() != UploadResult::Running) {
            endPhase(uploader.Result() == UploadResult::Unpacking);
            return;
        }
        const bool directory = uploader.ReadingDirectory();
        if (!bar || directory != directoryBar) {
            endPhase(true);
            bar = std::make_unique<ProgressBar>(context.err, directory ? "directory sectors" : "device file sectors",
                                                barMode(context));
            directoryBar = directory;
            phaseStart = session->elapsedSeconds();
        }
        const UploaderView& view = uploader.View();
        phaseSectors = directory ? TUploader::kFirstSectors : view.ProgressMax;
        // Each position counts a request; the one in flight is not read yet.
        bar->update(view.ProgressPosition - 1, phaseSectors, session->elapsedSeconds() - phaseStart);
    };
    Path uploaded;
    const double start = session->elapsedSeconds();
    uploader.Start(projectPath, [&uploaded](const Path& path) { uploaded = path; });
    const bool started = uploader.Result() == UploadResult::Running;
    bool interrupted = false;
    runWhile(*session, [&] {
        if (uploader.Result() == UploadResult::Running && ctrlC.pressed()) {
            interrupted = true;
            endPhase(false);
            uploader.Cancel();
        }
        return uploader.Result() == UploadResult::Running;
    });
    endPhase(false);
    if (uploader.Result() != UploadResult::Finished) {
        if (started) // the uploader has said why; where is what it read
            reportKeptImage(context, uploader, interrupted);
        return kExitFailed;
    }

    context.out << "Card read in " << seconds(session->elapsedSeconds() - start) << " into "
                << shownPath(uploader.ImagePath());
    if (verify)
        context.out << " (every sector read twice; " << uploader.SectorsReadAgain()
                    << " read again until two reads agreed)";
    context.out << ".\n" << describeWrittenProject(uploaded) << '\n';
    return kExitOk;
}

// --- dump-card -----------------------------------------------------------------------------------

// "FIRST-LAST" or "N": card sector numbers, decimal or hexadecimal (0x1A0, $1A0).
std::optional<std::pair<std::uint16_t, std::uint16_t>> parseSectorRange(const std::string& text)
{
    const std::size_t dash = text.find('-');
    const auto first = MemView::ParseNumber(text.substr(0, dash));
    const auto last = dash == std::string::npos ? first : MemView::ParseNumber(text.substr(dash + 1));
    if (!first || !last || *first < 0 || *last > MemView::kLastSector || *first > *last)
        return std::nullopt;
    return std::pair{static_cast<std::uint16_t>(*first), static_cast<std::uint16_t>(*last)};
}

std::string sectorSpan(std::uint16_t first, std::uint16_t last)
{
    return first == last ? std::to_string(first) : std::to_string(first) + "-" + std::to_string(last);
}

int runDumpCard(Context& context, const Arguments& arguments)
{
    const auto parsed = parseArguments(context, "dump-card", arguments);
    if (!parsed)
        return parsed.failure();
    const auto& positional = parsed->positional;
    if (positional.empty() || positional.size() > 2)
        return usageError(context, "dump-card");
    const auto range = positional.size() == 2 ? parseSectorRange(positional[1])
                                              : std::optional(std::pair<std::uint16_t, std::uint16_t>{
                                                    0, static_cast<std::uint16_t>(MemView::kLastSector)});
    if (!range)
        return usageError(context, "dump-card",
                          "'" + positional[1] +
                              "' is no sector range: FIRST-LAST, from 0 to 65535 (decimal, or hexadecimal as 0x1A0)");
    const std::string& file = positional[0];
    const Path path = absolutePath(file);
    if (directoryExists(path)) {
        context.err << "zr48: " << quotedName(file) << " is a folder; give the image file's name\n";
        return kExitUsage;
    }
    if (fileExists(path) && !parsed->has("--force")) {
        context.err << "zr48: the file " << quotedName(file) << " exists; add --force to replace it\n";
        return kExitFailed;
    }
    try {
        // Before the card is read, not after it: the name, and room for what is read (the
        // image, and its temporary file while it is written).
        checkWritable(path);
        const std::uintmax_t needed = (std::uintmax_t{range->second} - range->first + 1) * kSectorRecordSize;
        std::error_code ec;
        const auto space = std::filesystem::space(toFsPath(extractFileDir(path)), ec);
        if (!ec && space.available < needed)
            throw Error("The folder \"" + shownPath(extractFileDir(path)) + "\" has " +
                        std::to_string(space.available / 1024) + " KiB free; the dump needs " +
                        std::to_string(needed / 1024) + " KiB.");
    } catch (const Error& e) {
        context.err << prefixedLines(e.message() + "\nnothing was read");
        return kExitFailed;
    }

    CtrlC ctrlC(context.options.interrupted); // before the session, whose threads take over the signal mask
    int exitCode = kExitOk;
    const auto session = connectedSession(context, exitCode);
    if (!session)
        return exitCode;

    TCardReader reader(session->timers());
    reader.SetLink(session->sender());
    reader.SetVerify(parsed->has("--verify"));
    const auto subscription = session->dispatcher().subscribe(
        [&reader](const std::uint8_t* payload, int length) { reader.HandleFrame(payload, length); });
    ProgressBar bar(context.err, "sectors", barMode(context));
    const double start = session->elapsedSeconds();
    reader.OnProgress = [&] {
        bar.update(static_cast<std::int64_t>(reader.Records().size()), static_cast<std::int64_t>(reader.SectorCount()),
                   session->elapsedSeconds() - start);
    };
    reader.Start(range->first, range->second);
    runWhile(*session, [&] {
        if (reader.Result() == CardReadResult::Running && ctrlC.pressed())
            reader.Cancel();
        return reader.Result() == CardReadResult::Running;
    });
    bar.finish();

    const auto& records = reader.Records();
    if (!records.empty()) {
        try {
            WriteSectorImage(path, records);
        } catch (const Error& e) {
            context.err << prefixedLines(e.message() + "\nnothing read was kept");
            return kExitFailed;
        }
    }
    if (reader.Result() == CardReadResult::Finished) {
        context.out << "Card sectors " << sectorSpan(range->first, range->second) << " read in "
                    << seconds(session->elapsedSeconds() - start) << " into " << shownPath(path) << " ("
                    << records.size() << " sectors, " << records.size() * kSectorRecordSize << " bytes).\n";
        return kExitOk;
    }
    context.err << "zr48: "
                << (reader.Result() == CardReadResult::Cancelled ? std::string("dump interrupted")
                    : reader.Result() == CardReadResult::Unsettled
                        ? "sector " + std::to_string(reader.CurrentSector()) + " was read " +
                              std::to_string(Exchange::kMaxReads) +
                              " times and no two reads agreed; check the connection"
                        : "the ZR48 did not answer when sector " + std::to_string(reader.CurrentSector()) +
                              " was read");
    if (records.empty())
        context.err << "; nothing was written\n";
    else
        context.err << "; the " << records.size() << " sectors read so far ("
                    << sectorSpan(records.front().Number, records.back().Number) << ") are kept in " << quotedName(path)
                    << "\n";
    return kExitFailed;
}

} // namespace

Command downloadCommand()
{
    static const OptionRow options[] = {
        {.longName = "--verify",
         .help = "then read every written sector back and compare it with the image; a sector that differs is read "
                 "again until two reads agree, and the first one that still differs is reported"},
        {.longName = "--force", .help = "write a damaged image all the same"},
        {.shortName = "-n",
         .longName = "--dry-run",
         .help = "make every check (compile, image check, the unit answers) and write nothing: no frame that writes is "
                 "sent"},
    };
    return {.name = "download",
            .arguments = "PROJECT.mpj|IMAGE.mpd",
            .summary = "Write a project or a card image into the ZR48's card.",
            .details = "A project file is compiled first (as 'zr48 compile' does, also with --dry-run) and only a\n"
                       "complete image is written; a file that is no project file is refused, and a project that\n"
                       "assigns no device (it would empty the card) is written only after a question (--yes, or\n"
                       "--force). Each sector goes out as one frame; the ZR48 acknowledges it,\n"
                       "silence is answered by a resend every 200 ms, and ten resends without an answer end the\n"
                       "download. The image is checked first, as 'zr48 inspect' does: a damaged one is refused with\n"
                       "its first problem named, and nothing is sent. Ctrl-C stops the download and says how much of\n"
                       "the image the card holds.\n"
                       "Exit status 0 when written (and verified), 1 when the download or the check failed, 2 when no\n"
                       "ZR48 answered.",
            .options = options,
            .files = "mpj|mpd",
            .minArguments = 1,
            .maxArguments = 1,
            .reads = kReadsProjectOrImage,
            .run = runDownload};
}

Command uploadCommand()
{
    static const OptionRow options[] = {
        {.longName = "--verify",
         .help = "read every sector twice, and again until two reads agree: frames carry no checksum, and the device "
                 "files' own checksum covers only their first sector, so this is the way to be sure that no byte "
                 "changed on the line went into the project"},
        {.longName = "--force",
         .help = "replace an existing NEW.mpj (and the files of an earlier upload), and unpack a card whose device "
                 "files are not whole (a download that stopped part-way leaves one)"},
    };
    return {.name = "upload",
            .arguments = "NEW.mpj",
            .summary = "Read the ZR48's card back into a new project.",
            .details =
                "Reads the card's directory and menu sectors and the device files they name into NEW.mpd, then\n"
                "unpacks it beside it: NEW.mpj and one NEW_N.mpi per device (N the slot number). The folder is\n"
                "created when missing. The image is checked as 'zr48 unpack' checks one; what a problem rests on\n"
                "(a directory sector, a device file's first sector) is read again until two reads agree, and an\n"
                "image that still fails is not unpacked. Only the directory and each device file's first sector\n"
                "are covered by such a check: --verify reads every sector until two reads agree. NEW.mpd is\n"
                "replaced only by a complete image; an upload that stops (no answer, Ctrl-C, a disk that is\n"
                "full, a failed check) keeps the sectors read so far in NEW.partial.mpd and says so.\n"
                "Exit status 0 when the project is written, 1 when the upload failed, 2 when no ZR48 answered.",
            .options = options,
            .files = "mpj",
            .run = runUpload};
}

Command dumpCardCommand()
{
    static const OptionRow options[] = {
        {.longName = "--verify",
         .help = "read every sector until two reads agree; a sector whose reads never agree ends the dump"},
        {.longName = "--force", .help = "replace an existing OUT.mpd"},
    };
    return {.name = "dump-card",
            .arguments = "OUT.mpd [FIRST-LAST]",
            .summary = "Read card sectors as they are into an image file, for diagnosis.",
            .details = "Reads the sectors FIRST to LAST (by default the whole card, 0-65535: about 25 minutes) one by\n"
                       "one, as the sector viewer does, and writes them as sector records, the form of a card image\n"
                       "('zr48 inspect OUT.mpd' lists it). Sector numbers are decimal or hexadecimal (0x1A0, $1A0);\n"
                       "N alone reads one sector. When the read stops (Ctrl-C, no answer), the sectors read so far\n"
                       "are kept in OUT.mpd and the message says which.\n"
                       "Frames carry no checksum: without --verify each sector is read once, and a byte changed on\n"
                       "the line goes into OUT.mpd unnoticed. With --verify a sector goes in only when two reads\n"
                       "agree (about twice as long).",
            .options = options,
            .files = "mpd",
            .run = runDumpCard};
}

} // namespace zr48::cli
