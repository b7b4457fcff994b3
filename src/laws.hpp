#ifndef MACHSWEEP_LAWS_HPP
#define MACHSWEEP_LAWS_HPP

#include "model_file.hpp"

// Both laws take the subsonic branch exactly when mach < 1.0; M = 1 and a NaN
// M take the supersonic one. Every operation is one rounded IEEE double
// operation (the library is built without contraction into fused
// multiply-adds), and NaN and infinities pass through untested.

// Cx0: p[1] + (p[2] - p[1]) * exp(-(M - 1)^2 / p[3]) below M = 1,
//      p[4] + (p[2] - p[4]) * M^(-p[5]) from M = 1 on.
double cx0_of_mach(double mach, const ModelParameters& params);

// Cy0: p[7] below M = 1, p[8] + (p[7] - p[8]) * M^(-p[9]) from M = 1 on.
double cy0_of_mach(double mach, const ModelParameters& params);

#endif
