#include "model_file.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>

namespace {

struct Read {
    std::string problem;
    ModelParameters params;
};

Read read(const std::string& text)
{
    std::istringstream in(text);
    Read r;
    r.problem = read_model_parameters(in, r.params);
    return r;
}

std::string numbers(int count, int first = 1)
{
    std::string s;
    for (int i = 0; i < count; ++i)
        s += std::to_string(first + i) + " ";
    return s;
}

TEST(ModelFile, ReadsEveryDecimalForm)
{
    const Read r = read("+2 -0.5 .5 5. 007 1e3 2.5E-3 1.5e+2 -0 -0.0 1e-400 1e-310");
    ASSERT_EQ("", r.problem);
    const double expected[] = {2, -0.5, 0.5, 5, 7, 1000, 0.0025, 150};
    for (int k = 0; k < 8; ++k)
        EXPECT_EQ(expected[k], r.params.p[static_cast<std::size_t>(k)]) << "position " << k;
    EXPECT_TRUE(r.params.p[8] == 0.0 && std::signbit(r.params.p[8]));
    EXPECT_TRUE(r.params.p[9] == 0.0 && std::signbit(r.params.p[9]));
    EXPECT_TRUE(r.params.p[10] == 0.0 && !std::signbit(r.params.p[10]));
    EXPECT_EQ(FP_SUBNORMAL, std::fpclassify(r.params.p[11]));
    EXPECT_EQ(1e-310, r.params.p[11]);
}

TEST(ModelFile, LayoutDoesNotMatter)
{
    std::string one_line;
    std::string crlf_lines;
    std::string tabbed;
    for (int i = 0; i < 32; ++i) {
        const std::string n = std::to_string(i) + ".25";
        one_line += n + " ";
        crlf_lines += n + "\r\n";
        tabbed += "\t\v\f" + n;
    }
    const Read a = read(one_line);
    ASSERT_EQ("", a.problem);
    EXPECT_EQ(31.25, a.params.p[31]);
    for (const std::string& other : {crlf_lines, tabbed, "  \n" + one_line + "\n\n"}) {
        const Read b = read(other);
        ASSERT_EQ("", b.problem);
        EXPECT_EQ(a.params.p, b.params.p);
    }
}

TEST(ModelFile, OnlyTheFirstTenNumbersAreRequired)
{
    // Exactly ten: the rest of the record is zero.
    const Read ten = read(numbers(10));
    ASSERT_EQ("", ten.problem);
    EXPECT_EQ(10.0, ten.params.p[9]);
    EXPECT_EQ(0.0, ten.params.p[10]);
    EXPECT_EQ(0.0, ten.params.p[31]);

    // Forty: the first 32 are kept.
    const Read forty = read(numbers(40));
    ASSERT_EQ("", forty.problem);
    EXPECT_EQ(32.0, forty.params.p[31]);

    // After the tenth, text that is not a number ends the reading quietly.
    const Read words = read(numbers(12) + "a comment nan 1e400 14");
    ASSERT_EQ("", words.problem);
    EXPECT_EQ(12.0, words.params.p[11]);
    EXPECT_EQ(0.0, words.params.p[12]);
    EXPECT_EQ(0.0, words.params.p[13]);
}

TEST(ModelFile, RejectsWhatIsNotWhollyAFiniteNumber)
{
    const std::string first4 = "1 2 3 4 ";
    const std::string rest = " 6 7 8 9 10";
    const struct {
        std::string text;
        std::string problem;
    } cases[] = {
        {"", "number 1 is missing: the model needs 10 numbers, the file holds 0"},
        {" \r\n\t", "number 1 is missing: the model needs 10 numbers, the file holds 0"},
        {numbers(9), "number 10 is missing: the model needs 10 numbers, the file holds 9"},
        {first4 + "nan" + rest, "number 5 (\"nan\") is not a number"},
        {first4 + "-inf" + rest, "number 5 (\"-inf\") is not a number"},
        {first4 + "0x10" + rest, "number 5 (\"0x10\") is not a number"},
        {first4 + "0,5" + rest, "number 5 (\"0,5\") is not a number"},
        {first4 + "1.5.5" + rest, "number 5 (\"1.5.5\") is not a number"},
        {first4 + "1-2" + rest, "number 5 (\"1-2\") is not a number"},
        {first4 + "1e" + rest, "number 5 (\"1e\") is not a number"},
        {first4 + "1e+" + rest, "number 5 (\"1e+\") is not a number"},
        {first4 + "-" + rest, "number 5 (\"-\") is not a number"},
        {first4 + "." + rest, "number 5 (\".\") is not a number"},
        {first4 + "1e400" + rest, "number 5 (\"1e400\") is out of range"},
        {first4 + "-1e400" + rest, "number 5 (\"-1e400\") is out of range"},
        {"\xEF\xBB\xBF" "0 " + numbers(9), "number 1 (\"\\xEF\\xBB\\xBF0\") is not a number"},
        {first4 + "\"q\\" + rest, "number 5 (\"\\\"q\\\\\") is not a number"},
        {first4 + std::string(50, '7') + "x" + rest,
         "number 5 (\"" + std::string(40, '7') + "...\") is not a number"},
        {first4 + std::string(5000, '1') + rest,
         "number 5 (\"" + std::string(40, '1') + "...\") is too long to be a number"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.problem, read(c.text).problem) << "file: " << c.text.substr(0, 60);
}

} // namespace
