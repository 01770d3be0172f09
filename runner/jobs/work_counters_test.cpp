// Every job's work counters against a count made by hand on a tiny input, and the bound that the
// job's model draws from them with made-up ceilings.
#include <cmath>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "kernels/bisort/bisort.h"
#include "kernels/pyramid/pyramid.h"
#include "report/bound.h"
#include "run/run_plan.h"
#include "testing/test_support.h"

namespace kernels::runner {
namespace {

Report run(const char* name, const std::vector<std::string>& tokens) {
  auto job = configure_job(name, tokens);
  return run_job(name, *job, 1);
}

Json counters(const Report& r) {
  Json c = Json::object();
  if (r.work)
    for (const Counter& k : r.work->counters) c[k.name] = k.value;
  return c;
}

// Round figures, so that each bound below can be worked out by hand.
Ceilings round_ceilings() {
  Ceilings c;
  c.copy = c.triad = 1e9;
  c.latency = {{4096, 1e-9}, {1 << 20, 1e-8}, {1 << 30, 1e-7}};
  c.multiply_latency = 1e-9;
  c.add_latency = 1e-9;
  c.flops = 2e9;
  c.flops_scalar = 1e9;
  c.call = 1e-9;
  return c;
}

std::optional<Bound> bound_of(const char* name, const std::vector<std::string>& tokens) {
  auto job = configure_job(name, tokens);
  const Ceilings c = round_ceilings();
  RunSettings settings{.warmup = 0, .repeat = 1, .observe = true};
  settings.ceilings = &c;
  Report r = run_job(name, *job, settings);
  return r.bound;
}

TEST(WorkCounters, MatchAHandCountOnTinyInputs) {
  // 300 x 300 x 300 multiply-adds over three matrices of 300 x 300 doubles.
  EXPECT_EQ(counters(run("matrix", {})),
            (Json{{"multiply_adds", 27000000.0}, {"matrix_bytes", 2160000.0}}));
  EXPECT_FALSE(run("matrix", {"--no-multiply"}).work);

  // 2 x 3: n = 5, j -> 3j mod 5. i = 1: 3 (1 step, exchange); i = 2: 1, 3 (2, exchange);
  // i = 3: 4 (1, exchange); i = 4: 2, 1, 3, 4 (4 steps, its own leader).
  EXPECT_EQ(
      counters(run("transpose", {"--rows", "2", "--cols", "3"})),
      (Json{{"elements", 6.0}, {"chain_steps", 8.0}, {"exchanges", 3.0}, {"matrix_bytes", 24.0}}));

  // One level of 8 x 8: 64 pixels and coefficients; the image cleared, the bands read, four
  // passes reading and writing it: 10 x 4 x 64 bytes. The 4 x 4 band's transpose (j -> 4j mod
  // 15): 2 steps for i = 4, 8, 9, 12, 13, 14 and 1 for the other eight. The taps are the
  // collapse's own count (checked against the plain collapse in the pyramid's tests).
  EXPECT_EQ(counters(run("pyramid", {"--width", "8", "--height", "8", "--levels", "1"})),
            (Json{{"pixels", 64.0},
                  {"coefficients", 64.0},
                  {"taps", static_cast<double>(pyramid::collapse_taps(8, 8, 1))},
                  {"transpose_chain_steps", 20.0},
                  {"bytes", 2560.0}}));

  // 8 values, a tree of height 2, per pass: the two height-1 sorts (6 comparisons, a load of
  // both children each), the merge at height 2 (root and spare, a walk of one step and the
  // leaves: 3 comparisons, 2 loads; a load for the sort above) and its two height-1 merges (4
  // comparisons, 1 load each): 23 comparisons and 7 loads, twice.
  EXPECT_EQ(counters(run("bisort", {"--size", "8"})),
            (Json{{"values", 8.0},
                  {"comparisons", 46.0},
                  {"dependent_node_loads", 14.0},
                  {"tree_bytes", 7.0 * sizeof(bisort::node)}}));

  // Four bytes and the end of input; the bits out are those the observer counted.
  const Report coder = run("arith-coder", {"--generate", "ones", "--length", "4"});
  EXPECT_EQ(counters(coder)["symbols"], 5.0);
  EXPECT_EQ(counters(coder)["bits_out"], coder.summary["bits"].get<double>());

  const Report model = run("context-model", {"--length", "4"});
  EXPECT_EQ(counters(model)["symbols"], 5.0);
  EXPECT_EQ(counters(model)["coder_calls"], model.summary["coder_calls"].get<double>());
  EXPECT_EQ(counters(model)["trie_nodes"], model.summary["trie_nodes"].get<double>());

  // Three records, no pair ever formed; the term operations are the calls of the four monomial
  // operations.
  const Report gb = run("groebner", {"--polys", "3"});
  const Json g = counters(gb);
  EXPECT_EQ(g["records"], 3.0);
  EXPECT_EQ(g["pairs"], 0.0);
  EXPECT_EQ(g["term_operations"],
            gb.calls["expoequal"].get<double>() + gb.calls["expoadd"].get<double>() +
                gb.calls["expomax"].get<double>() + gb.calls["expodiv"].get<double>());

  const Report ct = run("cipher-tests", {});
  EXPECT_EQ(counters(ct)["block_encrypt"], ct.calls["blockEncrypt"].get<double>());
  EXPECT_EQ(counters(ct)["make_key"], ct.calls["makeKey"].get<double>());
  double calls = 0;
  for (const Counter& k : ct.work->counters) calls += k.value;
  EXPECT_EQ(calls, ct.work->n);
}

TEST(WorkCounters, BoundsFollowTheModels) {
  // 2 x 27 M operations at 2 G/s against 2.16 MB at 1 GB/s: the arithmetic.
  const auto matrix = bound_of("matrix", {});
  ASSERT_TRUE(matrix);
  EXPECT_DOUBLE_EQ(matrix->seconds, 0.027);
  EXPECT_EQ(matrix->limit, "multiply-add throughput");
  // 8 chain steps of two 1 ns multiplies.
  const auto transpose = bound_of("transpose", {"--rows", "2", "--cols", "3"});
  ASSERT_TRUE(transpose);
  EXPECT_DOUBLE_EQ(transpose->seconds, 16e-9);
  // 2 x (3 loads at height 2 + 4 at height 1), every working set within the first point: 14 ns.
  const auto bisort = bound_of("bisort", {"--size", "8"});
  ASSERT_TRUE(bisort);
  EXPECT_DOUBLE_EQ(bisort->seconds, 14e-9);
  EXPECT_EQ(bisort->limit, "memory latency");

  // The closing table: one line per job, with its limit and efficiency (bound / median).
  Report a, b;
  a.kernel = "transpose";
  a.bound = Bound{0.5, "multiply latency", ""};
  a.seconds = time_stats({1.0});
  b.kernel = "matrix";
  b.bound = Bound{0.25, "multiply-add throughput", ""};
  b.seconds = time_stats({1.0});
  const std::string table = bound_table({a, b});
  EXPECT_NE(table.find("transpose  multiply latency"), std::string::npos) << table;
  EXPECT_NE(table.find("0.50\n"), std::string::npos) << table;
  EXPECT_NE(table.find("0.25\n"), std::string::npos) << table;

  // Without ceilings there is no bound, and the report says why.
  auto job = configure_job("transpose", {"--rows", "2", "--cols", "3"});
  const Report r = run_job("transpose", *job, 0);
  EXPECT_FALSE(r.bound);
  EXPECT_NE(r.bound_note.find("kernels machine"), std::string::npos);
}

}  // namespace
}  // namespace kernels::runner
