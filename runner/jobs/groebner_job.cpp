// Job "groebner": the polynomial engine's driver on a chain of K records.
#include <bit>
#include <charconv>
#include <cstdint>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "cli/text.h"
#include "job/digest.h"
#include "job/driver_args.h"
#include "job/job.h"
#include "kernels/groebner/groebner.h"
#include "kernels/shell/shell.h"
#include "report/bound.h"

namespace kernels::runner {
namespace {

namespace gb = kernels::groebner;

constexpr long long kMaxPolys = 1000000;

// The term counts of a comma-separated list of 16-bit integers; throws UsageError otherwise.
std::vector<std::int16_t> parse_terms(const std::string& list) {
  std::vector<std::int16_t> terms;
  std::size_t start = 0;
  for (;;) {
    const std::size_t comma = list.find(',', start);
    const std::string item = list.substr(start, comma - start);
    long value = 0;
    const char* first = item.data() + (!item.empty() && item[0] == '+' ? 1 : 0);
    const auto [end, ec] = std::from_chars(first, item.data() + item.size(), value);
    if (item.empty() || ec != std::errc() || end != item.data() + item.size() || value < -32768 ||
        value > 32767)
      throw UsageError("each --terms value must be a whole number from -32768 to 32767, not '" +
                       item + "'");
    terms.push_back(static_cast<std::int16_t>(value));
    if (comma == std::string::npos) return terms;
    start = comma + 1;
  }
}

std::uint32_t float_bits(float f) {
  return std::bit_cast<std::uint32_t>(f);
}

class GroebnerJob : public Job {
 public:
  void declare(CLI::App& app) override {
    add_number(app, "--polys", polys_, 0, kMaxPolys, "K", "records on the chain of pols");
    app.add_option("--terms", terms_text_,
                   "their term counts, comma-separated 16-bit integers, used cyclically")
        ->type_name("LIST")
        ->capture_default_str();
  }
  std::optional<std::vector<std::string>>* driver_args() override { return &options_; }
  void validate() override { terms_ = parse_terms(terms_text_); }

  std::vector<std::string> args() const override {
    std::vector<std::string> a{"--polys", std::to_string(polys_), "--terms", terms_text_, "--"};
    a.insert(a.end(), options().begin(), options().end());
    return a;
  }

  // The engine's chains, variable count and counters start afresh, so every run is the same.
  void prepare() override {
    gb::reset_driver_state();
    gb::mpt* previous = nullptr;
    for (int i = 0; i < polys_; ++i) {
      gb::mpt* r = shell::arena_new<gb::mpt>();
      r->serial = i;
      r->term_count = terms_[static_cast<std::size_t>(i) % terms_.size()];
      if (previous == nullptr) {
        gb::pols.head = r;
      } else {
        previous->chain_next = r;
      }
      previous = r;
    }
    driver_ = DriverArgs("groebner", options());
  }

  void run() override {
    gb::main_bb(driver_.argc(), driver_.argv());
    mpolout_calls_.reset();
    term_operations_.reset();
    record_calls_.reset();
  }

  Json run_observed() override {
    std::uint64_t counts[7] = {};
    gb::Observer o;
    o.context = counts;
    o.expoequal = [](void* c, short*, short*) { ++static_cast<std::uint64_t*>(c)[0]; };
    o.expoadd = [](void* c, short*, short*, short*) { ++static_cast<std::uint64_t*>(c)[1]; };
    o.expomax = [](void* c, short*, short*, short*) { ++static_cast<std::uint64_t*>(c)[2]; };
    o.expodiv = [](void* c, short*, short*) { ++static_cast<std::uint64_t*>(c)[3]; };
    o.mpolfree = [](void* c, gb::mpt*) { ++static_cast<std::uint64_t*>(c)[4]; };
    o.mpolin = [](void* c, gb::mpt*) { ++static_cast<std::uint64_t*>(c)[5]; };
    o.mpolout = [](void* c, gb::mpt*) { ++static_cast<std::uint64_t*>(c)[6]; };
    gb::set_observer(&o);
    gb::main_bb(driver_.argc(), driver_.argv());
    gb::set_observer(nullptr);
    mpolout_calls_ = counts[6];
    term_operations_ = counts[0] + counts[1] + counts[2] + counts[3];
    record_calls_ = counts[4] + counts[5] + counts[6];
    return Json{{"expoequal", counts[0]}, {"expoadd", counts[1]},  {"expomax", counts[2]},
                {"expodiv", counts[3]},   {"mpolfree", counts[4]}, {"mpolin", counts[5]},
                {"mpolout", counts[6]}};
  }

