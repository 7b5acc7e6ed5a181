#include "export/gif_animation_writer.h"

#include "export/gif_writer.h"
#include "export/text_exception.h"

GifAnimationWriter::GifAnimationWriter(const GifFrameSettings& settings)
    : m_settings(settings)
    , m_animation(std::make_unique<GifImage>())
{
}

GifAnimationWriter::~GifAnimationWriter() = default;

void GifAnimationWriter::addFrame(const ArgbImage& frame)
{
    if (!m_animation)
        throw TextException(TextException::kBadArgument, "The GIF animation is already finished.\n");
    appendGifFrame(*m_animation, frame, m_settings);
}

int32_t GifAnimationWriter::frameCount() const { return m_animation ? m_animation->frameCount() : 0; }

std::vector<uint8_t> GifAnimationWriter::finish()
{
    if (!m_animation)
        throw TextException(TextException::kBadArgument, "The GIF animation is already finished.\n");
    std::vector<uint8_t> bytes = m_animation->saveToStream();
    m_animation.reset();
    return bytes;
}
