#pragma once

#include <string>

// How many pixels of the pointer's image, as the X server on `display` shows it now, are
// not fully transparent; -1 when it cannot be read. (Kept apart from the tests: the X
// headers' macros clash with the test framework's names.)
int visiblePointerPixels(const std::string& display);
