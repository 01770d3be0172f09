// Job "bisort": the bitonic tree sort driver, by default on 2^20 values (2^20 - 1 nodes and the
// spare), sorted upward and then downward.
#include <bit>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "cli/text.h"
#include "job/digest.h"
#include "job/driver_args.h"
#include "job/job.h"
#include "kernels/bisort/bisort.h"
#include "report/bound.h"

namespace kernels::runner {
namespace {

// The driver's argument count is its only input: the tree is built for that many values.
constexpr long long kDefaultSize = 1 << 20;
// 2^26 values take about 1.5 GB of nodes and 0.5 GB of argument pointers.
constexpr long long kMaxSize = 1 << 26;

// What one pass left: the in-order values and the spare, as the driver's observer saw them.
struct PassState {
  bool ran = false;
  std::int64_t disorder = 0;  // adjacent pairs against the pass's direction
  std::int32_t spare = 0;
};

// What one pass of the sort does on a perfect tree of height H (2^(H+1) - 1 nodes and the
// spare): the comparisons, and the node loads that need the load before, by the height of the
// subtree they are made in.
struct SortSteps {
  double comparisons = 0;
  std::vector<double> loads;  // [h]: dependent loads in merges and sorts at height h
};

// The recursion of the sort (docs/performance.md), by height. A merge at height 0 compares the
// node with the spare; at height 1 it makes four comparisons after loading both children; above,
// one comparison of the root with the spare, a lockstep walk of h levels (one comparison and one
// dependent load per level, the last level only a comparison) and the merges of both halves. A
// sort at height 0 is one comparison, at height 1 six after loading both children; above, it
// loads both halves, sorts them and merges. Both depend on the height alone, so one pass at
// height H is summed level by level in O(H^2) rather than walked call by call.
SortSteps sort_steps(int height) {
  SortSteps s;
  if (height < 0) return s;
  const auto levels = static_cast<std::size_t>(height) + 1;
  std::vector<double> merge_loads(levels, 0), sort_loads(levels, 0);  // of the current height
  double merge_comparisons = 1, sort_comparisons = 1;                 // at height 0
  for (int h = 1; h <= height; ++h) {
    const auto at = static_cast<std::size_t>(h);
    merge_comparisons = h == 1 ? 4 : 1 + h + 2 * merge_comparisons;
    sort_comparisons = h == 1 ? 6 : 2 * sort_comparisons + merge_comparisons;
    for (double& l : merge_loads) l *= 2;
    merge_loads[at] = h;
    for (std::size_t k = 0; k < levels; ++k)
      sort_loads[k] = h == 1 ? 0 : 2 * sort_loads[k] + merge_loads[k];
    sort_loads[at] += 1;
  }
  s.comparisons = sort_comparisons;
  s.loads = sort_loads;
  return s;
}

class BisortJob : public Job {
 public:
  void declare(CLI::App& app) override {
    size_option_ = add_number(app, "--size", size_, 1, kMaxSize, "N",
                              "the driver's argument count: a tree of 2^k - 1 nodes, 2^k the "
                              "largest power of two <= N");
  }

  std::optional<std::vector<std::string>>* driver_args() override { return &driver_args_; }

  void validate() override {
    if (driver_args_) {
      if (size_option_ != nullptr && size_option_->count() > 0)
        throw UsageError("bisort takes --size or arguments after '--', not both");
      if (static_cast<long long>(driver_args_->size()) >= kMaxSize)
        throw UsageError("bisort takes at most " + std::to_string(kMaxSize - 1) + " arguments");
      size_ = static_cast<long long>(driver_args_->size()) + 1;
    }
  }

  void load() override {
    // argv[0] is the job's name, the rest point to one empty text (the driver reads none of them).
    driver_ = DriverArgs::of_count("bisort", static_cast<std::size_t>(size_));
  }

  std::vector<std::string> args() const override {
    if (driver_args_) return *driver_args_;
    return {"--size", std::to_string(size_)};
  }

  void prepare() override { observed_ = false; }
  void run() override { bisort::main_bitonic(driver_.argc(), driver_.argv()); }

  Json run_observed() override {
    nodes_ = 0;
    passes_[0] = passes_[1] = PassState{};
    hash_ = Fnv1a();
    std::uint64_t in_order_visits = 0;
    struct Context {
      BisortJob* job;
      std::uint64_t* visits;
    } context{this, &in_order_visits};
    bisort::Observer observer;
    observer.context = &context;
    observer.in_order = [](void* c, const bisort::node*) { ++*static_cast<Context*>(c)->visits; };
    observer.sorted = [](void* c, const bisort::node* root, std::int32_t spare, std::int32_t dir) {
      static_cast<Context*>(c)->job->record_pass(root, spare, dir);
    };
    bisort::set_observer(&observer);
    run();
    bisort::set_observer(nullptr);
    observed_ = true;
    return Json{{"InOrder", in_order_visits}};
  }

