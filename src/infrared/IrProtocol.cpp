#include "infrared/IrProtocol.h"

#include "base/Text.h"
#include "infrared/IrFrameBits.h"

#include <algorithm>

namespace zr48 {

namespace {

using V = FieldValue;

// 8-bit address and command, each followed by its inverse, least significant bit first.
constexpr BitField kNecFields[] = {
    {V::Address, 8}, {V::Address, 8, 0, true}, {V::Command, 8}, {V::Command, 8, 0, true}};
// 16-bit address and command as they stand.
constexpr BitField kNecExtFields[] = {{V::Address, 16}, {V::Command, 16}};
// 13-bit address and 8-bit command, each followed by its inverse; or 26 and 16 bits as they stand.
constexpr BitField kNec42Fields[] = {
    {V::Address, 13}, {V::Address, 13, 0, true}, {V::Command, 8}, {V::Command, 8, 0, true}};
constexpr BitField kNec42ExtFields[] = {{V::Address, 26}, {V::Command, 16}};
// 16-bit address, then two command bytes, each followed by its inverse.
constexpr BitField kNec48Fields[] = {
    {V::Address, 16}, {V::Command, 8}, {V::Command, 8, 0, true}, {V::Command, 8, 8}, {V::Command, 8, 8, true}};
constexpr std::uint32_t kNecRepeat[] = {9000, 2250, 560};
// The address twice, then the command and its inverse.
constexpr BitField kSamsungFields[] = {{V::Address, 8}, {V::Address, 8}, {V::Command, 8}, {V::Command, 8, 0, true}};
// 16-bit address, a mark and a long space, then 4 command bits (8 to 11) and a command byte with
// its inverse.
constexpr BitField kSamsung36Fields[] = {{V::Address, 16},
                                         {.value = V::Gap, .bits = 0, .gap = {500, 4500}},
                                         {V::Command, 4, 8},
                                         {V::Command, 8},
                                         {V::Command, 8, 0, true}};
// Start bit, field bit (1: RC5, 0: RC5X), toggle, 5-bit address, 6 command bits.
constexpr BitField kRc5Fields[] = {
    {V::Constant, 1, 0, false, 1}, {V::Constant, 1, 0, false, 1}, {V::Toggle, 1}, {V::Address, 5}, {V::Command, 6}};
constexpr BitField kRc5xFields[] = {
    {V::Constant, 1, 0, false, 1}, {V::Constant, 1, 0, false, 0}, {V::Toggle, 1}, {V::Address, 5}, {V::Command, 6}};
// Start bit, mode 0, the double-length trailer bit as toggle, 8-bit address and command.
constexpr BitField kRc6Fields[] = {{V::Constant, 1, 0, false, 1},
                                   {V::Constant, 3},
                                   {.value = V::Toggle, .bits = 1, .halves = 2},
                                   {V::Address, 8},
                                   {V::Command, 8}};
// Mode 6 with 20 bits: the trailer as toggle, an 8-bit device and 4-bit subdevice (address bits 8
// to 11), an 8-bit command.
constexpr BitField kRc6620Fields[] = {{V::Constant, 1, 0, false, 1},
                                      {V::Constant, 3, 0, false, 6},
                                      {.value = V::Toggle, .bits = 1, .halves = 2},
                                      {V::Address, 8},
                                      {V::Address, 4, 8},
                                      {V::Command, 8}};
// Mode 6 with 32 bits and the customer code 0x800F: a trailer of 0, the toggle at the head of the
// third byte, a 7-bit address and an 8-bit command.
constexpr BitField kMceFields[] = {{V::Constant, 1, 0, false, 1},
                                   {V::Constant, 3, 0, false, 6},
                                   {.value = V::Constant, .bits = 1, .halves = 2},
                                   {V::Constant, 16, 0, false, 0x800F},
                                   {V::Toggle, 1},
                                   {V::Address, 7},
                                   {V::Command, 8}};
// 7-bit command, then the address (5, 8 or 13 bits).
constexpr BitField kSirc12Fields[] = {{V::Command, 7}, {V::Address, 5}};
constexpr BitField kSirc15Fields[] = {{V::Command, 7}, {V::Address, 8}};
constexpr BitField kSirc20Fields[] = {{V::Command, 7}, {V::Address, 13}};
// Vendor id (address bits 8-23) and its parity nibble, genre 1 (address bits 4-7), genre 2 (bits
// 0-3), the 10-bit command, the device id (address bits 24-25), and the parity of bytes 2 to 4.
constexpr BitField kKaseikyoFields[] = {
    {V::Address, 16, 8},
    {.value = V::XorCheck, .bits = 4, .first = 0, .last = 16},
    {V::Address, 4, 4},
    {V::Address, 4, 0},
    {V::Command, 10},
    {V::Address, 2, 24},
    {.value = V::XorCheck, .bits = 8, .first = 16, .last = 40},
};
// A vendor's Kaseikyo frames: the vendor id fixed, the address the genres (bits 0-7) and the device
// id (bits 8-9).
template <std::uint32_t vendor>
constexpr BitField kKaseikyoVendorFields[] = {
    {V::Constant, 16, 0, false, vendor},
    {.value = V::XorCheck, .bits = 4, .first = 0, .last = 16},
    {V::Address, 4, 4},
    {V::Address, 4, 0},
    {V::Command, 10},
    {V::Address, 2, 8},
    {.value = V::XorCheck, .bits = 8, .first = 16, .last = 40},
};
constexpr BitField kJvcFields[] = {{V::Address, 8}, {V::Command, 8}};
// RC5 with a 4-unit space after the address, then 6 more address bits (address bits 5 to 10).
constexpr BitField kMarantzFields[] = {{V::Constant, 1, 0, false, 1},
                                       {V::Command, 1, 6, true},
                                       {V::Toggle, 1},
                                       {V::Address, 5},
                                       {.value = V::Gap, .bits = 0, .gap = {0, 4 * 889}},
                                       {V::Address, 6, 5},
                                       {V::Command, 6}};
// Command, device, and the negated sum of their nibbles.
constexpr BitField kGiCableFields[] = {
    {V::Command, 8}, {V::Address, 4}, {.value = V::SumCheck, .bits = 4, .first = 0, .last = 12}};
constexpr std::uint32_t kGiCableRepeat[] = {8820, 2205, 490};
// Two halves 43.6 ms apart: address, command and two fixed bits; the address again, the command
// inverted and two other fixed bits.
template <std::uint32_t firstFixed, std::uint32_t secondFixed>
constexpr BitField kSharpFields[] = {{V::Address, 5},
                                     {V::Command, 8},
                                     {V::Constant, 2, 0, false, firstFixed},
                                     {.value = V::Gap, .bits = 0, .gap = {264, 43560}},
                                     {V::Address, 5},
                                     {V::Command, 8, 0, true},
                                     {V::Constant, 2, 0, false, secondFixed}};
// Address, a mark and a long space, command.
constexpr BitField kProtonFields[] = {
    {V::Address, 8}, {.value = V::Gap, .bits = 0, .gap = {500, 4000}}, {V::Command, 8}};
constexpr BitField kBoseFields[] = {{V::Command, 8}, {V::Command, 8, 0, true}};
// Most significant bit first: address, command, both inverted.
constexpr BitField kRcaFields[] = {
    {V::Address, 4}, {V::Command, 8}, {V::Address, 4, 0, true}, {V::Command, 8, 0, true}};
constexpr BitField kPanasonicOldFields[] = {
    {V::Address, 5}, {V::Command, 6}, {V::Address, 5, 0, true}, {V::Command, 6, 0, true}};
constexpr BitField kMitsubishiFields[] = {{V::Address, 8}, {V::Command, 8}};

// Pulse distance: a mark of one unit, a space of one unit for 0 and three for 1.
constexpr IrProtocol pulseDistance(std::string_view name, std::uint32_t carrierHz, std::uint32_t unit, MarkSpace leadIn,
                                   std::span<const BitField> fields)
{
    return {.name = name,
            .carrierHz = carrierHz,
            .coding = BitCoding::PulseDistance,
            .leadIn = leadIn,
            .zero = {unit, unit},
            .one = {unit, 3 * unit},
            .fields = fields,
            .stopMark = unit,
            .inFlipperFiles = false};
}

constexpr IrProtocol nec(std::string_view name, std::span<const BitField> fields, bool inFlipperFiles = true)
{
    IrProtocol row = pulseDistance(name, 38000, 560, {9000, 4500}, fields);
    row.one = {560, 1690};
    row.framePeriod = 108000;
    row.minimumLeadOut = 20000;
    row.repeat = RepeatKind::Sequence;
    row.repeatSequence = kNecRepeat;
    row.inFlipperFiles = inFlipperFiles;
    return row;
}

constexpr IrProtocol rc5(std::string_view name, std::span<const BitField> fields, std::string_view widerCommandsIn)
{
    return {.name = name,
            .carrierHz = 36000,
            .coding = BitCoding::BiPhase,
            .unit = 889,
            .oneStartsWithMark = false,
            .msbFirst = true,
            .fields = fields,
            .framePeriod = 113792,
            .minimumLeadOut = 20000,
            .widerCommandsIn = widerCommandsIn};
}

constexpr IrProtocol rc6(std::string_view name, std::span<const BitField> fields, bool inFlipperFiles)
{
    return {.name = name,
            .carrierHz = 36000,
            .coding = BitCoding::BiPhase,
            .leadIn = {2666, 889},
            .unit = 444,
            .oneStartsWithMark = true,
            .msbFirst = true,
            .fields = fields,
            .framePeriod = 106667,
            .minimumLeadOut = 2666,
            .inFlipperFiles = inFlipperFiles};
}

constexpr IrProtocol sirc(std::string_view name, std::span<const BitField> fields)
{
    return {.name = name,
            .carrierHz = 40000,
            .coding = BitCoding::PulseWidth,
            .leadIn = {2400, 600},
            .zero = {600, 600},
            .one = {1200, 600},
            .fields = fields,
            .framePeriod = 45000,
            .minimumLeadOut = 5000};
}

constexpr IrProtocol kaseikyo(std::string_view name, std::span<const BitField> fields, bool inFlipperFiles)
{
    IrProtocol row = pulseDistance(name, 37000, 432, {3456, 1728}, fields);
    row.minimumLeadOut = 74736;
    row.inFlipperFiles = inFlipperFiles;
    return row;
}

constexpr IrProtocol withLeadOut(IrProtocol row, std::uint32_t framePeriod, std::uint32_t minimumLeadOut)
{
    row.framePeriod = framePeriod;
    row.minimumLeadOut = minimumLeadOut;
    return row;
}

constexpr IrProtocol msbFirst(IrProtocol row)
{
    row.msbFirst = true;
    return row;
}

constexpr IrProtocol inFlipperFiles(IrProtocol row)
{
    row.inFlipperFiles = true;
    return row;
}

// The rows in the decoder's order of preference, each family beside its kin. Beyond Flipper's
// protocols come those that audio, video and lighting remotes use most: Samsung's 36-bit frames,
// NEC48, Marantz's extended RC5, the RC6 modes of set-top boxes and media centres, the Kaseikyo
// family's vendors, JVC, Sharp and Denon, then the rarer ones (Proton, Bose, Panasonic's old
// frames, GI cable boxes, Mitsubishi). Sanyo sends NEC42 frames, which its row names.
constexpr IrProtocol kProtocols[] = {
    nec("NEC", kNecFields),
    nec("NECext", kNecExtFields),
    nec("NEC42", kNec42Fields),
    nec("NEC42ext", kNec42ExtFields),
    nec("NEC48", kNec48Fields, false),
    // NEC's frame on a 40 kHz carrier: every duration the same number of carrier periods, so 5 %
    // shorter; a held key sends the frame again.
    inFlipperFiles(withLeadOut(pulseDistance("Pioneer", 40000, 535, {8550, 4275}, kNecFields), 102600, 20000)),
    inFlipperFiles(withLeadOut(
        [] {
            IrProtocol row = pulseDistance("Samsung32", 38000, 560, {4500, 4500}, kSamsungFields);
            row.one = {560, 1690};
            return row;
        }(),
        108000, 20000)),
    withLeadOut(pulseDistance("Samsung36", 38000, 500, {4500, 4500}, kSamsung36Fields), 0, 59000),
    rc5("RC5", kRc5Fields, "RC5X"),
    rc5("RC5X", kRc5xFields, {}),
    [] {
        IrProtocol row = rc5("Marantz", kMarantzFields, {});
        row.inFlipperFiles = false;
        return row;
    }(),
    rc6("RC6", kRc6Fields, true),
    rc6("RC6-6-20", kRc6620Fields, false),
    rc6("MCE", kMceFields, false),
    sirc("SIRC", kSirc12Fields),
    sirc("SIRC15", kSirc15Fields),
    sirc("SIRC20", kSirc20Fields),
    kaseikyo("Panasonic", kKaseikyoVendorFields<0x2002>, false),
    kaseikyo("Denon-K", kKaseikyoVendorFields<0x3254>, false),
    kaseikyo("JVC-K", kKaseikyoVendorFields<0x0103>, false),
    kaseikyo("Sharp-K", kKaseikyoVendorFields<0x5AAA>, false),
    kaseikyo("Mitsubishi-K", kKaseikyoVendorFields<0xCB23>, false),
    kaseikyo("Kaseikyo", kKaseikyoFields, true),
    [] {
        IrProtocol row = withLeadOut(pulseDistance("JVC", 38000, 526, {8400, 4200}, kJvcFields), 55000, 8000);
        row.one = {526, 1574};
        row.repeat = RepeatKind::FrameWithoutLeadIn;
        return row;
    }(),
    [] {
        IrProtocol row = withLeadOut(pulseDistance("Sharp", 38000, 264, {}, kSharpFields<1, 2>), 0, 43560);
        row.zero = {264, 792};
        row.one = {264, 1848};
        return row;
    }(),
    [] {
        IrProtocol row = withLeadOut(pulseDistance("Denon", 38000, 264, {}, kSharpFields<0, 3>), 0, 43560);
        row.zero = {264, 792};
        row.one = {264, 1848};
        return row;
    }(),
    withLeadOut(pulseDistance("Proton", 38000, 500, {8000, 4000}, kProtonFields), 63000, 10000),
    msbFirst(withLeadOut(pulseDistance("Bose", 38000, 500, {1000, 1500}, kBoseFields), 0, 30000)),
    inFlipperFiles(msbFirst([] {
        IrProtocol row = withLeadOut(pulseDistance("RCA", 56000, 500, {4000, 4000}, kRcaFields), 64000, 8000);
        row.zero = {500, 1000};
        row.one = {500, 2000};
        return row;
    }())),
    withLeadOut(pulseDistance("Panasonic-old", 57600, 833, {3332, 3332}, kPanasonicOldFields), 0, 36652),
    [] {
        IrProtocol row = withLeadOut(pulseDistance("GI-Cable", 38700, 490, {8820, 4410}, kGiCableFields), 0, 41160);
        row.zero = {490, 2205};
        row.one = {490, 4410};
        row.repeat = RepeatKind::Sequence;
        row.repeatSequence = kGiCableRepeat;
        return row;
    }(),
    [] {
        IrProtocol row = withLeadOut(pulseDistance("Mitsubishi", 32600, 300, {}, kMitsubishiFields), 0, 24000);
        row.zero = {300, 900};
        row.one = {300, 2100};
        return row;
    }(),
};

std::uint32_t limitOf(const IrProtocol& protocol, FieldValue value)
{
    int top = 0; // the number of bits up to the highest one carried
    for (const BitField& field : protocol.fields)
        if (field.value == value)
            top = std::max(top, field.first + field.bits);
    return top >= 32 ? 0xFFFFFFFFu : (1u << top) - 1;
}

} // namespace

std::span<const IrProtocol> irProtocols()
{
    return kProtocols;
}

const IrProtocol* findIrProtocol(std::string_view name)
{
    for (const IrProtocol& protocol : kProtocols)
        if (sameText(protocol.name, name))
            return &protocol;
    return nullptr;
}

std::uint32_t addressLimit(const IrProtocol& protocol)
{
    return limitOf(protocol, FieldValue::Address);
}

std::uint32_t commandLimit(const IrProtocol& protocol)
{
    return limitOf(protocol, FieldValue::Command);
}

std::uint32_t commandInputLimit(const IrProtocol& protocol)
{
    const std::uint32_t own = commandLimit(protocol);
    if (const IrProtocol* wider = findIrProtocol(protocol.widerCommandsIn))
        return own + 1 + commandLimit(*wider);
    return own;
}

IrCodeIn sendingRow(const IrProtocol& protocol, const IrCode& code)
{
    const std::uint32_t own = commandLimit(protocol);
    if (code.command > own)
        if (const IrProtocol* wider = findIrProtocol(protocol.widerCommandsIn))
            return {wider, {code.address, code.command - own - 1, code.toggle}};
    return {&protocol, code};
}

bool hasToggle(const IrProtocol& protocol)
{
    return std::any_of(protocol.fields.begin(), protocol.fields.end(),
                       [](const BitField& field) { return field.value == FieldValue::Toggle; });
}

std::string irFrameLayout(const IrProtocol& protocol)
{
    const auto pair = [](const MarkSpace& ms) { return std::to_string(ms.mark) + "/" + std::to_string(ms.space); };
    std::string text;
    if (protocol.leadIn.mark != 0)
        text += "lead-in " + pair(protocol.leadIn) + ", ";
    if (protocol.coding == BitCoding::BiPhase)
        text += "unit " + std::to_string(protocol.unit) + ", ";
    else
        text += "0 " + pair(protocol.zero) + ", 1 " + pair(protocol.one) + ", ";
    text += protocol.msbFirst ? "msb" : "lsb";
    for (const BitField& field : protocol.fields) {
        text += ' ';
        const std::string bits = std::to_string(field.bits);
        const std::string from = field.first != 0 ? ":" + std::to_string(field.first) : "";
        const std::string inverted = field.inverted ? "~" : "";
        switch (field.value) {
        case FieldValue::Address: text += inverted + "A:" + bits + from; break;
        case FieldValue::Command: text += inverted + "C:" + bits + from; break;
        case FieldValue::Toggle: text += "T:" + bits; break;
        case FieldValue::Constant:
            text += "V:" + bits + "=" +
                    (field.bits > 4 ? irHex(field.constant, fieldMask(field.bits)) : std::to_string(field.constant));
            break;
        case FieldValue::XorCheck: text += "X:" + bits; break;
        case FieldValue::SumCheck: text += "S:" + bits; break;
        case FieldValue::Gap: text += "gap " + pair(field.gap); break;
        }
        if (field.halves > 1)
            text += "(double)";
    }
    if (protocol.stopMark != 0)
        text += ", stop " + std::to_string(protocol.stopMark);
    return text;
}

std::string irHex(std::uint32_t value, std::uint32_t limit)
{
    int bytes = 1;
    while (bytes < 4 && (limit >> (8 * bytes)) != 0)
        ++bytes;
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text = "0x";
    for (int digit = 2 * bytes - 1; digit >= 0; --digit)
        text += kDigits[(value >> (4 * digit)) & 0xF];
    return text;
}

} // namespace zr48
