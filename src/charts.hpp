#ifndef MACHSWEEP_CHARTS_HPP
#define MACHSWEEP_CHARTS_HPP

#include "sweep.hpp"

#include <mgl2/data.h>

inline constexpr int chart_width = 800;
inline constexpr int chart_height = 600;

// What became of each chart file: 0 when written, else the reason it could
// not be written completely, as an errno value.
struct ChartErrors {
    int cx0 = 0;
    int cy0 = 0;
};

// Draws Cx0 and then Cy0 over the Mach numbers on one canvas and writes them
// to "Cx0.png" and "Cy0.png" in the working directory. A chart that cannot be
// written does not stop the other.
ChartErrors draw_charts(const mglData& mach, const mglData& cx0, const mglData& cy0,
                        const SweepResult& sweep);

#endif
