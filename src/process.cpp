#include "process.hpp"

#include "messages.hpp"

#include <cerrno>
#include <clocale>
#include <csignal>
#include <cstdlib>
#include <exception>
#include <fcntl.h>
#include <new>
#include <unistd.h>

namespace {

// Memory can run out before main, while MathGL sets itself up, where no
// handler of the program's can catch it. One line and a failure status in
// place of the runtime's abort.
[[noreturn]] void report_uncaught_exception()
{
    try {
        if (const std::exception_ptr e = std::current_exception())
            std::rethrow_exception(e);
        report_error("internal error: the run was ended without an exception");
    } catch (const std::bad_alloc&) {
        report_error("out of memory");
    } catch (const std::exception& e) {
        report_error("internal error", e.what());
    } catch (...) {
        report_error("internal error: unknown exception");
    }
    std::_Exit(exit_failed);
}

bool run_finished = false;

// Libraries may end the process themselves: libgomp, for one, calls exit(1)
// when it cannot allocate, and 1 is the status of a completed run.
void refuse_early_exit()
{
    if (run_finished)
        return;
    report_error("the run was ended early by a library");
    std::_Exit(exit_failed);
}

void install_failure_handlers(int, char**, char**)
{
    std::set_terminate(report_uncaught_exception);
    std::atexit(refuse_early_exit);
}

// The shared libraries' start-up code runs before any constructor of the
// program's and may already end the process: libgomp's exits with status 1
// when it cannot allocate. Only the executable's pre-initialisation
// functions run earlier than that. main calls into this file, so the entry
// is always linked in.
__attribute__((section(".preinit_array"), used)) void (*const preinit_failure_handlers)(
    int, char**, char**) = install_failure_handlers;

bool is_open(int fd)
{
    return fcntl(fd, F_GETFD) != -1 || errno != EBADF;
}

} // namespace

void mark_run_finished()
{
    run_finished = true;
}

int prepare_process()
{
    std::setlocale(LC_ALL, "C");
    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGXFSZ, SIG_IGN);
    int stdout_error = 0;
    for (int fd = 0; fd <= 2; ++fd) {
        if (is_open(fd))
            continue;
        if (fd == 1)
            stdout_error = EBADF;
        // open returns the lowest free number, which is fd itself here since
        // the lower ones are open already.
        const int placeholder = open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
        if (placeholder != -1 && placeholder != fd)
            close(placeholder);
    }
    return stdout_error;
}
