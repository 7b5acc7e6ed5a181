#include "editor/help_links.h"
#include "platform/key_store.h"
#include "presets/settings.h"
#include "tests/platform/temp_folder.h"

#include <gtest/gtest.h>

namespace {

TEST(HelpLinks, HelpDocumentIsInTheInstallationFolder)
{
    ResetDefaults();
    Settings.InstalledDir = "/usr/share/opal-revel";
    EXPECT_EQ(HelpDocumentPath(), std::filesystem::path("/usr/share/opal-revel/Opal Revel Help.html"));
}

TEST(HelpLinks, AddressesComeFromTheStoreOrTheDefaults)
{
    TempXdgHome home;
    // No store at all: the defaults, the two feedback buttons sharing one page.
    EXPECT_EQ(WebPageAddress(WebPage::Home), DefaultWebPageAddress(WebPage::Home));
    EXPECT_EQ(DefaultWebPageAddress(WebPage::SuggestFeature), DefaultWebPageAddress(WebPage::MoreSoftware));
    EXPECT_NE(DefaultWebPageAddress(WebPage::Home), DefaultWebPageAddress(WebPage::MoreSoftware));

    {
        const std::unique_ptr<KeyStore> store = OpenUserKeyStore();
        const KeyHandle key = store->OpenKey(WebKeyPath, true);
        ASSERT_NE(key, kNoKey);
        store->WriteString(key, "HomePage", "https://home.example.net/");
        store->WriteString(key, "SuggestFeaturePage", "");
        store->WriteInteger(key, "MoreSoftwarePage", 5);
        ASSERT_TRUE(store->CloseKey(key));
    }
    EXPECT_EQ(WebPageAddress(WebPage::Home), "https://home.example.net/");
    // An empty string or a value of the wrong kind falls back to the default.
    EXPECT_EQ(WebPageAddress(WebPage::SuggestFeature), DefaultWebPageAddress(WebPage::SuggestFeature));
    EXPECT_EQ(WebPageAddress(WebPage::MoreSoftware), DefaultWebPageAddress(WebPage::MoreSoftware));
}

} // namespace
