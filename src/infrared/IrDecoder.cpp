#include "infrared/IrDecoder.h"

#include "infrared/IrFrameBits.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace zr48 {

namespace {

// A space this long ends a frame that no protocol reads.
constexpr std::uint32_t kUnknownFrameGap = 8000;
// More time units than any bi-phase run holds (a lead-in is read apart).
constexpr std::uint64_t kLongestRun = 16;
// How far a bi-phase run may lie from whole time units once the lag is taken off, in units.
constexpr double kRunTolerance = 1.0 / 3;
// How far a duration, or a mark with the space after it, may lie from its nominal value, as a
// share of it: a remote's clock off by this much still reads.
constexpr double kTolerance = 0.25;
// How much longer than nominal a receiver may make a mark (and the space after it shorter).
constexpr double kLongestLag = 250;
// A later row names a frame that an earlier one reads only when its timing is this much nearer.
constexpr double kClearlyNearer = 0.6;

bool isMark(std::size_t index)
{
    return index % 2 == 0;
}

bool within(double measured, double nominal)
{
    return std::abs(measured - nominal) <= kTolerance * nominal;
}

bool markFits(double measured, double nominal)
{
    return measured >= nominal * (1 - kTolerance) && measured <= nominal * (1 + kTolerance) + kLongestLag;
}

bool spaceFits(double measured, double nominal)
{
    return measured <= nominal * (1 + kTolerance) && measured + kLongestLag >= nominal * (1 - kTolerance);
}

// The longest space inside a frame (its gaps apart, which are read where they stand).
std::uint32_t longestInnerSpace(const IrProtocol& protocol)
{
    std::uint32_t longest = protocol.leadIn.space;
    if (protocol.coding == BitCoding::BiPhase) {
        int halves = 1;
        std::uint32_t gap = 0;
        for (const BitField& field : protocol.fields) {
            halves = std::max<int>(halves, field.halves);
            gap = std::max(gap, field.gap.space);
        }
        // Two halves of one level meet; a gap with a half on either side.
        longest = std::max({longest, 2 * halves * protocol.unit, gap + 2 * protocol.unit});
    } else {
        longest = std::max({longest, protocol.zero.space, protocol.one.space});
    }
    for (std::size_t i = 1; i < protocol.repeatSequence.size(); i += 2)
        longest = std::max(longest, protocol.repeatSequence[i]);
    return longest;
}

// The shortest space that closes a frame: beyond the tolerance of the longest space inside it.
std::uint32_t closingSpace(const IrProtocol& protocol)
{
    return static_cast<std::uint32_t>(longestInnerSpace(protocol) * (1 + kTolerance)) + 1;
}

// Where a frame may end: at the end of the durations, or on a closing space. The index after it.
std::optional<std::size_t> closeAt(std::span<const std::uint32_t> d, std::size_t index, std::uint32_t closing)
{
    if (index >= d.size())
        return d.size();
    if (!isMark(index) && d[index] >= closing)
        return index + 1;
    return std::nullopt;
}

struct Match {
    IrFrameBits bits;
    std::size_t end = 0; // after the closing space
    double misfit = 0;   // how far the frame's timing lies from the row's, as a share of it
};

// Marks and spaces read in pairs; keeps the sums that tell how well the row's timing fits.
class PulseReader {
public:
    PulseReader(std::span<const std::uint32_t> d, std::size_t at) : d_(d), i_(at) {}

    std::size_t index() const { return i_; }

    // A mark and the space after it, of the nominal durations.
    bool pair(MarkSpace nominal)
    {
        if (i_ + 1 >= d_.size())
            return false;
        const double mark = d_[i_];
        const double space = d_[i_ + 1];
        if (!markFits(mark, nominal.mark) || !spaceFits(space, nominal.space) ||
            !within(mark + space, double(nominal.mark) + nominal.space))
            return false;
        measured_ += mark + space;
        nominal_ += double(nominal.mark) + nominal.space;
        markLag_ += mark - nominal.mark;
        ++pairs_;
        i_ += 2;
        return true;
    }

    // A bit from its mark and space: the nearer of the two by their sum. -1: neither fits.
    int bit(const MarkSpace& zero, const MarkSpace& one)
    {
        if (i_ + 1 >= d_.size())
            return -1;
        const double sum = double(d_[i_]) + d_[i_ + 1];
        const double zeroSum = double(zero.mark) + zero.space;
        const double oneSum = double(one.mark) + one.space;
        const bool isOne = sum * sum > zeroSum * oneSum; // beyond their geometric middle
        return pair(isOne ? one : zero) ? int(isOne) : -1;
    }

