#pragma once

#include <filesystem>
#include <string>

// Where the Help page's buttons lead: the help document in the installation folder and the
// three web pages. The addresses are configuration values, strings in the key store's Web
// key beside the program's options ("HomePage", "SuggestFeaturePage", "MoreSoftwarePage");
// a value that is missing or empty gives the project's default.

enum class WebPage { Home, SuggestFeature, MoreSoftware };

// The installation folder (the options' installedDir) + "/Opal Revel Help.html".
std::filesystem::path helpDocumentPath(const std::string& installedDir);

// The key of the addresses and a page's value name in it.
extern const std::string WebKeyPath;
const char* webPageValueName(WebPage page);
std::string defaultWebPageAddress(WebPage page);
// The address from the user's key store, or the default.
std::string webPageAddress(WebPage page);
