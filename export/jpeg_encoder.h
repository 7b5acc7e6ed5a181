#pragma once

#include <cstdint>
#include <memory>
#include <string>

class CBmp;
class CDataSink;
struct ArgbImage;

// An encoder that turns a bitmap into a byte stream.
class CPicEncoder {
public:
    CPicEncoder() = default;
    virtual ~CPicEncoder();
    CPicEncoder(const CPicEncoder&) = delete;
    CPicEncoder& operator=(const CPicEncoder&) = delete;

    // Encodes the bitmap into the named file, which is created or replaced; throws
    // CTextException on failure, and then the target is left as it was. The stream is
    // collected in memory, in a buffer of 1.2 times the bitmap's memory estimate (that
    // estimate plus 4096 bytes for estimates up to 19999), and written in one write.
    void EncodeToFile(const std::string& fileName, const CBmp& bitmap);

    // The encode step: writes the whole stream of the bitmap into the sink or throws.
    virtual void DoEncode(const CBmp& bitmap, CDataSink& sink) = 0;

    // The buffer the rule above reserves for a bitmap whose estimate is memoryUsed bytes.
    static int64_t OutputCapacity(int64_t memoryUsed);
};

// Baseline JFIF at quality 100 (every quantisation step 1) with the floating-point DCT,
// YCbCr with chroma sampled 2 x 2 and the standard Huffman tables. It takes 32-bit bitmaps
// whose pixels are stored blue, green, red, alpha; alpha is ignored. Errors of the codec
// library arrive as CTextException with code 6 and the library's message, after which the
// compression is aborted and the encoder can be used again.
class CJPEGEncoder : public CPicEncoder {
public:
    // The destination buffer the codec fills before it hands bytes to the sink.
    static constexpr int32_t kDestinationBufferBytes = 8192;

    CJPEGEncoder();
    ~CJPEGEncoder() override;

    void DoEncode(const CBmp& bitmap, CDataSink& sink) override;

    // The codec's compression object with its error and destination managers.
    struct State;

private:
    std::unique_ptr<State> m_state;
};

// The JPEG snapshot of a frame: the frame is copied into a 32-bit CWinBmp row by row (row 0
// on top) and encoded into the named file. Throws CTextException as EncodeToFile does.
void SaveJpegSnapshot(const ArgbImage& frame, const std::string& fileName);
