#include "desktop/main/HandOver.h"

#include "link/LinkTarget.h"

#include <filesystem>

namespace zr48 {

namespace {

constexpr std::string_view kLinkRecord = "link=";

// What a path names once made absolute and its links followed, as far as they exist.
std::string resolved(std::string_view path)
{
    std::error_code error;
    const auto canonical = std::filesystem::weakly_canonical(toFsPath(absolutePath(path)), error);
    return error ? absolutePath(path) : fromFsPath(canonical);
}

// One name per unit that a target reaches; empty for none that another program could share.
std::string unitOf(std::string_view target)
{
    const auto link = parseLinkTarget(target);
    if (!link)
        return {};
    switch (link->kind) {
    case LinkTarget::Kind::Sim: return link->argument.empty() ? std::string() : "sim:" + resolved(link->argument);
    case LinkTarget::Kind::Tty: return "tty:" + resolved(link->argument);
    case LinkTarget::Kind::Serial: return "serial:" + link->argument;
    case LinkTarget::Kind::Ftdi: return "ftdi:" + link->argument;
    case LinkTarget::Kind::Auto: break;
    }
    return "auto";
}

} // namespace

std::string handOverLinkMessage(const std::string& target)
{
    return std::string(kLinkRecord) + target + '\0';
}

std::optional<std::string> handedOverLink(std::string_view record)
{
    if (!record.starts_with(kLinkRecord))
        return std::nullopt;
    return std::string(record.substr(kLinkRecord.size()));
}

std::string absoluteLinkTarget(std::string_view target)
{
    const auto link = parseLinkTarget(target);
    if (!link || link->argument.empty() || (link->kind != LinkTarget::Kind::Sim && link->kind != LinkTarget::Kind::Tty))
        return std::string(target);
    // The path is the target's end, as given.
    const std::string_view head = target.substr(0, target.size() - link->argument.size());
    return std::string(head) + absolutePath(link->argument);
}

bool sameUnit(std::string_view a, std::string_view b)
{
    const std::string unit = unitOf(a);
    return !unit.empty() && unit == unitOf(b);
}

std::string handOverMessage(const Path& absolutePath)
{
    return absolutePath + '\0';
}

std::vector<Path> takeHandedOverPaths(std::string& buffer)
{
    std::vector<Path> paths;
    std::size_t start = 0;
    for (std::size_t end = buffer.find('\0'); end != std::string::npos; end = buffer.find('\0', start)) {
        if (end > start)
            paths.emplace_back(buffer, start, end - start);
        start = end + 1;
    }
    buffer.erase(0, start);
    return paths;
}

std::string handOverServerName(const std::string& runtimeDir, const std::string& tempDir, const std::string& user)
{
    if (!runtimeDir.empty())
        return includeTrailingDelimiter(runtimeDir) + "zr48pm.socket";
    return includeTrailingDelimiter(tempDir) + "zr48pm-" + user + ".socket";
}

} // namespace zr48
