// The help document that "Display help" opens: its links and pictures resolve inside the data
// folder, the pictures are the PNGs the page says they are, it describes every tab and the
// options by their captions, and the installation puts it with its pictures beside the presets.

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>

#include "tests/platform/temp_folder.h"

namespace {

namespace fs = std::filesystem;

const fs::path kDataFolder = fs::path(OPAL_SOURCE_DIR) / "data";
const fs::path kDocument = kDataFolder / "Opal Revel Help.html";

std::string readAll(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

std::vector<std::string> attributeValues(const std::string& html, const std::string& attribute)
{
    std::vector<std::string> values;
    const std::regex pattern("\\b" + attribute + "=\"([^\"]*)\"");
    for (auto it = std::sregex_iterator(html.begin(), html.end(), pattern); it != std::sregex_iterator(); ++it)
        values.push_back((*it)[1].str());
    return values;
}

uint32_t bigEndian32(const std::string& bytes, std::size_t at)
{
    return (uint32_t(uint8_t(bytes[at])) << 24) | (uint32_t(uint8_t(bytes[at + 1])) << 16)
        | (uint32_t(uint8_t(bytes[at + 2])) << 8) | uint32_t(uint8_t(bytes[at + 3]));
}

TEST(HelpDocument, LinksAndPicturesResolveAndPicturesAreTheDeclaredPngs)
{
    const std::string html = readAll(kDocument);
    ASSERT_FALSE(html.empty()) << kDocument;

    const std::vector<std::string> ids = attributeValues(html, "id");
    const std::set<std::string> idSet(ids.begin(), ids.end());
    for (const std::string& target : attributeValues(html, "href")) {
        if (target.starts_with("#"))
            EXPECT_TRUE(idSet.count(target.substr(1))) << "no section " << target;
        else
            EXPECT_TRUE(target.starts_with("http")) << "a local link other than a section: " << target;
    }

    // Each picture: a file of the data folder, a PNG whose header size matches the page's.
    const std::regex image("<img src=\"([^\"]+)\" width=\"(\\d+)\" height=\"(\\d+)\"");
    int pictures = 0;
    for (auto it = std::sregex_iterator(html.begin(), html.end(), image); it != std::sregex_iterator(); ++it) {
        ++pictures;
        const fs::path file = kDataFolder / (*it)[1].str();
        const std::string png = readAll(file);
        ASSERT_GE(png.size(), 24u) << file;
        EXPECT_EQ(png.substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8)) << file;
        EXPECT_EQ(bigEndian32(png, 16), std::stoul((*it)[2].str())) << file;
        EXPECT_EQ(bigEndian32(png, 20), std::stoul((*it)[3].str())) << file;
    }
    EXPECT_GE(pictures, 3);
    EXPECT_EQ(html.find("<img src=\"/"), std::string::npos) << "pictures must be relative to the page";
}

TEST(HelpDocument, DescribesEveryTabTheOptionsTheSwitchesAndTheFiles)
{
    const std::string html = readAll(kDocument);
    for (const char* text : { "\"Render\"", "\"Save\"", "\"Options\"", "\"Help\"", "\"Presets\"",
             "\"Clear Screen\"", "\"Master size\"", "\"Phong power\"", "\"Automatic applying ...\"",
             "\"Shape type\"", "\"Clone selected shape\"", "\"Save as Preset\"", "\"Save as JPEG image\"",
             "\"Save as GIF animation\"", "\"Travelling animation\"", "\"Change Preset\"", "\"Change Formula\"",
             "\"Change Mirror\"", "\"Start with random preset\"", "\"Switch to 640x480\"", "\"Allow blur\"",
             "\"Interlaced \"", "\"Auto change\"", "\"Change storage directory\"", "\"Previous\"", "\"Random\"",
             "\"Next\"", "\"Display help\"", "\"Adjust GIF settings\"", "opal-revel /s", "opal-revel /c",
             "/p <var>", "--root", "programs:", ".vhp", "opalrevel.cfg", "registry.reg",
             "$XDG_DATA_HOME/opal-revel/presets" })
        EXPECT_NE(html.find(text), std::string::npos) << "the help does not mention " << text;
}

// The editor opens InstalledDir + "/Opal Revel Help.html"; the installation must put the page
// and its pictures in the same folder as the sample presets, which the first run records as
// InstalledDir.
TEST(HelpDocument, IsInstalledWithItsPicturesBesideThePresets)
{
    TempFolder prefix;
    const std::string command = "cmake -DCMAKE_INSTALL_PREFIX='" + prefix.path().string() + "' -P '"
        + OPAL_BINARY_DIR + "/cmake_install.cmake' > '" + prefix.path().string() + "/install.log' 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0) << readAll(prefix.path() / "install.log");

    const fs::path installed = prefix.path() / "share/opal-revel";
    ASSERT_TRUE(fs::is_regular_file(installed / "Opal Revel Help.html"));
    EXPECT_EQ(readAll(installed / "Opal Revel Help.html"), readAll(kDocument));
    EXPECT_TRUE(fs::is_regular_file(installed / "presets/candy.vhp"));
    for (const std::string& source : attributeValues(readAll(kDocument), "src"))
        EXPECT_TRUE(fs::is_regular_file(installed / source)) << source;
    EXPECT_FALSE(fs::exists(installed / "help/make_pictures.sh")) << "the picture script is not data";
}

} // namespace
