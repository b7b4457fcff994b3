#ifndef MACHSWEEP_MODEL_FILE_HPP
#define MACHSWEEP_MODEL_FILE_HPP

#include <array>
#include <istream>
#include <string>

// The 32 numbers of "model_data.txt", in file order: p[k] is the k-th number
// counted from 0. Positions the file does not fill hold 0.0.
struct ModelParameters {
    std::array<double, 32> p{};
};

// How many leading numbers must be valid: positions 0 to 9 hold every
// parameter the laws read (p[0] and p[6], read by neither, keep the others in
// place). The rest of the file can never change a result, so it is not held
// to the same standard.
inline constexpr int required_model_numbers = 10;

// Fills `params` from `in` and returns an empty string, or returns what is
// wrong with the input ("number 5 (\"nan\") is not a number", "cannot read:
// Is a directory", ...) for the caller to prefix with the file name.
//
// Numbers are separated by the six ASCII whitespace characters. Each of the
// first ten must be wholly a decimal number -- optional sign, digits with at
// most one decimal point, optional exponent -- and finite as a double. After
// the tenth, numbers are taken up to position 31 and reading stops quietly at
// the first text that is not one.
std::string read_model_parameters(std::istream& in, ModelParameters& params);

#endif
