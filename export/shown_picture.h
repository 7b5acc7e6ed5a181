#pragma once

struct ArgbImage;

// The live view's picture as people see it, for the exports. In blur mode the renderer's
// frame goes to the screen bottom-up (its row 0 is the bottom row in the window); a JPEG or
// GIF frame taken from it row by row would stand on its head. Copies the frame into
// `picture`, top row first as shown: reversed row order when `shownBottomUp` is set.
void copyPictureAsShown(const ArgbImage& frame, bool shownBottomUp, ArgbImage& picture);