    // A bit told by its mark alone (its space runs into the closing space), after the lag the
    // marks before it show.
    int lastMarkBit(const MarkSpace& zero, const MarkSpace& one)
    {
        if (i_ >= d_.size())
            return -1;
        const double lag = pairs_ > 0 ? std::clamp(markLag_ / pairs_, 0.0, kLongestLag) : 0.0;
        const double mark = d_[i_] - lag;
        const bool isOne = mark * mark > double(zero.mark) * one.mark;
        if (!within(mark, isOne ? one.mark : zero.mark))
            return -1;
        ++i_;
        return int(isOne);
    }

    bool mark(std::uint32_t nominal)
    {
        if (i_ >= d_.size() || !markFits(d_[i_], nominal))
            return false;
        ++i_;
        return true;
    }

    double misfit() const { return nominal_ > 0 ? std::abs(measured_ / nominal_ - 1) : 0; }

private:
    std::span<const std::uint32_t> d_;
    std::size_t i_;
    double measured_ = 0;
    double nominal_ = 0;
    double markLag_ = 0;
    int pairs_ = 0;
};

std::optional<Match> matchPulses(const IrProtocol& protocol, PulseReader& reader, std::span<const std::uint32_t> d,
                                 std::uint32_t closing)
{
    Match match;
    int remaining = 0;
    for (const BitField& field : protocol.fields)
        remaining += field.bits;
    for (const BitField& field : protocol.fields) {
        if (field.value == FieldValue::Gap) {
            if (!reader.pair(field.gap))
                return std::nullopt;
            continue;
        }
        for (int k = 0; k < field.bits; ++k) {
            --remaining;
            if (remaining == 0 && protocol.stopMark == 0) {
                // The space of the last bit runs on into the closing space.
                const int bit = reader.lastMarkBit(protocol.zero, protocol.one);
                if (bit < 0)
                    return std::nullopt;
                match.bits.append(bit == 1);
                break;
            }
            const int bit = reader.bit(protocol.zero, protocol.one);
            if (bit < 0)
                return std::nullopt;
            match.bits.append(bit == 1);
        }
    }
    if (protocol.stopMark != 0 && !reader.mark(protocol.stopMark))
        return std::nullopt;
    const auto end = closeAt(d, reader.index(), closing);
    if (!end)
        return std::nullopt;
    match.end = *end;
    match.misfit = reader.misfit();
    return match;
}

// Bi-phase: the durations as runs of whole time units, read half a bit at a time.
class UnitRuns {
public:
    UnitRuns(std::span<const std::uint32_t> d, std::size_t at, double unit, double lag, std::uint32_t closing,
             bool silenceBefore)
        : d_(d), i_(at), unit_(unit), lag_(lag), closing_(closing), silenceBefore_(silenceBefore)
    {}

    // The durations read so far against the whole units they were read as.
    double misfit(double nominalUnit) const
    {
        return units_ > 0 ? std::abs(measured_ / (units_ * nominalUnit) - 1) : 0;
    }

    // The level of `units` time units that have one level; nullopt when they have not.
    std::optional<bool> half(int units)
    {
        if (silenceBefore_) {
            // The silence before a frame without lead-in is its first half, when that is a space.
            silenceBefore_ = false;
            return false;
        }
        if (!loaded())
            return std::nullopt;
        if (open_)
            return false; // the closing space lasts as long as needed
        const bool mark = isMark(i_);
        while (units > 0) {
            if (!loaded())
                return std::nullopt;
            if (open_)
                return mark ? std::nullopt : std::optional<bool>(false);
            if (isMark(i_) != mark)
                return std::nullopt;
            const int taken = std::min(left_, units);
            left_ -= taken;
            units -= taken;
            if (left_ == 0)
                ++i_;
        }
        return mark;
    }

    // The index after the closing space, when the frame may end here.
    std::optional<std::size_t> close()
    {
        if (!loaded() || !open_)
            return std::nullopt;
        return std::min(i_ + 1, d_.size());
    }

private:
    // Makes the run at i_ current; false when its duration is no whole number of units.
    bool loaded()
    {
        if (left_ > 0 || open_)
            return true;
        if (i_ >= d_.size() || (!isMark(i_) && d_[i_] >= closing_)) {
            open_ = true;
            return true;
        }
        const double duration = d_[i_] + (isMark(i_) ? -lag_ : lag_);
        const double units = std::round(duration / unit_);
        if (units < 1 || units > kLongestRun || std::abs(duration - units * unit_) > kRunTolerance * unit_)
            return false;
        left_ = static_cast<int>(units);
        measured_ += d_[i_];
        units_ += units;
        return true;
    }

