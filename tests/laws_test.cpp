#include "laws.hpp"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <limits>

namespace {

const double inf = std::numeric_limits<double>::infinity();
const double nan = std::numeric_limits<double>::quiet_NaN();

ModelParameters model(std::initializer_list<std::pair<int, double>> values)
{
    ModelParameters m;
    for (const auto& [k, v] : values)
        m.p[static_cast<std::size_t>(k)] = v;
    return m;
}

// Bit-for-bit equality, also for NaN and signed zeros.
void expect_same(double expected, double actual)
{
    if (std::isnan(expected)) {
        EXPECT_TRUE(std::isnan(actual)) << actual;
        return;
    }
    EXPECT_EQ(expected, actual);
    EXPECT_EQ(std::signbit(expected), std::signbit(actual)) << actual;
}

TEST(Laws, WorkedExamplesAreBitExact)
{
    // M = 0: (0 - 1)^2 is exactly 1, so Cx0 = exp(-1 / p3) * (p2 - p1) + p1.
    const ModelParameters bell = model({{1, 0.0}, {2, 1.0}, {3, 1.0}, {7, 0.3}});
    expect_same(0x1.78b56362cef38p-2, cx0_of_mach(0.0, bell)); // exp(-1)
    expect_same(0.3, cy0_of_mach(0.0, bell));
    expect_same(0.3, cy0_of_mach(0.98, bell));

    // M = 1 takes the supersonic branch and computes (p2 - p4) + p4.
    expect_same(1.0, cx0_of_mach(1.0, model({{2, 1.0}, {4, 0.5}, {5, 7.0}})));
    const double two_ulps_below = std::nextafter(std::nextafter(0.1, 0.0), 0.0);
    expect_same(two_ulps_below, cx0_of_mach(1.0, model({{2, 0.1}, {4, 0.7}, {5, 1.0}})));
    expect_same(two_ulps_below, cy0_of_mach(1.0, model({{7, 0.1}, {8, 0.7}, {9, 1.0}})));
    expect_same(0.0, cx0_of_mach(1.0, model({{2, 1e-20}, {4, 1.0}})));
    expect_same(0.0, cy0_of_mach(1.0, model({{7, 1e-20}, {8, 1.0}})));

    // M = 2.
    expect_same(0.75, cx0_of_mach(2.0, model({{2, 1.0}, {4, 0.5}, {5, 1.0}})));
    expect_same(0x1.3333333333333p-3, cy0_of_mach(2.0, model({{7, 0.3}, {8, 0.1}, {9, 2.0}})));

    // Product and sum rounded one by one; a fused multiply-add would give
    // 0x1.bbbbbbbbbbbbbp-2 here.
    expect_same(0x1.bbbbbbbbbbbbcp-2, cx0_of_mach(3.0, model({{2, 0.9}, {4, 0.2}, {5, 1.0}})));
    expect_same(0x1.bbbbbbbbbbbbcp-2, cy0_of_mach(3.0, model({{7, 0.9}, {8, 0.2}, {9, 1.0}})));
}

TEST(Laws, ZeroNegativeAndNonFiniteParametersFollowIeeeArithmetic)
{
    // Width +0: the exponent is -inf and Cx0 is p1 everywhere below M = 1.
    expect_same(0.25, cx0_of_mach(0.98, model({{1, 0.25}, {2, 3.0}, {3, 0.0}})));
    // Width -0: the exponent is +inf; the sign of p2 - p1 picks the infinity.
    expect_same(inf, cx0_of_mach(0.5, model({{1, 0.25}, {2, 3.0}, {3, -0.0}})));
    expect_same(-inf, cx0_of_mach(0.5, model({{1, 3.0}, {2, 0.25}, {3, -0.0}})));
    expect_same(nan, cx0_of_mach(0.5, model({{1, 1.0}, {2, 1.0}, {3, -0.0}})));
    // A negative width grows away from M = 1 and overflows far from it.
    expect_same(inf, cx0_of_mach(0.0, model({{1, 0.0}, {2, 1.0}, {3, -0.001}})));
    EXPECT_GT(cx0_of_mach(0.9, model({{1, 0.0}, {2, 1.0}, {3, -1.0}})), 1.0);
    // p1 = p2: a flat subsonic branch.
    expect_same(0.4, cx0_of_mach(0.3, model({{1, 0.4}, {2, 0.4}, {3, 0.5}})));

    // Exponent zero of either sign: the supersonic branch is constant.
    for (double zero : {0.0, -0.0}) {
        const double at_one = std::nextafter(std::nextafter(0.1, 0.0), 0.0);
        expect_same(at_one, cx0_of_mach(3.5, model({{2, 0.1}, {4, 0.7}, {5, zero}})));
        expect_same(at_one, cy0_of_mach(3.5, model({{7, 0.1}, {8, 0.7}, {9, zero}})));
    }
    // The largest exponents: the power underflows to +0 or overflows.
    expect_same(0.7, cx0_of_mach(1.02, model({{2, 0.1}, {4, 0.7}, {5, DBL_MAX}})));
    expect_same(-inf, cx0_of_mach(1.02, model({{2, 0.1}, {4, 0.7}, {5, -DBL_MAX}})));
    expect_same(nan, cx0_of_mach(1.02, model({{2, 0.7}, {4, 0.7}, {5, -DBL_MAX}})));
    // A difference of parameters may overflow.
    expect_same(inf, cx0_of_mach(1.0, model({{2, DBL_MAX}, {4, -DBL_MAX}, {5, 1.0}})));

    // A NaN M is not below 1: the supersonic branch.
    const ModelParameters m = model({{2, 0.1}, {3, nan}, {4, 0.7}, {5, 1.0}, {7, 0.2}, {9, 0.0}});
    expect_same(nan, cx0_of_mach(nan, m));
    expect_same(0.2, cy0_of_mach(nan, m));
    // A NaN in a parameter the branch does not read changes nothing.
    expect_same(std::nextafter(std::nextafter(0.1, 0.0), 0.0), cx0_of_mach(1.0, m));
    expect_same(nan, cx0_of_mach(0.5, m));
}

} // namespace
