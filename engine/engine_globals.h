#pragma once

#include <cstdint>

// The engine's process-wide variables, shared by the renderer, the sprite builder and
// the windows. They live for the whole process; tests reset them in their fixtures.

// 0 preview, 1 configure, 2 saver; set by the launcher of the run mode.
extern int RunMode;
// When set, a running RunFrames returns before its next object.
extern int Aborting;
// The next present copies the whole frame instead of the sprite's rectangle.
extern int FullRepaint;
// Pixels per design unit, written by the renderer's ComputeScale and read by the sprite builder.
extern float SizeScale;
// Equals Filter while the renderer has a sprite rebuilt, 0 otherwise; the sprite builder
// flips the light's vertical component while it is set.
extern uint8_t HalfSprites;
// Sprites between blur passes in filter mode.
extern int BlurEvery;

// The animated-GIF capture: while GifCaptureActive is set, the renderer calls
// GifCaptureTick (when present) before every sprite.
extern int GifCaptureActive;
extern int GifObjectsPerFrame;
extern void (*GifCaptureTick)();

// The other settings of the GIF export, chosen in its dialog and kept for the process only:
// frame size in percent of the render panel (40), frames per second written as the frame
// delay (4), frames to capture (10) and colours asked of the quantiser (128).
extern int GifScale;
extern int GifFps;
extern int GifFrames;
extern int GifColors;
// The state of a running capture: the cancel button sets GifCancelRequested, and
// GifObjectCounter counts the sprites since the last frame was taken.
extern int GifCancelRequested;
extern int GifObjectCounter;

// Puts every variable above back to its start value.
void ResetEngineGlobals();