    std::span<const std::uint32_t> d_;
    std::size_t i_;
    double unit_;
    double lag_;
    std::uint32_t closing_;
    bool silenceBefore_;
    int left_ = 0;
    bool open_ = false;
    double measured_ = 0;
    double units_ = 0;
};

// Whether the first half of a frame is a space: its first bit is fixed and sent space first.
bool startsWithSpace(const IrProtocol& protocol)
{
    if (protocol.fields.empty() || protocol.fields.front().value != FieldValue::Constant)
        return false;
    const BitField& field = protocol.fields.front();
    const bool firstBit = (field.constant >> (protocol.msbFirst ? field.bits - 1 : 0)) & 1u;
    return firstBit != protocol.oneStartsWithMark;
}

// The lag of a frame: what its marks hold beyond whole units, on average, starting from a first
// guess (so that a lag near half a unit is not taken for a whole unit less).
double lagOfMarks(std::span<const std::uint32_t> d, std::size_t at, double unit, std::uint32_t closing, double guess)
{
    double sum = 0;
    int marks = 0;
    for (std::size_t i = at; i < d.size(); ++i) {
        if (!isMark(i)) {
            if (d[i] >= closing)
                break;
            continue;
        }
        const double units = std::max(1.0, std::round((d[i] - guess) / unit));
        sum += d[i] - guess - units * unit;
        ++marks;
    }
    return std::clamp(guess + (marks > 0 ? sum / marks : 0.0), -unit / 3, kLongestLag);
}

std::optional<Match> matchBiPhase(const IrProtocol& protocol, std::span<const std::uint32_t> d, std::size_t at,
                                  std::uint32_t closing, bool withLeadIn)
{
    double unit = protocol.unit;
    double guess = 0;
    if (withLeadIn) {
        // The lead-in tells the frame's clock (by its mark and space together) and a first guess
        // of the lag (by what its mark holds beyond that).
        const double scale = (double(d[at - 2]) + d[at - 1]) / (double(protocol.leadIn.mark) + protocol.leadIn.space);
        unit *= scale;
        guess = std::clamp(d[at - 2] - protocol.leadIn.mark * scale, -unit / 3, kLongestLag);
    }
    const double lag = lagOfMarks(d, at, unit, closing, guess);
    UnitRuns runs(d, at, unit, lag, closing, !withLeadIn && startsWithSpace(protocol));
    Match match;
    for (const BitField& field : protocol.fields) {
        if (field.value == FieldValue::Gap) {
            const auto space = runs.half(static_cast<int>(field.gap.space / protocol.unit));
            if (!space || *space)
                return std::nullopt;
            continue;
        }
        for (int k = 0; k < field.bits; ++k) {
            const auto first = runs.half(field.halves);
            const auto second = runs.half(field.halves);
            if (!first || !second || *first == *second)
                return std::nullopt;
            match.bits.append(*first == protocol.oneStartsWithMark);
        }
    }
    const auto end = runs.close();
    if (!end)
        return std::nullopt;
    match.end = *end;
    match.misfit = runs.misfit(protocol.unit);
    return match;
}

std::optional<Match> matchFrame(const IrProtocol& protocol, std::span<const std::uint32_t> d, std::size_t at,
                                bool withLeadIn)
{
    const std::uint32_t closing = closingSpace(protocol);
    const bool leadIn = withLeadIn && protocol.leadIn.mark != 0;
    PulseReader reader(d, at);
    if (leadIn && !reader.pair(protocol.leadIn))
        return std::nullopt;
    if (protocol.coding == BitCoding::BiPhase)
        return matchBiPhase(protocol, d, reader.index(), closing, leadIn);
    return matchPulses(protocol, reader, d, closing);
}

std::optional<std::size_t> matchSequence(const IrProtocol& protocol, std::span<const std::uint32_t> d, std::size_t at)
{
    const auto sequence = protocol.repeatSequence;
    if (sequence.empty())
        return std::nullopt;
    PulseReader reader(d, at);
    for (std::size_t k = 0; k + 1 < sequence.size(); k += 2)
        if (!reader.pair({sequence[k], sequence[k + 1]}))
            return std::nullopt;
    if (!reader.mark(sequence.back()))
        return std::nullopt;
    return closeAt(d, reader.index(), closingSpace(protocol));
}

// The code the frame's bits carry, when every check holds and it lies in the protocol's ranges.
std::optional<IrCode> readFields(const IrProtocol& protocol, const IrFrameBits& bits)
{
    IrCode code;
    std::uint32_t knownAddress = 0;
    std::uint32_t knownCommand = 0;
    int at = 0;
    for (const BitField& field : protocol.fields) {
        std::uint32_t value = bits.valueAt(at, field.bits, protocol.msbFirst);
        if (field.inverted)
            value = ~value & fieldMask(field.bits);
        at += field.bits;
        switch (field.value) {
        case FieldValue::Address:
        case FieldValue::Command: {
            const bool address = field.value == FieldValue::Address;
            std::uint32_t& number = address ? code.address : code.command;
            std::uint32_t& known = address ? knownAddress : knownCommand;
            const std::uint32_t mask = fieldMask(field.bits) << field.first;
            const std::uint32_t placed = value << field.first;
            if (((number ^ placed) & known & mask) != 0)
                return std::nullopt; // a copy of bits already read differs
            number |= placed & mask;
            known |= mask;
            break;
        }
        case FieldValue::Toggle: code.toggle = value != 0; break;
        case FieldValue::Constant:
            if (value != field.constant)
                return std::nullopt;
            break;
        case FieldValue::XorCheck:
            if (value != bits.xorOf(field.first, field.last, field.bits, protocol.msbFirst))
                return std::nullopt;
            break;
        case FieldValue::SumCheck:
            if (value != bits.negatedSumOf(field.first, field.last, field.bits, protocol.msbFirst))
                return std::nullopt;
            break;
        case FieldValue::Gap: break;
        }
    }
    return code;
}

IrFrame frameOf(IrFrame::Kind kind, const IrProtocol* protocol, std::span<const std::uint32_t> d, std::size_t first,
                std::size_t end)
{
    IrFrame frame{.kind = kind, .protocol = protocol, .first = first, .end = end};
    // From the start of the first mark to the end of the last one.
    const std::size_t last = isMark(end - 1) ? end - 1 : end - 2;
    for (std::size_t i = first; i <= last; ++i) {
        frame.length += d[i];
        (isMark(i) ? frame.marks : frame.spaces)++;
    }
    return frame;
}

struct Reading {
    IrFrame frame;
    double misfit = 0;
};

std::optional<Reading> decodeCode(std::span<const std::uint32_t> d, std::size_t at, const IrProtocol& protocol,
                                  bool withLeadIn)
{
    const auto match = matchFrame(protocol, d, at, withLeadIn);
    if (!match)
        return std::nullopt;
    const auto code = readFields(protocol, match->bits);
    if (!code)
        return std::nullopt;
    IrFrame frame = frameOf(IrFrame::Kind::Code, &protocol, d, at, match->end);
    frame.code = *code;
    return Reading{frame, match->misfit};
}

bool sameCode(const IrCode& a, const IrCode& b)
{
    return a.address == b.address && a.command == b.command && a.toggle == b.toggle;
}

// A repeat of the code before, in the form its protocol repeats.
std::optional<IrFrame> decodeRepeat(std::span<const std::uint32_t> d, std::size_t at, const IrFrame& before)
{
    const IrProtocol& protocol = *before.protocol;
    if (protocol.repeat == RepeatKind::Sequence) {
        if (const auto end = matchSequence(protocol, d, at))
            return frameOf(IrFrame::Kind::Repeat, &protocol, d, at, *end);
        return std::nullopt;
    }
    const bool withLeadIn = protocol.repeat == RepeatKind::WholeFrame;
    auto reading = decodeCode(d, at, protocol, withLeadIn);
    if (!reading || !sameCode(reading->frame.code, before.code))
        return std::nullopt;
    reading->frame.kind = IrFrame::Kind::Repeat;
    return reading->frame;
}

// ---- what can be told of a frame no row reads

// The mean of the values at or below `threshold` (or above it).
double meanOf(const std::vector<double>& values, double threshold, bool below)
{
    double sum = 0;
    int count = 0;
    for (const double v : values)
        if ((v <= threshold) == below) {
            sum += v;
            ++count;
        }
    return count > 0 ? sum / count : 0;
}

// Whether the values fall into a short and a long kind (the long at least 1.5 times the short),
// and the value between them.
bool twoKinds(const std::vector<double>& values, double& threshold)
{
    if (values.empty())
        return false;
    const auto [low, high] = std::minmax_element(values.begin(), values.end());
    threshold = (*low + *high) / 2;
    return *high >= 1.5 * *low;
}

std::string hexOfBits(const std::vector<bool>& bits)
{
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text = "0x";
    const std::size_t pad = (4 - bits.size() % 4) % 4;
    unsigned digit = 0;
    for (std::size_t k = 0; k < pad + bits.size(); ++k) {
        digit = (digit << 1) | (k >= pad && bits[k - pad] ? 1u : 0u);
        if (k % 4 == 3) {
            text += kDigits[digit];
            digit = 0;
        }
    }
    return text;
}

IrShape shapeOf(std::span<const std::uint32_t> d, std::size_t first, std::size_t end)
{
    IrShape shape;
    std::size_t last = end - 1; // the last mark
    if (!isMark(last)) {
        shape.leadOut = d[last];
        --last;
    }
    std::vector<double> marks;
    for (std::size_t i = first; i <= last; i += 2)
        marks.push_back(d[i]);
    if (marks.size() < 3)
        return shape;
    std::size_t from = first;
    const double shortest = *std::min_element(marks.begin() + 1, marks.end());
    if (marks.front() >= 3 * shortest) {
        shape.leadIn = {d[first], d[first + 1]};
        from += 2;
        marks.erase(marks.begin());
    }
    std::vector<double> spaces;
    for (std::size_t i = from + 1; i < last; i += 2)
        spaces.push_back(d[i]);
    double markMiddle = 0;
    double spaceMiddle = 0;
    const bool markKinds = twoKinds(marks, markMiddle);
    const bool spaceKinds = twoKinds(spaces, spaceMiddle);
    std::vector<bool> bits;
    if (!markKinds && spaceKinds) {
        shape.coding = BitCoding::PulseDistance;
        for (const double space : spaces)
            bits.push_back(space > spaceMiddle);
        // A bit 0's mark and space in whole units of the mark: the lag moves time between them,
        // not out of them.
        double zeroMarks = 0;
        double zeroSpaces = 0;
        int zeros = 0;
        for (std::size_t k = 0; k < spaces.size(); ++k)
            if (!bits[k]) {
                zeroMarks += marks[k];
                zeroSpaces += spaces[k];
                ++zeros;
            }
        const double spaceUnits = zeros > 0 ? std::max(1.0, std::round(zeroSpaces / zeroMarks)) : 1.0;
        shape.unit = static_cast<std::uint32_t>(
            std::lround(zeros > 0 ? (zeroMarks + zeroSpaces) / zeros / (1 + spaceUnits) : marks.front()));
    } else if (markKinds && !spaceKinds && !spaces.empty()) {
        shape.coding = BitCoding::PulseWidth;
        for (const double mark : marks)
            bits.push_back(mark > markMiddle);
        shape.unit = static_cast<std::uint32_t>(std::lround(spaces.front() > 0 ? meanOf(spaces, 1e12, true) : 0));
    } else if (markKinds && spaceKinds) {
        shape.coding = BitCoding::BiPhase;
        const double unit = (meanOf(marks, markMiddle, true) + meanOf(spaces, spaceMiddle, true)) / 2;
        shape.unit = static_cast<std::uint32_t>(std::lround(unit));
        std::vector<bool> halves;
        for (std::size_t i = from; i <= last; ++i)
            halves.insert(halves.end(), std::max<long>(1, std::lround(d[i] / unit)), isMark(i));
        if (halves.size() % 2 == 1)
            halves.insert(halves.begin(), false); // the frame began with a space half
        for (std::size_t k = 0; k + 1 < halves.size(); k += 2) {
            if (halves[k] == halves[k + 1])
                return shape; // no bi-phase after all: coding not told
            bits.push_back(halves[k]);
        }
    } else {
        return shape;
    }
    shape.coded = true;
    shape.bitCount = static_cast<int>(bits.size());
    shape.bits = hexOfBits(bits);
    return shape;
}

bool allowed(const IrProtocol& protocol, IrRows rows)
{
    return rows == IrRows::All || protocol.inFlipperFiles;
}

IrFrame decodeAt(std::span<const std::uint32_t> d, std::size_t at, const IrFrame* codeBefore, std::uint32_t carrierHz,
                 IrRows rows)
{
    if (codeBefore)
        if (auto repeat = decodeRepeat(d, at, *codeBefore))
            return *repeat;
    std::optional<Reading> best;
    for (const IrProtocol& protocol : irProtocols()) {
        if (!allowed(protocol, rows))
            continue;
        auto reading = decodeCode(d, at, protocol, true);
        if (!reading)
            continue;
        if (carrierHz != 0)
            reading->misfit += std::abs(double(protocol.carrierHz) / carrierHz - 1);
        if (!best || reading->misfit < kClearlyNearer * best->misfit)
            best = reading;
    }
    if (best)
        return best->frame;
    // A repeat frame on its own still names its protocol.
    for (const IrProtocol& protocol : irProtocols())
        if (const auto end = matchSequence(protocol, d, at))
            return frameOf(IrFrame::Kind::Repeat, &protocol, d, at, *end);
    std::size_t end = at + 1;
    while (end < d.size() && (isMark(end) || d[end] < kUnknownFrameGap))
        ++end;
    end = std::min(end + 1, d.size());
    IrFrame frame = frameOf(IrFrame::Kind::Unknown, nullptr, d, at, end);
    frame.shape = shapeOf(d, at, end);
    return frame;
}

std::vector<IrFrame> decodeFrames(std::span<const std::uint32_t> durations, std::uint32_t carrierHz, IrRows rows)
{
    std::vector<IrFrame> frames;
    IrFrame codeBefore;
    bool hasCodeBefore = false;
    for (std::size_t at = 0; at < durations.size();) {
        const IrFrame frame = decodeAt(durations, at, hasCodeBefore ? &codeBefore : nullptr, carrierHz, rows);
        if (frame.kind == IrFrame::Kind::Code) {
            codeBefore = frame;
            hasCodeBefore = true;
        } else if (frame.kind == IrFrame::Kind::Unknown) {
            hasCodeBefore = false;
        }
        at = frame.end;
        frames.push_back(frame);
    }
    return frames;
}

} // namespace

