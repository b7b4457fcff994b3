#include "png_reader.hpp"

#include "process_runner.hpp"

#include <png.h>

#include <cstring>

namespace {

std::uint32_t be32(const std::string& s, std::size_t at)
{
    return (std::uint32_t(std::uint8_t(s[at])) << 24) | (std::uint32_t(std::uint8_t(s[at + 1])) << 16)
         | (std::uint32_t(std::uint8_t(s[at + 2])) << 8) | std::uint32_t(std::uint8_t(s[at + 3]));
}

} // namespace

DecodedPng decode_png(const std::filesystem::path& file)
{
    DecodedPng d;
    const std::string bytes = read_file(file);
    static const char signature[] = "\x89PNG\r\n\x1a\n";
    if (bytes.size() < 33 || bytes.compare(0, 8, signature, 8) != 0) {
        d.error = "not a PNG file";
        return d;
    }
    for (std::size_t at = 8; at + 12 <= bytes.size();) {
        const std::uint32_t length = be32(bytes, at);
        d.chunks.push_back(bytes.substr(at + 4, 4));
        at += 12 + std::size_t(length);
    }
    d.width = be32(bytes, 16);
    d.height = be32(bytes, 20);
    d.bit_depth = std::uint8_t(bytes[24]);
    d.color_type = std::uint8_t(bytes[25]);
    d.compression = std::uint8_t(bytes[26]);
    d.filter = std::uint8_t(bytes[27]);
    d.interlace = std::uint8_t(bytes[28]);

    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size())) {
        d.error = image.message;
        return d;
    }
    image.format = PNG_FORMAT_RGBA;
    d.pixels.resize(std::size_t(image.width) * image.height);
    if (!png_image_finish_read(&image, nullptr, d.pixels.data(), 0, nullptr)) {
        d.error = image.message;
        png_image_free(&image);
        return d;
    }
    d.ok = true;
    return d;
}
