#include "sweep.hpp"

#include "laws.hpp"
#include "table.hpp"

#include <type_traits>

static_assert(std::is_same_v<mreal, double>, "MathGL must store doubles");

namespace {

// Mach number of sweep point i: the double nearest to i / 50, so that point
// 50 is exactly 1.0 and the points run 0, 0.02, ... 3.98.
double mach_of_point(int i)
{
    return (4.0 * static_cast<double>(i)) / 200.0;
}

void update_extremes(Extremes& extremes, double value)
{
    if (value < extremes.smallest)
        extremes.smallest = value;
    if (value > extremes.largest)
        extremes.largest = value;
}

} // namespace

SweepResult run_sweep(const ModelParameters& params, mglData& mach, mglData& cx0, mglData& cy0,
                      std::ostream& out)
{
    SweepResult result;
    for (int i = 0; i < sweep_points; ++i) {
        const double m = mach_of_point(i);
        mach.a[i] = m;
        const double x = cx0_of_mach(m, params);
        cx0.a[i] = x;
        update_extremes(result.cx0, x);
        const double y = cy0_of_mach(m, params);
        cy0.a[i] = y;
        update_extremes(result.cy0, y);
        const int error = write_table_row(out, m, x, y);
        if (result.table_error == 0)
            result.table_error = error;
    }
    return result;
}
