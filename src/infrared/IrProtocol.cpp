#include "infrared/IrProtocol.h"

#include "base/Text.h"

#include <algorithm>

namespace zr48 {

namespace {

using V = FieldValue;

// 8-bit address and command, each followed by its inverse, least significant bit first.
constexpr BitField kNecFields[] = {
    {V::Address, 8}, {V::Address, 8, 0, true}, {V::Command, 8}, {V::Command, 8, 0, true}};
// 16-bit address and command as they stand.
constexpr BitField kNecExtFields[] = {{V::Address, 16}, {V::Command, 16}};
constexpr std::uint32_t kNecRepeat[] = {9000, 2250, 560};
// The address twice, then the command and its inverse.
constexpr BitField kSamsungFields[] = {{V::Address, 8}, {V::Address, 8}, {V::Command, 8}, {V::Command, 8, 0, true}};
// Start bit, field bit (command bit 6, inverted), toggle, 5-bit address, 6 command bits.
constexpr BitField kRc5Fields[] = {
    {V::Constant, 1, 0, false, 1}, {V::Command, 1, 6, true}, {V::Toggle, 1}, {V::Address, 5}, {V::Command, 6}};
// Start bit, mode 0, the double-length trailer bit as toggle, 8-bit address and command.
constexpr BitField kRc6Fields[] = {{V::Constant, 1, 0, false, 1},
                                   {V::Constant, 3},
                                   {.value = V::Toggle, .bits = 1, .halves = 2},
                                   {V::Address, 8},
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
constexpr BitField kJvcFields[] = {{V::Address, 8}, {V::Command, 8}};

constexpr IrProtocol nec(std::string_view name, std::span<const BitField> fields)
{
    return {.name = name,
            .carrierHz = 38000,
            .coding = BitCoding::PulseDistance,
            .leadIn = {9000, 4500},
            .zero = {560, 560},
            .one = {560, 1690},
            .fields = fields,
            .stopMark = 560,
            .framePeriod = 108000,
            .minimumLeadOut = 20000,
            .repeat = RepeatKind::Sequence,
            .repeatSequence = kNecRepeat};
}

constexpr IrProtocol rc5(std::string_view name, std::uint32_t commandLowest)
{
    return {.name = name,
            .carrierHz = 36000,
            .coding = BitCoding::BiPhase,
            .unit = 889,
            .oneStartsWithMark = false,
            .msbFirst = true,
            .fields = kRc5Fields,
            .framePeriod = 113792,
            .minimumLeadOut = 20000,
            .commandLowest = commandLowest};
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

constexpr IrProtocol kProtocols[] = {
    nec("NEC", kNecFields),
    nec("NECext", kNecExtFields),
    {.name = "Samsung32",
     .carrierHz = 38000,
     .coding = BitCoding::PulseDistance,
     .leadIn = {4500, 4500},
     .zero = {560, 560},
     .one = {560, 1690},
     .fields = kSamsungFields,
     .stopMark = 560,
     .framePeriod = 108000,
     .minimumLeadOut = 20000},
    rc5("RC5X", 64),
    rc5("RC5", 0),
    {.name = "RC6",
     .carrierHz = 36000,
     .coding = BitCoding::BiPhase,
     .leadIn = {2666, 889},
     .unit = 444,
     .oneStartsWithMark = true,
     .msbFirst = true,
     .fields = kRc6Fields,
     .framePeriod = 106667,
     .minimumLeadOut = 2666},
    sirc("SIRC", kSirc12Fields),
    sirc("SIRC15", kSirc15Fields),
    sirc("SIRC20", kSirc20Fields),
    {.name = "Kaseikyo",
     .carrierHz = 37000,
     .coding = BitCoding::PulseDistance,
     .leadIn = {3456, 1728},
     .zero = {432, 432},
     .one = {432, 1296},
     .fields = kKaseikyoFields,
     .stopMark = 432,
     .minimumLeadOut = 74736},
    {.name = "JVC",
     .carrierHz = 38000,
     .coding = BitCoding::PulseDistance,
     .leadIn = {8400, 4200},
     .zero = {526, 524},
     .one = {526, 1574},
     .fields = kJvcFields,
     .stopMark = 526,
     .framePeriod = 55000,
     .minimumLeadOut = 8000,
     .repeat = RepeatKind::FrameWithoutLeadIn,
     .inFlipperFiles = false},
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

bool hasToggle(const IrProtocol& protocol)
{
    return std::any_of(protocol.fields.begin(), protocol.fields.end(),
                       [](const BitField& field) { return field.value == FieldValue::Toggle; });
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
