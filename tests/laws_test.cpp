#include "laws.hpp"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <limits>

namespace {

const double inf = std::numeric_limits<double>::infinity();
const double nan = std::numeric_limits<double>::quiet_NaN();
// (0.1 - 0.7) + 0.7 in doubles: two units in the last place below 0.1.
const double almost_tenth = std::nextafter(std::nextafter(0.1, 0.0), 0.0);

ModelParameters model(std::initializer_list<std::pair<std::size_t, double>> values)
{
    ModelParameters m;
    for (const auto& [k, v] : values)
        m.p[k] = v;
    return m;
}

// Bit for bit, NaN and signed zeros included.
#define EXPECT_SAME(expected, actual)                                                             \
    do {                                                                                          \
        const double e_ = (expected), a_ = (actual);                                              \
        if (std::isnan(e_))                                                                       \
            EXPECT_TRUE(std::isnan(a_)) << a_;                                                    \
        else                                                                                      \
            EXPECT_TRUE(e_ == a_ && std::signbit(e_) == std::signbit(a_)) << e_ << " vs " << a_;  \
    } while (0)

TEST(Laws, WorkedExamplesAreBitExact)
{
    // M = 0: (0 - 1)^2 is exactly 1, so Cx0 = exp(-1 / p3) * (p2 - p1) + p1.
    const ModelParameters bell = model({{1, 0.0}, {2, 1.0}, {3, 1.0}, {7, 0.3}});
    EXPECT_SAME(0x1.78b56362cef38p-2, cx0_of_mach(0.0, bell)); // exp(-1)
    EXPECT_SAME(0.3, cy0_of_mach(0.98, bell));
    // M = 1 takes the supersonic branch: (p2 - p4) + p4, not p2.
    EXPECT_SAME(1.0, cx0_of_mach(1.0, model({{2, 1.0}, {4, 0.5}, {5, 7.0}})));
    EXPECT_SAME(almost_tenth, cx0_of_mach(1.0, model({{2, 0.1}, {4, 0.7}, {5, 1.0}})));
    EXPECT_SAME(almost_tenth, cy0_of_mach(1.0, model({{7, 0.1}, {8, 0.7}, {9, 1.0}})));
    EXPECT_SAME(0.0, cx0_of_mach(1.0, model({{2, 1e-20}, {4, 1.0}})));
    // M = 2.
    EXPECT_SAME(0.75, cx0_of_mach(2.0, model({{2, 1.0}, {4, 0.5}, {5, 1.0}})));
    EXPECT_SAME(0x1.3333333333333p-3, cy0_of_mach(2.0, model({{7, 0.3}, {8, 0.1}, {9, 2.0}})));
    // Product and sum rounded one by one; a fused multiply-add would give
    // 0x1.bbbbbbbbbbbbbp-2.
    EXPECT_SAME(0x1.bbbbbbbbbbbbcp-2, cx0_of_mach(3.0, model({{2, 0.9}, {4, 0.2}, {5, 1.0}})));
    EXPECT_SAME(0x1.bbbbbbbbbbbbcp-2, cy0_of_mach(3.0, model({{7, 0.9}, {8, 0.2}, {9, 1.0}})));
}

TEST(Laws, ZeroNegativeAndNonFiniteParametersFollowIeeeArithmetic)
{
    // Width +0: exp(-inf) = 0 leaves p1. Width -0: exp(+inf), signed by
    // p2 - p1, or NaN when they are equal. A negative width overflows far
    // from M = 1.
    EXPECT_SAME(0.25, cx0_of_mach(0.98, model({{1, 0.25}, {2, 3.0}, {3, 0.0}})));
    EXPECT_SAME(inf, cx0_of_mach(0.5, model({{1, 0.25}, {2, 3.0}, {3, -0.0}})));
    EXPECT_SAME(-inf, cx0_of_mach(0.5, model({{1, 3.0}, {2, 0.25}, {3, -0.0}})));
    EXPECT_SAME(nan, cx0_of_mach(0.5, model({{1, 1.0}, {2, 1.0}, {3, -0.0}})));
    EXPECT_SAME(inf, cx0_of_mach(0.0, model({{1, 0.0}, {2, 1.0}, {3, -0.001}})));

    // Exponent zero of either sign: constant from M = 1 on.
    for (double zero : {0.0, -0.0}) {
        EXPECT_SAME(almost_tenth, cx0_of_mach(3.5, model({{2, 0.1}, {4, 0.7}, {5, zero}})));
        EXPECT_SAME(almost_tenth, cy0_of_mach(3.5, model({{7, 0.1}, {8, 0.7}, {9, zero}})));
    }
    // The largest exponents: the power underflows to +0 or overflows.
    EXPECT_SAME(0.7, cx0_of_mach(1.02, model({{2, 0.1}, {4, 0.7}, {5, DBL_MAX}})));
    EXPECT_SAME(-inf, cx0_of_mach(1.02, model({{2, 0.1}, {4, 0.7}, {5, -DBL_MAX}})));
    EXPECT_SAME(nan, cx0_of_mach(1.02, model({{2, 0.7}, {4, 0.7}, {5, -DBL_MAX}})));
    EXPECT_SAME(inf, cx0_of_mach(1.0, model({{2, DBL_MAX}, {4, -DBL_MAX}, {5, 1.0}})));

    // A NaN M is not below 1; a NaN that a branch does not read is harmless.
    const ModelParameters m = model({{2, 0.1}, {3, nan}, {4, 0.7}, {5, 1.0}, {7, 0.2}, {9, 0.0}});
    EXPECT_SAME(nan, cx0_of_mach(nan, m));
    EXPECT_SAME(0.2, cy0_of_mach(nan, m));
    EXPECT_SAME(almost_tenth, cx0_of_mach(1.0, m));
    EXPECT_SAME(nan, cx0_of_mach(0.5, m));
}

} // namespace
