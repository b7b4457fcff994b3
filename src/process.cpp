#include "process.hpp"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

bool is_open(int fd)
{
    return fcntl(fd, F_GETFD) != -1 || errno != EBADF;
}

} // namespace

int prepare_process()
{
    std::signal(SIGPIPE, SIG_IGN);
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
