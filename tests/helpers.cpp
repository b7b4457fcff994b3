#include "helpers.hpp"

#include <png.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

TempDir::TempDir()
{
    std::string pattern = (fs::temp_directory_path() / "machsweep-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("mkdtemp failed");
    path = pattern;
}

std::string read_file(const fs::path& file)
{
    std::ostringstream s;
    s << std::ifstream(file, std::ios::binary).rdbuf();
    return s.str();
}

void write_file(const fs::path& file, const std::string& bytes)
{
    std::ofstream(file, std::ios::binary) << bytes;
}

RunResult run_machsweep(const fs::path& dir, const std::string& before, const std::string& after)
{
    // The streams are caught in files beside, not in, the working directory.
    TempDir capture;
    const std::string command = "cd '" + dir.string() + "' && " + before + " exec '" MACHSWEEP_BINARY
        "' >'" + (capture / "out").string() + "' 2>'" + (capture / "err").string() + "' " + after;
    const int status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, WIFSIGNALED(status) ? WTERMSIG(status) : 0,
            read_file(capture / "out"), read_file(capture / "err")};
}

std::vector<Rgba> decode_png(const fs::path& file)
{
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    std::vector<Rgba> pixels;
    if (png_image_begin_read_from_file(&image, file.c_str())) {
        image.format = PNG_FORMAT_RGBA;
        pixels.resize(std::size_t(image.width) * image.height);
        if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr))
            pixels.clear();
    }
    png_image_free(&image);
    return pixels;
}
