#include "files/FileKinds.h"

#include "base/Error.h"
#include "base/FileIo.h"
#include "base/Paths.h"
#include "base/Text.h"
#include "infrared/IrSamples.h"
#include "link/FirmwareImage.h"
#include "project/ProjectFile.h"
#include "project/SectorImage.h"
#include "project/SimpleIniFile.h"

#include <array>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace zr48 {

namespace {

constexpr std::string_view kCannotBeRead = "it cannot be read";

// The checks of kinds whose content a reader takes as it is (binary by nature): a readable file,
// not empty, at most `limit` bytes. The size is asked first, so a huge file is never read.
std::optional<std::string> BoundedFileProblem(std::string_view path, std::uintmax_t limit, const char* what)
{
    if (auto reason = notAFileReason(path))
        return reason;
    std::error_code ec;
    const std::uintmax_t size = std::filesystem::file_size(toFsPath(path), ec);
    if (ec)
        return std::string(kCannotBeRead) + " (" + ec.message() + ")";
    if (size == 0)
        return "it is empty";
    if (size > limit)
        return "it holds " + std::to_string(size) + " bytes, " + what + " at most " + std::to_string(limit);
    // Readable by this user: the size alone does not tell.
    try {
        readFileBytesUpTo(path, 0);
    } catch (const Error& e) {
        const std::string& message = e.message();
        return std::string(kCannotBeRead) + " (" + message.substr(message.find('\n') + 1) + ")";
    }
    return std::nullopt;
}

std::optional<std::string> ImageProblem(std::string_view path)
{
    return BoundedFileProblem(path, kMaxImageBytes, "an image file");
}

std::optional<std::string> FirmwareProblem(std::string_view path)
{
    return BoundedFileProblem(path, kFirmwareImageSize, "a firmware file");
}

std::optional<std::string> CaptureProblem(std::string_view path)
{
    return BoundedFileProblem(path, kCaptureBytes, "a capture");
}

// Any text file, for the editor: its first bytes hold no binary data (a file that is text there is
// taken as text; the whole of a large file is not read for the check), within the editor's bound.
std::optional<std::string> TextProblem(std::string_view path)
{
    if (auto problem = BoundedFileProblem(path, kMaxTextFileBytes, "a text file the editor opens"))
        return *problem == "it is empty" ? std::nullopt : problem;
    Bytes head(kTextFileHeadBytes);
    {
        std::ifstream file(toFsPath(path), std::ios::binary);
        file.read(reinterpret_cast<char*>(head.data()), static_cast<std::streamsize>(head.size()));
        head.resize(static_cast<std::size_t>(file.gcount()));
    }
    std::string_view text(reinterpret_cast<const char*>(head.data()), head.size());
    // A UTF-16 text holds zero bytes between its characters.
    if (text.starts_with("\xFF\xFE") || text.starts_with("\xFE\xFF"))
        return std::nullopt;
    if (const std::size_t at = firstBinaryByte(text); at != std::string_view::npos)
        return binaryDataReason(text, at);
    return std::nullopt;
}

constexpr std::array<FileKindRow, 6> kFileKinds{{
    {FileKind::Project, "project file", "mpj", ProjectFileProblem},
    {FileKind::DeviceFile, "device file", "mpi", DeviceFileProblem},
    {FileKind::Image, "image file", "mpd", ImageProblem},
    {FileKind::Firmware, "firmware file", "bin", FirmwareProblem},
    {FileKind::Capture, "infrared capture", "bin", CaptureProblem},
    {FileKind::TextFile, "text file", "txt", TextProblem},
}};

} // namespace

std::span<const FileKindRow> fileKinds()
{
    return kFileKinds;
}

const FileKindRow& fileKindRow(FileKind kind)
{
    for (const FileKindRow& row : kFileKinds) {
        if (row.Kind == kind)
            return row;
    }
    return kFileKinds.front();
}

FileCheck checkFile(FileKind kind, std::string_view path)
{
    const auto problem = fileKindRow(kind).Problem(path);
    return {kind, !problem, problem.value_or("")};
}

std::optional<FileKind> kindOfExtension(std::string_view path, std::span<const FileKind> kinds)
{
    const Text extension = lowerCase(extractFileExt(path));
    if (extension.empty())
        return std::nullopt;
    for (const FileKind kind : kinds) {
        std::string_view list = fileKindRow(kind).Extensions;
        while (!list.empty()) {
            const std::size_t end = list.find('|');
            if ("." + std::string(list.substr(0, end)) == extension)
                return kind;
            list.remove_prefix(end == std::string_view::npos ? list.size() : end + 1);
        }
    }
    return std::nullopt;
}

std::string withArticle(std::string_view name)
{
    const bool vowel = !name.empty() && std::string_view("aeiou").find(name.front()) != std::string_view::npos;
    return (vowel ? "an " : "a ") + std::string(name);
}

std::string fileCheckMessage(const FileCheck& check, std::string_view shownName)
{
    const std::string name = fileKindRow(check.Kind).Name;
    const std::string file = "\"" + shownPath(shownName) + "\"";
    if (check.Ok)
        return "The " + name + " " + file + " is sound.";
    if (check.Reason == kNoSuchFile)
        return "There is no " + name + " " + file + ".";
    if (check.Reason.starts_with(kCannotBeRead))
        return "The " + name + " " + file + " " + check.Reason.substr(3) + ".";
    return "The file " + file + " is not " + withArticle(name) + ": " + check.Reason + ".";
}

} // namespace zr48
