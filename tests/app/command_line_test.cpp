#include "app/command_line.h"

#include <gtest/gtest.h>

#include <climits>
#include <ostream>

namespace {

struct SwitchCase {
    const char* text;
    LaunchMode mode;
    long number;
};

void PrintTo(const SwitchCase& example, std::ostream* out) { *out << '"' << example.text << '"'; }

class ReadSwitchTest : public testing::TestWithParam<SwitchCase> {};

TEST_P(ReadSwitchTest, ModeAndNumber)
{
    const SwitchCase& example = GetParam();
    LaunchRequest request = readSwitch(example.text);
    EXPECT_EQ(request.mode, example.mode) << '"' << example.text << '"';
    EXPECT_EQ(request.number, example.number) << '"' << example.text << '"';
}

INSTANTIATE_TEST_SUITE_P(HostSwitches, ReadSwitchTest,
    testing::Values(
        // Mode letters in both cases and with both switch characters.
        SwitchCase { "/s", LaunchMode::Saver, 0 }, SwitchCase { "-S", LaunchMode::Saver, 0 },
        SwitchCase { "/C", LaunchMode::Configure, 0 }, SwitchCase { "-c", LaunchMode::Configure, 0 },
        // The number after a configure switch is ignored.
        SwitchCase { "/c:1234", LaunchMode::Configure, 0 },
        // Preview: the number from the fourth character on, as atol reads it.
        SwitchCase { "/p 1234", LaunchMode::Preview, 1234 }, SwitchCase { "/p:1234", LaunchMode::Preview, 1234 },
        SwitchCase { "/P 1234", LaunchMode::Preview, 1234 }, SwitchCase { "-p   42", LaunchMode::Preview, 42 },
        SwitchCase { "/p  +77x9", LaunchMode::Preview, 77 }, SwitchCase { "/p -5", LaunchMode::Preview, -5 },
        SwitchCase { "/p 0", LaunchMode::Preview, 0 }, SwitchCase { "/p abc", LaunchMode::Preview, 0 },
        // The third character is skipped whatever it is, even a digit.
        SwitchCase { "/p12345", LaunchMode::Preview, 2345 },
        // Shorter than four characters: no number.
        SwitchCase { "/p", LaunchMode::Preview, 0 }, SwitchCase { "/p ", LaunchMode::Preview, 0 },
        // "A" reads its number and creates nothing; any other letter creates nothing.
        SwitchCase { "/a 55", LaunchMode::None, 55 }, SwitchCase { "-A", LaunchMode::None, 0 },
        SwitchCase { "/x", LaunchMode::None, 0 }, SwitchCase { "/", LaunchMode::None, 0 },
        SwitchCase { "-?", LaunchMode::None, 0 },
        // No switch character first: configure.
        SwitchCase { "", LaunchMode::Configure, 0 }, SwitchCase { " /s", LaunchMode::Configure, 0 },
        SwitchCase { "s", LaunchMode::Configure, 0 }, SwitchCase { "\\s", LaunchMode::Configure, 0 }));

TEST(ReadSwitchTest, HugeNumbersClampInsteadOfOverflowing)
{
    EXPECT_EQ(readSwitch("/p 99999999999999999999999").number, LONG_MAX);
    EXPECT_EQ(readSwitch("/p -99999999999999999999999").number, LONG_MIN);
}

TEST(JoinArgumentsTest, JoinsWithSingleBlanksAfterTheProgramName)
{
    const char* none[] = { "opal-revel" };
    EXPECT_EQ(joinArguments(1, none), "");

    const char* split[] = { "opal-revel", "/p", "1234" };
    EXPECT_EQ(joinArguments(3, split), "/p 1234");
    EXPECT_EQ(readSwitch(joinArguments(3, split)).number, 1234);

    // An argument that itself starts with a blank keeps it: the text then opens the editor.
    const char* blank[] = { "opal-revel", " /s" };
    EXPECT_EQ(readSwitch(joinArguments(2, blank)).mode, LaunchMode::Configure);

    const char* empties[] = { "opal-revel", "", "/s" };
    EXPECT_EQ(joinArguments(3, empties), " /s");
}

} // namespace

// Which sessions make the program a Wayland client: asked for, or Wayland without X11.
struct WaylandSessionCase {
    const char* waylandDisplay;
    const char* x11Display;
    bool asked;
    bool wayland;
};

class WaylandSessionTest : public ::testing::TestWithParam<WaylandSessionCase> {};

TEST_P(WaylandSessionTest, ChoosesTheProtocol)
{
    const WaylandSessionCase& c = GetParam();
    EXPECT_EQ(runsOnWayland(c.waylandDisplay, c.x11Display, c.asked), c.wayland);
}

INSTANTIATE_TEST_SUITE_P(Sessions, WaylandSessionTest,
    ::testing::Values(WaylandSessionCase { "wayland-0", nullptr, false, true },
        WaylandSessionCase { "wayland-0", "", false, true }, WaylandSessionCase { "wayland-0", ":0", false, false },
        WaylandSessionCase { nullptr, ":0", false, false }, WaylandSessionCase { "", nullptr, false, false },
        WaylandSessionCase { nullptr, ":0", true, true }, WaylandSessionCase { "wayland-0", ":0", true, true }));

TEST(HasArgument, MatchesWholeArgumentsAfterTheProgramName)
{
    const char* argv[] = { "--wayland", "/s", "--waylandish", nullptr };
    EXPECT_FALSE(hasArgument(1, argv, "--wayland")); // the program's own name is not an option
    EXPECT_TRUE(hasArgument(2, argv, "/s"));
    EXPECT_FALSE(hasArgument(3, argv, "--way"));
    EXPECT_TRUE(hasArgument(3, argv, "--waylandish"));
}
