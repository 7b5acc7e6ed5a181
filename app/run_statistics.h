#pragma once

#include "engine/renderer.h"

#include <filesystem>
#include <string>

// The figures of a whole run for measurement, written when the environment names a file
// (OPAL_STATS=<file>): a line "name value" each for the sprites drawn, the sprites drawn up
// to the last present (what the screen shows), the presents made, the run's wall time in
// seconds from the start of the program, and the seconds from the first step of a renderer
// to the last.
std::string runStatisticsText(const RenderStatistics& figures, double runSeconds);
// Writes the text to the file OPAL_STATS names, whole or not at all; nothing when it is
// unset or empty. False when the file could not be written.
bool writeRunStatisticsIfAsked(const RenderStatistics& figures, double runSeconds);
