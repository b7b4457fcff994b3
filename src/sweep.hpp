#ifndef MACHSWEEP_SWEEP_HPP
#define MACHSWEEP_SWEEP_HPP

#include "model_file.hpp"

#include <mgl2/data.h>

#include <ostream>

inline constexpr int sweep_points = 200;

// Running smallest and largest value of one coefficient. A value replaces an
// extreme only when strictly beyond it, so NaN never enters.
struct Extremes {
    double smallest;
    double largest;
};

struct SweepResult {
    // Both pairs start around zero, so that each chart's vertical range
    // always spans zero and is never empty, whatever the values.
    Extremes cx0{-1e-9, 1e-9};
    Extremes cy0{-1e-9, 1e-9};
    // Why the table first failed to reach `out` (an errno value), or 0.
    int table_error = 0;
};

// Evaluates both laws at every sweep point, stores M, Cx0 and Cy0 in the
// three arrays (each of sweep_points values) and writes one table row per
// point to `out`.
SweepResult run_sweep(const ModelParameters& params, mglData& mach, mglData& cx0, mglData& cy0,
                      std::ostream& out);

#endif
