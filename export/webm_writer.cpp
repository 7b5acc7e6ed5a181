#include "export/webm_writer.h"

#include "export/text_exception.h"
#include "pixels/argb_image.h"

#include <vpx/vp8cx.h>
#include <vpx/vpx_encoder.h>

#include <algorithm>
#include <thread>

namespace {

constexpr int64_t kMillisecondsPerSecond = 1000;
constexpr int64_t kNanosecondsPerSecond = 1000000000;
constexpr int kLog2TileColumns = 2;
// A key frame at least every two seconds, so that a player seeking anywhere decodes at most
// two seconds of frames from the key frame before it.
constexpr int32_t kKeyFrameIntervalSeconds = 2;

// BT.709 in limited range, in 16-bit fixed point: Y = 16 + (219 / 255)(Kr R + Kg G + Kb B),
// Cb and Cr = 128 + (224 / 255)(B or R - Y') / (2 (1 - Kb or Kr)).
constexpr int32_t kShift = 16;
constexpr int32_t kHalf = 1 << (kShift - 1);
constexpr int32_t kYr = 11966;   // 0.2126 x 219 / 255 x 65536
constexpr int32_t kYg = 40254;   // 0.7152 x 219 / 255 x 65536
constexpr int32_t kYb = 4064;    // 0.0722 x 219 / 255 x 65536
constexpr int32_t kCbR = -6596;  // -0.2126 / 1.8556 x 224 / 255 x 65536
constexpr int32_t kCbG = -22189; // -0.7152 / 1.8556 x 224 / 255 x 65536
constexpr int32_t kCbB = 28785;  // 0.5 x 224 / 255 x 65536
constexpr int32_t kCrR = 28785;
constexpr int32_t kCrG = -26145; // -0.7152 / 1.5748 x 224 / 255 x 65536
constexpr int32_t kCrB = -2640;  // -0.0722 / 1.5748 x 224 / 255 x 65536

[[noreturn]] void fail(const std::string& text)
{
    throw TextException(TextException::kLibraryError, text + "\n");
}

inline int32_t red(uint32_t pixel) { return static_cast<int32_t>((pixel >> 16) & 0xFF); }
inline int32_t green(uint32_t pixel) { return static_cast<int32_t>((pixel >> 8) & 0xFF); }
inline int32_t blue(uint32_t pixel) { return static_cast<int32_t>(pixel & 0xFF); }

// Fills the image's planes from the frame; the image is the frame's size rounded up to even,
// and the padding repeats the last column and row.
void convertToI420(const ArgbImage& frame, vpx_image_t& image)
{
    const int32_t width = frame.width;
    const int32_t height = frame.height;
    const auto codedWidth = static_cast<int32_t>(image.d_w);
    const auto codedHeight = static_cast<int32_t>(image.d_h);
    for (int32_t y = 0; y < codedHeight; y += 2) {
        const uint32_t* rows[2] = { frame.row(std::min(y, height - 1)), frame.row(std::min(y + 1, height - 1)) };
        uint8_t* lumaRows[2] = { image.planes[VPX_PLANE_Y] + static_cast<std::ptrdiff_t>(y) * image.stride[VPX_PLANE_Y],
            image.planes[VPX_PLANE_Y] + static_cast<std::ptrdiff_t>(y + 1) * image.stride[VPX_PLANE_Y] };
        uint8_t* cbRow = image.planes[VPX_PLANE_U] + static_cast<std::ptrdiff_t>(y / 2) * image.stride[VPX_PLANE_U];
        uint8_t* crRow = image.planes[VPX_PLANE_V] + static_cast<std::ptrdiff_t>(y / 2) * image.stride[VPX_PLANE_V];
        for (int32_t x = 0; x < codedWidth; x += 2) {
            const int32_t left = std::min(x, width - 1);
            const int32_t right = std::min(x + 1, width - 1);
            int32_t sumRed = 0;
            int32_t sumGreen = 0;
            int32_t sumBlue = 0;
            for (int row = 0; row < 2; ++row) {
                const uint32_t pixels[2] = { rows[row][left], rows[row][right] };
                for (int column = 0; column < 2; ++column) {
                    const uint32_t pixel = pixels[column];
                    const int32_t r = red(pixel);
                    const int32_t g = green(pixel);
                    const int32_t b = blue(pixel);
                    lumaRows[row][x + column]
                        = static_cast<uint8_t>(16 + ((kYr * r + kYg * g + kYb * b + kHalf) >> kShift));
                    sumRed += r;
                    sumGreen += g;
                    sumBlue += b;
                }
            }
            // The chroma of the four pixels' mean colour; the sums are four times the mean.
            cbRow[x / 2] = static_cast<uint8_t>(
                128 + ((kCbR * sumRed + kCbG * sumGreen + kCbB * sumBlue + 4 * kHalf) >> (kShift + 2)));
            crRow[x / 2] = static_cast<uint8_t>(
                128 + ((kCrR * sumRed + kCrG * sumGreen + kCrB * sumBlue + 4 * kHalf) >> (kShift + 2)));
        }
    }
}

} // namespace

