#ifndef MACHSWEEP_TABLE_HPP
#define MACHSWEEP_TABLE_HPP

#include <ostream>

// The console table: fixed notation with four decimals, tab-separated, every
// line flushed as it ends so that a reader sees the sweep as it goes.

// Selects fixed-point notation with precision 4 on `out`, for good.
void set_table_format(std::ostream& out);

// The writers return 0 when the line reached the stream, or else the reason
// it did not as an errno value (EIO where the system gave none), taken at
// once so that a later call cannot overwrite it.

// "M\tCx0\tCy0" and a line end.
int write_table_heading(std::ostream& out);

// "<M> \t<Cx0>\t<Cy0>" and a line end.
int write_table_row(std::ostream& out, double mach, double cx0, double cy0);

#endif
