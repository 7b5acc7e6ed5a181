#include "export/jpeg_encoder.h"

#include "engine/argb_image.h"
#include "export/bmp.h"
#include "export/data_sink.h"
#include "export/text_exception.h"

#include <csetjmp>
#include <cstdio>
#include <limits>
#include <optional>

#include <jpeglib.h>

#if !defined(JCS_EXTENSIONS)
#error "The JPEG encoder reads blue, green, red, x pixels through the codec's extended colour spaces."
#endif

namespace {

constexpr int64_t kSmallPictureBytes = 19999;
constexpr int64_t kSmallPictureExtraBytes = 4096;
constexpr double kCapacityFactor = 1.2;
constexpr int kQuality = 100;

std::string libraryErrorText(const char* message) { return std::string("Decoder error: ") + message + "\n"; }

} // namespace

// The codec reports errors by calling error_exit from C code, which must not be left by an
// exception. error_exit and the destination callbacks therefore jump back to the setjmp in
// runCompression; the encode step then aborts the compression and throws. Nothing between
// the setjmp and the jump owns a resource that the jump would skip.
struct CJPEGEncoder::State {
    struct ErrorManager {
        jpeg_error_mgr manager;
        std::jmp_buf jump;
        char message[JMSG_LENGTH_MAX];
    };
    struct Destination {
        jpeg_destination_mgr manager;
        State* owner;
        CDataSink* sink;
        JOCTET* buffer;
    };

    jpeg_compress_struct compressor {};
    ErrorManager error {};
    Destination destination {};
    bool created = false;
    // An exception of the sink, kept here while the codec's frames are left by a jump.
    std::optional<CTextException> pendingSinkError;
};

namespace {

using State = CJPEGEncoder::State;

void errorExit(j_common_ptr info)
{
    auto* error = reinterpret_cast<State::ErrorManager*>(info->err);
    (*info->err->format_message)(info, error->message);
    std::longjmp(error->jump, 1);
}

// Hands the bytes to the sink; a sink error is kept and the codec is left by a jump.
void deliver(j_compress_ptr info, std::size_t count)
{
    auto* destination = reinterpret_cast<State::Destination*>(info->dest);
    bool delivered = true;
    try {
        destination->sink->WriteData(static_cast<int32_t>(count), destination->buffer);
    } catch (const CTextException& sinkError) {
        destination->owner->pendingSinkError = sinkError;
        delivered = false;
    }
    if (!delivered) {
        std::longjmp(reinterpret_cast<State::ErrorManager*>(info->err)->jump, 1);
    }
}

void initDestination(j_compress_ptr info)
{
    auto* destination = reinterpret_cast<State::Destination*>(info->dest);
    destination->buffer = static_cast<JOCTET*>(
        (*info->mem->alloc_small)(reinterpret_cast<j_common_ptr>(info), JPOOL_IMAGE,
                                  CJPEGEncoder::kDestinationBufferBytes * sizeof(JOCTET)));
    destination->manager.next_output_byte = destination->buffer;
    destination->manager.free_in_buffer = CJPEGEncoder::kDestinationBufferBytes;
}

boolean emptyOutputBuffer(j_compress_ptr info)
{
    deliver(info, CJPEGEncoder::kDestinationBufferBytes);
    auto* destination = reinterpret_cast<State::Destination*>(info->dest);
    destination->manager.next_output_byte = destination->buffer;
    destination->manager.free_in_buffer = CJPEGEncoder::kDestinationBufferBytes;
    return TRUE;
}

void termDestination(j_compress_ptr info)
{
    deliver(info, CJPEGEncoder::kDestinationBufferBytes - info->dest->free_in_buffer);
}

int createCompressor(State& state)
{
    if (setjmp(state.error.jump) != 0) {
        return 1;
    }
    jpeg_create_compress(&state.compressor);
    return 0;
}

// Runs the whole compression; 0 when done, 1 when the codec or the sink failed.
int runCompression(State& state, const CBmp& bitmap)
{
    if (setjmp(state.error.jump) != 0) {
        return 1;
    }
    j_compress_ptr info = &state.compressor;
    info->dest = &state.destination.manager;
    info->image_width = static_cast<JDIMENSION>(bitmap.GetWidth());
    info->image_height = static_cast<JDIMENSION>(bitmap.GetHeight());
    info->input_components = 4;
    info->in_color_space = JCS_EXT_BGRX;
    jpeg_set_defaults(info);
    info->dct_method = JDCT_FLOAT;
    jpeg_set_quality(info, kQuality, TRUE);
    jpeg_start_compress(info, TRUE);
    for (int32_t row = 0; row < bitmap.GetHeight(); ++row) {
        // The codec only reads the rows it is given.
        JSAMPROW line = const_cast<JSAMPLE*>(bitmap.GetLine(row));
        jpeg_write_scanlines(info, &line, 1);
    }
    jpeg_finish_compress(info);
    return 0;
}

} // namespace

