#include "editor/help_links.h"
#include "platform/key_store.h"
#include "tests/platform/temp_folder.h"

#include <gtest/gtest.h>

namespace {

TEST(HelpLinks, HelpDocumentIsInTheInstallationFolder)
{
    EXPECT_EQ(helpDocumentPath("/usr/share/opal-revel"),
        std::filesystem::path("/usr/share/opal-revel/Opal Revel Help.html"));
}

TEST(HelpLinks, AddressesComeFromTheStoreOrTheDefaults)
{
    TempXdgHome home;
    // No store at all: the defaults, the two feedback buttons sharing one page.
    EXPECT_EQ(webPageAddress(WebPage::Home), defaultWebPageAddress(WebPage::Home));
    EXPECT_EQ(defaultWebPageAddress(WebPage::SuggestFeature), defaultWebPageAddress(WebPage::MoreSoftware));
    EXPECT_NE(defaultWebPageAddress(WebPage::Home), defaultWebPageAddress(WebPage::MoreSoftware));

    {
        const std::unique_ptr<KeyStore> store = openUserKeyStore();
        const KeyHandle key = store->openKey(WebKeyPath, true);
        ASSERT_NE(key, kNoKey);
        store->writeString(key, "HomePage", "https://home.example.net/");
        store->writeString(key, "SuggestFeaturePage", "");
        store->writeInteger(key, "MoreSoftwarePage", 5);
        ASSERT_TRUE(store->closeKey(key));
    }
    EXPECT_EQ(webPageAddress(WebPage::Home), "https://home.example.net/");
    // An empty string or a value of the wrong kind falls back to the default.
    EXPECT_EQ(webPageAddress(WebPage::SuggestFeature), defaultWebPageAddress(WebPage::SuggestFeature));
    EXPECT_EQ(webPageAddress(WebPage::MoreSoftware), defaultWebPageAddress(WebPage::MoreSoftware));
}

} // namespace
