#ifndef MACHSWEEP_PROCESS_HPP
#define MACHSWEEP_PROCESS_HPP

// Exit statuses: a run that completes ends with 1, as callers of this tool
// have always seen; 2 means the program reported a failure on standard error.
inline constexpr int exit_completed = 1;
inline constexpr int exit_failed = 2;

// Makes the process safe to write its outputs:
// - a closed standard descriptor (0, 1 or 2) is opened on /dev/null, so that
//   no file of the run (the model, a chart) can take its number and receive
//   the table or an error message;
// - SIGPIPE and SIGXFSZ are ignored, so a reader that has gone or a file-size
//   limit turn into write errors that the run reports, instead of killing it
//   before the charts are written;
// - the locale is the C locale again (MathGL's start-up takes the user's),
//   so that messages and numbers read the same everywhere.
// Returns 0, or EBADF when standard output was closed (the table cannot be
// written; the caller reports it at the end of the run).
int prepare_process();

// Tells the process that main is returning on purpose. Any earlier exit,
// such as a library's own exit on a fatal error, ends with exit_failed.
void mark_run_finished();

#endif
