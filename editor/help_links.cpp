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

std::filesystem::path HelpDocumentPath() { return std::filesystem::path(Settings.InstalledDir + "/Opal Revel Help.html"); }

const char* WebPageValueName(WebPage page)
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

std::string DefaultWebPageAddress(WebPage page) { return page == WebPage::Home ? kHomePage : kFeedbackPage; }

std::string WebPageAddress(WebPage page)
{
    const std::unique_ptr<KeyStore> store = OpenUserKeyStore();
    std::string address;
    if (const KeyHandle key = store->OpenKey(WebKeyPath, false); key != kNoKey) {
        if (store->ReadString(key, WebPageValueName(page), address) != ValueRead::Ok)
            address.clear();
        store->CloseKey(key);
    }
    return address.empty() ? DefaultWebPageAddress(page) : address;
}
