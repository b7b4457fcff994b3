#include "png_reader.hpp"
#include "process_runner.hpp"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <functional>

namespace fs = std::filesystem;

namespace {

const std::string model = "0 0.2 0.5 0.05 0.25 1.5 0 0.1 0.05 1.0\n";

std::size_t line_count(const std::string& text)
{
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

bool is_chart(const fs::path& file)
{
    // Not through links: one of them leads to an endless device.
    if (!fs::is_regular_file(fs::symlink_status(file)))
        return false;
    const DecodedPng png = decode_png(file);
    return png.ok && png.width == 800 && png.height == 600;
}

// Each case: how the run is set up, what it must say, and whether the table
// and each chart must be there afterwards.
struct FailureCase {
    const char* name;
    std::function<void(const TempDir&, RunOptions&)> set_up;
    std::string err;
    bool table;
    bool cx0;
    bool cy0;
};

TEST(Failures, EachIsReportedOnceAndTheRestOfTheRunGoesOn)
{
    const FailureCase cases[] = {
        {"stdout on a full device", [](const TempDir&, RunOptions& o) { o.out = StdoutKind::dev_full; },
         "machsweep: standard output: cannot write the table: No space left on device\n", false, true,
         true},
        {"stdout closed", [](const TempDir&, RunOptions& o) { o.out = StdoutKind::closed; },
         "machsweep: standard output: cannot write the table: Bad file descriptor\n", false, true,
         true},
        {"stdout a pipe without reader",
         [](const TempDir&, RunOptions& o) { o.out = StdoutKind::pipe_without_reader; },
         "machsweep: standard output: cannot write the table: Broken pipe\n", false, true, true},
        {"a directory named Cx0.png",
         [](const TempDir& d, RunOptions&) { fs::create_directory(d / "Cx0.png"); },
         "machsweep: Cx0.png: cannot write the chart: Is a directory\n", true, false, true},
        {"a directory named Cy0.png",
         [](const TempDir& d, RunOptions&) { fs::create_directory(d / "Cy0.png"); },
         "machsweep: Cy0.png: cannot write the chart: Is a directory\n", true, true, false},
        {"Cx0.png a link to a full device",
         [](const TempDir& d, RunOptions&) { fs::create_symlink("/dev/full", d / "Cx0.png"); },
         "machsweep: Cx0.png: cannot write the chart: No space left on device\n", true, false, true},
        {"a file-size limit below a chart's size",
         [](const TempDir&, RunOptions& o) { o.file_size_limit = 10000; },
         "machsweep: Cx0.png: cannot write the chart: File too large\n"
         "machsweep: Cy0.png: cannot write the chart: File too large\n",
         true, false, false},
    };
    for (const FailureCase& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        write_file(dir / "model_data.txt", model);
        RunOptions options;
        c.set_up(dir, options);
        const RunResult r = run_machsweep(dir.path(), options);
        EXPECT_EQ(0, r.signal);
        EXPECT_EQ(2, r.exit_status);
        EXPECT_EQ(c.err, r.err);
        if (options.out == StdoutKind::captured) {
            EXPECT_EQ(201u, line_count(r.out));
        }
        EXPECT_EQ(c.cx0, is_chart(dir / "Cx0.png"));
        EXPECT_EQ(c.cy0, is_chart(dir / "Cy0.png"));
    }
}

TEST(Failures, WhatAFailedChartLeavesBehind)
{
    TempDir dir;
    write_file(dir / "model_data.txt", model);
    fs::create_directory(dir / "Cx0.png");
    write_file(dir / "Cx0.png" / "inside", "kept");
    fs::create_symlink("/dev/full", dir / "Cy0.png");
    const RunResult r = run_machsweep(dir.path());
    EXPECT_EQ(2, r.exit_status);
    // The directory is left as it was, and so are the link and the device.
    EXPECT_EQ("kept", read_file(dir / "Cx0.png" / "inside"));
    EXPECT_TRUE(fs::is_symlink(dir / "Cy0.png"));
    struct stat device;
    ASSERT_EQ(0, stat("/dev/full", &device));
    EXPECT_TRUE(S_ISCHR(device.st_mode));
}

TEST(Failures, AWorkingDirectoryTheUserCannotWrite)
{
    // As root every permission is granted: run as the unprivileged "nobody",
    // from a copy of the program that it may reach wherever the build is.
    RunOptions options;
    TempDir program_dir;
    if (geteuid() == 0) {
        options.user = 65534;
        options.binary = program_dir / "machsweep";
        fs::copy_file(MACHSWEEP_BINARY, *options.binary);
        fs::permissions(program_dir.path(), fs::perms::owner_all | fs::perms::group_read
                        | fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec);
    }
    const fs::perms readable = fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read
                             | fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec;
    TempDir dir;
    write_file(dir / "model_data.txt", model);
    fs::permissions(dir / "model_data.txt", fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    fs::permissions(dir.path(), readable);
    const RunResult r = run_machsweep(dir.path(), options);
    ASSERT_NE(122, r.exit_status) << "could not switch to an unprivileged user";
    ASSERT_NE(123, r.exit_status) << "the binary cannot be run by an unprivileged user";
    EXPECT_EQ(2, r.exit_status);
    EXPECT_EQ("machsweep: Cx0.png: cannot write the chart: Permission denied\n"
              "machsweep: Cy0.png: cannot write the chart: Permission denied\n",
              r.err);
    EXPECT_EQ(201u, line_count(r.out));
    EXPECT_FALSE(fs::exists(dir / "Cx0.png"));

    // A model file the user may not read.
    fs::permissions(dir / "model_data.txt", fs::perms::owner_read);
    const RunResult unreadable = run_machsweep(dir.path(), options);
    EXPECT_EQ(2, unreadable.exit_status);
    EXPECT_EQ("machsweep: model_data.txt: cannot open: Permission denied\n", unreadable.err);
    EXPECT_EQ("", unreadable.out);
}

TEST(Failures, RunningOutOfMemory)
{
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "AddressSanitizer reserves far more address space than any limit here";
#else
    // 60 MB of address space: the table is printed, then the canvas cannot
    // be had (the run needs about 75 MB; the program loads with about 42).
    TempDir dir;
    write_file(dir / "model_data.txt", model);
    write_file(dir / "Cy0.png", "old chart");
    RunOptions options;
    options.address_space_limit = 60u << 20;
    const RunResult r = run_machsweep(dir.path(), options);
    EXPECT_EQ(0, r.signal);
    EXPECT_EQ(2, r.exit_status);
    EXPECT_EQ("machsweep: out of memory\n", r.err);
    EXPECT_EQ(201u, line_count(r.out));
    EXPECT_FALSE(fs::exists(dir / "Cx0.png"));
    EXPECT_EQ("old chart", read_file(dir / "Cy0.png"));

    // Less: from about 42 MB down, MathGL's start-up runs out, before the
    // program's own code and before any output. (Further down still, the
    // shared libraries' own start-up or loading fails, out of the program's
    // reach.)
    for (rlim_t megabytes = 37; megabytes <= 44; ++megabytes) {
        SCOPED_TRACE(std::to_string(megabytes) + " MB");
        options.address_space_limit = megabytes << 20;
        const RunResult tight = run_machsweep(dir.path(), options);
        EXPECT_EQ(0, tight.signal);
        EXPECT_EQ(2, tight.exit_status);
        EXPECT_EQ("machsweep: out of memory\n", tight.err);
        EXPECT_TRUE(tight.out.empty() || line_count(tight.out) == 201);
        EXPECT_FALSE(fs::exists(dir / "Cx0.png"));
    }
#endif
}

} // namespace
