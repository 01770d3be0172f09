#include <random>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "kernels/groebner/groebner.h"
#include "kernels/groebner/internal.h"
#include "kernels/groebner/test_support.h"

namespace kernels::groebner {
namespace {

using testing::members;
using testing::record;
using Members = std::vector<mpt*>;

class GroebnerDriver : public testing::EngineTest {
 protected:
  // Runs main_bb on `args` (argc = args.size()) and returns what it handed to mpolout.
  std::vector<const void*> run(std::vector<std::string> args) {
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    return run_argv(static_cast<int>(args.size()), argv.data());
  }
  std::vector<const void*> run_argv(int argc, char** argv) {
    testing::Calls calls;
    set_observer(&calls.observer);
    main_bb(argc, argv);
    set_observer(nullptr);
    std::vector<const void*> out;
    for (const auto& c : calls.of('o')) out.push_back(std::get<1>(c));
    return out;
  }
};

// Links records into a chain in the order given.
mpt* chain(const std::vector<mpt*>& records) {
  for (std::size_t i = 0; i + 1 < records.size(); ++i) records[i]->chain_next = records[i + 1];
  return records.empty() ? nullptr : records.front();
}

TEST_F(GroebnerDriver, StartStateGivesAnEmptyBasisAndNoOutput) {
  EXPECT_TRUE(run({"groebner", "-a"}).empty());
  EXPECT_EQ(last_driver_basis(), nullptr);
  EXPECT_EQ(addcnt + zerocnt + critcnt, 0.0f);
  for (char* name : varnames) EXPECT_EQ(name, nullptr);
}

TEST_F(GroebnerDriver, OnlyTheSecondCharacterOfEachArgumentSelectsAFlag) {
  mpt* r = record(1);
  pols.head = r;
  const std::vector<const void*> once = {r};
  EXPECT_EQ(run({"prog", "-a"}), once);
  EXPECT_EQ(run({"-a"}), once);  // argv[0] is scanned too
  EXPECT_EQ(run({"prog", "-ao"}), once);
  EXPECT_EQ(run({"prog", "-apple"}), once);
  EXPECT_EQ(run({"prog", "-o", "-p", "-a", "-a"}), once);
  EXPECT_EQ(run({"-a", "-x"}), once);
  for (const auto& args : std::vector<std::vector<std::string>>{
           {"prog"}, {"-p"}, {"prog", "-o", "-p"}, {"prog", "-x", "-", "a", "--a", "-pa", "-oa"}})
    EXPECT_TRUE(run(args).empty()) << args.back();

  std::string a = "-a";
  char* argv[] = {a.data(), nullptr, a.data(), nullptr};
  EXPECT_TRUE(run_argv(0, argv).empty());  // argc = 0 scans nothing
  EXPECT_EQ(run_argv(3, argv), once);      // a null argument sets no flag
  EXPECT_TRUE(run_argv(-1, argv).empty());
}

TEST_F(GroebnerDriver, VariableTableGetsNewBuffersForTheFirstNvarsEntriesOnly) {
  char sentinel[] = "x";
  for (char*& name : varnames) name = sentinel;
  nvars = 3;
  run({"prog"});
  std::set<char*> buffers;
  for (int i = 0; i < 3; ++i) {
    EXPECT_NE(varnames[i], sentinel);
    EXPECT_NE(varnames[i], nullptr);
    buffers.insert(varnames[i]);
  }
  EXPECT_EQ(buffers.size(), 3u);
  for (int i = 3; i < 100; ++i) EXPECT_EQ(varnames[i], sentinel) << i;

  run({"prog"});  // a second run obtains new buffers again
  for (int i = 0; i < 3; ++i) EXPECT_EQ(buffers.count(varnames[i]), 0u) << i;

  for (char*& name : varnames) name = sentinel;
  nvars = -5;
  run({"prog", "-a"});
  for (char* name : varnames) EXPECT_EQ(name, sentinel);
}

TEST_F(GroebnerDriver, NvarsAboveTheTableFillsItAndWritesNothingBeyond) {
  nvars = 32767;
  run({"prog", "-a"});
  std::set<char*> buffers(std::begin(varnames), std::end(varnames));
  EXPECT_EQ(buffers.size(), 100u);
  EXPECT_EQ(buffers.count(nullptr), 0u);
}

TEST_F(GroebnerDriver, PolsChainIsCompletedFromItsLastRecord) {
  mpt* r1 = record(1, 1);
  mpt* r2 = record(1, 2);
  mpt* r3 = record(1, 3);
  pols.head = chain({r1, r2, r3});
  EXPECT_EQ(run({"prog", "-a"}), (std::vector<const void*>{r3}));
  EXPECT_EQ(members(last_driver_basis()), (Members{r3}));
  EXPECT_EQ(r1->chain_next, r2);  // the chain of pols keeps its links
  EXPECT_EQ(addcnt + zerocnt + critcnt, 0.0f);

  testing::EngineTest::clean();
  mpt* q1 = record(4);
  mpt* q2 = record(0);
  mpt* q3 = record(-2);
  pols.head = chain({q1, q2, q3});
  EXPECT_EQ(run({"prog"}), (std::vector<const void*>{}));
  EXPECT_EQ(members(last_driver_basis()), (Members{q1}));
}

TEST_F(GroebnerDriver, ChainOfSIsUnlinkedBeforeThePolsChainIsRead) {
  mpt* r1 = record(1, 1);
  mpt* r2 = record(1, 2);
  s = {7, chain({r1, r2})};
  pols = {8, r1};
  pairs = {9, nullptr};
  run({"prog"});
  EXPECT_EQ(r1->chain_next, nullptr);
  EXPECT_EQ(r2->chain_next, nullptr);
  EXPECT_EQ(s.head, r1);
  EXPECT_EQ(s.word, 0);
  EXPECT_EQ(pols.word, 0);
  EXPECT_EQ(pairs.word, 0);
  EXPECT_EQ(members(last_driver_basis()), (Members{r1}));  // F held r1 alone

  // A chain of s that runs into a loop is unlinked just the same.
  mpt* a = record(1);
  mpt* b = record(1);
  s.head = chain({a, b, a});
  run({"prog"});
  EXPECT_EQ(a->chain_next, nullptr);
  EXPECT_EQ(b->chain_next, nullptr);
}

TEST_F(GroebnerDriver, PolsChainThatLoopsIsTakenUpToTheFirstRepeat) {
  mpt* r1 = record(0, 1);
  mpt* r2 = record(0, 2);
  mpt* r3 = record(1, 3);
  mpt* r4 = record(0, 4);
  pols.head = chain({r1, r2, r3, r4, r2});  // r4 leads back to r2
  run({"prog"});
  EXPECT_EQ(members(last_driver_basis()), (Members{r3}));

  mpt* alone = record(2);
  alone->chain_next = alone;
  pols.head = alone;
  EXPECT_EQ(run({"prog", "-a"}), (std::vector<const void*>{alone}));
}

TEST_F(GroebnerDriver, ChainRecordsCountsEachDifferentRecordOnce) {
  EXPECT_EQ(internal::chain_records(nullptr), 0u);
  std::mt19937 rng(5);
  for (int round = 0; round < 300; ++round) {
    const std::size_t n = 1 + rng() % 70;
    std::vector<mpt*> r;
    for (std::size_t i = 0; i < n; ++i) r.push_back(record(1));
    chain(r);
    if (rng() % 3 != 0) r.back()->chain_next = r[rng() % n];  // a loop back to any record
    // Reference: walk until a record comes round again.
    std::set<const mpt*> seen;
    for (const mpt* x = r.front(); x != nullptr && seen.insert(x).second; x = x->chain_next) {
    }
    ASSERT_EQ(internal::chain_records(r.front()), seen.size()) << round;
    ASSERT_EQ(seen.size(), n);
  }
}

}  // namespace
}  // namespace kernels::groebner
