#include "sweep.hpp"
#include "table.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <sstream>

namespace {

const double inf = std::numeric_limits<double>::infinity();
const double nan = std::numeric_limits<double>::quiet_NaN();

TEST(Sweep, MachNumbersAreTheNearestDoublesToFiftieths)
{
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
    for (double v : {-5.0, -0.0, 0.0, -2.0})
        update_extremes(e, v);
    EXPECT_EQ(-5.0, e.smallest);
    EXPECT_TRUE(e.largest == 0.0 && std::signbit(e.largest));
    update_extremes(e, inf);
    update_extremes(e, -inf);
    EXPECT_EQ(-inf, e.smallest);
    EXPECT_EQ(inf, e.largest);
}

TEST(Table, BytesOfHeadingAndRows)
{
    std::ostringstream out;
    set_table_format(out);
    EXPECT_EQ(0, write_table_heading(out));
    EXPECT_EQ(0, write_table_row(out, 0.02, 0.25, -1.5));
    EXPECT_EQ(0, write_table_row(out, 0.0, 12.34567, 0.00004));
    EXPECT_EQ(0, write_table_row(out, 3.98, 2.71828, 0.00006));
    EXPECT_EQ(0, write_table_row(out, 1.0, 1e6, -0.0));
    EXPECT_EQ(0, write_table_row(out, 0.5, nan, -inf));
    EXPECT_EQ("M\tCx0\tCy0\n"
              "0.0200 \t0.2500\t-1.5000\n"
              "0.0000 \t12.3457\t0.0000\n"
              "3.9800 \t2.7183\t0.0001\n"
              "1.0000 \t1000000.0000\t-0.0000\n"
              "0.5000 \tnan\t-inf\n",
              out.str());
}

} // namespace