struct WebmWriter::Codec {
    vpx_codec_ctx_t context {};
    vpx_image_t image {};
    bool contextOpen = false;
    bool imageAllocated = false;

    ~Codec()
    {
        if (contextOpen)
            vpx_codec_destroy(&context);
        if (imageAllocated)
            vpx_img_free(&image);
    }
};

WebmWriter::WebmWriter(const WebmSettings& settings)
    : m_settings(settings)
{
    m_settings.quality = std::clamp(m_settings.quality, 0, 63);
    m_settings.bitRateKilobits = std::max(m_settings.bitRateKilobits, 0);
    m_settings.framesPerSecond = std::clamp(m_settings.framesPerSecond, 1, 30);
    m_settings.speed = std::clamp(m_settings.speed, 0, 9);
    m_deadline = m_settings.realTime ? VPX_DL_REALTIME : VPX_DL_GOOD_QUALITY;
}

WebmWriter::~WebmWriter() = default;

void WebmWriter::start(int32_t width, int32_t height)
{
    m_width = width;
    m_height = height;
    const int32_t codedWidth = (width + 1) & ~1;
    const int32_t codedHeight = (height + 1) & ~1;
    auto codec = std::make_unique<Codec>();
    vpx_codec_enc_cfg_t config;
    if (vpx_codec_enc_config_default(vpx_codec_vp9_cx(), &config, 0) != VPX_CODEC_OK)
        fail("The VP9 encoder has no default settings.");
    config.g_w = static_cast<unsigned>(codedWidth);
    config.g_h = static_cast<unsigned>(codedHeight);
    config.g_timebase.num = 1;
    config.g_timebase.den = m_settings.framesPerSecond;
    config.g_threads = std::max(1U, std::thread::hardware_concurrency());
    config.g_pass = VPX_RC_ONE_PASS;
    config.kf_mode = VPX_KF_AUTO;
    config.kf_max_dist = static_cast<unsigned>(kKeyFrameIntervalSeconds * m_settings.framesPerSecond);
    if (m_settings.realTime)
        config.g_lag_in_frames = 0;
    if (m_settings.bitRateKilobits > 0) {
        config.rc_end_usage = VPX_VBR;
        config.rc_target_bitrate = static_cast<unsigned>(m_settings.bitRateKilobits);
    } else {
        config.rc_end_usage = VPX_Q;
        config.rc_min_quantizer = 0;
        config.rc_max_quantizer = 63;
    }
    if (vpx_codec_enc_init(&codec->context, vpx_codec_vp9_cx(), &config, 0) != VPX_CODEC_OK)
        fail("The VP9 encoder could not be started.");
    codec->contextOpen = true;
    vpx_codec_control(&codec->context, VP8E_SET_CPUUSED, m_settings.speed);
    vpx_codec_control(&codec->context, VP9E_SET_ROW_MT, 1);
    // Tile columns let the threads share a frame (the encoder caps the count by the width).
    vpx_codec_control(&codec->context, VP9E_SET_TILE_COLUMNS, kLog2TileColumns);
    vpx_codec_control(&codec->context, VP9E_SET_COLOR_SPACE, VPX_CS_BT_709);
    vpx_codec_control(&codec->context, VP9E_SET_COLOR_RANGE, VPX_CR_STUDIO_RANGE);
    if (m_settings.bitRateKilobits == 0)
        vpx_codec_control(&codec->context, VP8E_SET_CQ_LEVEL, m_settings.quality);
    if (!vpx_img_alloc(&codec->image, VPX_IMG_FMT_I420, static_cast<unsigned>(codedWidth),
            static_cast<unsigned>(codedHeight), 32))
        throw std::bad_alloc();
    codec->imageAllocated = true;
    codec->image.cs = VPX_CS_BT_709;
    codec->image.range = VPX_CR_STUDIO_RANGE;

    WebmMuxer::VideoTrack track;
    track.codedWidth = codedWidth;
    track.codedHeight = codedHeight;
    track.displayWidth = width;
    track.displayHeight = height;
    track.frameDurationNanoseconds = kNanosecondsPerSecond / m_settings.framesPerSecond;
    m_muxer = std::make_unique<WebmMuxer>(track);
    m_codec = std::move(codec);
}

