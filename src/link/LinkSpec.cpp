#include "link/LinkSpec.h"

namespace zr48 {

std::optional<LinkSpec> parseLinkSpec(std::string_view spec)
{
    if (spec == "auto" || spec.empty())
        return LinkSpec{LinkSpec::Kind::Auto, {}};
    if (spec == "serial")
        return LinkSpec{LinkSpec::Kind::Serial, {}};
    if (spec == "ftdi")
        return LinkSpec{LinkSpec::Kind::Ftdi, {}};
    if (spec == "sim")
        return LinkSpec{LinkSpec::Kind::Sim, {}};
    if (spec.starts_with("sim:") && spec.size() > 4)
        return LinkSpec{LinkSpec::Kind::Sim, std::string(spec.substr(4))};
    if (spec.starts_with("tty:") && spec.size() > 4)
        return LinkSpec{LinkSpec::Kind::Tty, std::string(spec.substr(4))};
    return std::nullopt;
}

} // namespace zr48