  Json summary() const override {
    Json serials = Json::array();
    for (const gb::npt_* n = gb::last_driver_basis(); n != nullptr; n = n->next)
      serials.push_back(n->pol->serial);
    return Json{{"records_in", polys_},
                {"basis_size", serials.size()},
                {"basis_serials", serials},
                {"addcnt", gb::addcnt},
                {"zerocnt", gb::zerocnt},
                {"critcnt", gb::critcnt},
                {"mpolout", mpolout_calls_ ? Json(*mpolout_calls_) : Json(nullptr)}};
  }

  std::optional<std::uint64_t> digest() const override {
    Fnv1a h;
    for (const gb::npt_* n = gb::last_driver_basis(); n != nullptr; n = n->next)
      h.i32(n->pol->serial);
    h.u32(float_bits(gb::addcnt));
    h.u32(float_bits(gb::zerocnt));
    h.u32(float_bits(gb::critcnt));
    return h.value();
  }

  // The records on the chain (none is no work), the pairs the completion treated (each one
  // discarded by a criterion, reduced to zero or added), and from the observed run the calls of
  // the monomial operations and of the record hooks.
  std::optional<Work> work() const override {
    if (polys_ <= 0) return std::nullopt;
    Work w{static_cast<double>(polys_),
           "records",
           {{"records", static_cast<double>(polys_)},
            {"pairs", static_cast<double>(gb::addcnt + gb::zerocnt + gb::critcnt)},
            {"criterion_tests", static_cast<double>(gb::critcnt)},
            {"record_bytes", static_cast<double>(polys_) * sizeof(gb::mpt)}}};
    if (term_operations_) {
      w.counters.push_back({"term_operations", static_cast<double>(*term_operations_)});
      w.counters.push_back({"record_calls", static_cast<double>(*record_calls_)});
    }
    return w;
  }

  // The driver walks the chain of records, each found through the last (a dependent load at the
  // latency of the records' size), and calls the fixed-form operations, each at least the cost of
  // a call. The larger of the two.
  std::optional<Bound> bound(const Work& w, const Ceilings& c) const override {
    const double records = w.count("records");
    const double walk = records * c.latency_at(w.count("record_bytes"));
    const double calls = w.count("term_operations") + w.count("record_calls");
    if (calls * c.call > walk)
      return Bound{calls * c.call, "call cost", count_text(calls) + " observed calls"};
    return Bound{walk, "memory latency", count_text(records) + " dependent record loads"};
  }

 private:
  const std::vector<std::string>& options() const {
    static const std::vector<std::string> kDefault{"-a"};
    return options_ ? *options_ : kDefault;
  }

  int polys_ = 1000;
  std::vector<std::int16_t> terms_{1};
  std::string terms_text_ = "1";
  std::optional<std::vector<std::string>> options_;
  DriverArgs driver_;
  std::optional<std::uint64_t> mpolout_calls_;                   // seen only by an observed run
  std::optional<std::uint64_t> term_operations_, record_calls_;  // likewise
};

const JobRegistration kGroebner{
    {30,
     "groebner",
     "complete a chain of polynomial records with the engine's driver (basis: last positive one)",
     "the driver's arguments (default: -a, which hands the basis to mpolout)",
     &make_job<GroebnerJob>,
     {{"groebner", "groebner: --polys 10^3 to 10^6", "--over polys=1000..1000000x3.162278", false},
      {"groebner", "groebner: --polys 10 to 1000", "--over polys=10..1000x10", true}}}};

}  // namespace
}  // namespace kernels::runner
