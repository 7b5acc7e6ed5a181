#pragma once

// The toolkit ends the process with an abort when it finds no X display. Asking first lets
// the program say so in one line ("opal-revel: cannot open display :7") and end with a status
// a host can read. Another platform than X11, chosen through QT_QPA_PLATFORM, is left to the
// toolkit.
//
// True when the display can be opened; otherwise false, with the line on standard error.
bool checkDisplay();
