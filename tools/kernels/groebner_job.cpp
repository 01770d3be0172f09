// Job "groebner": the polynomial engine's driver on a chain of K records.
#include <bit>
#include <cstdint>
#include <string>
#include <vector>

#include "job.h"
#include "kernels/groebner/groebner.h"
#include "kernels/shell/shell.h"

namespace kernels::runner {
namespace {

namespace gb = kernels::groebner;

constexpr long long kMaxPolys = 1000000;

std::vector<std::int16_t> parse_terms(const std::string& list) {
  std::vector<std::int16_t> terms;
  std::size_t start = 0;
  for (;;) {
    const std::size_t comma = list.find(',', start);
    const std::string item = list.substr(start, comma - start);
    terms.push_back(
        static_cast<std::int16_t>(parse_integer(item, "each --terms value", -32768, 32767)));
    if (comma == std::string::npos) return terms;
    start = comma + 1;
  }
}

std::uint32_t float_bits(float f) {
  return std::bit_cast<std::uint32_t>(f);
}

class GroebnerJob : public Job {
 public:
  bool take_option(OptionCursor& cursor) override {
    if (cursor.flag() == "--polys") {
      polys_text_ = cursor.value();
      polys_ = static_cast<int>(parse_integer(polys_text_, "--polys", 0, kMaxPolys));
      return true;
    }
    if (cursor.flag() == "--terms") {
      terms_text_ = cursor.value();
      terms_ = parse_terms(terms_text_);
      return true;
    }
    return false;
  }
  void take_driver_args(std::vector<std::string> args) override { options_ = std::move(args); }

  std::vector<std::string> args() const override {
    std::vector<std::string> a{"--polys", polys_text_, "--terms", terms_text_, "--"};
    a.insert(a.end(), options_.begin(), options_.end());
    return a;
  }

  // The engine's chains, variable count and counters start afresh, so every run is the same.
  void prepare() override {
    gb::s = gb::pols = gb::pairs = gb::pol_chain{0, nullptr};
    gb::nvars = 0;
    for (char*& name : gb::varnames) name = nullptr;
    gb::addcnt = gb::zerocnt = gb::critcnt = 0.0f;
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
    driver_ = DriverArgs("groebner", options_);
  }

  void run() override { gb::main_bb(driver_.argc(), driver_.argv()); }

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
    run();
    gb::set_observer(nullptr);
    mpolout_calls_ = counts[6];
    return Json{{"expoequal", counts[0]}, {"expoadd", counts[1]},  {"expomax", counts[2]},
                {"expodiv", counts[3]},   {"mpolfree", counts[4]}, {"mpolin", counts[5]},
                {"mpolout", counts[6]}};
  }

  Json summary() const override {
    Json serials = Json::array();
    for (const gb::npt_* n = gb::last_driver_basis(); n != nullptr; n = n->next)
      serials.push_back(n->pol->serial);
    return Json{{"records_in", polys_},     {"basis_size", serials.size()},
                {"basis_serials", serials}, {"addcnt", gb::addcnt},
                {"zerocnt", gb::zerocnt},   {"critcnt", gb::critcnt},
                {"mpolout", mpolout_calls_}};
  }

  std::uint64_t digest() const override {
    Fnv1a h;
    for (const gb::npt_* n = gb::last_driver_basis(); n != nullptr; n = n->next)
      h.i32(n->pol->serial);
    h.u32(float_bits(gb::addcnt));
    h.u32(float_bits(gb::zerocnt));
    h.u32(float_bits(gb::critcnt));
    return h.value();
  }

 private:
  int polys_ = 1000;
  std::string polys_text_ = "1000";
  std::vector<std::int16_t> terms_{1};
  std::string terms_text_ = "1";
  std::vector<std::string> options_{"-a"};
  DriverArgs driver_;
  std::uint64_t mpolout_calls_ = 0;
};

std::unique_ptr<Job> make() {
  return std::make_unique<GroebnerJob>();
}

}  // namespace

extern const JobInfo groebner_job;
const JobInfo groebner_job{
    "groebner",
    "complete a chain of polynomial records with the engine's driver (basis: last positive one)",
    "--polys K     records on the chain of pols, 0 to 1000000 (default 1000)\n"
    "--terms LIST  their term counts, comma-separated 16-bit integers, used cyclically (default "
    "1)\n"
    "-- OPTIONS    the driver's arguments (default: -a, which hands the basis to mpolout)",
    &make};

}  // namespace kernels::runner
