#include "app/run_options.h"

#include "presets/preset.h"
#include "presets/settings.h"

#include <cstdio>
#include <random>

namespace {

void complain(const std::string& text) { std::fprintf(stderr, "opal-revel: %s\n", text.c_str()); }

} // namespace

void loadStoredOptions(RunRecord& record)
{
    resetDefaults(record.options, record.preset);
    loadSettings(record.options, record.preset);
}

bool loadStartPreset(RunRecord& record, const std::optional<std::string>& named)
{
    if (!named) {
        if (record.options.randomStart)
            loadRandomPreset(record.options.presetsDir, record.preset);
        return true;
    }
    if (*named == "random") {
        loadRandomPreset(record.options.presetsDir, record.preset);
        return true;
    }
    const std::optional<std::filesystem::path> path = findPresetArgument(*named, record.options.presetsDir);
    if (!path) {
        complain("--preset: no preset " + quoteArgument(*named) + " in "
            + (record.options.presetsDir.empty() ? std::string("(no presets folder)") : quoteArgument(record.options.presetsDir)));
        return false;
    }
    if (!loadPresetFile(*path, record.preset)) {
        complain("--preset: " + quoteArgument(path->string()) + " is not a preset file that can be read");
        return false;
    }
    return true;
}

bool takeRunOptions(RunRecord& record, const HackOptions& options)
{
    loadStoredOptions(record);
    std::random_device entropy;
    applyHackOptions(options, record.options, [&entropy] { return static_cast<uint32_t>(entropy()); });
    return loadStartPreset(record, options.preset);
}
