#include "app/hack_options.h"

#include "presets/settings.h"

#include <gtest/gtest.h>

#include <fstream>

namespace {

HackParseResult parse(std::vector<std::string> arguments) { return parseHackOptions(arguments); }

TEST(HackCommandLineTest, OnlyADoubleDashFirstMakesTheOptionReading)
{
    EXPECT_TRUE(isHackCommandLine({ "--root" }));
    EXPECT_TRUE(isHackCommandLine({ "--", "/s" }));
    // The host switches keep their reading, also with options after them.
    EXPECT_FALSE(isHackCommandLine({ "/s", "--root" }));
    EXPECT_FALSE(isHackCommandLine({ "-s" }));
    EXPECT_FALSE(isHackCommandLine({ "-root" }));
    EXPECT_FALSE(isHackCommandLine({}));
    EXPECT_FALSE(isHackCommandLine({ "" }));
}

TEST(HackCommandLineTest, TheFirstModeOptionIsFoundInEitherSpelling)
{
    EXPECT_EQ(firstModeOption({ "/s", "--preset", "x", "--record=a.gif", "--root" }), "--record");
    EXPECT_EQ(firstModeOption({ "/s", "--wallpaper" }), "--wallpaper");
    EXPECT_EQ(firstModeOption({ "/s", "--wayland", "--rooted" }), "");
}

TEST(HackOptionsTest, EveryOptionInBothSpellings)
{
    HackParseResult spaced = parse({ "--root", "--preset", "Bubbles", "--formula", "19", "--mirror", "3", "--no-blur",
        "--travel", "--change-seconds", "0", "--scale", "100" });
    ASSERT_TRUE(spaced.ok) << spaced.error;
    EXPECT_EQ(spaced.options.target, HackTarget::Root);
    EXPECT_EQ(spaced.options.preset, "Bubbles");
    EXPECT_EQ(spaced.options.formula, 19);
    EXPECT_EQ(spaced.options.mirror, 3);
    EXPECT_EQ(spaced.options.blur, false);
    EXPECT_EQ(spaced.options.travel, true);
    EXPECT_EQ(spaced.options.changeSeconds, 0);
    EXPECT_EQ(spaced.options.scalePercent, 100);

    HackParseResult joined = parse({ "--window-id=0x1a00003", "--preset=random", "--formula=random", "--mirror=random",
        "--blur", "--no-travel", "--change-seconds=3600", "--scale=10" });
    ASSERT_TRUE(joined.ok) << joined.error;
    EXPECT_EQ(joined.options.target, HackTarget::Window);
    EXPECT_EQ(joined.options.windowId, 0x1a00003u);
    EXPECT_EQ(joined.options.preset, "random");
    EXPECT_EQ(joined.options.formula, kRandomChoice);
    EXPECT_EQ(joined.options.mirror, kRandomChoice);
    EXPECT_EQ(joined.options.blur, true);
    EXPECT_EQ(joined.options.travel, false);
    EXPECT_EQ(joined.options.changeSeconds, 3600);
    EXPECT_EQ(joined.options.scalePercent, 10);

    // Options not given stay unset, so the stored options hold.
    HackParseResult bare = parse({ "--root" });
    ASSERT_TRUE(bare.ok);
    EXPECT_FALSE(bare.options.preset || bare.options.formula || bare.options.mirror || bare.options.blur
        || bare.options.travel || bare.options.changeSeconds || bare.options.scalePercent);
    // The later of two settings of one option wins, as with the daemon's own hacks.
    EXPECT_EQ(parse({ "--root", "--blur", "--no-blur" }).options.blur, false);
    EXPECT_EQ(parse({ "--window-id", "5", "--window-id", "0x10" }).options.windowId, 16u);
    // The settings dialog's preview adds --window-id to the daemon's command line: the
    // window wins over --root, in either order.
    for (const auto& arguments : { std::vector<std::string> { "--root", "--window-id", "0x2a" },
             std::vector<std::string> { "--window-id", "42", "--root" } }) {
        HackParseResult both = parse(arguments);
        ASSERT_TRUE(both.ok) << both.error;
        EXPECT_EQ(both.options.target, HackTarget::Window);
        EXPECT_EQ(both.options.windowId, 42u);
    }
}

TEST(HackOptionsTest, BadValuesAndUnknownOptionsAreRefusedWithOneLine)
{
    struct Case {
        std::vector<std::string> arguments;
        const char* reason; // a part of the message
    };
    const std::vector<Case> cases = {
        { { "--root", "--formula", "20" }, "--formula wants a whole number from 0 to 19 or random, not \"20\"" },
        { { "--root", "--formula", "-1" }, "not \"-1\"" },
        { { "--root", "--formula", "+3" }, "not \"+3\"" },
        { { "--root", "--formula", "3x" }, "not \"3x\"" },
        { { "--root", "--formula", "99999999999999999999" }, "--formula wants" },
        { { "--root", "--mirror", "4" }, "from 0 to 3 or random" },
        { { "--root", "--mirror", "Random" }, "not \"Random\"" },
        { { "--root", "--scale", "9" }, "--scale wants a whole number from 10 to 100, not \"9\"" },
        { { "--root", "--scale", "101" }, "not \"101\"" },
        { { "--root", "--scale", "" }, "not \"\"" },
        { { "--root", "--change-seconds", "3601" }, "from 0 to 3600" },
        { { "--root", "--change-seconds", "1.5" }, "not \"1.5\"" },
        { { "--root", "--scale" }, "--scale wants a value" },
        { { "--wallpaper", "--rate", "0" }, "--rate wants a whole number from 1 to 100, not \"0\"" },
        { { "--wallpaper", "--rate", "101" }, "not \"101\"" },
        { { "--wallpaper=yes" }, "--wallpaper takes no value" },
        { { "--root", "--preset=" }, "--preset wants a preset's name" },
        { { "--root", "--blur=1" }, "--blur takes no value, not \"1\"" },
        { { "--root=yes" }, "--root takes no value" },
        { { "--root", "--fps", "10" }, "--size, --seconds, --sprites and --fps go with --record FILE only" },
        { { "--root", "--frames" }, "unknown option \"--frames\"" },
        { { "--record", "clip.mp4" }, "--record wants a file ending in .gif, .webp or .webm, not \"clip.mp4\"" },
        { { "--record", "clip.webm", "--fps", "31" }, "--fps wants a whole number from 1 to 30" },
        { { "--record", "clip.webm", "--size", "640x" }, "--size wants WIDTHxHEIGHT" },
        { { "--record", "clip.webm", "--size", "0x480" }, "not \"0x480\"" },
        { { "--record", "clip.webm", "--size", "16385x2" }, "each from 1 to 16384" },
        { { "--record", "clip.webm", "--seconds", "0" }, "--seconds wants a whole number from 1 to 3600" },
        { { "--record", "clip.gif", "--seconds", "2", "--sprites", "9" }, "give --seconds or --sprites, not both" },
        { { "--record" }, "--record wants a value" },
        { { "--Root" }, "unknown option \"--Root\"" },
        { { "--root", "/s" }, "unexpected argument \"/s\"" },
        { { "--root", "-s" }, "unexpected argument \"-s\"" },
        { { "--window-id", "0" }, "--window-id wants a window id" },
        { { "--window-id", "0x" }, "not \"0x\"" },
        { { "--window-id", "0x100000000" }, "not \"0x100000000\"" },
        { { "--window-id", "4294967296" }, "not \"4294967296\"" },
        { { "--window-id", " 12" }, "not \" 12\"" },
        { { "--preset", "x" }, "give --root, --window-id ID or --record FILE" },
        { { "--" }, "unknown option \"--\"" },
        // One run, one mode, in whichever order the two come.
        { { "--root", "--record", "a.gif" }, "--root and --record name two modes" },
        { { "--record", "a.gif", "--root", "--sprites", "1" }, "--record and --root name two modes" },
        { { "--record=a.gif", "--window-id", "5" }, "--record and --window-id name two modes" },
        { { "--wallpaper", "--record", "a.webm" }, "--wallpaper and --record name two modes" },
        { { "--window-id", "5", "--wallpaper" }, "--window-id and --wallpaper name two modes" },
        { { "--record", "a.gif", "/s" }, "\"/s\": a host switch such as /s must come alone, not with --record" },
        { { "--preset", "x", "/s", "--root" }, "must come alone, not with --root" },
        { { "--record", ".gif" }, "--record \".gif\": the file's name is missing" },
        { { "--record", "out/.WEBM" }, "the file's name is missing" },
        { { "--record", "out/" }, "the file's name is missing" },
    };
    for (const Case& example : cases) {
        HackParseResult result = parse(example.arguments);
        EXPECT_FALSE(result.ok) << example.reason;
        EXPECT_NE(result.error.find(example.reason), std::string::npos) << result.error;
        EXPECT_EQ(result.error.find('\n'), std::string::npos) << result.error;
    }
}

TEST(HackOptionsTest, HostileArgumentsStayOnOneLineAndShort)
{
    HackParseResult result = parse({ "--root", "--scale", "1\n2\x1b[31m\"" + std::string(500, 'x') });
    ASSERT_FALSE(result.ok);
    EXPECT_NE(result.error.find("\"1\\x0A2\\x1B[31m\\x22xxx"), std::string::npos) << result.error;
    EXPECT_EQ(result.error.find('\n'), std::string::npos);
    EXPECT_LT(result.error.size(), 200u);
}

TEST(HackOptionsTest, RecordTakesItsFileAndItsOwnOptions)
{
    HackParseResult result = parse({ "--record", "out/Clip.WEBM", "--size=1920x1080", "--seconds", "10", "--fps=24",
        "--formula", "3", "--blur" });
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(result.options.target, HackTarget::Record);
    EXPECT_EQ(result.options.recordFile, "out/Clip.WEBM");
    EXPECT_EQ(result.options.recordWidth, 1920);
    EXPECT_EQ(result.options.recordHeight, 1080);
    EXPECT_EQ(result.options.recordSeconds, 10);
    EXPECT_EQ(result.options.recordFps, 24);
    EXPECT_FALSE(result.options.recordSprites);
    EXPECT_EQ(result.options.formula, 3);
    EXPECT_EQ(result.options.blur, true);

    result = parse({ "--record", "a.gif", "--sprites", "5000" });
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(result.options.recordSprites, 5000);
    EXPECT_NE(hackUsage().find("--record FILE"), std::string::npos);
}

TEST(HackOptionsTest, TheWallpaperIsATargetWithARate)
{
    HackParseResult spaced = parse({ "--wallpaper", "--rate", "1", "--scale", "50" });
    ASSERT_TRUE(spaced.ok) << spaced.error;
    EXPECT_EQ(spaced.options.target, HackTarget::Wallpaper);
    EXPECT_EQ(spaced.options.ratePercent, 1);
    EXPECT_EQ(spaced.options.scalePercent, 50);
    HackParseResult joined = parse({ "--rate=100", "--wallpaper" });
    ASSERT_TRUE(joined.ok) << joined.error;
    EXPECT_EQ(joined.options.target, HackTarget::Wallpaper);
    EXPECT_EQ(joined.options.ratePercent, 100);
    EXPECT_FALSE(parse({ "--wallpaper" }).options.ratePercent.has_value());
}

TEST(HackOptionsTest, HelpNeedsNoTarget)
{
    HackParseResult result = parse({ "--help" });
    ASSERT_TRUE(result.ok);
    EXPECT_TRUE(result.options.help);
    EXPECT_NE(hackUsage().find("--window-id ID"), std::string::npos);
}

TEST(WindowIdTest, HexadecimalOrDecimalWithinThirtyTwoBits)
{
    EXPECT_EQ(parseWindowId("0x1A00003"), 0x1A00003u);
    EXPECT_EQ(parseWindowId("0X1a00003"), 0x1A00003u);
    EXPECT_EQ(parseWindowId("27262979"), 27262979u);
    EXPECT_EQ(parseWindowId("4294967295"), 4294967295u);
    EXPECT_EQ(parseWindowId("0xFFFFFFFF"), 4294967295u);
    for (const char* bad : { "", "0", "0x0", "-5", "+5", "5 ", "0x-5", "x10", "1e3", "0x1g", "4294967296" })
        EXPECT_FALSE(parseWindowId(bad)) << bad;
}

class ApplyHackOptionsTest : public testing::Test {
protected:
    SettingsRecord m_settings;
    uint32_t m_draw = 0;
    std::function<uint32_t()> m_random = [this] { return m_draw; };
};

TEST_F(ApplyHackOptionsTest, GivenOptionsOverrideAndOthersStay)
{
    HackOptions options;
    options.formula = 7;
    options.mirror = 0;
    options.blur = true;
    options.travel = false;
    options.scalePercent = 40;
    applyHackOptions(options, m_settings, m_random);
    EXPECT_EQ(m_settings.formula, 7);
    EXPECT_EQ(m_settings.mirror, 0);
    EXPECT_TRUE(m_settings.filter);
    EXPECT_EQ(m_settings.travel, 0);
    EXPECT_EQ(m_settings.scale, 40);
    EXPECT_EQ(m_settings.seconds, 10);
    EXPECT_EQ(m_settings.changePresets, 1);
    EXPECT_EQ(m_settings.changeFormula, 1);
}

TEST_F(ApplyHackOptionsTest, RandomChoicesStayInRange)
{
    HackOptions options;
    options.formula = kRandomChoice;
    options.mirror = kRandomChoice;
    m_draw = 4294967295u; // 4294967295 mod 20 = 15, mod 4 = 3
    applyHackOptions(options, m_settings, m_random);
    EXPECT_EQ(m_settings.formula, 15);
    EXPECT_EQ(m_settings.mirror, 3);
}

TEST_F(ApplyHackOptionsTest, ZeroSecondsStopsEveryChangeAndOtherPeriodsKeepWhatChanges)
{
    HackOptions options;
    options.changeSeconds = 0;
    m_settings.changeMirror = 1;
    applyHackOptions(options, m_settings, m_random);
    EXPECT_EQ(m_settings.changePresets + m_settings.changeFormula, 0);
    EXPECT_EQ(m_settings.seconds, 10);

    SettingsRecord presetOnly;
    presetOnly.changeFormula = 0;
    options.changeSeconds = 45;
    applyHackOptions(options, presetOnly, m_random);
    EXPECT_EQ(presetOnly.seconds, 45);
    EXPECT_EQ(presetOnly.changePresets, 1);
    EXPECT_EQ(presetOnly.changeFormula, 0);
}

class FindPresetTest : public testing::Test {
protected:
    void SetUp() override
    {
        m_folder = std::filesystem::path(testing::TempDir()) / ("find-preset-" + std::to_string(getpid()));
        std::filesystem::create_directories(m_folder);
        for (const char* name : { "Blue Drift.vhp", "ember.VHP", "Ember.vhp", "notes.txt" })
            std::ofstream(m_folder / name) << "x";
    }
    void TearDown() override { std::filesystem::remove_all(m_folder); }

