#include "app/animation_recorder.h"

#include "engine/recording_panel.h"
#include "engine/renderer.h"
#include "export/gif_animation_writer.h"
#include "export/webm_writer.h"
#include "export/webp_animation_writer.h"

#include <algorithm>
#include <cstdio>

namespace {

constexpr int64_t kMicrosPerSecond = 1'000'000;
constexpr int32_t kRecordGifColors = 255;
constexpr int32_t kRecordWebmSpeed = 9;
// The saver is stepped at every display refresh; the recorder steps as often on its clock
// (a 60 Hz refresh), so that a slow frame rate never looks to the renderer like a stalled
// process whose late sprites it would drop.
constexpr int64_t kRefreshMicros = kMicrosPerSecond / 60;

// The saver's time, in microseconds, at which frame `index` is shown.
int64_t frameTimeMicros(int32_t index, int32_t framesPerSecond)
{
    return (static_cast<int64_t>(index) + 1) * kMicrosPerSecond / framesPerSecond;
}

} // namespace

int64_t spritesShownInFrame(int32_t index, int32_t framesPerSecond)
{
    return frameTimeMicros(index, framesPerSecond) / Renderer::kSpriteGapMicros + 1;
}

RecordPlan recordPlan(const HackOptions& options)
{
    RecordPlan plan;
    plan.width = options.recordWidth.value_or(kDefaultRecordWidth);
    plan.height = options.recordHeight.value_or(kDefaultRecordHeight);
    plan.framesPerSecond = options.recordFps.value_or(kDefaultRecordFps);
    if (options.recordSprites) {
        plan.frames = 1;
        while (spritesShownInFrame(plan.frames - 1, plan.framesPerSecond) < *options.recordSprites)
            ++plan.frames;
    } else {
        plan.frames = options.recordSeconds.value_or(kDefaultRecordSeconds) * plan.framesPerSecond;
    }
    return plan;
}

std::unique_ptr<AnimationWriter> makeRecordWriter(AnimationFormat format, const RecordPlan& plan)
{
    switch (format) {
    case AnimationFormat::Gif: {
        GifFrameSettings settings;
        settings.scalePercent = 100;
        settings.colors = kRecordGifColors;
        settings.framesPerSecond = plan.framesPerSecond;
        return std::make_unique<GifAnimationWriter>(settings);
    }
    case AnimationFormat::Webp: {
        WebpSettings settings;
        settings.framesPerSecond = plan.framesPerSecond;
        return std::make_unique<WebpAnimationWriter>(settings);
    }
    case AnimationFormat::Webm:
        break;
    }
    // Full-size frames at full speed: the encoder's real-time mode at its fastest step.
    WebmSettings settings;
    settings.framesPerSecond = plan.framesPerSecond;
    settings.realTime = true;
    settings.speed = kRecordWebmSpeed;
    return std::make_unique<WebmWriter>(settings);
}

void recordFrames(Renderer& renderer, const RecordPlan& plan, AnimationWriter& writer,
    const std::function<void(int32_t done, int32_t total)>& progress)
{
    RecordingPanel panel(plan.width, plan.height);
    panel.recordPresents = false;
    int64_t nowMicros = 0;
    renderer.setCalendarClock([&nowMicros] { return nowMicros / kMicrosPerSecond; });
    renderer.reset(plan.width, plan.height);
    renderer.step(0);
    for (int32_t index = 0; index < plan.frames; ++index) {
        const int64_t frameMicros = frameTimeMicros(index, plan.framesPerSecond);
        while (nowMicros < frameMicros) {
            nowMicros = std::min(nowMicros + kRefreshMicros, frameMicros);
            renderer.step(nowMicros);
        }
        renderer.present(panel);
        writer.addFrame(panel.screen);
        if (progress)
            progress(index + 1, plan.frames);
    }
}

RecordProgress::RecordProgress(std::FILE* stream, bool terminal)
    : m_stream(stream)
    , m_terminal(terminal)
{
}

void RecordProgress::operator()(int32_t done, int32_t total)
{
    const auto percent = static_cast<int32_t>(static_cast<int64_t>(done) * 100 / std::max(total, 1));
    if (m_terminal) {
        if (percent != m_lastPercent || done == total) {
            m_lastPercent = percent;
            std::fprintf(m_stream, "\rRecording: %3d %% (%d of %d frames)%s", percent, done, total,
                done == total ? "\n" : "");
            std::fflush(m_stream);
        }
        return;
    }
    const int32_t tenth = percent / 10;
    if (tenth > m_lastTenth) {
        m_lastTenth = tenth;
        std::fprintf(m_stream, "Recording: %d %% (%d of %d frames)\n", tenth * 10, done, total);
        std::fflush(m_stream);
    }
}