std::vector<IrFrame> decodeIrFrames(std::span<const std::uint32_t> durations, std::uint32_t carrierHz)
{
    return decodeFrames(durations, carrierHz, IrRows::All);
}

std::optional<IrFrame> decodeSingleIrFrame(std::span<const std::uint32_t> durations, IrRows rows)
{
    const std::vector<IrFrame> frames = decodeFrames(durations, 0, rows);
    if (frames.size() != 1 || frames.front().kind != IrFrame::Kind::Code)
        return std::nullopt;
    return frames.front();
}

std::optional<IrCode> readIrFrameAs(const IrProtocol& protocol, std::span<const std::uint32_t> durations)
{
    const auto reading = decodeCode(durations, 0, protocol, true);
    if (!reading || reading->frame.end != durations.size())
        return std::nullopt;
    return reading->frame.code;
}

std::string_view bitCodingName(BitCoding coding)
{
    switch (coding) {
    case BitCoding::PulseDistance: return "pulse-distance";
    case BitCoding::PulseWidth: return "pulse-width";
    case BitCoding::BiPhase: return "bi-phase";
    }
    return {};
}

std::string describeIrFrame(const IrFrame& frame, std::uint32_t carrierHz)
{
    if (frame.kind == IrFrame::Kind::Unknown) {
        std::string text = "unknown";
        if (carrierHz != 0)
            text += " carrier=" + std::to_string(carrierHz) + "Hz";
        const IrShape& shape = frame.shape;
        if (shape.coded)
            text += " " + std::string(bitCodingName(shape.coding)) + " unit=" + std::to_string(shape.unit) +
                    "us bits=" + std::to_string(shape.bitCount) + " data=" + shape.bits;
        if (shape.coded) {
            text += shape.leadIn.mark != 0 ? " lead-in=" + std::to_string(shape.leadIn.mark) + "/" +
                                                 std::to_string(shape.leadIn.space) + "us"
                                           : std::string(" lead-in=none");
            text += shape.leadOut != 0 ? " lead-out=" + std::to_string(shape.leadOut) + "us"
                                       : std::string(" lead-out=none");
        }
        return text + " length=" + std::to_string(frame.length) + "us marks=" + std::to_string(frame.marks) +
               " spaces=" + std::to_string(frame.spaces);
    }
    const IrProtocol& protocol = *frame.protocol;
    std::string text(protocol.name);
    if (frame.kind == IrFrame::Kind::Repeat)
        return text + " repeat";
    text += " address=" + irHex(frame.code.address, addressLimit(protocol));
    text += " command=" + irHex(frame.code.command, commandLimit(protocol));
    if (hasToggle(protocol))
        text += frame.code.toggle ? " toggle=1" : " toggle=0";
    return text;
}

} // namespace zr48
