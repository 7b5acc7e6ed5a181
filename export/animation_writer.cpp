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

int32_t largestFrameSide(AnimationFormat format)
{
    switch (format) {
    case AnimationFormat::Webp:
        return 16383;
    case AnimationFormat::Webm:
        return 16384;
    case AnimationFormat::Gif:
        break;
    }
    return 65535;
}

AnimationWriter::~AnimationWriter() = default;

namespace {

void commitBytes(AtomicFileWriter& file, const std::vector<uint8_t>& bytes, const std::string& fileName)
{
    errno = 0;
    if (!file.commit(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size())))
        throw fileWriteFailure(std::string(), fileName, errno);
}

} // namespace

void openAnimationFile(AtomicFileWriter& file, const std::string& fileName)
{
    errno = 0;
    if (!file.open(fileName))
        throw fileOpenFailure(TextException::kOpenFailed, std::string(), fileName, errno);
}

void commitAnimationFile(AnimationWriter& writer, AtomicFileWriter& file, const std::string& fileName)
{
    commitBytes(file, writer.finish(), fileName);
}

void saveAnimationFile(AnimationWriter& writer, const std::string& fileName)
{
    // The last frames are encoded before the file is opened, so that an encoder's failure
    // never touches the folder.
    const std::vector<uint8_t> bytes = writer.finish();
    AtomicFileWriter file;
    openAnimationFile(file, fileName);
    commitBytes(file, bytes, fileName);
}
