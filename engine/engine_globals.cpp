#include "engine/engine_globals.h"

int RunMode = 0;
int Aborting = 0;
int FullRepaint = 0;
float SizeScale = 0.0f;
uint8_t HalfSprites = 0;
int BlurEvery = 60;
int GifCaptureActive = 0;
int GifObjectsPerFrame = 100;
void (*GifCaptureTick)() = nullptr;
int GifScale = 40;
int GifFps = 4;
int GifFrames = 10;
int GifColors = 128;
int GifCancelRequested = 0;
int GifObjectCounter = 0;

void ResetEngineGlobals()
{
    RunMode = 0;
    Aborting = 0;
    FullRepaint = 0;
    SizeScale = 0.0f;
    HalfSprites = 0;
    BlurEvery = 60;
    GifCaptureActive = 0;
    GifObjectsPerFrame = 100;
    GifCaptureTick = nullptr;
    GifScale = 40;
    GifFps = 4;
    GifFrames = 10;
    GifColors = 128;
    GifCancelRequested = 0;
    GifObjectCounter = 0;
}
