#pragma once

#include "engine/renderer.h"
#include "export/gif_capture.h"
#include "pixels/argb_image.h"

#include <string>

// A capture host for benchmarks, without windows: nothing to show, a failure kept as text.
// The frames come from a renderer the capture follows, or from a prepared frame when the
// benchmark ticks the capture itself.
class QuietCaptureHost : public GifCaptureHost {
public:
    explicit QuietCaptureHost(const ArgbImage& frame)
        : m_frame(&frame)
    {
    }
    explicit QuietCaptureHost(Renderer& renderer)
        : m_renderer(&renderer)
    {
    }

    const ArgbImage& gifSourceFrame() override { return m_renderer ? m_renderer->frame() : *m_frame; }
    void followSprites(SpriteObserver* observer) override
    {
        if (m_renderer)
            m_renderer->setSpriteObserver(observer);
    }
    void showGifProgress() override { }
    void gifFramesTaken(int32_t, int32_t) override { }
    void gifWriting() override { }
    void hideGifProgress() override { }
    void gifCaptureFailed(const std::string& text) override { failure = text; }

    std::string failure;

private:
    const ArgbImage* m_frame = nullptr;
    Renderer* m_renderer = nullptr;
};
