#include "engine/present_cadence.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct Case {
    const char* name;
    double scale;
    double expectedScale; // what the cadence keeps
};

class PresentCadenceScales : public ::testing::TestWithParam<Case> { };

// Over a second of 60 Hz refreshes (a period a little short of the whole microseconds), presents
// come about scale x 60 times, each about the gap after the last; the renderer's clock advances by the scale's share of real time from
// the first step, so each present carries one saver frame's worth of the animation.
TEST_P(PresentCadenceScales, PresentsComeAtTheScaleOfTheSaversRate)
{
    PresentCadence cadence;
    cadence.setScale(GetParam().scale);
    const double scale = GetParam().expectedScale;
    EXPECT_EQ(cadence.scale(), scale);
    const int64_t start = 5'000'000;
    int presents = 0;
    int64_t last = -1;
    for (int refresh = 0; refresh < 60; ++refresh) {
        const int64_t now = start + refresh * 1'000'000 / 60;
        if (!cadence.due(now))
            continue;
        const int64_t rendererNow = cadence.rendererMicros(now);
        EXPECT_NEAR(static_cast<double>(rendererNow - start), static_cast<double>(now - start) * scale, 1.0);
        if (last >= 0) {
            EXPECT_GE(now - last, cadence.presentGapMicros() - PresentCadence::kSaverFrameMicros / 2);
        }
        cadence.presented(now);
        last = now;
        ++presents;
    }
    EXPECT_NEAR(presents, 60 * scale, 1.0);
}

INSTANTIATE_TEST_SUITE_P(Scales, PresentCadenceScales,
    ::testing::Values(Case { "Saver", 1.0, 1.0 }, Case { "Half", 0.5, 0.5 }, Case { "DefaultWallpaper", 0.25, 0.25 },
        Case { "Tenth", 0.1, 0.1 },
        // Outside (0, 1] the clock is real time.
        Case { "Zero", 0.0, 1.0 }, Case { "Faster", 2.0, 1.0 }),
    [](const auto& paramInfo) { return std::string(paramInfo.param.name); });

TEST(PresentCadence, AtFullScaleEveryRefreshPresentsOnTheRealClock)
{
    PresentCadence cadence;
    EXPECT_EQ(cadence.presentGapMicros(), 0);
    EXPECT_EQ(cadence.rendererMicros(1234), 1234);
    cadence.presented(1234);
    EXPECT_TRUE(cadence.due(1234));
    cadence.setScale(0.25);
    EXPECT_EQ(cadence.presentGapMicros(), 4 * PresentCadence::kSaverFrameMicros);
    EXPECT_FALSE(cadence.due(1234 + cadence.presentGapMicros() - PresentCadence::kSaverFrameMicros));
    EXPECT_TRUE(cadence.due(1234 + cadence.presentGapMicros() - 1));
}

} // namespace
