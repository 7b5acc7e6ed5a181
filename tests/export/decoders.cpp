#include "tests/export/decoders.h"

#include <algorithm>
#include <csetjmp>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include <gif_lib.h>
#include <jpeglib.h>

DecodedGif decodeGifFile(const std::string& path)
{
    DecodedGif result;
    int error = 0;
    GifFileType* gif = DGifOpenFileName(path.c_str(), &error);
    if (gif == nullptr) {
        result.error = GifErrorString(error);
        return result;
    }
    if (DGifSlurp(gif) != GIF_OK) {
        result.error = GifErrorString(gif->Error);
        DGifCloseFile(gif, &error);
        return result;
    }
    result.screenWidth = gif->SWidth;
    result.screenHeight = gif->SHeight;
    result.globalColorCount = gif->SColorMap != nullptr ? gif->SColorMap->ColorCount : 0;
    for (int i = 0; i < gif->ImageCount; ++i) {
        const SavedImage& saved = gif->SavedImages[i];
        DecodedGifFrame frame;
        frame.left = saved.ImageDesc.Left;
        frame.top = saved.ImageDesc.Top;
        frame.width = saved.ImageDesc.Width;
        frame.height = saved.ImageDesc.Height;
        frame.interlaced = saved.ImageDesc.Interlace;
        frame.hasLocalColorMap = saved.ImageDesc.ColorMap != nullptr;
        const auto pixelCount = static_cast<std::size_t>(frame.width) * static_cast<std::size_t>(frame.height);
        frame.indices.assign(saved.RasterBits, saved.RasterBits + pixelCount);
        const ColorMapObject* map = frame.hasLocalColorMap ? saved.ImageDesc.ColorMap : gif->SColorMap;
        if (map != nullptr) {
            for (int c = 0; c < map->ColorCount; ++c) {
                frame.colors.push_back(map->Colors[c].Red);
                frame.colors.push_back(map->Colors[c].Green);
                frame.colors.push_back(map->Colors[c].Blue);
            }
        }
        GraphicsControlBlock control;
        if (DGifSavedExtensionToGCB(gif, i, &control) == GIF_OK && saved.ExtensionBlockCount > 0) {
            frame.delayHundredths = control.DelayTime;
        }
        result.frames.push_back(std::move(frame));
    }
    DGifCloseFile(gif, &error);
    result.ok = true;
    return result;
}

namespace {

struct JpegErrorJump {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

void jpegErrorExit(j_common_ptr info)
{
    auto* error = reinterpret_cast<JpegErrorJump*>(info->err);
    (*info->err->format_message)(info, error->message);
    std::longjmp(error->jump, 1);
}

// Decodes into the result; false on a decoder error, with the message in `error`.
bool decompress(std::FILE* file, jpeg_decompress_struct& info, JpegErrorJump& error, DecodedJpeg& result)
{
    if (setjmp(error.jump) != 0) {
        return false;
    }
    jpeg_stdio_src(&info, file);
    jpeg_read_header(&info, TRUE);
    info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&info);
    result.width = static_cast<int>(info.output_width);
    result.height = static_cast<int>(info.output_height);
    result.rgb.resize(static_cast<std::size_t>(result.width) * static_cast<std::size_t>(result.height) * 3);
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = result.rgb.data() + static_cast<std::size_t>(info.output_scanline) * result.width * 3;
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    return true;
}

} // namespace

DecodedJpeg decodeJpegFile(const std::string& path)
{
    DecodedJpeg result;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        result.error = "cannot open " + path;
        return result;
    }
    jpeg_decompress_struct info{};
    JpegErrorJump error{};
    info.err = jpeg_std_error(&error.manager);
    error.manager.error_exit = jpegErrorExit;
    jpeg_create_decompress(&info);
    result.ok = decompress(file, info, error, result);
    if (!result.ok) {
        result.error = error.message;
    }
    jpeg_destroy_decompress(&info);
    std::fclose(file);
    return result;
}

std::vector<uint8_t> readWholeFile(const std::filesystem::path& path)
{
    std::ifstream stream(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>()};
}

ScratchFolder::ScratchFolder()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "opal-export-XXXXXX").string();
    if (mkdtemp(pattern.data()) != nullptr) {
        m_path = pattern;
    }
}

ScratchFolder::~ScratchFolder()
{
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
}

std::vector<std::string> ScratchFolder::entries() const
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(m_path)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

FileSizeLimit::FileSizeLimit(rlim_t bytes)
{
    ::getrlimit(RLIMIT_FSIZE, &m_saved);
    m_savedSignal = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit = m_saved;
    limit.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &limit);
}

FileSizeLimit::~FileSizeLimit()
{
    ::setrlimit(RLIMIT_FSIZE, &m_saved);
    std::signal(SIGXFSZ, m_savedSignal);
}
