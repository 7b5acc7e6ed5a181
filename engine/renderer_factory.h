#pragma once

#include "engine/renderer.h"

#include <memory>

struct RunRecord;

// The one way a window gets its renderer: over the run's options and preset, in the given
// role, with automatic preset changes loading a random preset of the run's presets folder.
// The record must outlive the renderer.
std::unique_ptr<Renderer> makeRenderer(RenderRole role, RunRecord& record);
