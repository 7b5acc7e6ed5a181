#pragma once

#include "export/animation_writer.h"

#include <cstdint>

struct WebPAnimEncoder;

// The settings of an animated WebP: lossy at a quality from 0 to 100, or lossless, and the
// frame rate (1 to 30 frames per second).
struct WebpSettings {
    static constexpr int32_t kDefaultQuality = 90;
    int32_t quality = kDefaultQuality;
    bool lossless = false;
    int32_t framesPerSecond = 4;
};

// An animated WebP that loops for ever. Frame i is shown from round(i x 1000 / fps)
// milliseconds on, so the delays add up to the length the frame rate gives even where one
// frame does not last a whole number of milliseconds. Lossless frames keep every pixel.
class WebpAnimationWriter final : public AnimationWriter {
public:
    explicit WebpAnimationWriter(const WebpSettings& settings);
    ~WebpAnimationWriter() override;

    void addFrame(const ArgbImage& frame) override;
    int32_t frameCount() const override { return m_frameCount; }
    std::vector<uint8_t> finish() override;

private:
    int32_t timestampMilliseconds(int32_t frameIndex) const;

    WebpSettings m_settings;
    WebPAnimEncoder* m_encoder = nullptr;
    int32_t m_width = 0;
    int32_t m_height = 0;
    int32_t m_frameCount = 0;
    bool m_finished = false;
};
