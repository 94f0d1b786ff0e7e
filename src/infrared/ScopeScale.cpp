#include "infrared/ScopeScale.h"

#include "infrared/IrSamples.h"

#include <cmath>

namespace zr48 {

const std::array<ScaleRow, kScaleCount> kScaleTable = {{
    {0.000001f, "1us/div"},
    {0.000002f, "2us/div"},
    {0.000004f, "4us/div"},
    {0.00001f, "10us/div"},
    {0.00002f, "20us/div"},
    {0.00004f, "40us/div"},
    {0.0001f, "100us/div"},
    {0.0002f, "200us/div"},
    {0.0004f, "400us/div"},
    {0.001f, "1ms/div"},
    {0.002f, "2ms/div"},
    {0.004f, "4ms/div"},
    {0.01f, "10ms/div"},
    {0.02f, "20ms/div"},
    {0.04f, "40ms/div"},
    {0.1f, "100ms/div"},
}};

std::int64_t truncateToInteger(float value)
{
    if (!std::isfinite(value))
        return 0;
    constexpr float limit = 9.0e15f;
    if (value > limit)
        return static_cast<std::int64_t>(limit);
    if (value < -limit)
        return -static_cast<std::int64_t>(limit);
    return static_cast<std::int64_t>(value);
}

ScopeScale makeScopeScale(float secondsPerDivision, int width, int height)
{
    ScopeScale s;
    s.secondsPerDivision = secondsPerDivision;
    s.samplesPerDivision = kScopeSampleRate * secondsPerDivision;
    s.samplesPerPixel = s.samplesPerDivision / s.pixelsPerDivision;
    s.samplesAcross = static_cast<float>(width) * s.samplesPerPixel;
    s.width = width;
    s.height = height;
    return s;
}

ScopeScale overviewScale(float validSamples, int width, int height)
{
    // A view narrower than one division still counts as one, rather than dividing by zero.
    const int divisions = width / kPixelsPerDivision > 0 ? width / kPixelsPerDivision : 1;
    const float samplesPerDivision = validSamples / static_cast<float>(divisions);
    const float secondsPerDivision = samplesPerDivision / kScopeSampleRate;
    return makeScopeScale(secondsPerDivision, width, height);
}

ScopeScale zoomScale(int scaleIndex, std::int64_t zoomCentre, int width, int height)
{
    ScopeScale s = makeScopeScale(kScaleTable[static_cast<std::size_t>(clampScaleIndex(scaleIndex))].secondsPerDivision,
                                  width, height);
    const float half = s.samplesAcross * 0.5f;
    const float first = static_cast<float>(zoomCentre) - half;
    s.firstSample = static_cast<float>(truncateToInteger(first));
    return s;
}

std::int64_t sampleAtColumn(const ScopeScale& scale, int x)
{
    const float offset = static_cast<float>(x) * scale.samplesPerPixel;
    const float sample = offset + scale.firstSample;
    return truncateToInteger(sample);
}

int clampScaleIndex(int index)
{
    return index < 0 ? 0 : index >= kScaleCount ? kScaleCount - 1 : index;
}

} // namespace zr48
