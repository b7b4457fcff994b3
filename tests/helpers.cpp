#include "helpers.hpp"

#include <png.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <grp.h>
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

TempDir::~TempDir()
{
    std::error_code ignored;
    fs::permissions(path, fs::perms::owner_all, fs::perm_options::add, ignored);
    fs::remove_all(path, ignored);
}

std::string read_file(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void write_file(const fs::path& file, const std::string& bytes)
{
    std::ofstream(file, std::ios::binary) << bytes;
}

namespace {

[[noreturn]] void exec_child(const fs::path& dir, const RunOptions& o, int out_fd, int err_fd)
{
    int p[2];
    if (o.out == Stdout::dev_full)
        out_fd = open("/dev/full", O_WRONLY);
    if (o.out == Stdout::pipe_without_reader && pipe(p) == 0) {
        close(p[0]);
        out_fd = p[1];
    }
    if (o.out == Stdout::closed)
        close(1);
    else
        dup2(out_fd, 1);
    dup2(err_fd, 2);
    if (o.file_size_limit) {
        const rlimit limit{*o.file_size_limit, *o.file_size_limit};
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    if (o.address_space_limit) {
        const rlimit limit{*o.address_space_limit, *o.address_space_limit};
        setrlimit(RLIMIT_AS, &limit);
    }
    if (o.user && (setgroups(0, nullptr) != 0 || setgid(*o.user) != 0 || setuid(*o.user) != 0))
        _exit(122);
    if (chdir(dir.c_str()) != 0)
        _exit(121);
    std::string program = o.binary ? o.binary->string() : MACHSWEEP_BINARY;
    std::vector<std::string> args = o.args;
    std::vector<char*> argv{program.data()};
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    execv(program.c_str(), argv.data());
    _exit(123);
}

} // namespace

RunResult run_machsweep(const fs::path& dir, const RunOptions& options)
{
    // The streams are caught in files beside, not in, the working directory.
    TempDir capture;
    const int out_fd = open((capture / "out").c_str(), O_WRONLY | O_CREAT, 0600);
    const int err_fd = open((capture / "err").c_str(), O_WRONLY | O_CREAT, 0600);
    const pid_t pid = fork();
    if (pid == 0)
        exec_child(dir, options, out_fd, err_fd);
    close(out_fd);
    close(err_fd);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    RunResult r;
    r.exit_status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    r.out = read_file(capture / "out");
    r.err = read_file(capture / "err");
    return r;
}

Png decode_png(const fs::path& file)
{
    Png d;
    // Only regular files: a link may lead to an endless device.
    if (!fs::is_regular_file(fs::symlink_status(file)))
        return d;
    const std::string s = read_file(file);
    const auto byte = [&](std::size_t at) { return std::uint32_t(std::uint8_t(s[at])); };
    const auto be32 = [&](std::size_t at) {
        return byte(at) << 24 | byte(at + 1) << 16 | byte(at + 2) << 8 | byte(at + 3);
    };
    if (s.size() < 33 || s.compare(0, 8, "\x89PNG\r\n\x1a\n") != 0)
        return d;
    for (std::size_t at = 8; at + 12 <= s.size(); at += 12 + std::size_t(be32(at)))
        d.chunks.push_back(s.substr(at + 4, 4));
    d.width = be32(16);
    d.height = be32(20);
    d.bit_depth = int(byte(24));
    d.color_type = int(byte(25));
    d.compression = int(byte(26));
    d.filter = int(byte(27));
    d.interlace = int(byte(28));

    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, s.data(), s.size()))
        return d;
    image.format = PNG_FORMAT_RGBA;
    d.pixels.resize(std::size_t(image.width) * image.height);
    d.ok = png_image_finish_read(&image, nullptr, d.pixels.data(), 0, nullptr) != 0;
    png_image_free(&image);
    return d;
}
