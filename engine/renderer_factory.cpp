#include "engine/renderer_factory.h"

#include "presets/run_record.h"

std::unique_ptr<Renderer> makeRenderer(RenderRole role, RunRecord& record)
{
    auto renderer = std::make_unique<Renderer>(record.options, record.preset, role);
    renderer->setPresetLoader([&record] { loadRandomPreset(record.options.presetsDir, record.preset); });
    return renderer;
}
