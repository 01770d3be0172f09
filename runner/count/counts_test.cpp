#include <sys/mman.h>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "count/counted_run.h"
#include "count/counts.h"
#include "count/peak_memory.h"
#include "files/scratch_dir.h"
#include "run/run_job.h"

namespace kernels::runner {
namespace {

TEST(Counts, ReadsCallgrindTotalsByEventName) {
  // Columns in the order of the "events:" line, trailing zeros left out as callgrind does.
  const Counts c = parse_callgrind_output(
      "# callgrind format\nversion: 1\ncreator: callgrind-3.19.0\npositions: line\n"
      "events: Ir Dr Dw I1mr D1mr D1mw ILmr DLmr DLmw Bc Bcm Bi Bim\n"
      "fl=(1) a.c\nfn=(1) f\n3 9 9\n"
      "totals: 1000 300 200 1 40 10 1 4 2 150 15 7\n");
  EXPECT_EQ(c.instructions, 1000u);
  EXPECT_EQ(c.data_reads, 300u);
  EXPECT_EQ(c.data_writes, 200u);
  EXPECT_EQ(c.l1d_read_misses, 40u);
  EXPECT_EQ(c.l1d_write_misses, 10u);
  EXPECT_EQ(c.ll_read_misses, 4u);
  EXPECT_EQ(c.ll_write_misses, 2u);
  EXPECT_EQ(c.branches, 150u);
  EXPECT_EQ(c.mispredicts, 15u);
  EXPECT_EQ(c.indirect_branches, 7u);
  EXPECT_EQ(c.indirect_mispredicts, 0u);  // omitted: zero
  EXPECT_EQ(c.tool, "callgrind 3.19.0");
  const Json j = counts_json(c);
  EXPECT_EQ(j["l1d_misses"], 50);
  EXPECT_EQ(j["ll_misses"], 6);
  for (const char* name : kCountNames) EXPECT_TRUE(j.contains(name)) << name;
  EXPECT_EQ(j["cache"]["ll"]["bytes"], 8388608);

  // Without the simulators' events, or without totals, there are no counts.
  EXPECT_THROW(parse_callgrind_output("events: Ir\ntotals: 5\n"), std::runtime_error);
  EXPECT_THROW(parse_callgrind_output("events: Ir Dr\n"), std::runtime_error);
  EXPECT_THROW(parse_callgrind_output(""), std::runtime_error);
}

TEST(Counts, MissingValgrindIsOneClearError) {
  const char* old = std::getenv("PATH");
  const std::string saved = old ? old : "";
  const ScratchDir empty("kernels-nopath");
  setenv("PATH", empty.root().c_str(), 1);
  std::string what;
  try {
    check_counting_available();
  } catch (const std::runtime_error& e) {
    what = e.what();
  }
  setenv("PATH", saved.c_str(), 1);
  if (!counting_built_in()) {
    EXPECT_NE(what.find("<valgrind/callgrind.h>"), std::string::npos) << what;
    return;
  }
  EXPECT_NE(what.find("no 'valgrind' on PATH"), std::string::npos) << what;
  EXPECT_EQ(what.find('\n'), std::string::npos) << what;
}

// A job whose setup (load and prepare) is large and whose timed work is small.
class SetupHeavy : public Job {
 public:
  std::vector<std::string> args() const override { return {}; }
  void load() override { spin(20'000'000); }
  void prepare() override { spin(2'000'000); }
  void run() override { spin(10'000); }
  Json summary() const override { return Json::object(); }
  std::optional<std::uint64_t> digest() const override { return std::nullopt; }

 private:
  static void spin(int n) {
    volatile int sink = 0;
    for (int i = 0; i < n; ++i) sink = sink + i;
  }
};

const char* const kChildVariable = "KERNELS_COUNTED_CHILD_TEST";

// The test starts this test binary again under callgrind, running this test alone with
// kChildVariable set: the child makes one counted run of SetupHeavy, as `kernels run
// --counted-run` makes one of a job, and the parent reads its counts.
TEST(CountedRun, CountsTheTimedRegionOnlyAndTheSameEveryTime) {
  if (std::getenv(kChildVariable) != nullptr) {
    SetupHeavy job;
    job.load();
    RunSettings settings{0, 1, false};
    settings.counted_region = true;
    settings.peak_memory = false;
    run_job("setup-heavy", job, settings);
    return;
  }
  if (built_with_address_sanitizer()) {
    // Valgrind cannot run this build: what can be checked is that counting is refused, and,
    // where Valgrind is installed (CI installs it), that the refusal names the sanitizer.
    try {
      check_counting_available();
      ADD_FAILURE() << "counting was offered in a build with AddressSanitizer";
    } catch (const std::runtime_error& e) {
      if (std::getenv("CI") != nullptr) {
        EXPECT_NE(std::string(e.what()).find("AddressSanitizer"), std::string::npos) << e.what();
      }
    }
    return;
  }
  try {
    check_counting_available();
  } catch (const std::runtime_error& e) {
    // CI installs Valgrind (tools/install-deps count): there a skip would hide the test.
    if (std::getenv("CI") != nullptr) FAIL() << e.what();
    GTEST_SKIP() << e.what();
  }
  const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
  const std::vector<std::string> command{
      self, "--gtest_filter=CountedRun.CountsTheTimedRegionOnlyAndTheSameEveryTime"};
  const std::vector<std::string> child{std::string(kChildVariable) + "=1"};
  const Counts first = count_command(command, "setup-heavy", child);
  const Counts second = count_command(command, "setup-heavy", child);
  // run() spins 10,000 times, a few instructions each; load() and prepare() 22 million times.
  EXPECT_GE(first.instructions, 30'000u);
  EXPECT_LE(first.instructions, 200'000u);
  EXPECT_GE(first.data_writes, 10'000u);
  EXPECT_GE(first.branches, 10'000u);
  EXPECT_EQ(counts_json(first), counts_json(second));
}

TEST(PeakMemory, IsEachJobsOwnAfterAReset) {
  struct Touch : Job {
    explicit Touch(std::size_t bytes) : bytes(bytes) {}
    std::vector<std::string> args() const override { return {}; }
    // Straight from the system and back, so that no allocator (a sanitizer's quarantine) keeps
    // the pages resident after the run.
    void run() override {
      void* p = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
      ASSERT_NE(p, MAP_FAILED);
      auto* block = static_cast<volatile char*>(p);
      for (std::size_t i = 0; i < bytes; i += 4096) block[i] = 1;
      munmap(p, bytes);
    }
    Json summary() const override { return Json::object(); }
    std::optional<std::uint64_t> digest() const override { return std::nullopt; }
    std::size_t bytes;
  };
  Touch big(std::size_t{96} << 20), small(std::size_t{1} << 20);
  const Report b = run_job("big", big, RunSettings{0, 1, false});
  const Report s = run_job("small", small, RunSettings{0, 1, false});
  if (!b.memory.reset) {
    EXPECT_FALSE(b.memory.peak_rss.has_value());
    EXPECT_FALSE(b.memory.note.empty());
    GTEST_SKIP() << "this system cannot reset the high-water mark";
  }
  ASSERT_TRUE(b.memory.peak_rss && s.memory.peak_rss);
  EXPECT_GE(*b.memory.peak_rss, std::uint64_t{96} << 20);
  // The small job's peak is not the big one's: the mark was reset before it.
  EXPECT_LT(*s.memory.peak_rss + (std::uint64_t{64} << 20), *b.memory.peak_rss);
  RunSettings shared{0, 1, false};
  shared.peak_memory = false;
  const Report i = run_job("big", big, shared);
  EXPECT_EQ(memory_json(i.memory)["peak_rss"], nullptr);
}

}  // namespace
}  // namespace kernels::runner
