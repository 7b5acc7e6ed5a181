#pragma once

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "presets/preset.h"
#include "presets/preset_library.h"
#include "presets/settings.h"
#include "tests/platform/temp_folder.h"

// A temporary home for every case, start values everywhere, and the critical-error
// messages collected instead of printed.
class PresetFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        CurrentPreset = NewStartPreset();
        ResetDefaults();
        ThePresetLibrary = PresetLibrary {};
        SetCriticalErrorHandler(
            [this](const std::string& caption, const std::string& text) { messages.push_back(caption + "|" + text); });
    }
    void TearDown() override
    {
        SetCriticalErrorHandler({});
        CurrentPreset = NewStartPreset();
        ResetDefaults();
    }

    std::filesystem::path presetsFolder() const { return home.root() / "presets"; }

    TempXdgHome home;
    std::vector<std::string> messages;
};

inline std::string PresetBytes(Preset& preset)
{
    std::ostringstream out(std::ios::binary);
    WritePreset(preset, out);
    return out.str();
}

// A preset unlike the start-up scene in every stored part, told apart by its round speed.
inline Preset DistinctPreset(double roundSpeed)
{
    Preset preset = NewStartPreset();
    preset.ObjectEnabled = { 1, 0, 1, 0, 7, 1, 0 };
    preset.RoundSpeed = roundSpeed;
    preset.RadialSpeed = -0.25;
    ShapeStack& stack = *preset.Objects.Stacks[2][0];
    stack.ShapeCount = 3;
    stack.MasterSize = 80;
    stack.Shapes[2].Type = kTorusType;
    stack.Shapes[2].Width = 90;
    stack.Shapes[2].Height = 30;
    stack.Shapes[1].LightX = -0.5f;
    stack.Shapes[4].Reserved[1] = 0x12345678; // a slot beyond ShapeCount keeps its bytes
    preset.Objects.Stacks[6][0]->Shapes[0].Color = 0x00102030;
    return preset;
}

inline void WritePresetFile(const std::filesystem::path& path, double roundSpeed)
{
    Preset preset = DistinctPreset(roundSpeed);
    WriteWholeFile(path, PresetBytes(preset));
}
