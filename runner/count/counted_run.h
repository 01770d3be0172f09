// A job's counted run: the runner starts itself again under Valgrind's callgrind, runs the job's
// timed region once with the instrumentation on only around it, and reads the counts back.
#ifndef KERNELS_RUNNER_COUNT_COUNTED_RUN_H_
#define KERNELS_RUNNER_COUNT_COUNTED_RUN_H_

#include <string>
#include <vector>

#include "count/counts.h"

namespace kernels::runner {

// Whether this runner was built with <valgrind/callgrind.h>: without it the timed region cannot
// be marked and nothing can be counted.
bool counting_built_in();

// Whether this runner was built with AddressSanitizer, whose shadow memory Valgrind cannot run.
bool built_with_address_sanitizer();

// Checks, before anything runs, that counted runs can be made: the runner has the client
// requests built in, a `valgrind` program is on PATH, and the runner is not built with
// AddressSanitizer (whose shadow memory Valgrind cannot run). Throws std::runtime_error, one line
// naming what is missing, when not.
void check_counting_available();

// Counts one run of job `name` configured by `tokens` (its own options as typed, and "--" and the
// driver's arguments when it has them), as `kernels run NAME TOKENS` would configure it: the
// runner runs `valgrind --tool=callgrind` on itself with the fixed cache geometry of counts.h,
// and the child counts one prepared run of the job's timed region (the load, the prepare and
// everything else are not counted). The child's files go to a scratch folder that is removed
// whatever happens. Throws std::runtime_error, one line, when Valgrind cannot be started, fails
// or writes no counts.
Counts count_job(const std::string& name, const std::vector<std::string>& tokens);

// What count_job does once it has the child's command line: runs `command` (the program, by its
// path, and its arguments) under callgrind as count_job says, `name` naming it in messages, and
// returns the counts of the region the child marked with the functions below. The child's
// environment is LC_ALL=C and `environment` ("NAME=value" each) alone, the same on every run, so
// that its stack, and the cache misses that depend on where it lies, are the same too.
Counts count_command(const std::vector<std::string>& command, const std::string& name,
                     const std::vector<std::string>& environment = {});

// In a child started by count_job: turns callgrind's simulation on (before the counted run's
// prepare(), so that the simulated caches hold what the run finds in a timed run) or off; and
// turns the counting on or off (around run() alone). The call of each costs a few instructions,
// the same every time. Outside Valgrind, and in a runner built without the header, they do
// nothing.
void counted_simulation(bool on);
void counted_collect_toggle();

}  // namespace kernels::runner

#endif  // KERNELS_RUNNER_COUNT_COUNTED_RUN_H_