  // The in-order values are seen only through the observer: without it every figure is null.
  Json summary() const override {
    if (!observed_)
      return Json{{"nodes", nullptr},
                  {"values", nullptr},
                  {"ascending_disorder", nullptr},
                  {"ascending_spare", nullptr},
                  {"descending_disorder", nullptr},
                  {"descending_spare", nullptr}};
    Json s{{"nodes", nodes_}, {"values", nodes_ + 1}};
    const char* names[2] = {"ascending", "descending"};
    for (int dir = 0; dir < 2; ++dir) {
      const PassState& p = passes_[dir];
      s[std::string(names[dir]) + "_disorder"] = p.ran ? Json(p.disorder) : Json(nullptr);
      s[std::string(names[dir]) + "_spare"] = p.ran ? Json(p.spare) : Json(nullptr);
    }
    return s;
  }

  std::optional<std::uint64_t> digest() const override {
    if (!observed_) return std::nullopt;
    return hash_.value();
  }

  // The values sorted (the tree's 2^k - 1 nodes and the spare, 2^k the largest power of two
  // <= N), the bytes of the tree, and the comparisons and dependent node loads of the two passes,
  // counted by replaying the sort's recursion on the tree's height (neither depends on the
  // values).
  std::optional<Work> work() const override {
    const double values = static_cast<double>(values_count());
    const SortSteps steps = pass_steps();
    double loads = 0;
    for (double l : steps.loads) loads += l;
    return Work{values,
                "values",
                {{"values", values},
                 {"comparisons", 2 * steps.comparisons},
                 {"dependent_node_loads", 2 * loads},
                 {"tree_bytes", (values - 1) * sizeof(bisort::node)}}};
  }

  // Each step of a merge's lockstep walk compares two nodes and moves to their children, a load
  // that needs the one before; the two sides of the walk overlap, so a step costs one load's
  // latency. A merge at height h touches the 2^(h+1) - 1 nodes below it, which is the working
  // set its loads see. The sum over both passes.
  std::optional<Bound> bound(const Work& w, const Ceilings& c) const override {
    const SortSteps steps = pass_steps();
    double seconds = 0;
    for (std::size_t h = 0; h < steps.loads.size(); ++h) {
      const double subtree = (std::ldexp(1.0, static_cast<int>(h) + 1) - 1) * sizeof(bisort::node);
      seconds += 2 * steps.loads[h] * c.latency_at(subtree);
    }
    if (seconds <= 0) return std::nullopt;
    return Bound{seconds, "memory latency",
                 count_text(w.count("dependent_node_loads")) + " dependent node loads"};
  }

 private:
  // Walks the tree in order (iteratively: the stack holds one node per level), counting the
  // places where the sequence, followed by the spare, goes against the pass's direction, and
  // feeding the values and the spare to the digest.
  void record_pass(const bisort::node* root, std::int32_t spare, std::int32_t dir) {
    PassState& p = passes_[dir != 0 ? 1 : 0];
    p = PassState{true, 0, spare};
    std::int64_t count = 0;
    bool first = true;
    std::int32_t previous = 0;
    auto take = [&](std::int32_t v) {
      if (!first && (dir == 0 ? previous > v : previous < v)) ++p.disorder;
      first = false;
      previous = v;
      hash_.i32(v);
    };
    std::vector<const bisort::node*> stack;
    const bisort::node* n = root;
    while (n != nullptr || !stack.empty()) {
      for (; n != nullptr; n = n->left) stack.push_back(n);
      n = stack.back();
      stack.pop_back();
      take(n->value);
      ++count;
      n = n->right;
    }
    take(spare);
    nodes_ = count;
  }

  unsigned long long values_count() const {
    return std::bit_floor(static_cast<unsigned long long>(size_));
  }

  // One pass's steps; none for a single value (no tree).
  SortSteps pass_steps() const {
    return sort_steps(std::bit_width(values_count()) - 2);  // 2^k values: height k - 1
  }

  long long size_ = kDefaultSize;
  CLI::Option* size_option_ = nullptr;
  std::optional<std::vector<std::string>> driver_args_;
  bool observed_ = false;
  DriverArgs driver_;

  std::int64_t nodes_ = 0;
  PassState passes_[2];
  Fnv1a hash_;
};

const JobRegistration kBisort{
    {40,
     "bisort",
     "build a random tree of 2^20 - 1 nodes, bitonic-sort its values and the spare up, then down",
     "the driver's arguments instead of --size: the count is 1 + the number of ARGS",
     &make_job<BisortJob>,
     {{"bisort", "bisort: --size 2^10 to 2^22", "--over size=1024..4194304x4", false},
      {"bisort", "bisort: --size 2^10 to 2^14", "--over size=1024..16384x4", true}}}};

}  // namespace
}  // namespace kernels::runner
