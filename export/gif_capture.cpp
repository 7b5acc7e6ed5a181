#include "export/gif_capture.h"

#include "pixels/argb_image.h"
#include "export/gif_frame_capture.h"
#include "export/animation_settings.h"
#include "export/gif_animation_writer.h"
#include "export/scaled_frame.h"
#include "export/webm_writer.h"
#include "export/webp_animation_writer.h"
#include "presets/preset.h"

#include <algorithm>
#include <cstdint>
#include <exception>
#include <new>

std::string exportErrorText(const std::exception& error)
{
    if (dynamic_cast<const std::bad_alloc*>(&error))
        return "There is not enough memory.";
    std::string text = error.what();
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    return text;
}

std::string gifCaptureRefusal(const Preset& preset)
{
    for (std::size_t row = 0; row < static_cast<std::size_t>(kObjectCount); ++row) {
        if (preset.objectEnabled[row] && preset.objects.stacks[row][0])
            return {};
    }
    return "Every object is switched off, so no frame would ever be drawn. "
           "Switch on at least one object under \"Quick tweaks\" first.";
}

std::unique_ptr<AnimationWriter> makeCaptureWriter(const AnimationSettings& settings)
{
    switch (settings.format) {
    case AnimationFormat::Gif:
        break;
    case AnimationFormat::Webp: {
        WebpSettings webp;
        webp.quality = settings.webpQuality;
        webp.lossless = settings.webpLossless;
        webp.framesPerSecond = settings.fps;
        return std::make_unique<WebpAnimationWriter>(webp);
    }
    case AnimationFormat::Webm: {
        WebmSettings webm;
        webm.quality = settings.webmQuality;
        webm.bitRateKilobits = settings.webmBitRate;
        webm.framesPerSecond = settings.fps;
        return std::make_unique<WebmWriter>(webm);
    }
    }
    GifFrameSettings frameSettings;
    frameSettings.scalePercent = settings.scale;
    frameSettings.colors = settings.colors;
    frameSettings.framesPerSecond = settings.fps;
    return std::make_unique<GifAnimationWriter>(frameSettings);
}

void addCaptureFrame(AnimationWriter& writer, const ArgbImage& source, const AnimationSettings& settings)
{
    if (settings.format == AnimationFormat::Gif)
        writer.addFrame(source);
    else
        writer.addFrame(scaledFrame(source, settings.scale));
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
    m_host.followSprites(nullptr);
}

void GifCapture::startGifCapture()
{
    // Starting over drops the frames of a capture that runs.
    m_host.showGifProgress();
    gifFramesCaptured = 0;
    m_objectCounter = 0;
    animation = makeCaptureWriter(settings);
    m_cancelRequested = false;
    m_following = true;
    m_host.followSprites(this);
    m_host.gifFramesTaken(0, settings.frames);
}

void GifCapture::beforeSprite()
{
    if (!animation)
        return;
    if (m_cancelRequested) {
        abortGifCapture();
        return;
    }
    // In blur mode every blur pass adds the sprites between two passes to objectsPerFrame,
    // and a pass comes at least that often: compared with the grown value the counter would
    // never catch up and the capture would never end. The gap therefore stops growing at
    // the dialog's largest value.
    const int32_t gap = std::min(settings.objectsPerFrame, kObjectsPerFrameRange.maximum);
    if (m_objectCounter < gap) {
        ++m_objectCounter;
        return;
    }
    m_objectCounter = 0;
    if (gifFramesCaptured < settings.frames) {
        try {
            captureGifFrame();
        } catch (const std::exception& error) {
            fail(exportErrorText(error));
            return;
        }
        ++gifFramesCaptured;
        m_host.gifFramesTaken(gifFramesCaptured, settings.frames);
    } else {
        finishGifCapture();
    }
}

void GifCapture::afterBlurPass(int32_t spritesPerPass)
{
    if (animation && settings.objectsPerFrame <= INT32_MAX - spritesPerPass)
        settings.objectsPerFrame += spritesPerPass;
}

void GifCapture::captureGifFrame()
{
    addCaptureFrame(*animation, m_host.gifSourceFrame(), settings);
}

void GifCapture::finishGifCapture()
{
    stopFollowing();
    std::unique_ptr<AnimationWriter> finished = std::move(animation);
    if (!finished)
        return;
    m_host.gifWriting();
    std::string failure;
    try {
        saveAnimationFile(*finished, gifFileName);
    } catch (const std::exception& error) {
        failure = exportErrorText(error);
    }
    finished.reset();
    m_host.hideGifProgress();
    if (!failure.empty())
        m_host.gifCaptureFailed(failure);
}

void GifCapture::abortGifCapture()
{
    stopFollowing();
    animation.reset();
    m_host.hideGifProgress();
}

void GifCapture::fail(const std::string& text)
{
    abortGifCapture();
    m_host.gifCaptureFailed(text);
}
