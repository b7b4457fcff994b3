#include "laws.hpp"

#include <cmath>

double cx0_of_mach(double mach, const ModelParameters& params)
{
    const auto& p = params.p;
    if (mach < 1.0) {
        const double d = mach - 1.0;
        const double s = d * d;
        const double e = (-s) / p[3];
        const double k = p[2] - p[1];
        return std::exp(e) * k + p[1];
    }
    const double k = p[2] - p[4];
    return std::pow(mach, -p[5]) * k + p[4];
}

double cy0_of_mach(double mach, const ModelParameters& params)
{
    const auto& p = params.p;
    if (mach < 1.0)
        return p[7];
    const double k = p[7] - p[8];
    return std::pow(mach, -p[9]) * k + p[8];
}
