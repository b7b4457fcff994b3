#include "helpers.hpp"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <functional>
#include <regex>

namespace {

const std::string model = "0 0.2 0.5 0.05 0.25 1.5 0 0.1 0.05 1.0\n";

std::size_t lines(const std::string& text)
{
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

bool is_chart(const fs::path& file)
{
    return decode_png(file).ok;
}

TEST(Failures, EachIsReportedAndTheRestOfTheRunGoesOn)
{
    const std::string no_table = "machsweep: standard output: cannot write the table: ";
    const struct {
        std::function<void(const TempDir&, RunOptions&)> set_up;
        std::string err;
        bool cx0, cy0; // whether the chart is written
    } cases[] = {
        {[](auto&, auto& o) { o.out = Stdout::dev_full; }, no_table + "No space left on device\n", 1, 1},
        {[](auto&, auto& o) { o.out = Stdout::closed; }, no_table + "Bad file descriptor\n", 1, 1},
        {[](auto&, auto& o) { o.out = Stdout::pipe_without_reader; }, no_table + "Broken pipe\n", 1, 1},
        {[](auto& d, auto&) { fs::create_directories(d / "Cx0.png" / "kept"); },
         "machsweep: Cx0.png: cannot write the chart: Is a directory\n", 0, 1},
        {[](auto& d, auto&) { fs::create_directories(d / "Cy0.png" / "kept"); },
         "machsweep: Cy0.png: cannot write the chart: Is a directory\n", 1, 0},
        {[](auto& d, auto&) { fs::create_symlink("/dev/full", d / "Cx0.png"); },
         "machsweep: Cx0.png: cannot write the chart: No space left on device\n", 0, 1},
        // SIGXFSZ is left at its default: the program itself must not die of it.
        {[](auto&, auto& o) { o.file_size_limit = 10000; },
         "machsweep: Cx0.png: cannot write the chart: File too large\n"
         "machsweep: Cy0.png: cannot write the chart: File too large\n", 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.err);
        TempDir dir;
        write_file(dir / "model_data.txt", model);
        RunOptions options;
        c.set_up(dir, options);
        const RunResult r = run_machsweep(dir.path, options);
        EXPECT_EQ(0, r.signal);
        EXPECT_EQ(2, r.exit_status);
        EXPECT_EQ(c.err, r.err);
        EXPECT_EQ(options.out == Stdout::captured ? 201u : 0u, lines(r.out));
        EXPECT_EQ(c.cx0, is_chart(dir / "Cx0.png"));
        EXPECT_EQ(c.cy0, is_chart(dir / "Cy0.png"));
    }
    // Directories and links in the way are left as they were, and so is the
    // device behind the link.
    struct stat device;
    ASSERT_EQ(0, stat("/dev/full", &device));
    EXPECT_TRUE(S_ISCHR(device.st_mode));
}

TEST(Failures, AWorkingDirectoryTheUserCannotWrite)
{
    // Root may write anywhere: run as "nobody" instead, from a copy of the
    // program that it can reach wherever the build lies.
    RunOptions options;
    TempDir program_dir;
    if (geteuid() == 0) {
        options.user = 65534;
        options.binary = program_dir / "machsweep";
        fs::copy_file(MACHSWEEP_BINARY, *options.binary);
        fs::permissions(program_dir.path, fs::perms::others_read | fs::perms::others_exec,
                        fs::perm_options::add);
    }
    TempDir dir;
    write_file(dir / "model_data.txt", model);
    fs::permissions(dir.path, fs::perms::others_read | fs::perms::others_exec, fs::perm_options::add);
    fs::permissions(dir.path, fs::perms::owner_write, fs::perm_options::remove);
    const RunResult r = run_machsweep(dir.path, options);
    EXPECT_EQ(2, r.exit_status);
    EXPECT_EQ("machsweep: Cx0.png: cannot write the chart: Permission denied\n"
              "machsweep: Cy0.png: cannot write the chart: Permission denied\n",
              r.err);
    EXPECT_EQ(201u, lines(r.out));

    fs::permissions(dir / "model_data.txt", fs::perms::owner_read);
    const RunResult unreadable = run_machsweep(dir.path, options);
    EXPECT_EQ(2, unreadable.exit_status);
    EXPECT_EQ("machsweep: model_data.txt: cannot open: Permission denied\n", unreadable.err);
}

TEST(Failures, RunningOutOfMemory)
{
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "AddressSanitizer reserves far more address space than these limits";
#else
    // The limit rises from far too low until a run completes. Until the
    // program's code first runs, the kernel (when it cannot map the program)
    // and the dynamic loader end a run their own way: SIGSEGV or status 127.
    // From there on, wherever memory runs out, in a library's start-up code,
    // in MathGL's or in the program's own, a run either completes or fails
    // with status 2 and a line of its own (after any the library printed).
    TempDir dir;
    write_file(dir / "model_data.txt", model);
    bool started = false, completed = false;
    for (rlim_t megabytes = 4; megabytes <= 512 && !completed; ++megabytes) {
        SCOPED_TRACE(std::to_string(megabytes) + " MiB");
        fs::remove(dir / "Cx0.png");
        write_file(dir / "Cy0.png", "an earlier chart");
        RunOptions options;
        options.address_space_limit = megabytes << 20;
        const RunResult r = run_machsweep(dir.path, options);
        const bool cy0_kept = read_file(dir / "Cy0.png") == "an earlier chart";
        started = started || (r.signal == 0 && r.exit_status != 127);
        if (!started) {
            EXPECT_TRUE(r.signal == SIGSEGV || r.exit_status == 127) << r.signal;
            EXPECT_EQ("", r.out);
            EXPECT_TRUE(cy0_kept);
            continue;
        }
        ASSERT_EQ(0, r.signal);
        completed = r.exit_status == 1;
        if (completed) {
            EXPECT_EQ("", r.err);
            EXPECT_EQ(201u, lines(r.out));
            EXPECT_TRUE(is_chart(dir / "Cx0.png") && is_chart(dir / "Cy0.png"));
            continue;
        }
        EXPECT_EQ(2, r.exit_status);
        EXPECT_TRUE(std::regex_search(r.err, std::regex("(^|\n)machsweep: [^\n]+\n$"))) << r.err;
        EXPECT_TRUE(lines(r.out) == 0 || lines(r.out) == 201);
        // A chart file that was begun may be left incomplete, as reported.
        EXPECT_TRUE(cy0_kept || is_chart(dir / "Cy0.png") ||
                    r.err.find("machsweep: Cy0.png: ") != std::string::npos);
    }
    EXPECT_TRUE(completed);
#endif
}

} // namespace
