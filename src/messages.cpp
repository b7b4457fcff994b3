#include "messages.hpp"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/uio.h>
#include <unistd.h>

std::string errno_text(int error_number)
{
    return std::strerror(error_number);
}

int failure_errno()
{
    return errno != 0 ? errno : EIO;
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

namespace {

// One writev of the whole line, so that it cannot interleave with anything,
// and no allocation, so that it works when memory has run out.
void write_line(std::string_view a, std::string_view b, std::string_view c)
{
    static const char prefix[] = "machsweep: ";
    iovec parts[] = {
        {const_cast<char*>(prefix), sizeof prefix - 1},
        {const_cast<char*>(a.data()), a.size()},
        {const_cast<char*>(b.data()), b.size()},
        {const_cast<char*>(c.data()), c.size()},
        {const_cast<char*>("\n"), 1},
    };
    std::fflush(stderr);
    while (writev(STDERR_FILENO, parts, 5) < 0 && errno == EINTR) {
    }
}

} // namespace

void report_error(std::string_view subject, std::string_view problem)
{
    write_line(subject, ": ", problem);
}

void report_error(std::string_view problem)
{
    write_line(problem, {}, {});
}
