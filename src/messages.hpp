#ifndef MACHSWEEP_MESSAGES_HPP
#define MACHSWEEP_MESSAGES_HPP

#include <string>
#include <string_view>

// The system's text for an errno value ("No such file or directory").
std::string errno_text(int error_number);

// The reason for a failure just seen: errno, or EIO where the failing call
// set none. Callers clear errno before the call.
int failure_errno();

// `text` in double quotes, fit for a one-line message: bytes outside
// printable ASCII (and the quote and backslash) become escapes such as \xEF,
// and a long text is cut short with "...".
std::string quoted(std::string_view text);

// Writes "machsweep: <subject>: <problem>" as one line on standard error.
void report_error(std::string_view subject, std::string_view problem);

// Writes "machsweep: <problem>" as one line on standard error.
void report_error(std::string_view problem);

#endif
