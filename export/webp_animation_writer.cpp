#include "export/webp_animation_writer.h"

#include "export/text_exception.h"
#include "pixels/argb_image.h"

#include <webp/encode.h>
#include <webp/mux.h>

#include <algorithm>
#include <memory>

namespace {

constexpr int64_t kMillisecondsPerSecond = 1000;
static_assert(WEBP_MAX_DIMENSION == 16383, "largestFrameSide tells the WebP library's limit");

[[noreturn]] void fail(const std::string& text)
{
    throw TextException(TextException::kLibraryError, text + "\n");
}

struct PictureDeleter {
    void operator()(WebPPicture* picture) const
    {
        WebPPictureFree(picture);
        delete picture;
    }
};

} // namespace

WebpAnimationWriter::WebpAnimationWriter(const WebpSettings& settings)
    : m_settings(settings)
{
    m_settings.quality = std::clamp(m_settings.quality, 0, 100);
    m_settings.framesPerSecond = std::clamp(m_settings.framesPerSecond, 1, 30);
}

WebpAnimationWriter::~WebpAnimationWriter()
{
    if (m_encoder)
        WebPAnimEncoderDelete(m_encoder);
}

int32_t WebpAnimationWriter::timestampMilliseconds(int32_t frameIndex) const
{
    const int64_t fps = m_settings.framesPerSecond;
    return static_cast<int32_t>((frameIndex * kMillisecondsPerSecond + fps / 2) / fps);
}

void WebpAnimationWriter::addFrame(const ArgbImage& frame)
{
    if (m_finished)
        fail("The WebP animation is already finished.");
    const int32_t largest = largestFrameSide(AnimationFormat::Webp);
    if (frame.width <= 0 || frame.height <= 0 || frame.width > largest || frame.height > largest)
        throw TextException(TextException::kBadArgument, "A WebP frame must be 1 to 16383 pixels on each side.\n");
    if (!m_encoder) {
        WebPAnimEncoderOptions options;
        if (!WebPAnimEncoderOptionsInit(&options))
            fail("The WebP library does not match its headers.");
        options.anim_params.loop_count = 0;
        m_encoder = WebPAnimEncoderNew(frame.width, frame.height, &options);
        if (!m_encoder)
            throw std::bad_alloc();
        m_width = frame.width;
        m_height = frame.height;
    } else if (frame.width != m_width || frame.height != m_height) {
        throw TextException(TextException::kBadArgument, "Every WebP frame must have the size of the first.\n");
    }

    WebPConfig config;
    if (!WebPConfigInit(&config))
        fail("The WebP library does not match its headers.");
    config.quality = static_cast<float>(m_settings.quality);
    config.lossless = m_settings.lossless ? 1 : 0;
    std::unique_ptr<WebPPicture, PictureDeleter> picture(new WebPPicture);
    if (!WebPPictureInit(picture.get()))
        fail("The WebP library does not match its headers.");
    picture->use_argb = 1;
    picture->width = frame.width;
    picture->height = frame.height;
    // 0xAARRGGBB words lie in memory as blue, green, red, alpha on this little-endian
    // machine; the alpha is not taken, so every frame is opaque.
    if (!WebPPictureImportBGRX(picture.get(), reinterpret_cast<const uint8_t*>(frame.pixels.data()), frame.width * 4))
        throw std::bad_alloc();
    if (!WebPAnimEncoderAdd(m_encoder, picture.get(), timestampMilliseconds(m_frameCount), &config))
        fail(std::string("The WebP frame could not be encoded: ") + WebPAnimEncoderGetError(m_encoder));
    ++m_frameCount;
}

std::vector<uint8_t> WebpAnimationWriter::finish()
{
    if (m_finished || !m_encoder || m_frameCount == 0)
        throw TextException(TextException::kBadArgument, "A WebP animation needs at least one frame.\n");
    m_finished = true;
    if (!WebPAnimEncoderAdd(m_encoder, nullptr, timestampMilliseconds(m_frameCount), nullptr))
        fail(std::string("The WebP animation could not be ended: ") + WebPAnimEncoderGetError(m_encoder));
    WebPData data;
    WebPDataInit(&data);
    if (!WebPAnimEncoderAssemble(m_encoder, &data))
        fail(std::string("The WebP animation could not be assembled: ") + WebPAnimEncoderGetError(m_encoder));
    std::vector<uint8_t> bytes(data.bytes, data.bytes + data.size);
    WebPDataClear(&data);
    WebPAnimEncoderDelete(m_encoder);
    m_encoder = nullptr;
    return bytes;
}
