#pragma once

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "presets/run_record.h"
#include "tests/platform/temp_folder.h"

// A temporary home for every case, a fresh run record (start options, the start-up scene
// and a library over them), and the critical-error messages collected instead of printed.
class PresetFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        setCriticalErrorHandler(
            [this](const std::string& caption, const std::string& text) { m_messages.push_back(caption + "|" + text); });
    }
    void TearDown() override { setCriticalErrorHandler({}); }

    std::filesystem::path presetsFolder() const { return m_home.root() / "presets"; }

    TempXdgHome m_home;
    std::vector<std::string> m_messages;
    RunRecord m_run;
    SettingsRecord& m_options = m_run.options;
    Preset& m_preset = m_run.preset;
    PresetLibrary& m_library = m_run.library;
};

inline std::string presetBytes(const Preset& preset)
{
    std::ostringstream out(std::ios::binary);
    writePreset(preset, out);
    return out.str();
}

// A preset unlike the start-up scene in every stored part, told apart by its round speed.
inline Preset distinctPreset(double roundSpeed)
{
    Preset preset = newStartPreset();
    preset.objectEnabled = { 1, 0, 1, 0, 7, 1, 0 };
    preset.roundSpeed = roundSpeed;
    preset.radialSpeed = -0.25;
    ShapeStack& stack = *preset.objects.stacks[2][0];
    stack.shapeCount = 3;
    stack.masterSize = 80;
    stack.shapes[2].type = kTorusType;
    stack.shapes[2].width = 90;
    stack.shapes[2].height = 30;
    stack.shapes[1].lightX = -0.5f;
    stack.shapes[4].reserved[1] = 0x12345678; // a slot beyond shapeCount keeps its bytes
    preset.objects.stacks[6][0]->shapes[0].color = 0x00102030;
    return preset;
}

inline void writePresetFile(const std::filesystem::path& path, double roundSpeed)
{
    Preset preset = distinctPreset(roundSpeed);
    writeWholeFile(path, presetBytes(preset));
}
