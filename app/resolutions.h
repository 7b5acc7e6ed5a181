#pragma once

#include "platform/display_mode_source.h"

#include <vector>

// The display-mode switch of the saver's "Switch to 640x480" option: list the modes the
// system offers, pick 640 x 480 at 32 bits per pixel (else 16), and switch to it without
// storing the change; the entry point switches back when the program ends.

// The mode table holds at most this many modes.
constexpr int kModeTableSize = 42;

// Lists, filters and sorts the modes of the source (ascending width, height, bits per pixel,
// refresh rate). Empty when no mode qualifies.
std::vector<DisplayMode> listDisplayModes(DisplayModeSource& source);

// The first 640 x 480 mode of the table at 32 bits per pixel, else at 16; null when none.
const DisplayMode* find640x480(const std::vector<DisplayMode>& table);

// Switches to 640 x 480; answers whether the display must be restored at exit.
bool switchTo640x480(DisplayModeSource& source);

// Returns the display to the mode it had before SwitchTo640x480.
void restoreDisplay(DisplayModeSource& source);
