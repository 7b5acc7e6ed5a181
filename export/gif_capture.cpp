#include "export/gif_capture.h"

#include "pixels/argb_image.h"
#include "export/gif_frame_capture.h"
#include "export/gif_settings.h"
#include "export/gif_writer.h"
#include "presets/preset.h"

#include <algorithm>
#include <cstdint>
#include <exception>
#include <new>

std::string ExportErrorText(const std::exception& error)
{
    if (dynamic_cast<const std::bad_alloc*>(&error))
        return "There is not enough memory.";
    std::string text = error.what();
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    return text;
}

std::string GifCaptureRefusal(const Preset& preset)
{
    for (std::size_t row = 0; row < static_cast<std::size_t>(kObjectCount); ++row) {
        if (preset.ObjectEnabled[row] && preset.Objects.Stacks[row][0])
            return {};
    }
    return "Every object is switched off, so no frame would ever be drawn. "
           "Switch on at least one object under \"Quick tweaks\" first.";
}

GifCaptureHost::~GifCaptureHost() = default;

GifCapture::GifCapture(GifCaptureHost& host)
    : m_host(host)
{
}

GifCapture::~GifCapture() { stopFollowing(); }

void GifCapture::stopFollowing()
{
    if (!m_following)
        return;
    m_following = false;
    m_host.FollowSprites(nullptr);
}

void GifCapture::StartGifCapture()
{
    // Starting over drops the frames of a capture that runs.
    m_host.ShowGifProgress();
    GifFramesCaptured = 0;
    m_objectCounter = 0;
    GifAnimation = std::make_unique<GifImage>();
    m_cancelRequested = false;
    m_following = true;
    m_host.FollowSprites(this);
    m_host.GifFramesTaken(0, Settings.frames);
}

void GifCapture::BeforeSprite()
{
    if (!GifAnimation)
        return;
    if (m_cancelRequested) {
        AbortGifCapture();
        return;
    }
    // In blur mode every blur pass adds the sprites between two passes to objectsPerFrame,
    // and a pass comes at least that often: compared with the grown value the counter would
    // never catch up and the capture would never end. The gap therefore stops growing at
    // the dialog's largest value.
    const int32_t gap = std::min(Settings.objectsPerFrame, kGifObjectsPerFrameRange.maximum);
    if (m_objectCounter < gap) {
        ++m_objectCounter;
        return;
    }
    m_objectCounter = 0;
    if (GifFramesCaptured < Settings.frames) {
        try {
            CaptureGifFrame();
        } catch (const std::exception& error) {
            fail(ExportErrorText(error));
            return;
        }
        ++GifFramesCaptured;
        m_host.GifFramesTaken(GifFramesCaptured, Settings.frames);
    } else {
        FinishGifCapture();
    }
}

void GifCapture::AfterBlurPass(int32_t spritesPerPass)
{
    if (GifAnimation && Settings.objectsPerFrame <= INT32_MAX - spritesPerPass)
        Settings.objectsPerFrame += spritesPerPass;
}

void GifCapture::CaptureGifFrame()
{
    GifFrameSettings frameSettings;
    frameSettings.scalePercent = Settings.scale;
    frameSettings.colors = Settings.colors;
    frameSettings.framesPerSecond = Settings.fps;
    AppendGifFrame(*GifAnimation, m_host.GifSourceFrame(), frameSettings);
}

void GifCapture::FinishGifCapture()
{
    stopFollowing();
    std::unique_ptr<GifImage> animation = std::move(GifAnimation);
    if (!animation)
        return;
    m_host.GifWriting();
    std::string failure;
    try {
        animation->SaveToFile(GifFileName);
    } catch (const std::exception& error) {
        failure = ExportErrorText(error);
    }
    animation.reset();
    m_host.HideGifProgress();
    if (!failure.empty())
        m_host.GifCaptureFailed(failure);
}

void GifCapture::AbortGifCapture()
{
    stopFollowing();
    GifAnimation.reset();
    m_host.HideGifProgress();
}

void GifCapture::fail(const std::string& text)
{
    AbortGifCapture();
    m_host.GifCaptureFailed(text);
}
