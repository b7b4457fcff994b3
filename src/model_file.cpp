#include "model_file.hpp"

#include "messages.hpp"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <string_view>

namespace {

bool is_space(int c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// A token longer than this is no number of a model, and reading stops at
// once, so that an endless word (a link to /dev/zero) cannot keep the run
// reading forever.
constexpr std::size_t max_token_length = 1024;

enum class TokenStatus { found, too_long, end_of_input, read_error };

// Reads the next whitespace-separated token into `token`; a token that is
// too long keeps its first max_token_length bytes.
TokenStatus next_token(std::istream& in, std::string& token, int& read_errno)
{
    token.clear();
    std::streambuf* buf = in.rdbuf();
    if (buf == nullptr || !in.good()) {
        read_errno = EIO;
        return in.eof() ? TokenStatus::end_of_input : TokenStatus::read_error;
    }
    using traits = std::istream::traits_type;
    errno = 0;
    try {
        for (int c = buf->sgetc(); c != traits::eof(); c = buf->snextc()) {
            if (!is_space(c)) {
                if (token.size() == max_token_length)
                    return TokenStatus::too_long;
                token.push_back(traits::to_char_type(c));
            } else if (!token.empty()) {
                return TokenStatus::found;
            }
        }
    } catch (const std::ios_base::failure&) {
        // libstdc++'s file buffer throws this when read(2) fails (on a
        // directory, on an I/O error); errno still holds the reason.
        read_errno = failure_errno();
        in.setstate(std::ios_base::badbit);
        return TokenStatus::read_error;
    }
    in.setstate(std::ios_base::eofbit);
    return token.empty() ? TokenStatus::end_of_input : TokenStatus::found;
}

// Whole-token match of: [+-] digits-with-at-most-one-point (one digit at
// least) [ (e|E) [+-] digits ].
bool is_decimal_number(std::string_view s)
{
    std::size_t i = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-'))
        ++i;
    bool digits = false;
    bool point = false;
    for (; i < s.size(); ++i) {
        if (is_digit(s[i]))
            digits = true;
        else if (s[i] == '.' && !point)
            point = true;
        else
            break;
    }
    if (!digits)
        return false;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        ++i;
        if (i < s.size() && (s[i] == '+' || s[i] == '-'))
            ++i;
        const std::size_t first_exponent_digit = i;
        while (i < s.size() && is_digit(s[i]))
            ++i;
        if (i == first_exponent_digit)
            return false;
    }
    return i == s.size();
}

enum class NumberStatus { ok, malformed, out_of_range };

NumberStatus parse_number(const std::string& token, double& value)
{
    if (!is_decimal_number(token))
        return NumberStatus::malformed;
    // The grammar admits neither "inf" nor "nan", so an infinite result can
    // only mean overflow. Underflow to a subnormal or zero is accepted.
    // strtod's decimal point follows the C locale, which the process is set
    // to before the model is read.
    value = std::strtod(token.c_str(), nullptr);
    return std::isfinite(value) ? NumberStatus::ok : NumberStatus::out_of_range;
}

std::string describe_number(int position, const std::string& token, const char* problem)
{
    return "number " + std::to_string(position) + " (" + quoted(token) + ") " + problem;
}

} // namespace

std::string read_model_parameters(std::istream& in, ModelParameters& params)
{
    params = ModelParameters{};
    std::string token;
    for (int k = 0; k < static_cast<int>(params.p.size()); ++k) {
        int read_errno = 0;
        const TokenStatus status = next_token(in, token, read_errno);
        const bool required = k < required_model_numbers;
        if (status == TokenStatus::read_error)
            return "cannot read: " + errno_text(read_errno);
        if (status == TokenStatus::too_long) {
            if (!required)
                return {};
            return describe_number(k + 1, token, "is too long to be a number");
        }
        if (status == TokenStatus::end_of_input) {
            if (!required)
                return {};
            return "number " + std::to_string(k + 1) + " is missing: the model needs "
                + std::to_string(required_model_numbers) + " numbers, the file holds "
                + std::to_string(k);
        }
        double value = 0.0;
        switch (parse_number(token, value)) {
        case NumberStatus::ok:
            params.p[static_cast<std::size_t>(k)] = value;
            break;
        case NumberStatus::malformed:
            if (!required)
                return {};
            return describe_number(k + 1, token, "is not a number");
        case NumberStatus::out_of_range:
            if (!required)
                return {};
            return describe_number(k + 1, token, "is out of range");
        }
    }
    return {};
}
