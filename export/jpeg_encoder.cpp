#include "export/jpeg_encoder.h"

#include "pixels/argb_image.h"
#include "export/bmp_image.h"
#include "export/data_sink.h"
#include "export/text_exception.h"
#include "platform/atomic_file.h"

#include <algorithm>
#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <limits>
#include <optional>
#include <vector>

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
struct JpegEncoder::State {
    struct ErrorManager {
        jpeg_error_mgr manager;
        std::jmp_buf jump;
        char message[JMSG_LENGTH_MAX];
    };
    struct Destination {
        jpeg_destination_mgr manager;
        State* owner;
        DataSink* sink;
        JOCTET* buffer;
    };

    jpeg_compress_struct compressor {};
    ErrorManager error {};
    Destination destination {};
    bool created = false;
    // An exception of the sink, kept here while the codec's frames are left by a jump.
    std::optional<TextException> pendingSinkError;
};

namespace {

using State = JpegEncoder::State;

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
        destination->sink->writeData(static_cast<int32_t>(count), destination->buffer);
    } catch (const TextException& sinkError) {
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
                                  JpegEncoder::kDestinationBufferBytes * sizeof(JOCTET)));
    destination->manager.next_output_byte = destination->buffer;
    destination->manager.free_in_buffer = JpegEncoder::kDestinationBufferBytes;
}

boolean emptyOutputBuffer(j_compress_ptr info)
{
    deliver(info, JpegEncoder::kDestinationBufferBytes);
    auto* destination = reinterpret_cast<State::Destination*>(info->dest);
    destination->manager.next_output_byte = destination->buffer;
    destination->manager.free_in_buffer = JpegEncoder::kDestinationBufferBytes;
    return TRUE;
}

void termDestination(j_compress_ptr info)
{
    deliver(info, JpegEncoder::kDestinationBufferBytes - info->dest->free_in_buffer);
}

int createCompressor(State& state)
{
    if (setjmp(state.error.jump) != 0) {
        return 1;
    }
    jpeg_create_compress(&state.compressor);
    return 0;
}

// Runs the whole compression over rows of 4-byte pixels stored blue, green, red, x; 0 when
// done, 1 when the codec or the sink failed. The codec reads the rows where they lie.
int runCompression(State& state, int32_t width, int32_t height, const uint8_t* const* rows)
{
    if (setjmp(state.error.jump) != 0) {
        return 1;
    }
    j_compress_ptr info = &state.compressor;
    info->dest = &state.destination.manager;
    info->image_width = static_cast<JDIMENSION>(width);
    info->image_height = static_cast<JDIMENSION>(height);
    info->input_components = 4;
    info->in_color_space = JCS_EXT_BGRX;
    jpeg_set_defaults(info);
    info->dct_method = JDCT_FLOAT;
    jpeg_set_quality(info, kQuality, TRUE);
    jpeg_start_compress(info, TRUE);
    for (int32_t row = 0; row < height; ++row) {
        // The codec only reads the rows it is given.
        JSAMPROW line = const_cast<JSAMPLE*>(rows[row]);
        jpeg_write_scanlines(info, &line, 1);
    }
    jpeg_finish_compress(info);
    return 0;
}

// The snapshot's store errors have always begun so.
constexpr const char kJpegErrorPrefix[] = "Decoder error: ";

// Opens a file sink with the buffer the capacity rule gives for the memory estimate, lets
// the encode step fill it and stores the stream. Should the encode step throw, the sink's
// destructor removes the unfinished file.
template <typename EncodeStep>
void encodeIntoFile(const std::string& fileName, int64_t memoryUsed, EncodeStep encode)
{
    const int64_t capacity = PictureEncoder::outputCapacity(memoryUsed);
    FileSink sink;
    errno = 0;
    const int32_t opened = capacity > std::numeric_limits<int32_t>::max()
                               ? -1
                               : sink.open(fileName, static_cast<int32_t>(capacity));
    if (opened != 0) {
        throw fileOpenFailure(opened, kJpegErrorPrefix, fileName, errno);
    }
    encode(static_cast<DataSink&>(sink));
    errno = 0;
    if (sink.close() != 0) {
        throw fileWriteFailure(kJpegErrorPrefix, fileName, errno);
    }
}

// The memory estimate of the 32-bit BlockBmpImage a frame would be copied into, which sizes the
// output buffer.
int64_t snapshotMemoryUsed(const ArgbImage& frame)
{
    return BlockBmpImage::memUsedFor(std::max(frame.width, 0), std::max(frame.height, 0), 32);
}

