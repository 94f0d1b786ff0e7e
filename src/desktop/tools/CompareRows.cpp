#include "desktop/tools/CompareRows.h"

#include "project/ProjectFile.h"

#include <algorithm>

namespace zr48 {

namespace {

CompareRow SlotRow(const SlotComparison& slot)
{
    CompareRow row;
    row.Place = toUtf8(TProjectFile::SlotName(slot.Slot));
    row.State = toUtf8(SlotStateText(slot));
    if (slot.State != SlotState::OnlyInProject)
        row.Unit = toUtf8(DescriptorSummary(slot.Unit));
    if (slot.State != SlotState::OnlyOnUnit)
        row.Project = toUtf8(DescriptorSummary(slot.Project));
    for (const Text& detail : SlotDifferenceDetails(slot))
        row.Details += (row.Details.empty() ? "" : "\n") + toUtf8(detail);
    switch (slot.State) {
    case SlotState::Same: row.Tone = CompareTone::Same; break;
    case SlotState::Differs: row.Tone = CompareTone::Differs; break;
    case SlotState::OnlyOnUnit: row.Tone = CompareTone::OnlyOnUnit; break;
    case SlotState::OnlyInProject: row.Tone = CompareTone::OnlyInProject; break;
    }
    row.Slot = slot.Slot;
    return row;
}

CompareRow MenuRow(const MenuLineComparison& line)
{
    CompareRow row;
    row.Place = "Menu line " + std::to_string(line.Line + 1);
    row.State = line.Same() ? "same" : "differs";
    row.Unit = toUtf8(line.Unit);
    row.Project = toUtf8(line.Project);
    row.MenuLine = line.Line;
    if (!line.Same()) {
        row.Details = toUtf8(MenuLineText(line));
        row.Tone = CompareTone::Differs;
    }
    return row;
}

} // namespace

std::vector<CompareRow> CompareResultRows(const CardComparison& comparison)
{
    std::vector<CompareRow> rows;
    for (const SlotComparison& slot : comparison.Slots)
        rows.push_back(SlotRow(slot));
    for (const MenuLineComparison& line : comparison.Menu)
        rows.push_back(MenuRow(line));
    if (comparison.AreasDiffer)
        rows.push_back({"Card areas", "differ", "", "", kAreasDifferText, CompareTone::Differs});
    std::stable_partition(rows.begin(), rows.end(),
                          [](const CompareRow& row) { return row.Tone != CompareTone::Same; });
    return rows;
}

} // namespace zr48
