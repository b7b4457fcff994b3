#ifndef MACHSWEEP_TESTS_PNG_READER_HPP
#define MACHSWEEP_TESTS_PNG_READER_HPP

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

struct Rgba {
    std::uint8_t r, g, b, a;
};

// A PNG file as the tests look at it: the header fields as stored, the
// chunk types in file order, and the pixels decoded to 8-bit RGBA.
struct DecodedPng {
    bool ok = false;
    std::string error;
    std::uint32_t width = 0, height = 0;
    int bit_depth = 0, color_type = 0, compression = 0, filter = 0, interlace = 0;
    std::vector<std::string> chunks;
    std::vector<Rgba> pixels; // width × height, rows top to bottom

    Rgba at(std::uint32_t x, std::uint32_t y) const { return pixels[y * width + x]; }
};

DecodedPng decode_png(const std::filesystem::path& file);

#endif
