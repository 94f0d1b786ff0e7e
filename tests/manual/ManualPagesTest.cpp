// The manual pages the build made: every command, subcommand, option and link target of the
// programs' tables is on them, and groff reads them without a warning.

#include "manual/ManualPages.h"
#include "Shell.h"
#include "cli/Cli.h"
#include "desktop/main/CommandLine.h"
#include "link/LinkTarget.h"
#include "manual/Roff.h"
#include "sim/SimCommandLine.h"

#include <gtest/gtest.h>

#include <sstream>

namespace zr48::manual {
namespace {

// Runs of white space as one space: the page as text, whatever the justification did.
std::string collapsed(const std::string& text)
{
    std::string out;
    std::istringstream words(text);
    for (std::string word; words >> word;)
        out += (out.empty() ? "" : " ") + word;
    return out;
}

// The page as a reader sees it, and what groff said about it.
struct Rendered {
    std::string text;
    std::string warnings;
};

Rendered render(const std::string& page)
{
    const std::string path = std::string(ZR48_MAN1_DIR) + "/" + page;
    Rendered r;
    r.text = collapsed(test::runShell(std::string(ZR48_GROFF) + " -man -Tascii -P-cbou -rLL=250n " +
                                      test::shellQuote(path) + " 2>/dev/null")
                           .output);
    r.warnings =
        test::runShell(std::string(ZR48_GROFF) + " -man -Tascii -ww -z " + test::shellQuote(path) + " 2>&1").output;
    return r;
}

void expectOptions(const std::string& text, std::span<const OptionRow> rows, const std::string& page)
{
    for (const OptionRow& row : rows) {
        EXPECT_NE(text.find(collapsed(optionLabel(row))), std::string::npos) << optionLabel(row) << " on " << page;
        EXPECT_NE(text.find(collapsed(row.help)), std::string::npos) << row.help << " on " << page;
    }
}

void expectCommand(const std::string& text, const std::string& path, const cli::Command& command)
{
    EXPECT_NE(text.find(collapsed(cli::commandUsage(path, command))), std::string::npos) << path;
    EXPECT_NE(text.find(collapsed(command.summary)), std::string::npos) << path;
    EXPECT_NE(text.find(collapsed(command.details)), std::string::npos) << path;
    expectOptions(text, command.options, "zr48(1), " + path);
    for (const cli::Command& sub : command.subcommands)
        expectCommand(text, path + " " + sub.name, sub);
}

TEST(ManualPages, Zr48HasEveryCommandOptionAndLinkTargetOfItsTable)
{
    const Rendered page = render("zr48.1");
    EXPECT_EQ(page.warnings, "");
    EXPECT_TRUE(page.text.starts_with("ZR48(1) User Commands ZR48(1) NAME zr48 - command-line tool")) << page.text;
    expectOptions(page.text, cli::globalOptions(), "zr48(1)");
    for (const cli::Command& command : cli::commands())
        expectCommand(page.text, command.name, command);
    for (const LinkTargetForm& form : linkTargetForms()) {
        EXPECT_NE(page.text.find(std::string(form.form) + " " + collapsed(form.reaches)), std::string::npos)
            << form.form;
    }
    for (const cli::ExitStatus& status : cli::exitStatuses())
        EXPECT_NE(page.text.find(std::to_string(status.code) + " " + status.meaning), std::string::npos);
    EXPECT_NE(page.text.find("ENVIRONMENT ZR48_LINK"), std::string::npos);
}

TEST(ManualPages, Zr48pmAndZr48SimHaveEveryOptionOfTheirTables)
{
    const struct {
        const char* page;
        const ProgramDescription& program;
    } pages[] = {{"zr48pm.1", desktopProgram()}, {"zr48-sim.1", simProgram()}};
    for (const auto& p : pages) {
        const Rendered page = render(p.page);
        EXPECT_EQ(page.warnings, "") << p.page;
        EXPECT_NE(page.text.find(std::string("NAME ") + p.program.name + " - " + p.program.summary), std::string::npos)
            << page.text;
        EXPECT_NE(page.text.find(collapsed(p.program.description)), std::string::npos) << p.page;
        expectOptions(page.text, p.program.options, p.page);
    }
    EXPECT_NE(render("zr48pm.1").text.find("serial:SERIALNUMBER that serial device"), std::string::npos);
}

// What reaches roff is never read as a request or an escape, and options keep their hyphens.
TEST(Roff, EscapesWhatRoffWouldReadOtherwise)
{
    const struct {
        const char* text;
        const char* roff;
    } cases[] = {
        {"--link TARGET", "\\-\\-link TARGET"},  {".mpj files", "\\&.mpj files"},         {"'quoted", "\\&'quoted"},
        {"[PROJECT]\\NAME", "[PROJECT]\\eNAME"}, {"124 \xC3\x97 84", "124 \\[u00D7] 84"}, {"plain text", "plain text"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(roffEscape(c.text), c.roff) << c.text;
    // Empty lines are paragraphs, indented lines stay as typed.
    EXPECT_EQ(roffParagraphs("one\n\ntwo\n  as typed\nthree"), "one\n.PP\ntwo\n.nf\n  as typed\n.fi\nthree\n");
}

} // namespace
} // namespace zr48::manual