void WebmWriter::addFrame(const ArgbImage& frame)
{
    if (m_finished)
        fail("The WebM video is already finished.");
    const int32_t largest = largestFrameSide(AnimationFormat::Webm);
    if (frame.width <= 0 || frame.height <= 0 || frame.width > largest || frame.height > largest)
        throw TextException(TextException::kBadArgument, "A WebM frame must be 1 to 16384 pixels on each side.\n");
    if (!m_codec)
        start(frame.width, frame.height);
    else if (frame.width != m_width || frame.height != m_height)
        throw TextException(TextException::kBadArgument, "Every WebM frame must have the size of the first.\n");
    convertToI420(frame, m_codec->image);
    encode(false);
    ++m_frameCount;
}

bool WebmWriter::encode(bool endOfStream)
{
    const vpx_codec_err_t result = vpx_codec_encode(&m_codec->context, endOfStream ? nullptr : &m_codec->image,
        m_frameCount, 1, 0, m_deadline);
    if (result != VPX_CODEC_OK)
        fail(std::string("The VP9 frame could not be encoded: ") + vpx_codec_error(&m_codec->context));
    bool gotFrame = false;
    vpx_codec_iter_t iterator = nullptr;
    while (const vpx_codec_cx_pkt_t* packet = vpx_codec_get_cx_data(&m_codec->context, &iterator)) {
        if (packet->kind != VPX_CODEC_CX_FRAME_PKT)
            continue;
        gotFrame = true;
        const int64_t time = (packet->data.frame.pts * kMillisecondsPerSecond + m_settings.framesPerSecond / 2)
            / m_settings.framesPerSecond;
        m_muxer->addFrame(static_cast<const uint8_t*>(packet->data.frame.buf), packet->data.frame.sz, time,
            (packet->data.frame.flags & VPX_FRAME_IS_KEY) != 0);
    }
    return gotFrame;
}

std::vector<uint8_t> WebmWriter::finish()
{
    if (m_finished || !m_codec || m_frameCount == 0)
        throw TextException(TextException::kBadArgument, "A WebM video needs at least one frame.\n");
    m_finished = true;
    // The encoder holds frames back to look ahead; an empty frame asks for them until none is left.
    while (encode(true)) {
    }
    const double duration = static_cast<double>(m_frameCount) * kMillisecondsPerSecond / m_settings.framesPerSecond;
    std::vector<uint8_t> bytes = m_muxer->finish(duration);
    m_codec.reset();
    m_muxer.reset();
    return bytes;
}
