#include "model_file.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

namespace {

ModelParameters read_ok(const std::string& text)
{
    std::istringstream in(text);
    ModelParameters params;
    EXPECT_EQ("", read_model_parameters(in, params)) << text.substr(0, 60);
    return params;
}

TEST(ModelFile, ReadsEveryDecimalForm)
{
    const ModelParameters m = read_ok("+2 -0.5 .5 5. 007 1e3 2.5E-3 1.5e+2 -0 -0.0 1e-400 1e-310");
    const double expected[] = {2, -0.5, 0.5, 5, 7, 1000, 0.0025, 150, -0.0, -0.0, 0.0, 1e-310};
    for (std::size_t k = 0; k < 12; ++k) {
        EXPECT_EQ(expected[k], m.p[k]) << "position " << k;
        EXPECT_EQ(std::signbit(expected[k]), std::signbit(m.p[k])) << "position " << k;
    }
    EXPECT_EQ(FP_SUBNORMAL, std::fpclassify(m.p[11]));
}

TEST(ModelFile, AnyLayoutAndOnlyTheFirstTenNumbersRequired)
{
    std::string spaces, crlf, tabs;
    for (int i = 0; i < 40; ++i) {
        const std::string n = std::to_string(i) + ".25";
        spaces += n + " ";
        crlf += n + "\r\n";
        tabs += "\t\v\f" + n; // and no line end after the last
    }
    const ModelParameters m = read_ok(spaces);
    EXPECT_EQ(31.25, m.p[31]); // the first 32 of 40
    EXPECT_EQ(m.p, read_ok(crlf).p);
    EXPECT_EQ(m.p, read_ok(tabs).p);

    // Ten numbers are enough; after the tenth, text that is not a number
    // ends the reading quietly and the rest stays zero.
    const ModelParameters ten = read_ok(" 1 2 3 4 5 6 7 8 9 10 11 a comment 13");
    EXPECT_EQ(11.0, ten.p[10]);
    EXPECT_EQ(0.0, ten.p[11]);
    EXPECT_EQ(0.0, ten.p[12]);
}

} // namespace
