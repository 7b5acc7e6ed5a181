#pragma once

#include "presets/preset.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>

// The editor's undo and redo of the preset being edited. A step keeps the preset's stored
// block as it was before the change (2632 bytes for one stack per object) and what was
// selected then, so that an undo gives back the preset byte for byte and selects what the
// user was looking at. The history holds a fixed number of steps; the oldest goes first,
// so its memory is bounded by that number times one block.
// The quick tweaks the user changes beside the preset while editing: the live view's formula
// and mirror and the palette path's palette. They are run options, not part of the preset's
// bytes, but an undo takes them back as it takes back a shape's change.
struct QuickTweaks {
    int32_t formula = 0;
    int32_t mirror = 0;
    int32_t palette = 0;

    bool operator==(const QuickTweaks&) const = default;
};

struct PresetState {
    std::string block; // the preset's stored block
    int32_t object = 0; // the selected object, 0 to 6
    int32_t shape = 0; // the selected shape of that object
    QuickTweaks tweaks;

    bool operator==(const PresetState&) const = default;
};

// The state of a preset with the given selection and quick tweaks, and the preset back from
// a state (the tweaks are the caller's to put back).
PresetState capturePresetState(const Preset& preset, int32_t object, int32_t shape, const QuickTweaks& tweaks = {});
// False, and the preset untouched, when the block cannot be read (it always can when it
// came from capturePresetState).
bool restorePresetState(const PresetState& state, Preset& preset);

class PresetHistory {
public:
    static constexpr std::size_t kDefaultSteps = 200;

    explicit PresetHistory(std::size_t steps = kDefaultSteps);

    // Called before a change, with the state before it. A change whose merge key is the
    // same non-empty key as the step still open joins that step, so that one slider drag,
    // or a run of key presses on one slider, is undone at once. Any new change drops
    // what could be redone.
    void beforeChange(const PresetState& before, const std::string& mergeKey = {});
    // Closes the open step: the next change starts a new one even with the same key.
    void closeStep();

    bool canUndo() const { return !m_undo.empty(); }
    bool canRedo() const { return !m_redo.empty(); }
    std::size_t undoSteps() const { return m_undo.size(); }

    // Given the state now, gives the state to go back (or forward) to, or nothing when
    // there is no step.
    std::optional<PresetState> undo(const PresetState& now);
    std::optional<PresetState> redo(const PresetState& now);

    void clear();

private:
    std::size_t m_steps;
    std::deque<PresetState> m_undo;
    std::deque<PresetState> m_redo;
    std::string m_openKey;
};
