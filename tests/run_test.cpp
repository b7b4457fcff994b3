#include "process_runner.hpp"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>

namespace fs = std::filesystem;

namespace {

const std::string example_model =
    "0 0.2 0.5 0.05 0.25 1.5 0 0.1 0.05 1.0\n"
    "0 0 0 0 0 0 0 0 0 0 0\n"
    "0 0 0 0 0 0 0 0 0 0 0\n";

std::vector<std::string> lines_of(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        lines.push_back(text.substr(start, end - start));
    if (start != text.size())
        lines.push_back(text.substr(start)); // an unterminated last line
    return lines;
}

TEST(Run, PrintsTheTableAndEndsWithStatusOne)
{
    TempDir dir;
    write_file(dir / "model_data.txt", example_model);
    const RunResult r = run_machsweep(dir.path());
    EXPECT_EQ(1, r.exit_status);
    EXPECT_EQ("", r.err);
    const std::vector<std::string> lines = lines_of(r.out);
    ASSERT_EQ(201u, lines.size());
    EXPECT_EQ('\n', r.out.back());
    EXPECT_EQ("M\tCx0\tCy0", lines[0]);
    // Cx0(0) = 0.2 + 0.3 * exp(-20); Cx0(1) = (0.5 - 0.25) + 0.25;
    // Cx0(2) = 0.25 + 0.25 * 2^-1.5; Cy0(2) = 0.05 + 0.05 / 2.
    EXPECT_EQ("0.0000 \t0.2000\t0.1000", lines[1]);
    EXPECT_EQ("0.9800 \t0.4976\t0.1000", lines[50]);
    EXPECT_EQ("1.0000 \t0.5000\t0.1000", lines[51]);
    EXPECT_EQ("2.0000 \t0.3384\t0.0750", lines[101]);
    EXPECT_EQ("3.9800 \t0.2815\t0.0626", lines[200]);

    // Arguments are ignored.
    RunOptions with_args;
    with_args.args = {"--help", "other.txt"};
    const RunResult again = run_machsweep(dir.path(), with_args);
    EXPECT_EQ(1, again.exit_status);
    EXPECT_EQ(r.out, again.out);
    EXPECT_EQ("", again.err);
}

TEST(Run, AModelFileThatCannotBeUsedStopsTheRunBeforeAnyOutput)
{
    const struct {
        const char* name;
        std::string content; // "" with is_directory / absent below
        bool absent;
        bool is_directory;
        std::string message;
    } cases[] = {
        {"missing", "", true, false,
         "machsweep: model_data.txt: cannot open: No such file or directory\n"},
        {"directory", "", false, true, "machsweep: model_data.txt: cannot read: Is a directory\n"},
        {"empty", "", false, false,
         "machsweep: model_data.txt: number 1 is missing: the model needs 10 numbers, the file "
         "holds 0\n"},
        {"short", "1 2 3 4 5 6 7 8 9\n", false, false,
         "machsweep: model_data.txt: number 10 is missing: the model needs 10 numbers, the file "
         "holds 9\n"},
        {"nan", "1 2 3 4 nan 6 7 8 9 10\n", false, false,
         "machsweep: model_data.txt: number 5 (\"nan\") is not a number\n"},
        {"comma", "1 2 0,5 4 5 6 7 8 9 10\n", false, false,
         "machsweep: model_data.txt: number 3 (\"0,5\") is not a number\n"},
        {"signature", "\xEF\xBB\xBF" "1 2 3 4 5 6 7 8 9 10\n", false, false,
         "machsweep: model_data.txt: number 1 (\"\\xEF\\xBB\\xBF1\") is not a number\n"},
        {"overflow", "1 2 1e400 4 5 6 7 8 9 10\n", false, false,
         "machsweep: model_data.txt: number 3 (\"1e400\") is out of range\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        if (c.is_directory)
            fs::create_directory(dir / "model_data.txt");
        else if (!c.absent)
            write_file(dir / "model_data.txt", c.content);
        // Charts of an earlier run stay as they were.
        write_file(dir / "Cx0.png", "old chart");
        const RunResult r = run_machsweep(dir.path());
        EXPECT_EQ(2, r.exit_status);
        EXPECT_EQ(c.message, r.err);
        EXPECT_EQ("", r.out);
        EXPECT_EQ("old chart", read_file(dir / "Cx0.png"));
        EXPECT_FALSE(fs::exists(dir / "Cy0.png"));
    }
}

} // namespace
