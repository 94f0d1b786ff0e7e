#pragma once
// The infrared optimizer: collects every duration of a device file's infrared strings, merges
// the durations that lie within a tolerance of each other, writes the ten smallest merged values
// as the timing table IR_TIME_0 ... IR_TIME_9 and replaces every duration close enough to a table
// value by a reference to it.
//
// Notation, in the part of a line from its first double quote on: "#" and a number is a duration
// in microseconds (blanks inside the number are skipped, "#" without digits reads as 0); "$"
// starts table mode, where each digit d stands for the value of IR_TIME_d, until the next "#".

#include "base/Text.h"

#include <array>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace zr48 {

// A device file optimized as the optimizer rewrites it: its lines (read as the unit reads a device
// file) in a pass for each tolerance, in order, each line then ended by CR LF. The command line
// and the editor give the same bytes for the same file.
Text OptimizeDeviceFile(std::string_view fileBytes, std::span<const int> tolerances);
// Lines as a device file holds them: each ended by CR LF, the last one too.
Text DeviceFileBytes(const std::vector<Text>& lines);

// The timing table of a text: IR_TIME_0 to IR_TIME_9 read as the optimizer reads them (0 where a
// value is missing, not a number or not positive).
using TimingTable = std::array<std::int64_t, 10>;
TimingTable ReadTimingTable(const std::vector<Text>& lines);
// Every duration of a line's infrared string in order, references looked up in `table`, as the
// optimizer expands and collects them ("#" without digits is 0); empty for a line without a quote.
std::vector<std::int64_t> InfraredDurations(const Text& line, const TimingTable& table);

// New infrared strings into a device file whose timing table stays as it is: in a pass for each
// tolerance, the durations of the lines `added` (indices into `lines`) are merged among themselves
// as the optimizer merges them, except those within the tolerance of a value the table already
// has; the merged values take the table's free places, smallest first; then each duration of
// those lines near a table value, old or new, becomes a reference to it. Only the lines `added`
// change; the new table lines go after the file's last one (at the end when the file has none).
// Every other line keeps its bytes.
void MergeIntoTimingTable(std::vector<Text>& lines, std::vector<std::size_t> added, std::span<const int> tolerances);

class TIrOptimizer {
public:
    struct Entry {
        float value = 0; // microseconds
        int index = -1;  // -1 while the entry has no place in the table yet
    };

    // The percent within which durations are merged and references made, used by the next run.
    int Tolerance() const { return tolerance_; }
    void SetTolerance(int percent) { tolerance_ = percent; }

    // Rewrites the lines (of a device file or an editor) in place.
    void Optimize(std::vector<Text>& lines);

    // The table being built.
    const std::vector<Entry>& Entries() const { return entries_; }
    void SetEntries(std::vector<Entry> entries);

    // Entry operations.
    // The entry closest to `a` within the tolerance (on a tie the later one), or null.
    const Entry* Nearest(float a) const;
    // Moves the nearest entry half-way towards `a`, or appends `a` as a new entry.
    void Merge(float a);
    // The whole value of the last entry with index d; 0 when there is none.
    std::int64_t Lookup(int d) const;

    // Line operations; lines without a double quote pass Expand, Collect and Rewrite unchanged.
    // Table references become literal durations ("$01" -> "$#560#1690").
    Text Expand(const Text& line) const;
    // Merges every non-zero literal duration of the line.
    void Collect(const Text& line);
    // Every literal duration near a table value becomes "$" and its index.
    Text Rewrite(const Text& line) const;
    // Drops the "$" that Rewrite left in front of a reference which directly follows another one,
    // so only the first "$" of the line and the first after a "#" stay ("$1$2" -> "$12").
    static Text Cleanup(const Text& line);
    static void CleanupInPlace(Text& line);

private:
    void RefreshRatios();

    int tolerance_ = 10;
    std::vector<Entry> entries_;
    // 100 ÷ value of each entry, the first step of every deviation, kept beside the entries.
    std::vector<float> ratios_;
};

} // namespace zr48
