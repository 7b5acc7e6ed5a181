#include "platform/cpu_clock.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <vector>

namespace {

uint64_t fakeNow = 0;
uint64_t fakeTick()
{
    return fakeNow;
}
uint64_t frozenTick()
{
    return 42;
}

class CpuClockTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        cpuForgetSpeedForTesting();
        fakeNow = 10'000'000'000ull;
        cpuSetTickSourceForTesting(fakeTick);
    }
    void TearDown() override
    {
        cpuForgetSpeedForTesting();
        for (const auto& file : m_files)
            std::filesystem::remove(file);
    }

    std::filesystem::path writeCpuInfo(const std::string& text)
    {
        const auto path = std::filesystem::temp_directory_path()
            / ("opal_cpuinfo_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "_"
                + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::ofstream(path) << text;
        m_files.push_back(path);
        return path;
    }

private:
    std::vector<std::filesystem::path> m_files;
};

TEST_F(CpuClockTest, ConvertsElapsedCyclesAt1000Mhz)
{
    cpuSetSpeedForTesting(1000);
    EXPECT_EQ(cpuGetSpeed(), 1000);
    EXPECT_EQ(cpuGetmks(fakeNow - 300000), 300);
    EXPECT_EQ(cpuGetms(fakeNow - 2600000), 3);
    EXPECT_EQ(cpugetns(fakeNow - 1234), 1234);
    EXPECT_EQ(cpumkstotick(300), 300000u);
    EXPECT_EQ(cpumstotick(3), 3000000u);
    EXPECT_EQ(cpunstotick(77), 77u);
}

TEST_F(CpuClockTest, RoundsWithTheStoredFactorInExtendedPrecision)
{
    cpuSetSpeedForTesting(1000);
    // 0.001 / 1000 is stored just below 0.000001, so 1.5 ms of cycles rounds down.
    EXPECT_EQ(cpucalcms(1500000, 0), 1);
#if LDBL_MANT_DIG == 64
    // The same holds at 2 MHz only in extended precision: there 0.001 / 2 lies just below
    // 0.0005 and 3000 cycles give 1.4999..., where double precision gives 1.5 and then 2.
    cpuSetSpeedForTesting(2);
    EXPECT_EQ(cpucalcms(3000, 0), 1);
    EXPECT_EQ(cpucalcms(7000, 0), 3);
#endif
    // Halves go to the even neighbour; 1 / 1024 is exact, so 2.5 us and 3.5 us are too.
    cpuSetSpeedForTesting(1024);
    EXPECT_EQ(cpucalcmks(2560, 0), 2);
    EXPECT_EQ(cpucalcmks(3584, 0), 4);
    EXPECT_EQ(cpucalcmks(2561, 0), 3);
    // At 3 MHz one cycle is a third of a microsecond.
    cpuSetSpeedForTesting(3);
    EXPECT_EQ(cpucalcmks(4, 0), 1);
    EXPECT_EQ(cpucalcmks(5, 0), 2);
    EXPECT_EQ(cpumkstotick(7), 21u);
}

TEST_F(CpuClockTest, CalcIsSymmetricAndStartInTheFutureIsNegative)
{
    cpuSetSpeedForTesting(1000);
    EXPECT_EQ(cpucalcms(5'000'000, 17'000'000), 12);
    EXPECT_EQ(cpucalcms(17'000'000, 5'000'000), 12);
    EXPECT_EQ(cpucalcns(0, ~0ull), 1); // the difference is taken as signed: one cycle
    EXPECT_EQ(cpuGetmks(fakeNow + 2000), -2);
}

TEST_F(CpuClockTest, TakesTheFirstCpuMhzLineWithoutMeasuring)
{
    cpuSetInfoPathForTesting(writeCpuInfo("processor\t: 0\ncpu MHz\t\t: 2400.000\n"
                                          "processor\t: 1\ncpu MHz\t\t: 800.000\n")
                                 .string());
    EXPECT_EQ(cpuGetSpeed(), 2400);
    EXPECT_EQ(cpuMeasurementCountForTesting(), 0);
    EXPECT_EQ(cpuGetmks(fakeNow - 2400 * 300), 300);
    // Found once, kept for the life of the process.
    EXPECT_EQ(cpuGetSpeed(), 2400);
}

TEST_F(CpuClockTest, ParsesCpuInfoLines)
{
    EXPECT_EQ(cpuParseInfoMhz("cpu MHz\t\t: 2599.996\n"), 2600u);
    EXPECT_EQ(cpuParseInfoMhz("model name\t: x\ncpu MHz : 1800.4\ncpu MHz : 3000\n"), 1800u);
    EXPECT_EQ(cpuParseInfoMhz("model name\t: x\n"), 0u);
    EXPECT_EQ(cpuParseInfoMhz("cpu MHz\t\t: unknown\n"), 0u);
    EXPECT_EQ(cpuParseInfoMhz("cpu MHz\t\t: 0.000\n"), 0u);
    EXPECT_EQ(cpuParseInfoMhz("cpu MHz\t\t: -5\n"), 0u);
    EXPECT_EQ(cpuParseInfoMhz(""), 0u);
}

TEST_F(CpuClockTest, MeasuresWhenCpuInfoHasNoRate)
{
    cpuSetTickSourceForTesting(nullptr);
    cpuSetInfoPathForTesting(writeCpuInfo("processor\t: 0\n").string());
    const uint16_t mhz = cpuGetSpeed();
    EXPECT_GE(cpuMeasurementCountForTesting(), 1);
    EXPECT_GT(mhz, 0);
}

TEST_F(CpuClockTest, RateZeroStillGivesFiniteIncreasingIntervals)
{
    // A counter that never moves measures 0 MHz every time; the unit then counts
    // monotonic nanoseconds instead of dividing by zero.
    cpuSetTickSourceForTesting(frozenTick);
    cpuSetInfoPathForTesting("/nonexistent/cpuinfo");
    EXPECT_EQ(cpuGetSpeed(), 1000);
    EXPECT_EQ(cpuMeasurementCountForTesting(), 3);
    const uint64_t start = cpuGetTick();
    int64_t previous = cpuGetmks(start);
    EXPECT_GE(previous, 0);
    const timespec pause { 0, 2'000'000 };
    nanosleep(&pause, nullptr);
    const int64_t later = cpuGetmks(start);
    EXPECT_GE(later, previous + 2000);
    EXPECT_GT(cpumkstotick(300), 0u);
}

TEST_F(CpuClockTest, SettingRateZeroTakesTheSameWayOut)
{
    cpuSetSpeedForTesting(0);
    EXPECT_EQ(cpuGetSpeed(), 1000);
    EXPECT_EQ(cpumkstotick(300), 300000u);
}

} // namespace
