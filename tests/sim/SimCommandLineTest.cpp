// zr48-sim's command line, read by its option table.

#include "sim/SimCommandLine.h"

#include <gtest/gtest.h>

namespace zr48 {
namespace {

TEST(SimCommandLine, TakesEveryOptionOfItsTableAndRefusesWrongValues)
{
    const SimCommandLine line = parseSimCommandLine({"--pty",
                                                     "--card",
                                                     "/tmp/c.zr48",
                                                     "--latency",
                                                     "1",
                                                     "--boot-count",
                                                     "12",
                                                     "--seed",
                                                     "7",
                                                     "--drop-rate",
                                                     "0.5",
                                                     "--drop-every",
                                                     "3",
                                                     "--corrupt-rate",
                                                     "0.25",
                                                     "--reply-loss-rate",
                                                     "1",
                                                     "--delay",
                                                     "40",
                                                     "--silent",
                                                     "--firmware-version",
                                                     "R48+1.10 OLD"});
    EXPECT_EQ(line.error, "");
    EXPECT_TRUE(line.pty);
    EXPECT_EQ(line.cardFile, "/tmp/c.zr48");
    EXPECT_EQ(line.options.latencyMs, 1);
    EXPECT_EQ(line.options.bootReadyCount, 12);
    EXPECT_EQ(line.options.faults.seed, 7u);
    EXPECT_EQ(line.options.faults.dropRate, 0.5);
    EXPECT_EQ(line.options.faults.dropEveryNth, 3);
    EXPECT_EQ(line.options.faults.corruptRate, 0.25);
    EXPECT_EQ(line.options.faults.replyLossRate, 1.0);
    EXPECT_EQ(line.options.faults.extraDelayMs, 40);
    EXPECT_TRUE(line.options.faults.silent);
    EXPECT_EQ(line.options.installedVersion, "R48+1.10 OLD");
    EXPECT_FALSE(parseSimCommandLine({"--pty"}).options.installedVersion) << "the card's, or the shipped one";

    const struct {
        std::vector<std::string> arguments;
        const char* error;
    } wrong[] = {
        {{}, "--pty is missing"},
        {{"--pty", "--latency"}, "--latency needs a value"},
        {{"--pty", "--latency", "16ms"}, "--latency 16ms: not a whole number"},
        {{"--pty", "--drop-rate", "2"}, "--drop-rate 2: not a share from 0 to 1"},
        {{"--pty", "--ir-capture", "/nonexistent/capture.bin"}, "/nonexistent/capture.bin"},
        {{"--pty", "--fast"}, "unknown argument '--fast'"},
        {{"--pty", "--firmware-version", ""}, "--firmware-version : an empty version"},
    };
    for (const auto& c : wrong) {
        const SimCommandLine bad = parseSimCommandLine(c.arguments);
        EXPECT_NE(bad.error.find(c.error), std::string::npos) << bad.error;
    }
    EXPECT_TRUE(parseSimCommandLine({"-h"}).help);
    EXPECT_EQ(parseSimCommandLine({"--version"}).error, "");
}

TEST(SimCommandLine, TheHelpNamesEveryOption)
{
    const std::string help = formatProgramHelp(simProgram());
    EXPECT_TRUE(help.starts_with("Usage: zr48-sim --pty [OPTIONS]\n")) << help;
    for (const OptionRow& row : simProgram().options)
        EXPECT_NE(help.find("  " + optionLabel(row) + "  "), std::string::npos) << optionLabel(row);
}

} // namespace
} // namespace zr48