    std::optional<std::string> found(const std::string& argument)
    {
        std::optional<std::filesystem::path> path = findPresetArgument(argument, m_folder.string());
        if (!path)
            return std::nullopt;
        EXPECT_EQ(path->parent_path(), m_folder);
        return path->filename().string();
    }

    std::filesystem::path m_folder;
};

TEST_F(FindPresetTest, NamesWithOrWithoutEndingInAnyCaseExactFirst)
{
    EXPECT_EQ(found("Blue Drift"), "Blue Drift.vhp");
    EXPECT_EQ(found("blue drift.VHP"), "Blue Drift.vhp");
    EXPECT_EQ(found("ember.VHP"), "ember.VHP");
    EXPECT_EQ(found("Ember"), "Ember.vhp");
    EXPECT_FALSE(found("notes"));
    EXPECT_FALSE(found("notes.txt"));
    EXPECT_FALSE(found("Blue"));
    EXPECT_FALSE(findPresetArgument("Ember", ""));
}

TEST_F(FindPresetTest, AnArgumentWithASlashIsAFileTakenAsItIs)
{
    EXPECT_EQ(findPresetArgument("./mine.bin", m_folder.string()), std::filesystem::path("./mine.bin"));
    EXPECT_EQ(findPresetArgument("/tmp/x.vhp", ""), std::filesystem::path("/tmp/x.vhp"));
}

} // namespace
