// Job "arith-coder": codes a byte stream with the arithmetic coder and a static order-0 model.
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "digest.h"
#include "generated_input.h"
#include "input_file.h"
#include "job.h"
#include "kernels/arith_coder/arith_coder.h"
#include "options.h"

namespace kernels::runner {
namespace {

namespace ac = kernels::arith_coder;

// Largest generated input, in bytes.
constexpr long long kMaxLength = 1LL << 28;

std::vector<std::uint8_t> read_input(const std::string& path) {
  std::vector<std::uint8_t> bytes = read_input_file("--input", path, std::size_t{1} << 31);
  if (bytes.empty()) throw UsageError("--input '" + path + "' is empty: there is nothing to code");
  return bytes;
}

// Counts the emitted bits and hashes them, one byte (0 or 1) per bit.
struct BitTally {
  std::uint64_t bits = 0;
  Fnv1a hash;
};

class ArithCoderJob : public Job {
 public:
  void declare(CLI::App& app) override {
    input_option_ =
        app.add_option("--input", path_,
                       "code the bytes of FILE (default: 246 KiB of the coder's sample bytes)")
            ->type_name("FILE");
    generate_option_ =
        add_generate_option(app, generate_,
                            "the generated input: sample (skewed bytes), text, random "
                            "(incompressible) or ones");
    length_option_ = add_number(app, "--length", length_, 1, kMaxLength, "N",
                                "code N bytes of the generated input");
  }

  std::vector<std::string> args() const override {
    if (!path_.empty()) return {"--input", path_};
    if (generated_) return {"--generate", generate_, "--length", std::to_string(length_)};
    return {};
  }

  void validate() override {
    const bool input_given = input_option_ != nullptr && input_option_->count() > 0;
    generated_ = (generate_option_ != nullptr && generate_option_->count() > 0) ||
                 (length_option_ != nullptr && length_option_->count() > 0);
    if (input_given && path_.empty()) throw UsageError("--input needs a file name");
    if (input_given && generated_)
      throw UsageError("arith-coder: --input excludes --generate and --length");
  }

  void load() override {
    bytes_ = !path_.empty() ? read_input(path_)
                            : generate_input(generated_kinds().at(generate_),
                                             static_cast<std::size_t>(length_));
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

  // The symbols coded: one per byte and the end of input.
  std::optional<Work> work() const override {
    return Work{static_cast<double>(bytes_.size() + 1), "symbols"};
  }

 private:
  std::string path_;  // empty: the built-in input
  CLI::Option* input_option_ = nullptr;
  std::string generate_ = "sample";
  CLI::Option* generate_option_ = nullptr;
  long long length_ = static_cast<long long>(ac::kSampleInputSize);
  CLI::Option* length_option_ = nullptr;
  bool generated_ = false;  // --generate or --length given
  bool observed_ = false;
  std::vector<std::uint8_t> bytes_;
  std::vector<int> table_;
  double ideal_bits_ = 0;
  BitTally tally_;
};

const JobRegistration kArithCoder{
    {20, "arith-coder",
     "arithmetic-code a byte stream with a static order-0 model (bits, bits per byte)", nullptr,
     &make_job<ArithCoderJob>}};

}  // namespace
}  // namespace kernels::runner
