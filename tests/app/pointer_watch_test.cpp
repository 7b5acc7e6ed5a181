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

// A compositor reported the enter 13 pixels from the real pointer; a 5-pixel move then arrives
// as a motion 18 pixels from that enter place. Neither it nor another such nudge ends the saver;
// only a move of more than 20 pixels from the first motion does.
TEST(PointerWatchTest, AnEnterPlaceBeforeTheFirstMotionIsNotKept)
{
    PointerWatch watch;
    watch.entered(500, 300);
    EXPECT_FALSE(watch.movedTooFar(518, 300));
    EXPECT_FALSE(watch.movedTooFar(523, 300));
    EXPECT_FALSE(watch.movedTooFar(498, 300)); // 20 back from the first motion
    EXPECT_TRUE(watch.movedTooFar(539, 300));
}

} // namespace
