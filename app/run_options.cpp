#include "app/run_options.h"

#include "presets/preset.h"
#include "presets/settings.h"

#include <cstdio>
#include <random>

namespace {

void complain(const std::string& text) { std::fprintf(stderr, "opal-revel: %s\n", text.c_str()); }

} // namespace

void loadStoredOptions()
{
    resetDefaults();
    loadSettings(CurrentPreset);
}

bool loadStartPreset(const std::optional<std::string>& named)
{
    if (!named) {
        if (Settings.randomStart)
            loadRandomPreset(Settings.presetsDir, CurrentPreset);
        return true;
    }
    if (*named == "random") {
        loadRandomPreset(Settings.presetsDir, CurrentPreset);
        return true;
    }
    const std::optional<std::filesystem::path> path = findPresetArgument(*named, Settings.presetsDir);
    if (!path) {
        complain("--preset: no preset " + quoteArgument(*named) + " in "
            + (Settings.presetsDir.empty() ? std::string("(no presets folder)") : quoteArgument(Settings.presetsDir)));
        return false;
    }
    if (!loadPresetFile(*path, CurrentPreset)) {
        complain("--preset: " + quoteArgument(path->string()) + " is not a preset file that can be read");
        return false;
    }
    return true;
}

bool takeRunOptions(const HackOptions& options)
{
    loadStoredOptions();
    std::random_device entropy;
    applyHackOptions(options, Settings, [&entropy] { return static_cast<uint32_t>(entropy()); });
    return loadStartPreset(options.preset);
}
