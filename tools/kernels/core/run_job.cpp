#include "core/run_job.h"

#include <chrono>

#include "core/progress.h"
#include "kernels/shell/shell.h"

namespace kernels::runner {

Report run_job(const std::string& name, Job& job, const RunSettings& settings, Progress* progress) {
  using Clock = std::chrono::steady_clock;
  Report r;
  r.kernel = name;
  r.args = job.args();
  const int total = settings.warmup + settings.repeat + (settings.observe ? 1 : 0);
  int done = 0;
  // One run from a fresh arena and a prepared job; returns the seconds that `body` took. Every
  // run does the same work, so the storage of the last one stands for all.
  auto one_run = [&](const char* kind, auto&& body) {
    if (progress != nullptr) progress->run(kind, ++done, total);
    shell::arena_reset();
    job.prepare();
    const shell::ArenaStats before = shell::arena_stats();
    const auto start = Clock::now();
    body();
    const auto stop = Clock::now();
    const shell::ArenaStats after = shell::arena_stats();
    r.records = after.records - before.records;
    r.bytes = after.bytes - before.bytes;
    return std::chrono::duration<double>(stop - start).count();
  };

  for (int i = 0; i < settings.warmup; ++i) one_run("warm-up", [&] { job.run(); });
  std::vector<double> seconds;
  for (int i = 0; i < settings.repeat; ++i) seconds.push_back(one_run("timed", [&] { job.run(); }));
  r.seconds = time_stats(std::move(seconds));
  if (settings.observe) one_run("observed", [&] { r.calls = job.run_observed(); });

  r.summary = job.summary();
  r.digest = job.digest();
  r.work = job.work();
  job.finish();
  shell::arena_reset();
  return r;
}

}  // namespace kernels::runner
