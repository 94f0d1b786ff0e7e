// Every command that reads a file of a kind refuses, before it does anything else, a file that is
// not of that kind: binary data or NUL bytes where text is expected, an empty file, a file larger
// than any of its kind. The commands come from the command table itself, so a command added later
// is held to the same rule.

#include "CliHarness.h"
#include "infrared/IrSamples.h"
#include "link/FirmwareImage.h"
#include "project/ProjectFile.h"
#include "project/SectorImage.h"
#include "project/SimpleIniFile.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace zr48::cli {
namespace {

// The largest file of each kind, and whether the kind is text (binary data is then refused).
struct KindLimits {
    FileKind kind;
    std::uintmax_t largest;
    bool text;
};
constexpr KindLimits kLimits[] = {
    {FileKind::Project, kMaxProjectFileBytes, true},
    {FileKind::DeviceFile, kMaxDeviceFileBytes, true},
    {FileKind::Image, kMaxImageBytes, false},
    {FileKind::Firmware, kFirmwareImageSize, false},
    {FileKind::Capture, static_cast<std::uintmax_t>(kCaptureBytes), false},
};

const KindLimits& limitsOf(FileKind kind)
{
    for (const KindLimits& limits : kLimits) {
        if (limits.kind == kind)
            return limits;
    }
    ADD_FAILURE() << "no limits for a kind of the table";
    return kLimits[0];
}

// A file one byte larger than any of its kind; a text kind's file is sound text otherwise, so
// that only the size can refuse it.
void writeOversized(const test::TempDir& dir, const std::string& name, const KindLimits& limits)
{
    const std::filesystem::path path = dir.path() / name;
    if (!limits.text) {
        std::ofstream(path) << 'x';
        std::filesystem::resize_file(path, limits.largest + 1);
        return;
    }
    std::string text = "[PROJECT]\r\nNAME=x\r\n";
    text.resize(limits.largest + 1, ' ');
    std::ofstream(path, std::ios::binary) << text;
}

struct CommandPath {
    std::string path;
    const Command* command;
};

std::vector<CommandPath> commandsThatRead()
{
    std::vector<CommandPath> found;
    for (const Command& command : commands()) {
        if (!command.reads.empty())
            found.push_back({command.name, &command});
        for (const Command& sub : command.subcommands) {
            if (!sub.reads.empty())
                found.push_back({std::string(command.name) + " " + sub.name, &sub});
        }
    }
    return found;
}

std::vector<std::string> words(const std::string& path)
{
    std::vector<std::string> out;
    for (std::size_t at = 0; at <= path.size();) {
        const std::size_t space = std::min(path.find(' ', at), path.size());
        out.push_back(path.substr(at, space - at));
        at = space + 1;
    }
    return out;
}

TEST(FileArguments, EveryCommandRefusesAFileThatIsNotOfItsKindBeforeItDoesAnything)
{
    const std::vector<CommandPath> readers = commandsThatRead();
    // The commands that read projects, device files, images, firmware and captures are there.
    ASSERT_GE(readers.size(), 5u);
    const struct {
        const char* name;
        std::string bytes;
        bool binary; // only kinds of text refuse it
    } fixtures[] = {
        {"binary", std::string("\x89PNG\r\n\x1a\n\x01\x02\xff\xfe", 12), true},
        {"empty", "", false},
        {"nul", std::string("[PROJECT]\r\nNAME=a\0b\r\n", 21), true},
    };
    for (const auto& [path, command] : readers) {
        for (const FileKind kind : command->reads) {
            const KindLimits& limits = limitsOf(kind);
            const std::string extension = std::string(".") + fileKindRow(kind).Extensions;
            SCOPED_TRACE(path + " with a " + fileKindRow(kind).Name);
            std::vector<std::string> given;
            test::TempDir dir;
            for (const auto& fixture : fixtures) {
                if (!fixture.binary || limits.text)
                    given.push_back(dir.write(std::string(fixture.name) + extension, fixture.bytes));
            }
            writeOversized(dir, "oversized" + extension, limits);
            given.push_back(dir.text("oversized" + extension));
            for (const std::string& file : given) {
                SCOPED_TRACE(file);
                CliHarness cli;
                std::vector<std::string> arguments = words(path);
                arguments.push_back(file);
                // A command of two files (a copy's target) gets a second one that is not there.
                for (int n = 1; n < command->minArguments; ++n)
                    arguments.push_back(dir.text("other" + std::to_string(n) + extension));
                EXPECT_EQ(cli.runCli(arguments), command->refusedFile);
                EXPECT_EQ(
                    cli.err.str().rfind("zr48: '" + file + "' is not " + withArticle(fileKindRow(kind).Name) + ": ", 0),
                    0u)
                    << cli.err.str();
                EXPECT_EQ(cli.err.str().find('\n'), cli.err.str().size() - 1) << cli.err.str();
                EXPECT_EQ(cli.out.str(), "");
                EXPECT_TRUE(cli.prompt.shown().empty());
            }
        }
    }
}

// A file named as the kind's extension but of another kind's extension is the command's own
// business; a file of the kind goes on to the command (which then wants its other arguments).
TEST(FileArguments, ASoundFileGoesOnToTheCommand)
{
    test::TempDir dir;
    const Path project = dir.write("Villa.mpj", "[PROJECT]\r\nPATH=\r\n");
    CliHarness cli;
    EXPECT_EQ(cli.runCli({"show", project}), kExitOk);
    EXPECT_NE(cli.out.str().find("Slots (0 of 63 assigned)"), std::string::npos) << cli.out.str();
    const Path device = dir.write("TV.mpi", "DEVICE=5\r\nIR_POWER=\"#560\"\r\n");
    // ir export wants --format: the file passed its check, so the usage is what is said.
    EXPECT_EQ(cli.runCli({"ir", "export", device}), kExitUsage);
    EXPECT_NE(cli.err.str().find("--format"), std::string::npos) << cli.err.str();
}

} // namespace
} // namespace zr48::cli
