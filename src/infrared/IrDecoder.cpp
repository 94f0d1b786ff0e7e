#include "infrared/IrDecoder.h"

#include "infrared/IrFrameBits.h"

#include <algorithm>
#include <cstdlib>

namespace zr48 {

namespace {

// A space this long ends a frame that no protocol reads.
constexpr std::uint32_t kUnknownFrameGap = 8000;
// More time units than any bi-phase run holds (a lead-in is read apart).
constexpr std::uint64_t kLongestRun = 16;

std::uint32_t tolerance(std::uint32_t expected)
{
    return std::max<std::uint32_t>(expected / 4, 150);
}

bool near(std::uint32_t duration, std::uint32_t expected)
{
    const std::uint32_t difference = duration > expected ? duration - expected : expected - duration;
    return difference <= tolerance(expected);
}

// 0 or 1: which of the two values the duration matches (the nearer one); -1: neither.
int classify(std::uint32_t duration, std::uint32_t zero, std::uint32_t one)
{
    const auto distance = [duration](std::uint32_t value) { return std::abs(std::int64_t{duration} - value); };
    const int bit = distance(one) < distance(zero) ? 1 : 0;
    return near(duration, bit ? one : zero) ? bit : -1;
}

bool isMark(std::size_t index)
{
    return index % 2 == 0;
}

// The shortest space that closes a frame: beyond the tolerance of the longest space inside it.
std::uint32_t closingSpace(const IrProtocol& protocol)
{
    std::uint32_t longest = protocol.leadIn.space;
    if (protocol.coding == BitCoding::BiPhase) {
        int halves = 1;
        for (const BitField& field : protocol.fields)
            halves = std::max<int>(halves, field.halves);
        longest = std::max(longest, 2 * halves * protocol.unit); // two halves of one level meet
    } else {
        longest = std::max({longest, protocol.zero.space, protocol.one.space});
    }
    for (std::size_t i = 1; i < protocol.repeatSequence.size(); i += 2)
        longest = std::max(longest, protocol.repeatSequence[i]);
    return longest + tolerance(longest) + 1;
}

struct Match {
    IrFrameBits bits;
    std::size_t end = 0; // after the closing space
};

// Where a frame may end: at the end of the durations, or on a closing space. The index after it.
std::optional<std::size_t> closeAt(std::span<const std::uint32_t> d, std::size_t index, std::uint32_t closing)
{
    if (index >= d.size())
        return d.size();
    if (!isMark(index) && d[index] >= closing)
        return index + 1;
    return std::nullopt;
}

int frameBitCount(const IrProtocol& protocol)
{
    int count = 0;
    for (const BitField& field : protocol.fields)
        count += field.bits;
    return count;
}

std::optional<Match> matchPulses(const IrProtocol& protocol, std::span<const std::uint32_t> d, std::size_t i,
                                 std::uint32_t closing)
{
    Match match;
    const int bits = frameBitCount(protocol);
    for (int b = 0; b < bits; ++b, i += 2) {
        if (i >= d.size())
            return std::nullopt;
        if (protocol.coding == BitCoding::PulseDistance) {
            if (i + 1 >= d.size() || !near(d[i], protocol.zero.mark))
                return std::nullopt;
            const int bit = classify(d[i + 1], protocol.zero.space, protocol.one.space);
            if (bit < 0)
                return std::nullopt;
            match.bits.append(bit == 1);
            continue;
        }
        const int bit = classify(d[i], protocol.zero.mark, protocol.one.mark);
        if (bit < 0)
            return std::nullopt;
        match.bits.append(bit == 1);
        if (b == bits - 1 && protocol.stopMark == 0) {
            // The space of the last bit runs on into the closing space.
            const auto end = closeAt(d, i + 1, closing);
            if (!end)
                return std::nullopt;
            match.end = *end;
            return match;
        }
        if (i + 1 >= d.size() || !near(d[i + 1], protocol.zero.space))
            return std::nullopt;
    }
    if (i >= d.size() || !near(d[i], protocol.stopMark))
        return std::nullopt;
    const auto end = closeAt(d, i + 1, closing);
    if (!end)
        return std::nullopt;
    match.end = *end;
    return match;
}

// Bi-phase: the durations as runs of whole time units, read half a bit at a time.
class UnitRuns {
public:
    UnitRuns(std::span<const std::uint32_t> d, std::size_t at, std::uint32_t unit, std::uint32_t closing,
             bool silenceBefore)
        : d_(d), i_(at), unit_(unit), closing_(closing), silenceBefore_(silenceBefore)
    {}

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
        const std::uint64_t duration = d_[i_];
        const std::uint64_t units = (duration + unit_ / 2) / unit_;
        const std::uint64_t whole = units * unit_;
        const std::uint64_t off = duration > whole ? duration - whole : whole - duration;
        if (units == 0 || units > kLongestRun || off * 5 > std::uint64_t{unit_} * 2)
            return false;
        left_ = static_cast<int>(units);
        return true;
    }

