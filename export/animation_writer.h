#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct ArgbImage;

// The file formats an animation can be written in, chosen by the user or by the file's extension.
enum class AnimationFormat { Gif, Webp, Webm };

// The format a file name asks for by its extension (".gif", ".webp", ".webm", in any case);
// false when the extension is none of these.
bool animationFormatForFile(const std::string& fileName, AnimationFormat& format);
// The extension of the format's files, without the dot: "gif", "webp", "webm".
std::string animationExtension(AnimationFormat format);

// One animation file being built from frames as a capture takes them. Every frame has the
// size of the first; its pixels are 0xAARRGGBB words whose alpha is ignored, since the
// saver's picture is always opaque. Frames follow each other at a fixed rate that the writer
// was made with.
class AnimationWriter {
public:
    AnimationWriter() = default;
    virtual ~AnimationWriter();
    AnimationWriter(const AnimationWriter&) = delete;
    AnimationWriter& operator=(const AnimationWriter&) = delete;

    // Encodes one frame. Throws TextException when the frame is empty, differs in size from
    // the first, or the codec fails.
    virtual void addFrame(const ArgbImage& frame) = 0;
    virtual int32_t frameCount() const = 0;
    // Encodes what is still pending and returns the whole file. Throws TextException when
    // there is no frame or the codec fails. The writer takes no frames afterwards.
    virtual std::vector<uint8_t> finish() = 0;
};

// Finishes the writer and stores its file through a temporary file that replaces the target
// when complete, so a failure (a full disk included) leaves neither a partial file nor the
// temporary one. Throws TextException "Opening <name> failed: <reason>" or "Writing <name>
// failed: <reason>" with the system's reason, as fileOpenFailure and fileWriteFailure word it.
void saveAnimationFile(AnimationWriter& writer, const std::string& fileName);
