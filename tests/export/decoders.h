#pragma once

// Decoders nobody here wrote, wrapped for the tests: giflib for GIF files and libjpeg's own
// decompressor for JPEG files, plus a scratch folder that cleans up after itself and a limit
// on the size of the files this process writes.

#include <csignal>
#include <cstdint>
#include <sys/resource.h>
#include <filesystem>
#include <string>
#include <vector>

struct DecodedGifFrame {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    bool interlaced = false;
    bool hasLocalColorMap = false;
    std::vector<uint8_t> indices;
    std::vector<uint8_t> colors;  // red, green, blue per entry of the table that applies
    int delayHundredths = -1;     // -1 without a graphic control block
};

struct DecodedGif {
    bool ok = false;
    std::string error;
    int screenWidth = 0;
    int screenHeight = 0;
    int globalColorCount = 0;
    std::vector<DecodedGifFrame> frames;
};

DecodedGif decodeGifFile(const std::string& path);

struct DecodedJpeg {
    bool ok = false;
    std::string error;
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;  // red, green, blue per pixel, top row first
};

DecodedJpeg decodeJpegFile(const std::string& path);

std::vector<uint8_t> readWholeFile(const std::filesystem::path& path);

class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    std::string file(const std::string& name) const { return (m_path / name).string(); }
    const std::filesystem::path& path() const { return m_path; }
    // The names of everything in the folder, sorted.
    std::vector<std::string> entries() const;

private:
    std::filesystem::path m_path;
};

// While it lives, files of this process cannot grow beyond the given size: writes past it
// fail with EFBIG, as a full disk's fail with ENOSPC, and the signal that would end the
// process is ignored.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes);
    ~FileSizeLimit();
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit m_saved {};
    void (*m_savedSignal)(int) = SIG_DFL;
};
