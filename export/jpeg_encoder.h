#pragma once

#include <cstdint>
#include <memory>
#include <string>

class BmpImage;
class DataSink;
class MemorySink;
struct ArgbImage;

// An encoder that turns a bitmap into a byte stream.
class PictureEncoder {
public:
    PictureEncoder() = default;
    virtual ~PictureEncoder();
    PictureEncoder(const PictureEncoder&) = delete;
    PictureEncoder& operator=(const PictureEncoder&) = delete;

    // Encodes the bitmap into the named file, which is created or replaced; throws
    // TextException on failure, and then the target is left as it was. The stream is
    // collected in memory, in a buffer of 1.2 times the bitmap's memory estimate (that
    // estimate plus 4096 bytes for estimates up to 19999), and written in one write.
    void encodeToFile(const std::string& fileName, const BmpImage& bitmap);

    // The encode step: writes the whole stream of the bitmap into the sink or throws.
    virtual void doEncode(const BmpImage& bitmap, DataSink& sink) = 0;

    // The buffer the rule above reserves for a bitmap whose estimate is memoryUsed bytes.
    static int64_t outputCapacity(int64_t memoryUsed);
};

// Baseline JFIF at quality 100 (every quantisation step 1) with the floating-point DCT,
// YCbCr with chroma sampled 2 x 2 and the standard Huffman tables. It takes 32-bit bitmaps
// whose pixels are stored blue, green, red, alpha; alpha is ignored. Errors of the codec
// library arrive as TextException with code 6 and the library's message, after which the
// compression is aborted and the encoder can be used again.
class JpegEncoder : public PictureEncoder {
public:
    // The destination buffer the codec fills before it hands bytes to the sink.
    static constexpr int32_t kDestinationBufferBytes = 8192;

    JpegEncoder();
    ~JpegEncoder() override;

    void doEncode(const BmpImage& bitmap, DataSink& sink) override;

    // Encodes a frame's pixels where they lie, handing the codec the frame's own rows: the
    // stream is the one DoEncode gives for the bitmap CopyFrameToBitmap makes of the frame
    // or, with rowsBottomUp, of the frame turned upside down (its last row on top). Throws
    // TextException with code 13 for a frame that holds fewer pixels than its size.
    void encodeFrame(const ArgbImage& frame, bool rowsBottomUp, DataSink& sink);

    // The codec's compression object with its error and destination managers.
    struct State;

private:
    // The encode step over rows given by pointer, row 0 on top, 4 bytes per pixel.
    void encodeRows(int32_t width, int32_t height, const uint8_t* const* rows, DataSink& sink);

    std::unique_ptr<State> m_state;
};

// The output buffer EncodeToFile reserves for the 32-bit bitmap of a frame.
int64_t jpegSnapshotCapacity(const ArgbImage& frame);

// The JPEG snapshot of a frame, encoded into the named file: what EncodeToFile writes for
// the frame's 32-bit BlockBmpImage copy (row 0 on top, or the last row with shownBottomUp),
// without making that copy. Throws TextException as EncodeToFile does.
void saveJpegSnapshot(const ArgbImage& frame, const std::string& fileName, bool shownBottomUp = false);

// The same snapshot split in two, for a picture that has to be taken before its file is
// named: the stream is encoded at once from the frame's pixels into memory and stored
// later, byte for byte what SaveJpegSnapshot would have written then. Encoding throws
// TextException as the encoder does (code -1 when the buffer cannot be allocated);
// storing throws "Decoder error: Opening <name> failed: <reason>" (code -1) when the target
// cannot be created and "... Writing <name> failed: <reason>" (code 12) when it cannot be
// written, leaving the target as it was; the reason is the system's, as for a preset.
std::unique_ptr<MemorySink> encodeJpegSnapshot(const ArgbImage& frame, bool shownBottomUp);
void storeJpegSnapshot(const MemorySink& stream, const std::string& fileName);
