#include "cli/progress.h"

#include <unistd.h>

#include <cstdio>

namespace kernels::runner {

Progress::Progress(int jobs) : jobs_(jobs), enabled_(isatty(STDERR_FILENO) == 1) {
  if (enabled_) thread_ = std::thread([this] { draw_loop(); });
}

Progress::~Progress() {
  if (!enabled_) return;
  {
    std::lock_guard lock(mutex_);
    stop_ = true;
    erase_locked();
  }
  wake_.notify_all();
  thread_.join();
}

void Progress::job(int index, const std::string& name) {
  if (!enabled_) return;
  std::lock_guard lock(mutex_);
  erase_locked();
  job_index_ = index;
  job_name_ = name;
  last_run_seconds_ = 0;
  running_ = false;
}

void Progress::run(const char* kind, int index, int total) {
  if (!enabled_) return;
  std::lock_guard lock(mutex_);
  const Clock::time_point now = Clock::now();
  if (running_) last_run_seconds_ = std::chrono::duration<double>(now - run_start_).count();
  kind_ = kind;
  run_index_ = index;
  run_total_ = total;
  run_start_ = now;
  running_ = true;
}

void Progress::end_job() {
  if (!enabled_) return;
  std::lock_guard lock(mutex_);
  erase_locked();
  running_ = false;
}

void Progress::erase_locked() {
  if (!shown_) return;
  std::fputs("\r\033[K", stderr);
  std::fflush(stderr);
  shown_ = false;
}

void Progress::draw_loop() {
  std::unique_lock lock(mutex_);
  while (!stop_) {
    wake_.wait_for(lock, std::chrono::milliseconds(200));
    if (stop_ || !running_) continue;
    const double so_far = std::chrono::duration<double>(Clock::now() - run_start_).count();
    if (so_far < 1.0 && last_run_seconds_ < 1.0) continue;
    std::fprintf(stderr, "\r\033[K[%d/%d] %s: run %d of %d (%s), %.1f s", job_index_, jobs_,
                 job_name_.c_str(), run_index_, run_total_, kind_, so_far);
    std::fflush(stderr);
    shown_ = true;
  }
}

}  // namespace kernels::runner
