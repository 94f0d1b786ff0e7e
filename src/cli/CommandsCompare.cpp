#include "cli/CommandsCompare.h"

#include "base/Paths.h"
#include "cli/Interrupt.h"
#include "cli/Json.h"
#include "cli/ProgressBar.h"
#include "cli/UnitSession.h"
#include "project/Compiler.h"
#include "project/DeviceTypes.h"
#include "tools/CardComparer.h"

#include <algorithm>
#include <optional>
#include <ostream>

namespace zr48::cli {

namespace {

// Exit statuses of compare: the unit holds the project, it differs, no unit answered (or it
// stopped answering), the project could not be compared at all.
constexpr int kExitSame = kExitOk;
constexpr int kExitDiffers = 1;
constexpr int kExitNotCompared = 3;

// "TUNER-1   only on the unit: K73 FM-Tuner "Radio 2"".
std::string slotLine(const SlotComparison& slot)
{
    Text line = TProjectFile::SlotName(slot.Slot);
    line.resize(std::max<std::size_t>(line.size() + 2, 10), ' ');
    switch (slot.State) {
    case SlotState::Same: line += SlotStateText(slot); break;
    case SlotState::OnlyOnUnit: line += SlotStateText(slot) + ": " + DescriptorSummary(slot.Unit); break;
    case SlotState::OnlyInProject: line += SlotStateText(slot) + ": " + DescriptorSummary(slot.Project); break;
    case SlotState::Differs: {
        const std::vector<Text> details = SlotDifferenceDetails(slot);
        for (std::size_t i = 0; i < details.size(); ++i)
            line += (i == 0 ? "" : "; ") + details[i];
        break;
    }
    }
    return toUtf8(line);
}

void printText(std::ostream& out, const CardComparison& comparison)
{
    for (const SlotComparison& slot : comparison.Slots)
        out << slotLine(slot) << '\n';
    for (const MenuLineComparison& line : comparison.Menu)
        if (!line.Same())
            out << toUtf8(MenuLineText(line)) << '\n';
    if (comparison.AreasDiffer)
        out << kAreasDifferText << '\n';
    out << toUtf8(VerdictText(comparison)) << '\n';
}

const char* stateWord(SlotState state)
{
    switch (state) {
    case SlotState::Same: return "same";
    case SlotState::Differs: return "differs";
    case SlotState::OnlyOnUnit: return "onlyOnUnit";
    case SlotState::OnlyInProject: return "onlyInProject";
    }
    return "";
}

void writeSide(JsonWriter& json, const char* name, const SlotDescriptor& side, const Text& deviceFile, bool present)
{
    json.key(name);
    if (!present) {
        json.null();
        return;
    }
    json.beginObject()
        .numberField("deviceType", side.DeviceType)
        .field("deviceTypeName", toUtf8(DeviceTypeText(side.DeviceType)))
        .field("deviceName", toUtf8(side.DeviceName))
        .numberField("source", side.SourceSelect)
        .field("sourceName", toUtf8(SourceSelectText(side.SourceSelect)));
    json.key("options").beginArray();
    for (std::size_t n = 0; n < side.Options.size(); ++n)
        if (side.Options[n] != 0)
            json.number(static_cast<std::int64_t>(n) + 1);
    json.endArray();
    if (deviceFile.empty())
        json.key("deviceFile").null();
    else
        json.field("deviceFile", toUtf8(deviceFile));
    json.endObject();
}

void printJson(std::ostream& out, const Path& project, const CardComparison& comparison)
{
    static constexpr std::pair<SlotDifference, const char*> kDifferenceWords[] = {
        {kTypeDiffers, "deviceType"},
        {kNameDiffers, "deviceName"},
        {kSourceDiffers, "source"},
        {kOptionsDiffer, "options"},
        {kDeviceFileDiffers, "deviceFile"},
        {kDeviceFileNameDiffers, "deviceFileName"},
        {kProjectFileUnusable, "projectDeviceFileUnusable"},
    };
    JsonWriter json(out);
    json.beginObject()
        .field("project", project)
        .booleanField("same", comparison.Same())
        .numberField("differences", comparison.Differences())
        .field("verdict", toUtf8(VerdictText(comparison)));
    json.key("slots").beginArray();
    for (const SlotComparison& slot : comparison.Slots) {
        json.beginObject()
            .field("slot", TProjectFile::SlotName(slot.Slot))
            .numberField("number", slot.Slot)
            .field("state", stateWord(slot.State))
            .field("text", toUtf8(SlotStateText(slot)));
        json.key("differences").beginArray();
        for (const auto& [flag, word] : kDifferenceWords)
            if (slot.Differences & flag)
                json.string(word);
        json.endArray().key("details").beginArray();
        for (const Text& detail : SlotDifferenceDetails(slot))
            json.string(toUtf8(detail));
        json.endArray();
        writeSide(json, "unit", slot.Unit, slot.UnitFileName, slot.State != SlotState::OnlyInProject);
        writeSide(json, "project", slot.Project, slot.ProjectFileName, slot.State != SlotState::OnlyOnUnit);
        json.endObject();
    }
    json.endArray().key("menuLines").beginArray();
    for (const MenuLineComparison& line : comparison.Menu) {
        json.beginObject()
            .numberField("line", line.Line + 1)
            .booleanField("same", line.Same())
            .field("unit", toUtf8(line.Unit))
            .field("project", toUtf8(line.Project))
            .endObject();
    }
    json.endArray().booleanField("areasDiffer", comparison.AreasDiffer).endObject();
}

int runCompare(Context& context, const Arguments& arguments)
{
    const auto parsed = parseArguments(context, "compare", arguments);
    if (!parsed)
        return parsed.failure();
    if (parsed->positional.size() != 1)
        return usageError(context, "compare");
    const std::string& file = parsed->positional[0];
    const Path path = absolutePath(file);
    if (lowerCase(extractFileExt(path)) != ".mpj") {
        context.err << "zr48: give a project file (.mpj), not " << quotedName(file) << "\n";
        return kExitUsage;
    }
    TProjectFile project;
    project.Load(path);
    // Missing or oversized device files are said here and named again in their slots.
    std::optional<CompiledImage> image = CompileProjectImage(project, context.prompt);
    if (!image) {
        context.err << "zr48: the project does not fit a memory card; nothing was compared\n";
        return kExitNotCompared;
    }

    CtrlC ctrlC(context.options.interrupted); // before the session, whose threads take over the signal mask
    int exitCode = kExitOk;
    const auto session = connectedSession(context, exitCode);
    if (!session)
        return exitCode;

    TCardComparer comparer(session->timers(), context.prompt);
    comparer.SetLink(session->sender());
    const auto subscription = session->dispatcher().subscribe(
        [&comparer](const std::uint8_t* payload, int length) { comparer.HandleFrame(payload, length); });
    ProgressBar bar(context.err, "sectors read", barMode(context));
    const double start = session->elapsedSeconds();
    comparer.OnViewChanged = [&] {
        const CompareView& view = comparer.View();
        if (comparer.Result() == CompareResult::Running) {
            // Each position counts a request; the one in flight is not read yet.
            bar.update(view.ProgressPosition - 1, view.ProgressMax, session->elapsedSeconds() - start);
            return;
        }
        if (comparer.Result() == CompareResult::Finished)
            bar.update(view.ProgressMax, view.ProgressMax, session->elapsedSeconds() - start);
        bar.finish(); // before any message
    };
    comparer.Start(std::move(*image));
    runWhile(*session, [&] {
        if (comparer.Result() == CompareResult::Running && ctrlC.pressed())
            comparer.Cancel();
        return comparer.Result() == CompareResult::Running;
    });
    bar.finish();
    switch (comparer.Result()) {
    case CompareResult::Finished: break;
    case CompareResult::Cancelled:
        context.err << "zr48: compare interrupted; nothing was compared\n";
        return kExitNotCompared;
    default: // the comparer has said which sector got no answer
        return kExitNoUnit;
    }
    const CardComparison& comparison = comparer.Comparison();
    if (parsed->has("--json"))
        printJson(context.out, path, comparison);
    else
        printText(context.out, comparison);
    return comparison.Same() ? kExitSame : kExitDiffers;
}

} // namespace

Command compareCommand()
{
    static const OptionRow options[] = {
        {.longName = "--json", .help = "print the comparison as one JSON document instead (texts in UTF-8)"},
    };
    return {.name = "compare",
            .arguments = "PROJECT.mpj",
            .summary = "Tell whether the ZR48 holds a project (exit 0 same, 1 different, 2 no ZR48 answered).",
            .details =
                "Compiles the project in memory (nothing is written) and reads from the ZR48's card the\n"
                "directory, the menu sectors and, for each slot in use on both sides, the sectors of its device\n"
                "file, resending as the upload does. Prints one line per slot in use on either side: same,\n"
                "what differs (device type, name, source, options, device file, the device file's name), only\n"
                "on the unit or only in the project; then each menu line that differs, and as the last line\n"
                "\"The ZR48 holds this project.\" or \"The ZR48 differs from this project in N places.\" The\n"
                "project's description is not kept on the card and is not compared.\n"
                "Exit status 0 when the ZR48 holds the project, 1 when they differ, 2 when no ZR48 answered\n"
                "or it stopped answering (then nothing is said about differences), 3 when the project could\n"
                "not be compared (no such file, too big for a card, or Ctrl-C).",
            .options = options,
            .files = "mpj",
            .minArguments = 1,
            .maxArguments = 1,
            .reads = kReadsProject,
            .kindByExtension = true,
            .refusedFile = kExitNotCompared,
            .run = runCompare};
}

} // namespace zr48::cli
