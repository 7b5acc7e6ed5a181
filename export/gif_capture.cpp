#include "export/gif_capture.h"

#include "engine/argb_image.h"
#include "engine/engine_globals.h"
#include "export/gif_frame_capture.h"
#include "export/gif_settings.h"
#include "export/gif_writer.h"
#include "presets/preset.h"

#include <algorithm>
#include <exception>
#include <new>

namespace {

// The capture whose tick the renderer's hook reaches. There is one editor and therefore one
// capture in the program; tests make several in turn.
GifCapture* currentCapture = nullptr;

} // namespace

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

GifCapture::~GifCapture()
{
    if (currentCapture == this) {
        currentCapture = nullptr;
        GifCaptureActive = 0;
        ::GifCaptureTick = nullptr;
    }
}

void GifCapture::tickCurrentCapture()
{
    if (currentCapture)
        currentCapture->GifCaptureTick();
}

void GifCapture::StartGifCapture()
{
    // Starting over drops the frames of a capture that runs, and a write that waits.
    m_writePending = false;
    m_host.ShowGifProgress();
    GifFramesCaptured = 0;
    GifCaptureActive = 1;
    GifObjectCounter = 0;
    GifAnimation = std::make_unique<TGIFImage>();
    GifCancelRequested = 0;
    currentCapture = this;
    ::GifCaptureTick = &GifCapture::tickCurrentCapture;
    m_host.GifFramesTaken(0, GifFrames);
}

void GifCapture::GifCaptureTick()
{
    if (!GifAnimation)
        return;
    if (GifCancelRequested) {
        AbortGifCapture();
        return;
    }
    // In blur mode the renderer adds BlurEvery to GifObjectsPerFrame after every blur pass,
    // which comes at least once every BlurEvery sprites: compared with the grown value the
    // counter would never catch up and the capture would never end. The gap therefore
    // stops growing at the dialog's largest value.
    const int32_t gap = std::min(GifObjectsPerFrame, kGifObjectsPerFrameRange.maximum);
    if (GifObjectCounter < gap) {
        ++GifObjectCounter;
        return;
    }
    GifObjectCounter = 0;
    const std::weak_ptr<bool> alive = m_alive;
    if (GifFramesCaptured < GifFrames) {
        try {
            CaptureGifFrame();
        } catch (const std::exception& error) {
            fail(ExportErrorText(error));
            return;
        }
        ++GifFramesCaptured;
        m_host.GifFramesTaken(GifFramesCaptured, GifFrames);
    } else {
        FinishGifCapture();
        if (alive.expired())
            return;
    }
    m_host.ProcessGuiEvents();
}

void GifCapture::CaptureGifFrame()
{
    GifFrameSettings settings;
    settings.scalePercent = GifScale;
    settings.colors = GifColors;
    settings.framesPerSecond = GifFps;
    AppendGifFrame(*GifAnimation, m_host.GifSourceFrame(), settings);
}

void GifCapture::FinishGifCapture()
{
    GifCaptureActive = 0;
    // The frames leave the capture before the GUI gets its turn: whatever it starts or
    // cancels meanwhile cannot touch the animation that is about to be written.
    std::unique_ptr<TGIFImage> animation = std::move(GifAnimation);
    const std::string fileName = GifFileName;
    m_writePending = true;
    m_host.GifWriting();

    const std::weak_ptr<bool> alive = m_alive;
    m_host.ProcessGuiEvents();
    if (alive.expired() || !m_writePending || !animation)
        return; // destroyed, cancelled or started over meanwhile: nothing is written
    m_writePending = false;

    std::string failure;
    try {
        animation->SaveToFile(fileName);
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
    GifCaptureActive = 0;
    GifAnimation.reset();
    m_writePending = false;
    m_host.HideGifProgress();
}

void GifCapture::fail(const std::string& text)
{
    AbortGifCapture();
    m_host.GifCaptureFailed(text);
}
