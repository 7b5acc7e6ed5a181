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
}
