#pragma once

#include <QPalette>

// The editor's dark look for the windows that Qt's style draws: the editor's own dialogs,
// the standard file, colour and message dialogs it opens, and its pop-up menu. The editor
// window itself paints its grounds and controls in its own colours and keeps them.

// Light grey text on the pages' dark grey, black fields as in the presets list, and the
// sphere buttons' blue for selections.
QPalette editorDialogPalette();

// Gives every dialog and menu of the program editorDialogPalette. Their children take the
// palette from them; what a dialog sets itself (a list's colours, a window's ground) stays.
void installEditorTheme();
