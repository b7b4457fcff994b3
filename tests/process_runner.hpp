#ifndef MACHSWEEP_TESTS_PROCESS_RUNNER_HPP
#define MACHSWEEP_TESTS_PROCESS_RUNNER_HPP

#include <sys/resource.h>
#include <sys/types.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

// A fresh directory under the system's temporary directory, removed with
// everything in it when the object goes.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

std::string read_file(const std::filesystem::path& file);
void write_file(const std::filesystem::path& file, const std::string& bytes);

enum class StdoutKind { captured, dev_full, closed, pipe_without_reader };

struct RunOptions {
    std::vector<std::string> args;
    StdoutKind out = StdoutKind::captured;
    // Limits set in the child before it starts the program (SIGXFSZ ignored).
    std::optional<rlim_t> file_size_limit;
    std::optional<rlim_t> address_space_limit;
    // Run as this user and group instead of the caller's.
    std::optional<uid_t> user;
    // Another copy of the program to run.
    std::optional<std::filesystem::path> binary;
};

struct RunResult {
    int exit_status = -1; // when the process exited
    int signal = 0;       // when a signal ended it
    std::string out;
    std::string err;
};

// Runs the machsweep binary with `dir` as its working directory.
RunResult run_machsweep(const std::filesystem::path& dir, const RunOptions& options = {});

#endif
