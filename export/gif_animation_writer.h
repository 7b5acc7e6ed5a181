#pragma once

#include "export/animation_writer.h"
#include "export/gif_frame_capture.h"

#include <memory>

class GifImage;

// The GIF writer behind the AnimationWriter interface: every frame goes through
// appendGifFrame with the given frame settings, and finish gives GifImage's stream, so a
// GIF made here has the bytes the GIF capture has always written.
class GifAnimationWriter final : public AnimationWriter {
public:
    explicit GifAnimationWriter(const GifFrameSettings& settings);
    ~GifAnimationWriter() override;

    void addFrame(const ArgbImage& frame) override;
    int32_t frameCount() const override;
    std::vector<uint8_t> finish() override;

private:
    GifFrameSettings m_settings;
    std::unique_ptr<GifImage> m_animation;
};
