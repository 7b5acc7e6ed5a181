#include "editor/help_links.h"

#include "platform/key_store.h"
#include "presets/settings.h"

const std::string WebKeyPath = RegistryBaseKey + "Web";

namespace {

// "Suggest a feature" and "More COOL software" share one page unless the store says
// otherwise.
constexpr const char* kHomePage = "https://opal-revel.example.org/";
constexpr const char* kFeedbackPage = "https://opal-revel.example.org/more.html";

} // namespace

std::filesystem::path helpDocumentPath(const std::string& installedDir)
{
    return std::filesystem::path(installedDir + "/Opal Revel Help.html");
}

const char* webPageValueName(WebPage page)
{
    switch (page) {
    case WebPage::Home:
        return "HomePage";
    case WebPage::SuggestFeature:
        return "SuggestFeaturePage";
    case WebPage::MoreSoftware:
        return "MoreSoftwarePage";
    }
    return "";
}

std::string defaultWebPageAddress(WebPage page) { return page == WebPage::Home ? kHomePage : kFeedbackPage; }

std::string webPageAddress(WebPage page)
{
    const std::unique_ptr<KeyStore> store = openUserKeyStore();
    std::string address;
    if (const KeyHandle key = store->openKey(WebKeyPath, false); key != kNoKey) {
        if (store->readString(key, webPageValueName(page), address) != ValueRead::Ok)
            address.clear();
        store->closeKey(key);
    }
    return address.empty() ? defaultWebPageAddress(page) : address;
}
