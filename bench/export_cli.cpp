// A command-line front end to the export codecs, so they can be timed against other
// programs' command lines on the same pixels:
//   opal_export_cli gif  <in.ppm> <out.gif> <scale percent> <colours>
//   opal_export_cli jpeg <in.ppm> <out.jpg>
// The input is a binary PPM (P6, maxval 255) as the benchmark writes it.

#include "pixels/argb_image.h"
#include "export/gif_frame_capture.h"
#include "export/gif_writer.h"
#include "export/jpeg_encoder.h"
#include "export/text_exception.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

namespace {

constexpr long kLargestSide = 1 << 15;

bool readPpm(const std::string& path, ArgbImage& image)
{
    std::ifstream in(path, std::ios::binary);
    std::string magic;
    long width = 0;
    long height = 0;
    long maxValue = 0;
    in >> magic >> width >> height >> maxValue;
    if (!in || magic != "P6" || maxValue != 255 || width <= 0 || height <= 0 || width > kLargestSide
        || height > kLargestSide) {
        return false;
    }
    in.get();
    std::vector<unsigned char> rgb(static_cast<std::size_t>(width * height * 3));
    if (!in.read(reinterpret_cast<char*>(rgb.data()), static_cast<std::streamsize>(rgb.size()))) {
        return false;
    }
    image.setSize(static_cast<int32_t>(width), static_cast<int32_t>(height));
    for (std::size_t i = 0; i < image.pixels.size(); ++i) {
        image.pixels[i] = makeArgb(255, rgb[i * 3], rgb[i * 3 + 1], rgb[i * 3 + 2]);
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    ArgbImage frame;
    if (args.size() < 3 || !readPpm(args[1], frame)) {
        std::cerr << "usage: opal_export_cli gif <in.ppm> <out.gif> <scale> <colours> | jpeg <in.ppm> <out.jpg>\n";
        return 2;
    }
    try {
        if (args[0] == "jpeg") {
            saveJpegSnapshot(frame, args[2]);
        } else if (args[0] == "gif" && args.size() == 5) {
            GifImage animation;
            appendGifFrame(animation, frame, {std::atoi(args[3].c_str()), std::atoi(args[4].c_str()), 4});
            animation.saveToFile(args[2]);
        } else {
            return 2;
        }
    } catch (const TextException& error) {
        std::cerr << error.getText();
        return 1;
    }
    return 0;
}
