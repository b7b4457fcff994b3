#ifndef MACHSWEEP_TESTS_HELPERS_HPP
#define MACHSWEEP_TESTS_HELPERS_HPP

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

// A fresh directory, removed with all it holds when the object goes.
struct TempDir {
    TempDir();
    ~TempDir() { std::error_code ignored; fs::remove_all(path, ignored); }
    fs::path operator/(const std::string& name) const { return path / name; }
    fs::path path;
};

std::string read_file(const fs::path& file);
void write_file(const fs::path& file, const std::string& bytes);

struct RunResult {
    int status, signal; // the exit status, or -1 and the signal that ended the run
    std::string out, err;
};

// Runs the machsweep binary through sh in `dir`, after the commands `before`
// (limits, say), with the redirections `after` (which win over the capture
// of standard output).
RunResult run_machsweep(const fs::path& dir, const std::string& before = "",
                        const std::string& after = "");

struct Rgba {
    std::uint8_t r, g, b, a;
};

// The pixels of a PNG file as 8-bit RGBA, row by row from the top; none when
// libpng cannot decode it.
std::vector<Rgba> decode_png(const fs::path& file);

#endif
