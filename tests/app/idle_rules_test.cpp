#include "app/idle_command_line.h"
#include "app/idle_rules.h"
#include "platform/key_store.h"
#include "tests/platform/temp_folder.h"

#include <gtest/gtest.h>

namespace {

TEST(InhibitorListTest, CookiesBelongToTheirClientAndLeaveWithIt)
{
    InhibitorList list;
    const uint32_t film = list.add(":1.7", "player", "film");
    const uint32_t call = list.add(":1.9", "phone", "call");
    const uint32_t second = list.add(":1.7", "player", "trailer");
    EXPECT_EQ(film, 1u);
    EXPECT_EQ(call, 2u);
    EXPECT_EQ(second, 3u);
    // Another client cannot release a cookie it did not take.
    EXPECT_FALSE(list.remove(film, ":1.9"));
    EXPECT_TRUE(list.remove(film, ":1.7"));
    EXPECT_FALSE(list.remove(film, ":1.7"));
    // A released cookie is not handed out again.
    EXPECT_EQ(list.add(":1.9", "phone", "ring"), 4u);
    EXPECT_EQ(list.removeOwner(":1.9"), 2);
    ASSERT_EQ(list.held().size(), 1u);
    EXPECT_EQ(list.held()[0].reason, "trailer");
    EXPECT_EQ(list.removeOwner(":1.7"), 1);
    EXPECT_TRUE(list.empty());
}

TEST(LogindBlocksIdleTest, OnlyTheWholeWordIdle)
{
    const std::pair<const char*, bool> cases[] = {
        { "idle", true },
        { "handle-lid-switch:idle:sleep", true },
        { "sleep:idle", true },
        { "", false },
        { "sleep:shutdown", false },
        { "idle-ish:handle-idle", false },
        { ":idle:", true },
    };
    for (const auto& [text, blocks] : cases)
        EXPECT_EQ(logindBlocksIdle(text), blocks) << '"' << text << '"';
}

TEST(IdleRulesTest, StartsOnceWhileIdleAndUninhibited)
{
    IdleRules rules;
    EXPECT_FALSE(rules.shouldStartSaver(false));
    rules.idleBegan();
    EXPECT_FALSE(rules.shouldStartSaver(true));
    EXPECT_TRUE(rules.shouldStartSaver(false));
    rules.saverStarted();
    EXPECT_FALSE(rules.shouldStartSaver(false));
    // Input ended the saver and the source saw it first: the next idleness starts it again.
    rules.activityResumed();
    EXPECT_FALSE(rules.saverEnded());
    rules.idleBegan();
    EXPECT_TRUE(rules.shouldStartSaver(false));
}

TEST(IdleRulesTest, ASaverThatEndsWhileIdleWaitsAFullPeriod)
{
    IdleRules rules;
    rules.idleBegan();
    rules.saverStarted();
    EXPECT_TRUE(rules.saverEnded());
    EXPECT_FALSE(rules.shouldStartSaver(false));
    // Either the period passes without input...
    rules.waitOver();
    EXPECT_TRUE(rules.shouldStartSaver(false));
    // ...or input comes, and the source's next report decides.
    rules.saverStarted();
    rules.saverEnded();
    rules.activityResumed();
    EXPECT_FALSE(rules.shouldStartSaver(false));
    rules.idleBegan();
    EXPECT_TRUE(rules.shouldStartSaver(false));
}

TEST(IdleRulesTest, ReleasedInhibitorOrSimulatedActivityRestartsTheWaitOnlyWhenIdle)
{
    IdleRules rules;
    EXPECT_FALSE(rules.restartWait());
    rules.idleBegan();
    EXPECT_TRUE(rules.restartWait());
    EXPECT_FALSE(rules.shouldStartSaver(false));
    rules.waitOver();
    EXPECT_TRUE(rules.shouldStartSaver(false));
}

TEST(IdleChoicesTest, OutOfRangeValuesFallBackAndRoundTripThroughTheStore)
{
    TempFolder folder;
    RegFileKeyStore store(folder.path() / "registry.reg");
    EXPECT_EQ(loadIdleChoices(store).idleMinutes, 10);
    IdleChoices chosen { 5, BatteryChoice::Black, 30, 0 };
    ASSERT_TRUE(storeIdleChoices(store, chosen));
    const IdleChoices loaded = loadIdleChoices(store);
    EXPECT_EQ(loaded.idleMinutes, 5);
    EXPECT_EQ(loaded.battery, BatteryChoice::Black);
    EXPECT_EQ(loaded.blankMinutes, 30);
    EXPECT_EQ(loaded.lockSeconds, 0);

    const IdleChoices fixed = validIdleChoices({ 0, BatteryChoice::SameAsMains, 241, 3601 });
    EXPECT_EQ(fixed.idleMinutes, 10);
    EXPECT_EQ(fixed.blankMinutes, 0);
    EXPECT_EQ(fixed.lockSeconds, -1);
    EXPECT_EQ(validIdleChoices({ 240, BatteryChoice::ReducedRate, 240, -7 }).lockSeconds, -1);
}

TEST(IdleStatusTextTest, ListsSourceTimeAndEveryInhibitor)
{
    EXPECT_EQ(idleStatusText("X11 SYNC IDLETIME", 600, false, {}, {}),
              "running\nidle source: X11 SYNC IDLETIME\nstarts the saver after: 10 minutes\nsaver: not running\n"
              "inhibitors: none\n");
    EXPECT_EQ(idleStatusText("X", 90, true, { { 1, ":1.2", "player", "film" } }, { { 0, "", "shell", "update" } }),
              "running\nidle source: X\nstarts the saver after: 90 seconds\nsaver: running\n"
              "inhibitor: player (film)\ninhibitor: shell (update) through the login manager\n");
}

TEST(SaverLookTest, BatteryChoiceGivesTheSaversCommandLine)
{
    using Arguments = std::vector<std::string>;
    EXPECT_EQ(saverLook(false, BatteryChoice::Black), SaverLook::Drawing);
    EXPECT_EQ(saverLook(true, BatteryChoice::SameAsMains), SaverLook::Drawing);
    EXPECT_EQ(saverLook(true, BatteryChoice::ReducedRate), SaverLook::Reduced);
    EXPECT_EQ(saverLook(true, BatteryChoice::Black), SaverLook::Black);
    EXPECT_EQ(saverArguments(SaverLook::Drawing, false), Arguments({ "/s" }));
    EXPECT_EQ(saverArguments(SaverLook::Reduced, true), Arguments({ "/s", "--wayland", "--rate", "25" }));
    // The saver reads back what the service passes, and nothing out of range.
    EXPECT_EQ(saverRatePercent(saverArguments(SaverLook::Reduced, false)), 25);
    EXPECT_EQ(saverRatePercent({ "/s" }), std::nullopt);
    EXPECT_EQ(saverRatePercent({ "/s", "--rate", "0" }), std::nullopt);
    EXPECT_EQ(saverRatePercent({ "/s", "--rate", "101" }), std::nullopt);
    EXPECT_EQ(saverRatePercent({ "/s", "--rate" }), std::nullopt);
    EXPECT_EQ(saverRatePercent({ "/s", "--rate", "100" }), 100);
}

struct IdleLineCase {
    std::vector<std::string> arguments;
    IdleMode mode;
    int afterSeconds; // 0: none
    bool wayland;
    bool error;
};

TEST(IdleCommandLineTest, ReadsTheServiceAndStatusLines)
{
    const IdleLineCase cases[] = {
        { {}, IdleMode::None, 0, false, false },
        { { "/s" }, IdleMode::None, 0, false, false },
        { { "--root" }, IdleMode::None, 0, false, false },
        { { "--idle-service" }, IdleMode::Service, 0, false, false },
        { { "--idle-service", "--after", "3", "--wayland" }, IdleMode::Service, 3, true, false },
        { { "--idle-service", "--after", "86400" }, IdleMode::Service, 86400, false, false },
        { { "--idle-service", "--after", "0" }, IdleMode::Service, 0, false, true },
        { { "--idle-service", "--after", "5s" }, IdleMode::Service, 0, false, true },
        { { "--idle-service", "--after" }, IdleMode::Service, 0, false, true },
        { { "--idle-service", "--root" }, IdleMode::Service, 0, false, true },
        { { "--idle-status" }, IdleMode::Status, 0, false, false },
        { { "--idle-status", "x" }, IdleMode::Status, 0, false, true },
    };
    for (const IdleLineCase& example : cases) {
        const IdleRequest request = readIdleCommandLine(example.arguments);
        const std::string shown = example.arguments.empty() ? "(none)" : example.arguments.back();
        EXPECT_EQ(request.mode, example.mode) << shown;
        EXPECT_EQ(request.afterSeconds.value_or(0), example.afterSeconds) << shown;
        EXPECT_EQ(request.wayland, example.wayland) << shown;
        EXPECT_EQ(!request.error.empty(), example.error) << shown;
    }
}

} // namespace
