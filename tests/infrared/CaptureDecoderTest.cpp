#include "infrared/CaptureDecoder.h"
#include "IrSignalSynth.h"
#include "infrared/IrEncoder.h"

#include <gtest/gtest.h>

namespace zr48 {
namespace {

// A frame with a lead-out of 20 ms, so that a few fit into one capture.
std::vector<int> frame(const char* protocol, IrCode code)
{
    const IrDurations durations = encodeIrFrame(*findIrProtocol(protocol), code);
    std::vector<int> shortened(durations.begin(), durations.end());
    shortened.back() = 20000;
    return shortened;
}

std::vector<std::string> lines(const CaptureCodes& codes)
{
    std::vector<std::string> result;
    for (const IrFrame& f : codes.frames)
        result.push_back(describeIrFrame(f, codes.carrierHz));
    return result;
}

TEST(CaptureDecoderTest, CodesOfACaptureWithTheirCarrier)
{
    // Two presses of different remotes, as the receiver sees them: 38 kHz pulses of one-third duty.
    const auto capture = test::emptyCapture();
    std::int64_t end = test::writeCarrierCode(*capture, 1000, frame("NEC", {0x04, 0x08, false}));
    end = test::writeCarrierCode(*capture, end, {9000, 2250, 560, 20000});
    end = test::writeCarrierCode(*capture, end, frame("RC5", {0x05, 0x35, true}));
    const std::int64_t rc6 = test::writeCarrierCode(*capture, end, frame("RC6", {0x00, 0x0C, false}));
    test::writeCarrierCode(*capture, rc6, {500, 500, 500, 500, 500});

    const CaptureCodes codes = decodeCapture(*capture, 0, kCaptureSamples - 1);
    EXPECT_EQ(codes.carrierHz, 38000u);
    EXPECT_EQ(lines(codes), (std::vector<std::string>{"NEC address=0x04 command=0x08", "NEC repeat",
                                                      "RC5 address=0x05 command=0x35 toggle=1",
                                                      "RC6 address=0x00 command=0x0C toggle=0",
                                                      "unknown carrier=38000Hz length=2496us marks=3 spaces=2"}));
    // A span that starts at the RC6 frame.
    EXPECT_EQ(lines(decodeCapture(*capture, kCaptureSamples - 1, end - 100)).front(),
              "RC6 address=0x00 command=0x0C toggle=0");
}

TEST(CaptureDecoderTest, TheCarrierTellsRowsOfOneTimingApart)
{
    // Pioneer sends NEC's frame on 40 kHz, each duration as many carrier periods, so 5 % shorter.
    // An NEC remote whose clock runs 4 % fast comes near Pioneer's timing: its 38 kHz keeps it NEC.
    const struct {
        const char* protocol;
        double clock;
        int carrierHz;
        const char* line;
    } cases[] = {
        {"NEC", 1.0, 38000, "NEC address=0xA5 command=0x38"},
        {"Pioneer", 1.0, 40000, "Pioneer address=0xA5 command=0x38"},
        {"NEC", 0.96, 38000, "NEC address=0xA5 command=0x38"},
    };
    for (const auto& c : cases) {
        std::vector<int> durations = frame(c.protocol, {0xA5, 0x38, false});
        for (int& d : durations)
            d = static_cast<int>(d * c.clock);
        const auto capture = test::emptyCapture();
        test::writeCarrierCode(*capture, 1000, durations, c.carrierHz);
        const CaptureCodes codes = decodeCapture(*capture, 0, kCaptureSamples - 1);
        EXPECT_NEAR(codes.carrierHz, c.carrierHz, 200);
        ASSERT_FALSE(codes.frames.empty());
        EXPECT_EQ(lines(codes).front(), c.line) << c.protocol << " " << c.clock;
    }
}

TEST(CaptureDecoderTest, AReceiverThatPassesNoCarrierLeavesItUnknown)
{
    const auto capture = test::emptyCapture();
    std::vector<test::LevelRun> runs;
    bool mark = true;
    for (const int duration : {2400, 600, 1200, 600, 600, 600, 1200, 2000})
        runs.push_back({std::exchange(mark, !mark), static_cast<std::int64_t>(duration * 1.782)});
    test::writeRuns(*capture, 500, runs);
    const CaptureCodes codes = decodeCapture(*capture, 0, kCaptureSamples - 1);
    EXPECT_EQ(codes.carrierHz, 0u);
    ASSERT_EQ(codes.frames.size(), 1u);
    EXPECT_EQ(describeIrFrame(codes.frames[0], codes.carrierHz).substr(0, 20), "unknown pulse-width ");
    EXPECT_TRUE(decodeCapture(*capture, 0, 400).frames.empty());
}

} // namespace
} // namespace zr48
