// The bash completion the build made, driven by bash itself as it completes a command line:
// COMP_WORDS, COMP_CWORD, COMP_LINE and COMP_POINT set, the function called, COMPREPLY read back.

#include "Shell.h"
#include "cli/Cli.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

namespace zr48::manual {
namespace {

using Words = std::set<std::string>;

// The words bash makes of a command line: split at blanks, and ':' and '=' words of their own
// (they are in COMP_WORDBREAKS); a line ending in a blank begins an empty word.
std::vector<std::string> compWords(const std::string& line)
{
    std::vector<std::string> words;
    std::string word;
    for (const char c : line) {
        if (c == ' ') {
            if (!word.empty())
                words.push_back(word);
            word.clear();
        } else if (c == ':' || c == '=') {
            if (!word.empty())
                words.push_back(word);
            words.push_back(std::string(1, c));
            word.clear();
        } else {
            word += c;
        }
    }
    if (!word.empty() || line.ends_with(' '))
        words.push_back(word);
    return words;
}

class CompletionTest : public testing::Test {
protected:
    CompletionTest()
    {
        for (const char* file : {"a.mpj", "UPPER.MPJ", "b.mpd", "c.mpi", "d.bin", "e.png", "notes.txt"})
            std::ofstream(dir.path() / file) << "";
        std::filesystem::create_directory(dir.path() / "sub");
    }

    // What bash offers at the end of each line, run in the test's folder.
    std::vector<Words> complete(const std::vector<std::string>& lines)
    {
        std::string script = "source /usr/share/bash-completion/bash_completion || exit 3\n"
                             "source " +
                             test::shellQuote(ZR48_COMPLETION) + " || exit 4\ncd " + test::shellQuote(dir.text()) +
                             "\n";
        for (const std::string& line : lines) {
            const auto words = compWords(line);
            script += "COMP_LINE=" + test::shellQuote(line) + "; COMP_POINT=${#COMP_LINE}; COMP_WORDS=(";
            for (const std::string& w : words)
                script += test::shellQuote(w) + " ";
            script += "); COMP_CWORD=" + std::to_string(words.size() - 1) +
                      "; COMPREPLY=(); _zr48 zr48 \"${COMP_WORDS[COMP_CWORD]}\" \"${COMP_WORDS[COMP_CWORD-1]}\"\n"
                      "printf '%s\\t' \"${COMPREPLY[@]}\"; echo\n";
        }
        std::ofstream(dir.path() / "complete.sh") << script;
        const auto result = test::runShell(std::string(ZR48_BASH) + " " + test::shellQuote(dir.text("complete.sh")));
        EXPECT_EQ(result.status, 0) << result.output;
        std::vector<Words> offered;
        std::istringstream out(result.output);
        for (std::string line; std::getline(out, line);) {
            Words words;
            std::istringstream fields(line);
            for (std::string w; std::getline(fields, w, '\t');) {
                if (!w.empty())
                    words.insert(w);
            }
            offered.push_back(words);
        }
        EXPECT_EQ(offered.size(), lines.size()) << result.output;
        offered.resize(lines.size());
        return offered;
    }

    static Words allCommands()
    {
        Words words;
        for (const cli::Command& c : cli::commands())
            words.insert(c.name);
        return words;
    }
    static Words optionNames(std::span<const OptionRow> rows)
    {
        Words words;
        for (const OptionRow& row : rows) {
            for (const char* name : {row.shortName, row.longName}) {
                if (name)
                    words.insert(name);
            }
        }
        return words;
    }

    test::TempDir dir;
};

TEST_F(CompletionTest, OffersCommandsArgumentsOptionsAndLinkTargets)
{
    const struct {
        const char* line;
        Words offered;
    } cases[] = {
        {"zr48 ", allCommands()},
        {"zr48 -", optionNames(cli::globalOptions())},
        {"zr48 dow", {"download"}},
        {"zr48 download ", {"a.mpj", "UPPER.MPJ", "b.mpd", "sub"}},
        {"zr48 --link sim upload ", {"a.mpj", "UPPER.MPJ", "sub"}},
        {"zr48 firmware -n ", {"d.bin", "sub"}},
        {"zr48 dump-card ", {"b.mpd", "sub"}},
        {"zr48 ir ", {"capture", "analyse", "optimize", "decode", "encode", "protocols", "import", "export"}},
        {"zr48 ir encode RC", {"RC5", "RC5X", "RC6", "RC6-6-20", "RCA"}},
        {"zr48 ir encode NEC4", {"NEC42", "NEC42ext", "NEC48"}},
        {"zr48 ir export c.mpi --format ", {"flipper", "pronto"}},
        {"zr48 ir import x --into ", {"c.mpi", "sub"}},
        {"zr48 ir optimize ", {"c.mpi", "sub"}},
        {"zr48 ir optimize --tolerance 20 -o ", {"c.mpi", "sub"}},
        {"zr48 ir analyze --plot ", {"e.png", "sub"}},
        {"zr48 -vv ir analyse --p", {"--plot"}},
        {"zr48 display --png ", {"e.png", "sub"}},
        {"zr48 --link ",
         {"auto", "serial", "serial:", "ftdi", "ftdi:", "tty:", "sim", "sim:", "sim,firmware=", "tcp:", "rfc2217:"}},
        {"zr48 status --link=s", {"serial", "serial:", "sim", "sim:", "sim,firmware="}},
        {"zr48 --link sim:no", {"notes.txt"}},
        {"zr48 --link=sim list --",
         {"--json", "--link", "--wait", "--yes", "--no", "--quiet", "--verbose", "--help", "--version"}},
        {"zr48 help ", allCommands()},
        {"zr48 settings ", {"ProjectDir", "Database", "Advanced", "Expert", "IrOptimizerPass1", "IrOptimizerPass2"}},
        {"zr48 display ", {}},
    };
    std::vector<std::string> lines;
    for (const auto& c : cases)
        lines.push_back(c.line);
    const auto offered = complete(lines);
    for (std::size_t i = 0; i < lines.size(); ++i)
        EXPECT_EQ(offered[i], cases[i].offered) << lines[i];
}

// Each command offers its own options with the global ones, as its table row names them.
TEST_F(CompletionTest, EveryCommandOffersEveryOptionOfItsRow)
{
    std::vector<std::string> lines;
    std::vector<Words> expected;
    const auto add = [&](const std::string& path, const cli::Command& c) {
        lines.push_back("zr48 " + path + " -");
        Words words = optionNames(c.options);
        for (const std::string& global : optionNames(cli::globalOptions()))
            words.insert(global);
        expected.push_back(words);
    };
    for (const cli::Command& c : cli::commands()) {
        add(c.name, c);
        for (const cli::Command& sub : c.subcommands)
            add(std::string(c.name) + " " + sub.name, sub);
    }
    const auto offered = complete(lines);
    for (std::size_t i = 0; i < lines.size(); ++i)
        EXPECT_EQ(offered[i], expected[i]) << lines[i];
}

} // namespace
} // namespace zr48::manual
