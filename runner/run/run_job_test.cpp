#include "run/run_job.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "job/allocation_failure.h"
#include "kernels/shell/arena.h"
#include "run/out_of_memory.h"

namespace kernels::runner {
namespace {

// A job that logs what the run loop asks of it and takes 3 records a run from the arena.
class LoggingJob : public Job {
 public:
  std::vector<std::string> args() const override { return {"--log"}; }
  void prepare() override {
    log.push_back("prepare");
    if (shell::arena_stats().records != 0) ++stale_arena;
  }
  void run() override {
    log.push_back("run");
    take_records();
  }
  Json run_observed() override {
    log.push_back("observed");
    take_records();
    return Json{{"chatting", 7}};
  }
  Json summary() const override {
    log.push_back("summary");
    return Json{{"runs", log.size()}};
  }
  std::optional<std::uint64_t> digest() const override {
    log.push_back("digest");
    return 42;
  }
  void finish() override { log.push_back("finish"); }

  mutable std::vector<std::string> log;
  int stale_arena = 0;  // runs prepared on an arena that still held the previous run's records
  std::size_t run_bytes = 24;

 private:
  void take_records() {
    for (int i = 0; i < 3; ++i) shell::arena_allocate(run_bytes);
  }
};

using Log = std::vector<std::string>;

TEST(RunJob, WarmUpsTimedRunsThenOneObservedRunEachOnAFreshArena) {
  LoggingJob job;
  const Report r = run_job("logging", job, RunSettings{2, 3, true});
  EXPECT_EQ(job.log, (Log{"prepare", "run", "prepare", "run", "prepare", "run", "prepare", "run",
                          "prepare", "run", "prepare", "observed", "summary", "digest", "finish"}));
  EXPECT_EQ(job.stale_arena, 0) << "a run started on the previous run's arena";
  EXPECT_EQ(r.kernel, "logging");
  EXPECT_EQ(r.args, Log{"--log"});
  EXPECT_EQ(r.seconds.each.size(), 3u) << "only the timed runs are timed";
  EXPECT_EQ(r.records, 3u) << "the storage of one run, not of all";
  EXPECT_EQ(r.bytes, 72u);
  EXPECT_EQ(r.calls, (Json{{"chatting", 7}}));
  EXPECT_EQ(r.digest, 42u);
  EXPECT_EQ(shell::arena_stats().records, 0u) << "the arena is left reset";
}

TEST(RunJob, WithoutObservingNoObservedRunAndNoCalls) {
  LoggingJob job;
  const Report r = run_job("logging", job, RunSettings{0, 1, false});
  EXPECT_EQ(job.log, (Log{"prepare", "run", "summary", "digest", "finish"}));
  EXPECT_TRUE(r.calls.is_null());
  LoggingJob digest_only;  // what verify asks: no timed run, only the observed one
  const Report v = run_job("logging", digest_only, RunSettings{0, 0, true});
  EXPECT_EQ(digest_only.log, (Log{"prepare", "observed", "summary", "digest", "finish"}));
  EXPECT_TRUE(v.seconds.each.empty());
}

TEST(RunJob, RunningOutOfTheArenaIsAnErrorNamingTheJobAndTheBytes) {
  throw_on_arena_failure();
  shell::arena_reset();
  shell::arena_reset();  // the arena holds nothing
  shell::set_arena_limit(std::size_t{8} << 20);
  LoggingJob job;
  job.run_bytes = std::size_t{16} << 20;
  try {
    run_job("logging", job, RunSettings{1, 1, true});
    ADD_FAILURE() << "a run past the arena's limit ended normally";
  } catch (const OutOfMemory& e) {
    EXPECT_EQ(std::string(e.what()).rfind("logging: out of memory: 16777216 bytes asked for", 0),
              0u)
        << e.what();
  }
  shell::set_arena_limit(0);
  shell::set_arena_failure_handler(nullptr);
  shell::arena_reset();
  EXPECT_EQ(job.log, (Log{"prepare", "run"})) << "the runs went on after the failure";
  EXPECT_EQ(out_of_memory_message("", AllocationFailure(0)).rfind("out of memory", 0), 0u);
}

}  // namespace
}  // namespace kernels::runner
