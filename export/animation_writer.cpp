#include "export/animation_writer.h"

#include "export/text_exception.h"
#include "platform/atomic_file.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <filesystem>
#include <string_view>

bool animationFormatForFile(const std::string& fileName, AnimationFormat& format)
{
    std::string extension = std::filesystem::path(fileName).extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (extension == ".gif")
        format = AnimationFormat::Gif;
    else if (extension == ".webp")
        format = AnimationFormat::Webp;
    else if (extension == ".webm")
        format = AnimationFormat::Webm;
    else
        return false;
    return true;
}

std::string animationExtension(AnimationFormat format)
{
    switch (format) {
    case AnimationFormat::Webp:
        return "webp";
    case AnimationFormat::Webm:
        return "webm";
    case AnimationFormat::Gif:
        break;
    }
    return "gif";
}

AnimationWriter::~AnimationWriter() = default;

void saveAnimationFile(AnimationWriter& writer, const std::string& fileName)
{
    const std::vector<uint8_t> bytes = writer.finish();
    AtomicFileWriter file;
    errno = 0;
    if (!file.open(fileName))
        throw fileOpenFailure(TextException::kOpenFailed, std::string(), fileName, errno);
    errno = 0;
    if (!file.commit(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size())))
        throw fileWriteFailure(std::string(), fileName, errno);
}
