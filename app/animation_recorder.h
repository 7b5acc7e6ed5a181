#pragma once

#include "app/hack_options.h"
#include "export/animation_writer.h"

#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>

class Renderer;

// What one headless recording makes: the picture's size, the frame rate and the number of
// frames.
struct RecordPlan {
    int32_t width = kDefaultRecordWidth;
    int32_t height = kDefaultRecordHeight;
    int32_t framesPerSecond = kDefaultRecordFps;
    int32_t frames = 0;
};

// The recorder plays the saver's clock instead of waiting for it: frame i is the saver's
// screen at the display refresh (i + 1) / fps seconds after the run began, so it shows
// exactly the sprites the saver has drawn by then, one every Renderer::kSpriteGapMicros from
// the first at time 0. With --sprites N the recording lasts until the refresh that shows the
// N-th sprite; with --seconds N (5 when neither is given) it has N x fps frames.
RecordPlan recordPlan(const HackOptions& options);

// The sprites (the renderer's schedule slots) drawn when frame `index` is shown.
int64_t spritesShownInFrame(int32_t index, int32_t framesPerSecond);

// The writer for the file's format at the plan's rate: a GIF at full size with 255 colours,
// an animated WebP at its default quality, a WebM at its default quality.
std::unique_ptr<AnimationWriter> makeRecordWriter(AnimationFormat format, const RecordPlan& plan);

// Resets the renderer to the plan's size and steps it on the saver's clock and hands every
// frame to the writer, telling `progress` the frames done after each one. The renderer's
// automatic changes, if on, follow that clock too.
void recordFrames(Renderer& renderer, const RecordPlan& plan, AnimationWriter& writer,
    const std::function<void(int32_t done, int32_t total)>& progress);

// Reports the progress of a recording: on a terminal one line rewritten in place, else a
// plain line at every further 10 %.
class RecordProgress {
public:
    RecordProgress(std::FILE* stream, bool terminal);
    void operator()(int32_t done, int32_t total);

private:
    std::FILE* m_stream;
    bool m_terminal;
    int32_t m_lastTenth = 0;
    int32_t m_lastPercent = -1;
};
