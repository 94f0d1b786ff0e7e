#include "infrared/IrEncoder.h"

#include "infrared/IrFrameBits.h"

#include <numeric>

namespace zr48 {

namespace {

// Marks and spaces as they are added: a run of one level grows instead of starting another, and a
// space before the first mark is the silence before the frame.
class RunWriter {
public:
    void add(bool mark, std::uint32_t duration)
    {
        if (duration == 0 || (!mark && durations_.empty()))
            return;
        const bool lastIsMark = durations_.size() % 2 == 1;
        if (!durations_.empty() && lastIsMark == mark)
            durations_.back() += duration;
        else
            durations_.push_back(duration);
    }
    IrDurations& durations() { return durations_; }

private:
    IrDurations durations_;
};

IrFrameBits frameBits(const IrProtocol& protocol, const IrCode& code)
{
    IrFrameBits frame;
    for (const BitField& field : protocol.fields) {
        std::uint32_t value = 0;
        switch (field.value) {
        case FieldValue::Address: value = code.address >> field.first; break;
        case FieldValue::Command: value = code.command >> field.first; break;
        case FieldValue::Toggle: value = code.toggle ? 1 : 0; break;
        case FieldValue::Constant: value = field.constant; break;
        case FieldValue::XorCheck: value = frame.xorOf(field.first, field.last, field.bits, protocol.msbFirst); break;
        case FieldValue::SumCheck:
            value = frame.negatedSumOf(field.first, field.last, field.bits, protocol.msbFirst);
            break;
        case FieldValue::Gap: continue;
        }
        if (field.inverted)
            value = ~value;
        frame.appendValue(value & fieldMask(field.bits), field.bits, protocol.msbFirst);
    }
    return frame;
}

void writeBits(const IrProtocol& protocol, const IrFrameBits& frame, RunWriter& runs)
{
    int bit = 0;
    for (const BitField& field : protocol.fields) {
        runs.add(true, field.gap.mark);
        runs.add(false, field.gap.space);
        for (int k = 0; k < field.bits; ++k, ++bit) {
            const bool one = frame.at(bit);
            if (protocol.coding == BitCoding::BiPhase) {
                const std::uint32_t half = protocol.unit * field.halves;
                const bool firstIsMark = one == protocol.oneStartsWithMark;
                runs.add(firstIsMark, half);
                runs.add(!firstIsMark, half);
            } else {
                const MarkSpace& pulse = one ? protocol.one : protocol.zero;
                runs.add(true, pulse.mark);
                runs.add(false, pulse.space);
            }
        }
    }
}

std::string range(std::uint32_t lowest, std::uint32_t limit)
{
    return "from " + irHex(lowest, limit) + " to " + irHex(limit, limit) + " (" + std::to_string(lowest) + " to " +
           std::to_string(limit) + ")";
}

} // namespace

std::string irCodeProblem(const IrProtocol& protocol, const IrCode& code)
{
    const std::string name(protocol.name);
    const std::uint32_t addresses = addressLimit(protocol);
    const std::uint32_t commands = commandInputLimit(protocol);
    if (code.address > addresses)
        return addresses == 0 ? name + " has no address" : name + " takes an address " + range(0, addresses);
    if (code.command > commands)
        return name + " takes a command " + range(0, commands);
    if (code.toggle && !hasToggle(protocol))
        return name + " has no toggle bit";
    return {};
}

std::uint32_t irLeadOut(const IrProtocol& protocol, std::uint64_t frameLength)
{
    const std::uint64_t filling = protocol.framePeriod > frameLength ? protocol.framePeriod - frameLength : 0;
    return static_cast<std::uint32_t>(std::max<std::uint64_t>(filling, protocol.minimumLeadOut));
}

IrDurations encodeIrFrame(const IrProtocol& given, const IrCode& givenCode)
{
    const auto [row, code] = sendingRow(given, givenCode);
    const IrProtocol& protocol = *row;
    RunWriter runs;
    runs.add(true, protocol.leadIn.mark);
    runs.add(false, protocol.leadIn.space);
    writeBits(protocol, frameBits(protocol, code), runs);
    runs.add(true, protocol.stopMark);
    IrDurations& durations = runs.durations();
    const std::uint64_t length = std::accumulate(durations.begin(), durations.end(), std::uint64_t{0});
    runs.add(false, irLeadOut(protocol, length));
    return std::move(durations);
}

} // namespace zr48
