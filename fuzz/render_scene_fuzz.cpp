// Small scenes of any preset and any settings drawn by the renderer: sprites and presents
// must stay inside the frames and the panel (AddressSanitizer watches the frames; the
// recording panel's record is checked here), whatever the master sizes, speeds, formula,
// mirror or size.
//
// Input: panel width and height (one byte each, plus 1), Formula (signed byte), Mirror
// (signed byte), flags (bit 0 Travel, bit 1 Filter, bit 2 Interlace, bit 3 saver mode),
// Scale (byte, so 0 and values past 100 too), sprites per blur pass (byte, 0 counting as 1), then a preset block; a
// block the reader refuses leaves the start-up scene.
//
// The scene is kept small, so that the fuzzer runs hundreds of inputs a second: master sizes
// are cut to +-kLargestMasterSize percent, highlight exponents to kLargestPhong, and the
// objects to kMostObjects with their first stack; every formula, mirror, blur and scale
// setting stays reachable. The shading of large and sharp highlights has tests of its own.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include "engine/recording_panel.h"
#include "engine/renderer.h"
#include "presets/preset.h"
#include "presets/settings.h"
#include "shapes/shape_stack.h"

namespace {

constexpr size_t kHeaderBytes = 7;
constexpr int32_t kLargestMasterSize = 150;
constexpr int32_t kLargestPhong = 12;
constexpr std::size_t kMostObjects = 3;

void keepSceneSmall(Preset& preset)
{
    for (std::size_t object = 0; object < preset.objects.stacks.size(); ++object) {
        preset.objectEnabled[object] = object < kMostObjects ? preset.objectEnabled[object] : 0;
        for (std::size_t slot = 1; slot < preset.objects.stacks[object].size(); ++slot)
            preset.objects.stacks[object][slot].reset();
        ShapeStack* stack = preset.objects.stacks[object][0].get();
        if (stack == nullptr)
            continue;
        stack->masterSize %= kLargestMasterSize + 1;
        for (Shape& shape : stack->shapes)
            shape.phong %= kLargestPhong + 1;
    }
    preset.objects.stacksPerObject = 1;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < kHeaderBytes)
        return 0;
    SettingsRecord settings;
    Preset preset = newStartPreset();
    const int32_t width = data[0] + 1;
    const int32_t height = data[1] + 1;
    settings.formula = static_cast<int8_t>(data[2]);
    settings.mirror = static_cast<int8_t>(data[3]);
    settings.travel = data[4] & 1;
    settings.filter = (data[4] & 2) != 0;
    settings.interlace = (data[4] & 4) != 0;
    const RenderRole role = (data[4] & 8) ? RenderRole::Saver : RenderRole::Editor;
    settings.changePresets = 0;
    settings.changeFormula = 0;
    settings.scale = data[5];
    const std::string block(reinterpret_cast<const char*>(data) + kHeaderBytes, size - kHeaderBytes);
    std::istringstream in(block, std::ios::binary);
    readPreset(preset, in);
    keepSceneSmall(preset);

    RecordingPanel panel(width, height);
    Renderer renderer(settings, preset, role);
    renderer.setSpritesPerBlurPass(data[6]);
    renderer.reset(width, height);
    // Two presents: the first after a reset, and one of the rectangles drawn since.
    renderer.drawSprites(7);
    renderer.present(panel);
    renderer.drawSprites(7);
    renderer.present(panel);
    for (const auto& present : panel.presents) {
        if (present.x < 0 || present.y < 0 || present.x + present.width > width || present.y + present.height > height)
            std::abort();
    }
    return 0;
}
