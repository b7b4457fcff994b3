#include "charts.hpp"
#include "helpers.hpp"
#include "laws.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <limits>

namespace {

const double nan = std::numeric_limits<double>::quiet_NaN();

TEST(Laws, AreBitExact)
{
    // (0.1 - 0.7) + 0.7 in doubles: two units in the last place below 0.1.
    const double almost_tenth = std::nextafter(std::nextafter(0.1, 0.0), 0.0);
    const struct {
        double (*law)(double, const ModelParameters&);
        double mach;
        ModelParameters params; // p[0], p[1], ... and 0 after those given
        double expected;
    } cases[] = {
        // M = 0: (0 - 1)^2 is exactly 1, so Cx0 = exp(-1 / p3) * (p2 - p1) + p1.
        {cx0_of_mach, 0.0, {{0, 0, 1, 1}}, 0x1.78b56362cef38p-2},
        // M = 1 takes the power branch: (p2 - p4) + p4, not p2.
        {cx0_of_mach, 1.0, {{0, 0, 0.1, nan, 0.7, 1}}, almost_tenth},
        {cy0_of_mach, 1.0, {{0, 0, 0, 0, 0, 0, 0, 0.1, 0.7, 1}}, almost_tenth},
        {cx0_of_mach, 2.0, {{0, 0, 1, 0, 0.5, 1}}, 0.75},
        {cy0_of_mach, 2.0, {{0, 0, 0, 0, 0, 0, 0, 0.3, 0.1, 2}}, 0x1.3333333333333p-3},
        // Product and sum rounded one by one; a fused multiply-add would give
        // 0x1.bbbbbbbbbbbbbp-2.
        {cx0_of_mach, 3.0, {{0, 0, 0.9, 0, 0.2, 1}}, 0x1.bbbbbbbbbbbbcp-2},
        {cy0_of_mach, 3.0, {{0, 0, 0, 0, 0, 0, 0, 0.9, 0.2, 1}}, 0x1.bbbbbbbbbbbbcp-2},
        // A NaN M is not below 1: only a zero exponent gives a number then.
        {cx0_of_mach, nan, {{0, 0, 0.1, 0, 0.7, -0.0}}, almost_tenth},
        {cy0_of_mach, nan, {{0, 0, 0, 0, 0, 0, 0, 0.1, 0.7, 1}}, nan},
    };
    for (const auto& c : cases) {
        const double got = c.law(c.mach, c.params);
        EXPECT_TRUE(std::isnan(c.expected) ? std::isnan(got) : got == c.expected)
            << "M = " << c.mach << ": " << got;
    }
}

TEST(Charts, DrawingKeepsTheProcessOnOneThread)
{
    TempDir dir;
    const fs::path here = fs::current_path();
    fs::current_path(dir.path);
    mglData mach(sweep_points), values(sweep_points);
    for (int i = 0; i < sweep_points; ++i)
        mach.a[i] = values.a[i] = mach_of_point(i);
    const ChartErrors errors = draw_charts(mach, values, values, SweepResult{});
    fs::current_path(here);
    EXPECT_TRUE(errors.cx0 == 0 && errors.cy0 == 0);
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line) && line.rfind("Threads:", 0) != 0) {
    }
    EXPECT_EQ("Threads:\t1", line);
}

} // namespace
