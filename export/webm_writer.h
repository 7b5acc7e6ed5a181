#pragma once

#include "export/animation_writer.h"
#include "export/webm_muxer.h"

#include <cstdint>
#include <memory>

// The settings of a VP9 video in WebM: constant quality (0 best to 63 smallest) when the bit
// rate is 0, else an average bit rate in kilobits per second; the frame rate (1 to 30); and
// the encoder's speed step (0 slowest and best to 9 fastest); and whether the encoder works
// in its real-time mode, which looks at no later frames and keeps pace with a live source
// (the recorder's full-size frames) at some cost in size.
struct WebmSettings {
    static constexpr int32_t kDefaultQuality = 24;
    static constexpr int32_t kDefaultSpeed = 6;
    int32_t quality = kDefaultQuality;
    int32_t bitRateKilobits = 0;
    int32_t framesPerSecond = 4;
    int32_t speed = kDefaultSpeed;
    bool realTime = false;
};

// A VP9 video in a WebM file. The frames are converted to 4:2:0 with the BT.709 matrix in
// limited range and tagged so, in the bit stream and in the container, so that players
// show the colours as they were. An odd side is padded to even by repeating the last
// column or row, and the container crops the padding off again. Frame i is shown at
// round(i x 1000 / fps) milliseconds. A key frame comes at least every two seconds, and the
// container's cues point at each, so players seek quickly.
class WebmWriter final : public AnimationWriter {
public:
    explicit WebmWriter(const WebmSettings& settings);
    ~WebmWriter() override;

    void addFrame(const ArgbImage& frame) override;
    int32_t frameCount() const override { return m_frameCount; }
    std::vector<uint8_t> finish() override;

private:
    struct Codec;
    void start(int32_t width, int32_t height);
    // Hands the image (or, at the end of the stream, nothing) to the encoder and moves every
    // coded frame it gives back into the muxer; true when it gave one.
    bool encode(bool endOfStream);

    WebmSettings m_settings;
    std::unique_ptr<Codec> m_codec;
    std::unique_ptr<WebmMuxer> m_muxer;
    int32_t m_width = 0;
    int32_t m_height = 0;
    int32_t m_frameCount = 0;
    bool m_finished = false;
    unsigned long m_deadline = 0;  // the encoder's time per frame in microseconds; 0: as long as it takes
};
