#include "process_runner.hpp"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <grp.h>
#include <sstream>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

TempDir::TempDir()
{
    std::string pattern = (fs::temp_directory_path() / "machsweep-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

TempDir::~TempDir()
{
    std::error_code ignored;
    fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ignored);
    fs::remove_all(path_, ignored);
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
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << bytes;
}

namespace {

[[noreturn]] void child(const fs::path& dir, const RunOptions& options, int out_fd, int err_fd)
{
    if (chdir(dir.c_str()) != 0)
        _exit(120);
    switch (options.out) {
    case StdoutKind::captured:
        dup2(out_fd, 1);
        break;
    case StdoutKind::dev_full: {
        const int full = open("/dev/full", O_WRONLY);
        dup2(full, 1);
        close(full);
        break;
    }
    case StdoutKind::closed:
        close(1);
        break;
    case StdoutKind::pipe_without_reader: {
        int p[2];
        if (pipe(p) != 0)
            _exit(121);
        close(p[0]);
        dup2(p[1], 1);
        close(p[1]);
        break;
    }
    }
    dup2(err_fd, 2);
    close(out_fd);
    close(err_fd);
    if (options.file_size_limit) {
        signal(SIGXFSZ, SIG_IGN); // ignored dispositions survive exec
        const rlimit limit{*options.file_size_limit, *options.file_size_limit};
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    if (options.address_space_limit) {
        const rlimit limit{*options.address_space_limit, *options.address_space_limit};
        setrlimit(RLIMIT_AS, &limit);
    }
    if (options.user) {
        if (setgroups(0, nullptr) != 0 || setgid(*options.user) != 0 || setuid(*options.user) != 0)
            _exit(122);
    }
    std::vector<char*> argv;
    std::string program = options.binary ? options.binary->string() : MACHSWEEP_BINARY;
    argv.push_back(program.data());
    std::vector<std::string> args = options.args;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    execv(program.c_str(), argv.data());
    _exit(123);
}

} // namespace

RunResult run_machsweep(const fs::path& dir, const RunOptions& options)
{
    // Captured streams go to files beside, not inside, the working directory.
    TempDir capture;
    const fs::path out_path = capture / "stdout";
    const fs::path err_path = capture / "stderr";
    const int out_fd = open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int err_fd = open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (out_fd < 0 || err_fd < 0)
        throw std::runtime_error("cannot create capture files");

    const pid_t pid = fork();
    if (pid == 0)
        child(dir, options, out_fd, err_fd);
    close(out_fd);
    close(err_fd);
    if (pid < 0)
        throw std::runtime_error("fork failed");
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    RunResult r;
    if (WIFEXITED(status))
        r.exit_status = WEXITSTATUS(status);
    if (WIFSIGNALED(status))
        r.signal = WTERMSIG(status);
    r.out = read_file(out_path);
    r.err = read_file(err_path);
    return r;
}
