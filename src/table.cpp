#include "table.hpp"

#include "messages.hpp"

#include <cerrno>

namespace {

int failure_of(const std::ostream& out)
{
    if (out.good())
        return 0;
    return failure_errno();
}

} // namespace

void set_table_format(std::ostream& out)
{
    out.setf(std::ios_base::fixed, std::ios_base::floatfield);
    out.precision(4);
}

int write_table_heading(std::ostream& out)
{
    errno = 0;
    out << "M\tCx0\tCy0" << std::endl;
    return failure_of(out);
}

int write_table_row(std::ostream& out, double mach, double cx0, double cy0)
{
    errno = 0;
    out << mach << " \t" << cx0 << '\t' << cy0 << std::endl;
    return failure_of(out);
}
