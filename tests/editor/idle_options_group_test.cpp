// The Options page's idle service group on the offscreen platform: ticking writes the
// autostart entry (clean for desktop-file-validate where it is installed), unticking removes
// it, and the choices reach the key store.

#include "editor/idle_options_group.h"

#include "controls/sphere_button.h"
#include "platform/idle_autostart.h"
#include "platform/key_store.h"
#include "presets/idle_choices.h"
#include "tests/editor/editor_fixture.h"
#include "tests/platform/temp_folder.h"

#include <QComboBox>
#include <QSpinBox>
#include <QTest>

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace {

std::string fileText(const std::filesystem::path& path)
{
    std::ifstream file(path);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

TEST(IdleAutostartTest, ExecLineQuotesPathsThatNeedIt)
{
    const std::pair<const char*, const char*> cases[] = {
        { "/usr/bin/opal-revel", "Exec=/usr/bin/opal-revel --idle-service\n" },
        { "/opt/my apps/opal-revel", "Exec=\"/opt/my apps/opal-revel\" --idle-service\n" },
        { "/opt/a\"b$c/opal-revel", "Exec=\"/opt/a\\\\\"b\\\\$c/opal-revel\" --idle-service\n" },
        { "/opt/back\\slash/opal-revel", "Exec=\"/opt/back\\\\\\\\slash/opal-revel\" --idle-service\n" },
    };
    for (const auto& [program, exec] : cases)
        EXPECT_NE(idleAutostartText(program).find(exec), std::string::npos) << program;
}

TEST(IdleOptionsGroupTest, TickingWritesTheEntryAndUntickingRemovesIt)
{
    TempXdgHome home;
    // The service start is harmless here: the program given is "true".
    IdleOptionsGroup group(nullptr, QStringLiteral("/bin/true"));
    group.show();
    auto* enable = group.findChild<SphereButton*>(QStringLiteral("idleServiceBox"));
    ASSERT_NE(enable, nullptr);
    EXPECT_FALSE(enable->checked());

    QTest::mouseClick(enable, Qt::LeftButton);
    ASSERT_TRUE(enable->checked());
    const std::filesystem::path entry = home.config() / "autostart" / "opal-revel-idle.desktop";
    EXPECT_EQ(fileText(entry), idleAutostartText("/bin/true"));
    if (std::system("command -v desktop-file-validate > /dev/null") == 0) {
        const std::string check = "desktop-file-validate '" + entry.string() + "'";
        EXPECT_EQ(std::system(check.c_str()), 0);
    }

    // A new group reads the state back from the entry.
    EXPECT_TRUE(IdleOptionsGroup(nullptr, QStringLiteral("/bin/true")).findChild<SphereButton*>(
        QStringLiteral("idleServiceBox"))->checked());

    QTest::mouseClick(enable, Qt::LeftButton);
    EXPECT_FALSE(enable->checked());
    EXPECT_FALSE(std::filesystem::exists(entry));
}

TEST(IdleOptionsGroupTest, ChoicesReachTheKeyStore)
{
    TempXdgHome home;
    IdleOptionsGroup group(nullptr, QStringLiteral("/bin/true"));
    group.findChild<QSpinBox*>(QStringLiteral("idleMinutesBox"))->setValue(7);
    group.findChild<QComboBox*>(QStringLiteral("idleBatteryChoice"))->setCurrentIndex(2);
    group.findChild<QSpinBox*>(QStringLiteral("idleBlankBox"))->setValue(20);
    group.findChild<QSpinBox*>(QStringLiteral("idleLockBox"))->setValue(30);
    const IdleChoices stored = loadIdleChoices(*openUserKeyStore());
    EXPECT_EQ(stored.idleMinutes, 7);
    EXPECT_EQ(stored.battery, BatteryChoice::Black);
    EXPECT_EQ(stored.blankMinutes, 20);
    EXPECT_EQ(stored.lockSeconds, 30);
}

} // namespace

int main(int argc, char** argv) { return runWidgetTests(argc, argv); }
