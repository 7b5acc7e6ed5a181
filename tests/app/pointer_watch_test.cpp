#include "app/pointer_watch.h"

#include <gtest/gtest.h>

namespace {

TEST(PointerWatchTest, TheFirstMovementOnlyStoresThePosition)
{
    PointerWatch watch;
    EXPECT_FALSE(watch.movedTooFar(900, 900));
    EXPECT_FALSE(watch.movedTooFar(920, 880)); // exactly 20 both ways
    EXPECT_TRUE(watch.movedTooFar(921, 900));
}

TEST(PointerWatchTest, SmallMovementsAddUpFromTheFirstPosition)
{
    PointerWatch watch;
    EXPECT_FALSE(watch.movedTooFar(100, 100));
    EXPECT_FALSE(watch.movedTooFar(115, 100));
    EXPECT_TRUE(watch.movedTooFar(125, 100));
}

TEST(PointerWatchTest, EitherAxisAloneCountsAndDiagonalsDoNotAdd)
{
    PointerWatch watch;
    EXPECT_FALSE(watch.movedTooFar(50, 50));
    EXPECT_FALSE(watch.movedTooFar(30, 70)); // 20 and 20: within the square
    EXPECT_TRUE(watch.movedTooFar(50, 29));

    watch.forget();
    EXPECT_FALSE(watch.movedTooFar(0, 0));
    EXPECT_FALSE(watch.movedTooFar(20, 0));
}

} // namespace