CPicEncoder::~CPicEncoder() = default;

int64_t CPicEncoder::OutputCapacity(int64_t memoryUsed)
{
    if (memoryUsed > kSmallPictureBytes) {
        return static_cast<int64_t>(static_cast<double>(memoryUsed) * kCapacityFactor);
    }
    return memoryUsed + kSmallPictureExtraBytes;
}

void CPicEncoder::EncodeToFile(const std::string& fileName, const CBmp& bitmap)
{
    const int64_t capacity = OutputCapacity(bitmap.GetMemUsed());
    CFileSink sink;
    const int32_t opened = capacity > std::numeric_limits<int32_t>::max()
                               ? -1
                               : sink.Open(fileName, static_cast<int32_t>(capacity));
    if (opened != 0) {
        throw CTextException(opened, "Decoder error: Opening " + fileName + " failed\n");
    }
    // Should the encode step throw, the sink's destructor removes the unfinished file.
    DoEncode(bitmap, sink);
    if (sink.Close() != 0) {
        throw CTextException(CTextException::kWriteFailed, "Decoder error: Writing " + fileName + " failed\n");
    }
}

CJPEGEncoder::CJPEGEncoder()
    : m_state(std::make_unique<State>())
{
    State& state = *m_state;
    state.compressor.err = jpeg_std_error(&state.error.manager);
    state.error.manager.error_exit = errorExit;
    state.destination.owner = &state;
    state.destination.manager.init_destination = initDestination;
    state.destination.manager.empty_output_buffer = emptyOutputBuffer;
    state.destination.manager.term_destination = termDestination;
    if (createCompressor(state) != 0) {
        throw CTextException(CTextException::kLibraryError, libraryErrorText(state.error.message));
    }
    state.created = true;
}

CJPEGEncoder::~CJPEGEncoder()
{
    if (m_state->created) {
        jpeg_destroy_compress(&m_state->compressor);
    }
}

void CJPEGEncoder::DoEncode(const CBmp& bitmap, CDataSink& sink)
{
    if (bitmap.GetBitsPerPixel() != 32) {
        throw CTextException(CTextException::kBadArgument, "Decoder error: only 32-bit pictures can be encoded\n");
    }
    State& state = *m_state;
    state.destination.sink = &sink;
    state.pendingSinkError.reset();
    state.error.message[0] = '\0';
    if (runCompression(state, bitmap) != 0) {
        jpeg_abort_compress(&state.compressor);
        state.destination.sink = nullptr;
        if (state.pendingSinkError) {
            const CTextException sinkError = *state.pendingSinkError;
            state.pendingSinkError.reset();
            throw sinkError;
        }
        throw CTextException(CTextException::kLibraryError, libraryErrorText(state.error.message));
    }
    state.destination.sink = nullptr;
}

void SaveJpegSnapshot(const ArgbImage& frame, const std::string& fileName)
{
    CJPEGEncoder encoder;
    CWinBmp bitmap;
    CopyFrameToBitmap(frame, bitmap);
    encoder.EncodeToFile(fileName, bitmap);
}
