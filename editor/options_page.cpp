// The Options page: the global options of Settings (motion, the automatic changes, the
// saver's start and size, the presets folder, the blur effect).

#include "editor/toy_window.h"

void TToy::buildOptionsPage() { }

void TToy::RefreshOptions() { }
