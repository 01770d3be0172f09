// A progress line on a terminal for jobs whose runs take more than about a second.
#ifndef KERNELS_RUNNER_CLI_PROGRESS_H_
#define KERNELS_RUNNER_CLI_PROGRESS_H_

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

namespace kernels::runner {

// Shows on stderr, when stderr is a terminal, which job of how many and which run of how many
// is going, with the run's time so far: "[3/8] bisort: run 2 of 5 (timed), 1.4 s". The line
// appears once a run has lasted a second (or at once when the job's previous run did), is
// redrawn a few times a second by a thread of its own, and is erased when the job ends, so it
// never mixes with the report on stdout. Not a terminal: does nothing and starts no thread.
class Progress {
 public:
  // `jobs`: how many jobs the command runs.
  explicit Progress(int jobs);
  ~Progress();
  Progress(const Progress&) = delete;
  Progress& operator=(const Progress&) = delete;

  // Job `index` (from 1) called `name` starts; the line of the previous job is erased.
  void job(int index, const std::string& name);
  // Run `index` (from 1) of `total` of the current job starts; `kind` says which kind it is.
  void run(const char* kind, int index, int total);
  // The current job has ended: its line is erased.
  void end_job();

 private:
  using Clock = std::chrono::steady_clock;
  void draw_loop();
  void erase_locked();

  const int jobs_;
  const bool enabled_;
  std::mutex mutex_;
  std::condition_variable wake_;
  bool stop_ = false;
  bool shown_ = false;
  int job_index_ = 0;
  std::string job_name_;
  const char* kind_ = "";
  int run_index_ = 0, run_total_ = 0;
  Clock::time_point run_start_{};
  double last_run_seconds_ = 0;  // how long the job's previous run took
  bool running_ = false;
  std::thread thread_;
};

}  // namespace kernels::runner

#endif  // KERNELS_RUNNER_CLI_PROGRESS_H_
