// Generates the shipped sample presets from their readable definitions.
//
//   make_presets <definitions> <folder>           writes <name>.vhp for every preset
//   make_presets --check <definitions> <folder>   only compares; exit 1 when a file differs
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

#include "platform/user_folders.h"
#include "tools/make_presets/gallery_definitions.h"

int main(int argc, char** argv)
{
    const bool check = argc == 4 && std::strcmp(argv[1], "--check") == 0;
    if (argc != 3 && !check) {
        std::fprintf(stderr, "usage: make_presets [--check] <definitions> <folder>\n");
        return 2;
    }
    const std::filesystem::path definitions = argv[argc - 2];
    const std::filesystem::path folder = argv[argc - 1];

    std::ifstream in(definitions);
    if (!in) {
        std::fprintf(stderr, "make_presets: cannot read %s\n", definitions.c_str());
        return 1;
    }
    std::stringstream text;
    text << in.rdbuf();
    std::vector<GalleryPreset> presets;
    std::string error;
    if (!parseGallery(text.str(), presets, error)) {
        std::fprintf(stderr, "make_presets: %s: %s\n", definitions.c_str(), error.c_str());
        return 1;
    }

    int failures = 0;
    for (GalleryPreset& entry : presets) {
        const std::filesystem::path path = folder / (entry.name + ".vhp");
        if (check) {
            std::ostringstream expected(std::ios::binary);
            writePreset(entry.preset, expected);
            std::ifstream stored(path, std::ios::binary);
            std::stringstream actual;
            actual << stored.rdbuf();
            if (!stored || actual.str() != expected.str()) {
                std::fprintf(stderr, "make_presets: %s differs from its definition\n", path.c_str());
                ++failures;
            }
        } else if (!ensureFolder(folder) || !savePresetFile(path, entry.preset)) {
            std::fprintf(stderr, "make_presets: cannot write %s\n", path.c_str());
            ++failures;
        }
    }
    if (failures == 0)
        std::printf("%s %zu presets\n", check ? "checked" : "wrote", presets.size());
    return failures == 0 ? 0 : 1;
}
