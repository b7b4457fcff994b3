#include "helpers.hpp"

#include <gtest/gtest.h>

namespace {

const std::string example_model = "0 0.2 0.5 0.05 0.25 1.5 0 0.1 0.05 1.0\n"
                                  "0 0 0 0 0 0 0 0 0 0 0\n0 0 0 0 0 0 0 0 0 0 0\n";

std::vector<std::string> lines_of(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

TEST(Run, PrintsTheTableAndEndsWithStatusOne)
{
    TempDir dir;
    write_file(dir / "model_data.txt", example_model);
    const RunResult r = run_machsweep(dir.path);
    EXPECT_EQ(1, r.exit_status);
    EXPECT_EQ("", r.err);
    EXPECT_EQ('\n', r.out.back());
    const std::vector<std::string> lines = lines_of(r.out);
    ASSERT_EQ(201u, lines.size());
    EXPECT_EQ("M\tCx0\tCy0", lines[0]);
    // Cx0(0) = 0.2 + 0.3 exp(-20), Cx0(1) = (0.5 - 0.25) + 0.25,
    // Cx0(2) = 0.25 + 0.25 * 2^-1.5, Cy0(2) = 0.05 + 0.05 / 2.
    EXPECT_EQ("0.0000 \t0.2000\t0.1000", lines[1]);
    EXPECT_EQ("0.9800 \t0.4976\t0.1000", lines[50]);
    EXPECT_EQ("1.0000 \t0.5000\t0.1000", lines[51]);
    EXPECT_EQ("2.0000 \t0.3384\t0.0750", lines[101]);
    EXPECT_EQ("3.9800 \t0.2815\t0.0626", lines[200]);

    RunOptions with_args; // arguments are ignored
    with_args.args = {"--help", "other.txt"};
    const RunResult again = run_machsweep(dir.path, with_args);
    EXPECT_EQ(1, again.exit_status);
    EXPECT_EQ(r.out, again.out);
}

TEST(Run, AModelFileThatCannotBeUsedStopsTheRunBeforeAnyOutput)
{
    const std::string start = "1 2 3 4 ", end = " 6 7 8 9 10\n";
    const std::string nine = "1 2 3 4 5 6 7 8 9";
    std::string nul40;
    for (int i = 0; i < 40; ++i)
        nul40 += "\\x00";
    const struct {
        std::optional<std::string> file; // none: no file; "/": a directory
        std::string message;
    } cases[] = {
        {std::nullopt, "cannot open: No such file or directory"},
        {"/", "cannot read: Is a directory"},
        {"", "number 1 is missing: the model needs 10 numbers, the file holds 0"},
        {" \r\n\t", "number 1 is missing: the model needs 10 numbers, the file holds 0"},
        {nine, "number 10 is missing: the model needs 10 numbers, the file holds 9"},
        {start + "nan" + end, "number 5 (\"nan\") is not a number"},
        {start + "-inf" + end, "number 5 (\"-inf\") is not a number"},
        {start + "0x10" + end, "number 5 (\"0x10\") is not a number"},
        {start + "0,5" + end, "number 5 (\"0,5\") is not a number"},
        {start + "1.5.5" + end, "number 5 (\"1.5.5\") is not a number"},
        {start + "1-2" + end, "number 5 (\"1-2\") is not a number"},
        {start + "1e" + end, "number 5 (\"1e\") is not a number"},
        {start + "-" + end, "number 5 (\"-\") is not a number"},
        {start + "." + end, "number 5 (\".\") is not a number"},
        {start + "1e400" + end, "number 5 (\"1e400\") is out of range"},
        {start + "-1e400" + end, "number 5 (\"-1e400\") is out of range"},
        {"\xEF\xBB\xBF" + nine + " 10", "number 1 (\"\\xEF\\xBB\\xBF1\") is not a number"},
        {start + "\"q\\" + end, "number 5 (\"\\\"q\\\\\") is not a number"},
        {start + std::string(50, '7') + "x" + end,
         "number 5 (\"" + std::string(40, '7') + "...\") is not a number"},
        {start + std::string(5000, '1') + end,
         "number 5 (\"" + std::string(40, '1') + "...\") is too long to be a number"},
        {"/dev/zero", "number 1 (\"" + nul40 + "...\") is too long to be a number"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        TempDir dir;
        if (c.file == "/")
            fs::create_directory(dir / "model_data.txt");
        else if (c.file == "/dev/zero") // an endless word
            fs::create_symlink(*c.file, dir / "model_data.txt");
        else if (c.file)
            write_file(dir / "model_data.txt", *c.file);
        write_file(dir / "Cx0.png", "an earlier chart");
        const RunResult r = run_machsweep(dir.path);
        EXPECT_EQ(2, r.exit_status);
        EXPECT_EQ("machsweep: model_data.txt: " + c.message + "\n", r.err);
        EXPECT_EQ("", r.out);
        EXPECT_EQ("an earlier chart", read_file(dir / "Cx0.png"));
        EXPECT_FALSE(fs::exists(dir / "Cy0.png"));
    }
}

} // namespace