    std::span<const std::uint32_t> d_;
    std::size_t i_;
    std::uint32_t unit_;
    std::uint32_t closing_;
    bool silenceBefore_;
    int left_ = 0;
    bool open_ = false;
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

std::optional<Match> matchBiPhase(const IrProtocol& protocol, std::span<const std::uint32_t> d, std::size_t i,
                                  std::uint32_t closing, bool silenceBefore)
{
    UnitRuns runs(d, i, protocol.unit, closing, silenceBefore);
    Match match;
    for (const BitField& field : protocol.fields) {
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
    return match;
}

std::optional<Match> matchFrame(const IrProtocol& protocol, std::span<const std::uint32_t> d, std::size_t at,
                                bool withLeadIn)
{
    const std::uint32_t closing = closingSpace(protocol);
    const bool leadIn = withLeadIn && protocol.leadIn.mark != 0;
    if (leadIn) {
        if (at + 1 >= d.size() || !near(d[at], protocol.leadIn.mark) || !near(d[at + 1], protocol.leadIn.space))
            return std::nullopt;
        at += 2;
    }
    if (protocol.coding == BitCoding::BiPhase)
        return matchBiPhase(protocol, d, at, closing, !leadIn && startsWithSpace(protocol));
    return matchPulses(protocol, d, at, closing);
}

std::optional<std::size_t> matchSequence(const IrProtocol& protocol, std::span<const std::uint32_t> d, std::size_t at)
{
    const auto sequence = protocol.repeatSequence;
    if (sequence.empty() || at + sequence.size() > d.size())
        return std::nullopt;
    for (std::size_t k = 0; k < sequence.size(); ++k)
        if (!near(d[at + k], sequence[k]))
            return std::nullopt;
    return closeAt(d, at + sequence.size(), closingSpace(protocol));
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
        }
    }
    if (code.command < protocol.commandLowest)
        return std::nullopt;
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

std::optional<IrFrame> decodeCode(std::span<const std::uint32_t> d, std::size_t at, const IrProtocol& protocol,
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
    return frame;
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
    auto frame = decodeCode(d, at, protocol, withLeadIn);
    if (!frame || !sameCode(frame->code, before.code))
        return std::nullopt;
    frame->kind = IrFrame::Kind::Repeat;
    return frame;
}

IrFrame decodeAt(std::span<const std::uint32_t> d, std::size_t at, const IrFrame* codeBefore)
{
    if (codeBefore)
        if (auto repeat = decodeRepeat(d, at, *codeBefore))
            return *repeat;
    for (const IrProtocol& protocol : irProtocols())
        if (auto frame = decodeCode(d, at, protocol, true))
            return *frame;
    // A repeat frame on its own still names its protocol.
    for (const IrProtocol& protocol : irProtocols())
        if (const auto end = matchSequence(protocol, d, at))
            return frameOf(IrFrame::Kind::Repeat, &protocol, d, at, *end);
    std::size_t end = at + 1;
    while (end < d.size() && (isMark(end) || d[end] < kUnknownFrameGap))
        ++end;
    return frameOf(IrFrame::Kind::Unknown, nullptr, d, at, std::min(end + 1, d.size()));
}

} // namespace

std::vector<IrFrame> decodeIrFrames(std::span<const std::uint32_t> durations)
{
    std::vector<IrFrame> frames;
    IrFrame codeBefore;
    bool hasCodeBefore = false;
    for (std::size_t at = 0; at < durations.size();) {
        const IrFrame frame = decodeAt(durations, at, hasCodeBefore ? &codeBefore : nullptr);
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

std::optional<IrFrame> decodeSingleIrFrame(std::span<const std::uint32_t> durations)
{
    const std::vector<IrFrame> frames = decodeIrFrames(durations);
    if (frames.size() != 1 || frames.front().kind != IrFrame::Kind::Code)
        return std::nullopt;
    return frames.front();
}

std::string describeIrFrame(const IrFrame& frame, std::uint32_t carrierHz)
{
    if (frame.kind == IrFrame::Kind::Unknown) {
        std::string text = "unknown";
        if (carrierHz != 0)
            text += " carrier=" + std::to_string(carrierHz) + "Hz";
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
