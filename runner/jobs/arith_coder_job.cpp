// Job "arith-coder": codes a byte stream with the arithmetic coder and a static order-0 model.
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "cli/text.h"
#include "job/digest.h"
#include "job/job.h"
#include "jobs/byte_input.h"
#include "kernels/arith_coder/arith_coder.h"
#include "report/bound.h"

namespace kernels::runner {
namespace {

namespace ac = kernels::arith_coder;

// Largest generated input, in bytes.
constexpr long long kMaxLength = 1LL << 28;

// Largest input file, in bytes.
constexpr std::size_t kMaxFileBytes = std::size_t{1} << 31;

// Counts the emitted bits and hashes them, one byte (0 or 1) per bit.
struct BitTally {
  std::uint64_t bits = 0;
  Fnv1a hash;
};

class ArithCoderJob : public Job {
 public:
  void declare(CLI::App& app) override {
    input_.declare(app, {"code the bytes of FILE (default: 246 KiB of the coder's sample bytes)",
                         "the generated input: sample (skewed bytes), text, random "
                         "(incompressible) or ones",
                         "code N bytes of the generated input", "sample",
                         static_cast<long long>(ac::kSampleInputSize), kMaxLength});
  }

  // The default input shows no args: it is the coder's own sample.
  std::vector<std::string> args() const override {
    if (input_.from_file()) return input_.file_args();
    if (input_.generate_given()) return input_.generated_args();
    return {};
  }

  void validate() override { input_.validate("arith-coder"); }

  void load() override {
    bytes_ = input_.from_file() ? input_.read(kMaxFileBytes) : input_.generate();
    table_.assign(ac::kOrder0TableSize, 0);
    ac::order0_table(bytes_.data(), bytes_.size(), table_.data());
    // The ideal size: each coded symbol costs -log2(share / total) bits.
    std::vector<std::uint64_t> coded(ac::kOrder0TableSize, 0);
    for (std::uint8_t b : bytes_) ++coded[b + 1];
    coded[ac::kEndOfInput] = 1;
    ideal_bits_ = 0;
    for (int s = 1; s <= ac::kEndOfInput; ++s) {
      if (coded[s] == 0) continue;
      const double p = static_cast<double>(table_[s - 1] - table_[s]) / table_[0];
      ideal_bits_ += static_cast<double>(coded[s]) * -std::log2(p);
    }
  }

  void prepare() override { observed_ = false; }

  void run() override {
    int* table = table_.data();
    ac::start_encoding();
    for (std::uint8_t b : bytes_) ac::encode_symbol(b + 1, table);
    ac::encode_symbol(ac::kEndOfInput, table);
    ac::done_encoding();
  }

  // The same calls through the checked entry: a refusal here would be a fault of the model.
  Json run_observed() override {
    tally_ = BitTally{};
    const ac::Observer observer{&tally_, [](void* context, int bit) {
                                  auto* t = static_cast<BitTally*>(context);
                                  ++t->bits;
                                  t->hash.u8(static_cast<std::uint8_t>(bit));
                                }};
    ac::set_observer(&observer);
    ac::EncodeResult result = ac::EncodeResult::kEncoded;
    ac::start_encoding();
    for (std::size_t i = 0; i <= bytes_.size() && result == ac::EncodeResult::kEncoded; ++i) {
      const int symbol = i < bytes_.size() ? bytes_[i] + 1 : ac::kEndOfInput;
      result = ac::encode_symbol_checked(symbol, table_);
    }
    if (result == ac::EncodeResult::kEncoded) ac::done_encoding();
    ac::set_observer(nullptr);
    if (result != ac::EncodeResult::kEncoded)
      throw std::runtime_error(std::string("arith-coder: a symbol was refused: ") +
                               ac::encode_result_name(result));
    observed_ = true;
    return Json{{"output_bit", tally_.bits}};
  }

  // The emitted bits are seen only through the observer.
  Json summary() const override {
    const double bytes = static_cast<double>(bytes_.size());
    return Json{{"bytes", bytes_.size()},
                {"total", table_[0]},
                {"bits", observed_ ? Json(tally_.bits) : Json(nullptr)},
                {"bits_per_byte",
                 observed_ ? Json(static_cast<double>(tally_.bits) / bytes) : Json(nullptr)},
                {"ideal_bits", ideal_bits_},
                {"ideal_bits_per_byte", ideal_bits_ / bytes},
                {"low", ac::low},
                {"high", ac::high},
                {"bits_to_follow", ac::bits_to_follow}};
  }

  std::optional<std::uint64_t> digest() const override {
    if (!observed_) return std::nullopt;
    return tally_.hash.value();
  }

  // The symbols coded (one per byte and the end of input) and, from the observed run, the bits
  // emitted.
  std::optional<Work> work() const override {
    const double symbols = static_cast<double>(bytes_.size() + 1);
    Work w{symbols, "symbols", {{"symbols", symbols}}};
    if (observed_) w.counters.push_back({"bits_out", static_cast<double>(tally_.bits)});
    return w;
  }

  // Each symbol narrows the interval with a dependent chain: the range (an add), its scaling by
  // the symbol's cumulative counts (a multiply, and a division by the fixed total, which at best
  // is a second multiply), and the new bounds (an add); each bit out then shifts both bounds (an
  // add on the chain).
  std::optional<Bound> bound(const Work& w, const Ceilings& c) const override {
    const double symbols = w.count("symbols");
    const double bits = w.count("bits_out");
    return Bound{symbols * (2 * c.multiply_latency + 2 * c.add_latency) + bits * c.add_latency,
                 "dependent arithmetic latency",
                 count_text(symbols) + " symbols of 2 multiplies + 2 adds, " + count_text(bits) +
                     " bits of an add"};
  }

 private:
  ByteInput input_;
  bool observed_ = false;
  std::vector<std::uint8_t> bytes_;
  std::vector<int> table_;
  double ideal_bits_ = 0;
  BitTally tally_;
};

const JobRegistration kArithCoder{
    {20,
     "arith-coder",
     "arithmetic-code a byte stream with a static order-0 model (bits, bits per byte)",
     nullptr,
     &make_job<ArithCoderJob>,
     {{"arith-coder", "arith-coder: generated sample input, 1000 to 16384000 bytes",
       "--generate sample --over length=1000..16384000x4", false},
      {"arith-coder", "arith-coder: generated sample input, 1000 to 16000 bytes",
       "--generate sample --over length=1000..16000x4", true}}}};

}  // namespace
}  // namespace kernels::runner
