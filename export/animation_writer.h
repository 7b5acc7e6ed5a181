#pragma once

#include <cstdint>
#include <string>

class AtomicFileWriter;
#include <vector>

struct ArgbImage;

// The file formats an animation can be written in, chosen by the user or by the file's extension.
enum class AnimationFormat { Gif, Webp, Webm };

// The format a file name asks for by its extension (".gif", ".webp", ".webm", in any case);
// false when the extension is none of these.
bool animationFormatForFile(const std::string& fileName, AnimationFormat& format);
// The extension of the format's files, without the dot: "gif", "webp", "webm".
std::string animationExtension(AnimationFormat format);
// The largest side, in pixels, that a frame of the format may have: GIF's 16-bit sizes stop
// at 65,535, WebP's 14-bit ones at 16,383, and the VP9 encoder takes at most 16,384.
int32_t largestFrameSide(AnimationFormat format);

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

// The same in two steps, for a long recording that must know before its first frame whether
// the file can be written: the first creates the (nameless) temporary file beside the target
// and throws the "Opening" failure, the second finishes the writer into it and replaces the
// target, throwing the "Writing" failure (a disk that filled meanwhile).
void openAnimationFile(AtomicFileWriter& file, const std::string& fileName);
void commitAnimationFile(AnimationWriter& writer, AtomicFileWriter& file, const std::string& fileName);
