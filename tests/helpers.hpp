#ifndef MACHSWEEP_TESTS_HELPERS_HPP
#define MACHSWEEP_TESTS_HELPERS_HPP

#include <sys/resource.h>
#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace fs = std::filesystem;

// A fresh directory, removed with all it holds when the object goes.
struct TempDir {
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    fs::path operator/(const std::string& name) const { return path / name; }
    fs::path path;
};

std::string read_file(const fs::path& file);
void write_file(const fs::path& file, const std::string& bytes);

enum class Stdout { captured, dev_full, closed, pipe_without_reader };

struct RunOptions {
    std::vector<std::string> args;
    Stdout out = Stdout::captured;
    std::optional<rlim_t> file_size_limit;     // bytes
    std::optional<rlim_t> address_space_limit; // bytes
    std::optional<uid_t> user;                 // run as this user and group
    std::optional<fs::path> binary;            // another copy of the program
};

struct RunResult {
    int exit_status = -1; // when it exited
    int signal = 0;       // when a signal ended it
    std::string out, err;
};

// Runs the machsweep binary with `dir` as its working directory.
RunResult run_machsweep(const fs::path& dir, const RunOptions& options = {});

struct Rgba {
    std::uint8_t r, g, b, a;
};

// A PNG file: its header fields as stored, its chunk types, its pixels as
// 8-bit RGBA rows top to bottom. `ok` is false for anything unreadable.
struct Png {
    bool ok = false;
    std::uint32_t width = 0, height = 0;
    int bit_depth = 0, color_type = 0, compression = 0, filter = 0, interlace = 0;
    std::vector<std::string> chunks;
    std::vector<Rgba> pixels;
    Rgba at(std::uint32_t x, std::uint32_t y) const { return pixels[y * width + x]; }
};

Png decode_png(const fs::path& file);

#endif
