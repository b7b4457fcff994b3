#include "messages.hpp"

#include <cstdio>
#include <cstring>

std::string errno_text(int error_number)
{
    return std::strerror(error_number);
}

std::string quoted(std::string_view text)
{
    constexpr std::size_t shown = 40;
    static const char hex[] = "0123456789ABCDEF";
    std::string out = "\"";
    for (std::size_t i = 0; i < text.size() && i < shown; ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte == '"' || byte == '\\') {
            out += '\\';
            out += static_cast<char>(byte);
        } else if (byte >= 0x20 && byte < 0x7F) {
            out += static_cast<char>(byte);
        } else {
            out += "\\x";
            out += hex[byte >> 4];
            out += hex[byte & 0x0F];
        }
    }
    if (text.size() > shown)
        out += "...";
    out += '"';
    return out;
}

void report_error(std::string_view subject, std::string_view problem)
{
    // One write of the whole line, so that it cannot interleave with anything.
    std::string line = "machsweep: ";
    line.append(subject).append(": ").append(problem).append("\n");
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
}