// The frame's rows in the order the picture shows them, top first.
std::vector<const uint8_t*> frameRows(const ArgbImage& frame, bool rowsBottomUp)
{
    const int64_t pixelCount = static_cast<int64_t>(frame.width) * frame.height;
    if (frame.width < 0 || frame.height < 0 || static_cast<int64_t>(frame.pixels.size()) < pixelCount) {
        throw TextException(TextException::kBadArgument, "The frame holds fewer pixels than its size.\n");
    }
    std::vector<const uint8_t*> rows(static_cast<std::size_t>(frame.height));
    for (int32_t row = 0; row < frame.height; ++row) {
        const int32_t stored = rowsBottomUp ? frame.height - 1 - row : row;
        rows[static_cast<std::size_t>(row)] = reinterpret_cast<const uint8_t*>(frame.row(stored));
    }
    return rows;
}

} // namespace

PictureEncoder::~PictureEncoder() = default;

int64_t PictureEncoder::outputCapacity(int64_t memoryUsed)
{
    if (memoryUsed > kSmallPictureBytes) {
        return static_cast<int64_t>(static_cast<double>(memoryUsed) * kCapacityFactor);
    }
    return memoryUsed + kSmallPictureExtraBytes;
}

void PictureEncoder::encodeToFile(const std::string& fileName, const BmpImage& bitmap)
{
    encodeIntoFile(fileName, bitmap.getMemUsed(), [&](DataSink& sink) { doEncode(bitmap, sink); });
}

JpegEncoder::JpegEncoder()
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
        throw TextException(TextException::kLibraryError, libraryErrorText(state.error.message));
    }
    state.created = true;
}

JpegEncoder::~JpegEncoder()
{
    if (m_state->created) {
        jpeg_destroy_compress(&m_state->compressor);
    }
}

void JpegEncoder::doEncode(const BmpImage& bitmap, DataSink& sink)
{
    if (bitmap.getBitsPerPixel() != 32) {
        throw TextException(TextException::kBadArgument, "Decoder error: only 32-bit pictures can be encoded\n");
    }
    encodeRows(bitmap.getWidth(), bitmap.getHeight(), bitmap.getLineArray(), sink);
}

void JpegEncoder::encodeFrame(const ArgbImage& frame, bool rowsBottomUp, DataSink& sink)
{
    const std::vector<const uint8_t*> rows = frameRows(frame, rowsBottomUp);
    encodeRows(frame.width, frame.height, rows.data(), sink);
}

void JpegEncoder::encodeRows(int32_t width, int32_t height, const uint8_t* const* rows, DataSink& sink)
{
    State& state = *m_state;
    state.destination.sink = &sink;
    state.pendingSinkError.reset();
    state.error.message[0] = '\0';
    if (runCompression(state, width, height, rows) != 0) {
        jpeg_abort_compress(&state.compressor);
        state.destination.sink = nullptr;
        if (state.pendingSinkError) {
            const TextException sinkError = *state.pendingSinkError;
            state.pendingSinkError.reset();
            throw sinkError;
        }
        throw TextException(TextException::kLibraryError, libraryErrorText(state.error.message));
    }
    state.destination.sink = nullptr;
}

int64_t jpegSnapshotCapacity(const ArgbImage& frame) { return PictureEncoder::outputCapacity(snapshotMemoryUsed(frame)); }

void saveJpegSnapshot(const ArgbImage& frame, const std::string& fileName, bool shownBottomUp)
{
    JpegEncoder encoder;
    encodeIntoFile(fileName, snapshotMemoryUsed(frame),
                   [&](DataSink& sink) { encoder.encodeFrame(frame, shownBottomUp, sink); });
}

std::unique_ptr<MemorySink> encodeJpegSnapshot(const ArgbImage& frame, bool shownBottomUp)
{
    JpegEncoder encoder;
    const int64_t capacity = jpegSnapshotCapacity(frame);
    std::unique_ptr<MemorySink> stream;
    if (capacity <= std::numeric_limits<int32_t>::max()) {
        stream = std::make_unique<MemorySink>(static_cast<int32_t>(capacity));
    }
    if (!stream || !stream->ok()) {
        throw TextException(TextException::kOpenFailed, "Decoder error: no memory for the JPEG stream\n");
    }
    encoder.encodeFrame(frame, shownBottomUp, *stream);
    return stream;
}

void storeJpegSnapshot(const MemorySink& stream, const std::string& fileName)
{
    errno = 0;
    const int32_t stored = FileSink::store(fileName, stream);
    const int error = errno;
    if (stored == -1) {
        throw fileOpenFailure(stored, kJpegErrorPrefix, fileName, error);
    }
    if (stored != 0) {
        throw fileWriteFailure(kJpegErrorPrefix, fileName, error);
    }
}
