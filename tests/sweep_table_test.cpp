#include "sweep.hpp"
#include "table.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <sstream>

namespace {

const double inf = std::numeric_limits<double>::infinity();
const double nan = std::numeric_limits<double>::quiet_NaN();

std::string row(double m, double x, double y)
{
    std::ostringstream out;
    set_table_format(out);
    EXPECT_EQ(0, write_table_row(out, m, x, y));
    return out.str();
}

TEST(Sweep, MachNumbersAreTheNearestDoublesToFiftieths)
{
    EXPECT_EQ(0.0, mach_of_point(0));
    EXPECT_EQ(0.02, mach_of_point(1));
    EXPECT_EQ(0.98, mach_of_point(49));
    EXPECT_EQ(1.0, mach_of_point(50));
    EXPECT_EQ(3.98, mach_of_point(199));
    for (int i = 0; i < sweep_points; ++i)
        EXPECT_EQ(static_cast<double>(i) / 50.0, mach_of_point(i)) << i;
}

TEST(Sweep, ExtremesIgnoreNanAndKeepTheFirstOfEqualValues)
{
    Extremes e{-1e-9, -1e9};
    update_extremes(e, nan);
    EXPECT_EQ(-1e-9, e.smallest);
    EXPECT_EQ(-1e9, e.largest);
    update_extremes(e, -5.0);
    update_extremes(e, -2.0);
    EXPECT_EQ(-5.0, e.smallest);
    EXPECT_EQ(-2.0, e.largest);

    Extremes z{-1e-9, -1e9};
    update_extremes(z, -0.0);
    update_extremes(z, 0.0);
    EXPECT_TRUE(z.largest == 0.0 && std::signbit(z.largest));

    Extremes i{-1e-9, 1e-9};
    update_extremes(i, inf);
    update_extremes(i, -inf);
    EXPECT_EQ(-inf, i.smallest);
    EXPECT_EQ(inf, i.largest);
}

TEST(Table, BytesOfHeadingAndRows)
{
    std::ostringstream heading;
    set_table_format(heading);
    EXPECT_EQ(0, write_table_heading(heading));
    EXPECT_EQ(std::string("M\tCx0\tCy0\n"), heading.str());

    EXPECT_EQ("0.0200 \t0.2500\t-1.5000\n", row(0.02, 0.25, -1.5));
    EXPECT_EQ("0.0000 \t12.3457\t0.0000\n", row(0.0, 12.34567, 0.00004));
    EXPECT_EQ("3.9800 \t2.7183\t0.0001\n", row(3.98, 2.71828, 0.00006));
    EXPECT_EQ("1.0000 \t1000000.0000\t-0.0000\n", row(1.0, 1e6, -0.0));
    EXPECT_EQ("0.5000 \tnan\t-inf\n", row(0.5, nan, -inf));
}

TEST(Sweep, FillsArraysAndWritesOneRowPerPoint)
{
    ModelParameters params;
    params.p[1] = -5.0; // Cx0 below zero everywhere below M = 1
    params.p[2] = -2.0;
    params.p[3] = 0.05;
    params.p[4] = -1.0;
    params.p[5] = 1.0;
    params.p[7] = nan; // Cy0 NaN everywhere
    mglData mach(sweep_points), cx0(sweep_points), cy0(sweep_points);
    std::ostringstream out;
    set_table_format(out);
    const SweepResult r = run_sweep(params, mach, cx0, cy0, out);

    EXPECT_EQ(0, r.table_error);
    EXPECT_EQ(1.0, mach.a[50]);
    EXPECT_EQ(3.98, mach.a[199]);
    EXPECT_EQ(-2.0, cx0.a[50]);
    EXPECT_TRUE(std::isnan(cy0.a[199]));
    // Cx0 runs from about -5 up to -1.01: the largest keeps its +1e-9 start.
    EXPECT_EQ(cx0.a[0], r.cx0.smallest);
    EXPECT_EQ(1e-9, r.cx0.largest);
    EXPECT_EQ(-1e-9, r.cy0.smallest);
    EXPECT_EQ(-1e9, r.cy0.largest);

    const std::string text = out.str();
    std::istringstream lines(text);
    std::string line;
    int count = 0;
    while (std::getline(lines, line)) {
        const std::string expected_start = count == 0 ? "0.0000 \t"
                                         : count == 50 ? "1.0000 \t-2.0000\tnan"
                                         : count == 199 ? "3.9800 \t"
                                                        : "";
        EXPECT_EQ(0u, line.rfind(expected_start, 0)) << line;
        ++count;
    }
    EXPECT_EQ(200, count);
    EXPECT_EQ('\n', text.back());
}

TEST(Table, ReportsTheReasonAStreamRefusedALine)
{
    std::ostringstream out;
    out.setstate(std::ios_base::badbit);
    EXPECT_NE(0, write_table_row(out, 0.0, 0.0, 0.0));
}

} // namespace
