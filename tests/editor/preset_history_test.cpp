#include "editor/preset_history.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace {

// One random edit of the kinds the editor makes: a shape's field, an object switch, a
// speed, a clone or a removal. Gives the merge key a slider would give (a run of changes
// to one field of one shape), or none.
std::string randomEdit(Preset& preset, std::mt19937& random)
{
    const int32_t object = static_cast<int32_t>(random() % kObjectCount);
    ShapeStack& stack = *preset.objects.stacks[static_cast<std::size_t>(object)][0];
    const int32_t shape = static_cast<int32_t>(random() % static_cast<uint32_t>(shapesInUse(stack)));
    Shape& target = stack.shapes[static_cast<std::size_t>(shape)];
    switch (random() % 6) {
    case 0:
        target.width = static_cast<int32_t>(random() % 200);
        return "width " + std::to_string(object) + " " + std::to_string(shape);
    case 1:
        target.phong = static_cast<int32_t>(random() % 100);
        return "phong " + std::to_string(object) + " " + std::to_string(shape);
    case 2:
        preset.objectEnabled[static_cast<std::size_t>(object)] ^= 1;
        return {};
    case 3:
        preset.roundSpeed += 0.25;
        return {};
    case 4:
        cloneLastShape(stack);
        return {};
    default:
        removeShape(stack, shape);
        return {};
    }
}

struct HistoryCase {
    uint32_t seed;
    std::size_t steps; // the history's length
    int edits;
};

class PresetHistoryTest : public ::testing::TestWithParam<HistoryCase> {};

// Random edits, some of them runs on one field that make one step, then a random walk of
// undos and redos: at every point the preset is byte for byte the state the timeline has
// there, with its selection, and no further back than the history holds.
TEST_P(PresetHistoryTest, UndoAndRedoWalkTheTimelineByteForByte)
{
    const HistoryCase& param = GetParam();
    std::mt19937 random(param.seed);
    Preset preset = newStartPreset();
    PresetHistory history(param.steps);
    std::vector<PresetState> timeline; // the state at each step boundary, oldest first
    std::string lastKey;
    for (int edit = 0; edit < param.edits; ++edit) {
        const int32_t selected = edit % kObjectCount;
        const PresetState before = capturePresetState(preset, selected, edit % 3);
        const std::string key = randomEdit(preset, random);
        if (key.empty() || key != lastKey)
            timeline.push_back(before);
        history.beforeChange(before, key);
        lastKey = key;
        if (edit % 5 == 4) {
            history.closeStep();
            lastKey.clear();
        }
    }
    timeline.push_back(capturePresetState(preset, 0, 0));

    const std::size_t last = timeline.size() - 1;
    const std::size_t oldest = last > param.steps ? last - param.steps : 0;
    std::size_t at = last;
    for (int move = 0; move < 4 * param.edits; ++move) {
        const PresetState now = capturePresetState(preset, timeline[at].object, timeline[at].shape);
        ASSERT_EQ(now.block, timeline[at].block) << "at " << at;
        const bool back = random() % 2 == 0;
        const auto next = back ? history.undo(now) : history.redo(now);
        if (back ? at == oldest : at == last) {
            EXPECT_FALSE(next.has_value()) << "nothing beyond " << at;
            continue;
        }
        ASSERT_TRUE(next.has_value()) << at;
        at = back ? at - 1 : at + 1;
        EXPECT_EQ(next->object, timeline[at].object);
        EXPECT_EQ(next->shape, timeline[at].shape);
        ASSERT_TRUE(restorePresetState(*next, preset));
    }
}

INSTANTIATE_TEST_SUITE_P(Seeds, PresetHistoryTest,
    ::testing::Values(HistoryCase { 1, 200, 60 }, HistoryCase { 7, 200, 150 }, HistoryCase { 42, 10, 40 },
        HistoryCase { 99, 1, 12 }));

// A new change after undoing drops what could be redone.
TEST(PresetHistory, ANewChangeDropsTheRedoSteps)
{
    Preset preset = newStartPreset();
    PresetHistory history;
    history.beforeChange(capturePresetState(preset, 0, 0));
    preset.roundSpeed = 2.0;
    ASSERT_TRUE(history.undo(capturePresetState(preset, 0, 0)).has_value());
    EXPECT_TRUE(history.canRedo());
    history.beforeChange(capturePresetState(preset, 0, 0), "width 0 0");
    EXPECT_FALSE(history.canRedo());
    EXPECT_EQ(history.undoSteps(), 1u);
}

} // namespace
