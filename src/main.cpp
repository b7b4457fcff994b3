#include "charts.hpp"
#include "messages.hpp"
#include "model_file.hpp"
#include "process.hpp"
#include "sweep.hpp"
#include "table.hpp"

#include <mgl2/data.h>

#include <cerrno>
#include <fstream>
#include <iostream>
#include <new>

namespace {

const char* const model_file_name = "model_data.txt";

// Reports an output that failed with `error` (an errno value, 0 for none);
// returns whether it did.
bool report_output_failure(const char* output, const char* what, int error)
{
    if (error != 0)
        report_error(output, std::string(what) + ": " + errno_text(error));
    return error != 0;
}

int run()
{
    int table_error = prepare_process();
    if (table_error != 0)
        std::cout.setstate(std::ios_base::badbit);

    errno = 0;
    std::ifstream model_file(model_file_name, std::ios_base::in);
    if (!model_file.is_open()) {
        report_error(model_file_name, "cannot open: " + errno_text(failure_errno()));
        return exit_failed;
    }
    ModelParameters params;
    const std::string problem = read_model_parameters(model_file, params);
    if (!problem.empty()) {
        report_error(model_file_name, problem);
        return exit_failed;
    }

    set_table_format(std::cout);
    mglData mach(sweep_points);
    mglData cx0(sweep_points);
    mglData cy0(sweep_points);
    const int heading_error = write_table_heading(std::cout);
    if (table_error == 0)
        table_error = heading_error;
    const SweepResult sweep = run_sweep(params, mach, cx0, cy0, std::cout);
    if (table_error == 0)
        table_error = sweep.table_error;

    const ChartErrors charts = draw_charts(mach, cx0, cy0, sweep);

    bool failed = report_output_failure("standard output", "cannot write the table", table_error);
    failed |= report_output_failure("Cx0.png", "cannot write the chart", charts.cx0);
    failed |= report_output_failure("Cy0.png", "cannot write the chart", charts.cy0);
    return failed ? exit_failed : exit_completed;
}

} // namespace

int main()
{
    int status = exit_failed;
    try {
        status = run();
    } catch (const std::bad_alloc&) {
        report_error("out of memory");
    }
    mark_run_finished();
    return status;
}
