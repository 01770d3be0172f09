// Job "context-model": encodes an input through the context model, or decodes symbols from a
// fresh model.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "job/digest.h"
#include "jobs/byte_input.h"

#include "cli/cli.h"
#include "cli/text.h"
#include "job/job.h"
#include "kernels/context_model/context_model.h"
#include "kernels/shell/shell.h"
#include "report/bound.h"

namespace kernels::runner {
namespace {

namespace cm = context_model;

// A number with six decimals, as the summary prints code lengths.
std::string six_decimals(double value) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.6f", value);
  return buf;
}

// What the observed run saw of the coder calls and the dump walks.
struct Observed {
  std::uint64_t encode = 0, decode = 0, dump_symbol = 0, dump_string = 0, dump_trie = 0,
                dump_root = 0, dump_list = 0, print_free = 0;
  double code_bits = 0;  // in call order, binary64

  void coded(int low, int high, int total) {
    const long long width = static_cast<long long>(high) - low;
    if (width <= 0 || total <= 0) return;
    code_bits += std::log2(static_cast<double>(total) / static_cast<double>(width));
  }
};

class ContextModelJob : public Job {
 public:
  void declare(CLI::App& app) override {
    input_.declare(app,
                   {"encode the bytes of FILE (at most 13000000), then the end-of-input symbol",
                    "the generated input: ones (every byte 1), sample, text or "
                    "random (incompressible)",
                    "encode N bytes of the generated input", "ones", 1000000, cm::kInputSize});
    add_number(app, "--decode", decode_, 1, cm::kInputSize, "N",
               "instead, decode N symbols from a fresh model")
        ->default_str("");
  }

  void validate() override {
    input_.validate("context-model");
    if (decode_ > 0 && input_.any_given())
      throw UsageError(
          "context-model: --decode takes no input (drop --input, --length and --generate)");
  }

  void load() override {
    // The ones are made by the model's own loadInput; any other input is loaded here.
    if (input_.from_file())
      data_ = input_.read(static_cast<std::size_t>(cm::kInputSize));
    else if (input_.kind() != "ones")
      data_ = input_.generate();
  }

  std::vector<std::string> args() const override {
    if (decode_ > 0) return {"--decode", std::to_string(decode_)};
    if (input_.from_file()) return input_.file_args();
    if (input_.kind() != "ones") return input_.generated_args();
    return {"--length", std::to_string(input_.length())};
  }

  void run() override {
    symbols_ = 0;
    if (decode_ > 0) {
      cm::init_symbols();
      cm::startInput();
      for (long long i = 0; i < decode_; ++i) cm::decode_symbol();
      symbols_ = decode_;
      return;
    }
    cm::init_symbols();
    int* stream = shell::stream_handle();
    if (!data_.empty()) {
      cm::loadInput(stream, 0, static_cast<int>(data_.size()));
      std::memcpy(cm::Input, data_.data(), data_.size());
    } else {
      cm::loadInput(stream, 0, static_cast<int>(input_.length()));
    }
    cm::startInput();
    long long symbols = 0;
    for (int c = cm::getInput(); c != -1; c = cm::getInput()) {
      cm::encode_symbol(c, 0);
      ++symbols;
    }
    cm::encode_symbol(cm::eof_symbol(), 0);
    symbols_ = symbols + 1;
  }

  void prepare() override { observed_.reset(); }

  Json run_observed() override {
    observed_ = Observed{};
    cm::Observer o;
    o.context = &*observed_;
    o.arithmetic_encode = [](void* c, int low, int high, int total) {
      auto& s = *static_cast<Observed*>(c);
      ++s.encode;
      s.coded(low, high, total);
    };
    o.arithmetic_decode = [](void* c, int low, int high, int total) {
      auto& s = *static_cast<Observed*>(c);
      ++s.decode;
      s.coded(low, high, total);
    };
    o.dumpSymbol = [](void* c, int*, int) { ++static_cast<Observed*>(c)->dump_symbol; };
    o.dumpString = [](void* c, int*, const char*, int, int) {
      ++static_cast<Observed*>(c)->dump_string;
    };
    o.dumpTrie = [](void* c, int*, int, int) { ++static_cast<Observed*>(c)->dump_trie; };
    o.dumpRoot = [](void* c, int*) { ++static_cast<Observed*>(c)->dump_root; };
    o.dumpList = [](void* c, int*, int) { ++static_cast<Observed*>(c)->dump_list; };
    o.printFree = [](void* c, int*) { ++static_cast<Observed*>(c)->print_free; };
    cm::set_observer(&o);
    run();
    cm::set_observer(nullptr);
    const Observed& s = *observed_;
    return Json{{"arithmetic_encode", s.encode}, {"arithmetic_decode", s.decode},
                {"dumpSymbol", s.dump_symbol},   {"dumpString", s.dump_string},
                {"dumpTrie", s.dump_trie},       {"dumpRoot", s.dump_root},
                {"dumpList", s.dump_list},       {"printFree", s.print_free}};
  }

  Json summary() const override {
    const cm::TrieNode& root = cm::Trie[1];
    Json j{{"symbols", symbols_},
           {"trie_nodes", cm::trieFree - 1},
           {"symbol_entries", cm::symbolsFree - 1},
           {"context_length", cm::contextLength},
           {"context_free", cm::contextFree},
           {"context_used", cm::contextUsed},
           {"input_pos", cm::inputPos},
           {"root_first_symbol", root.firstSymbol},
           {"root_count", root.count},
           {"root_escape_count", root.escapeCount},
           {"root_last_symbol", root.lastSymbol},
           {"coder_calls", nullptr},
           {"code_bits", nullptr}};
    // The coder's calls are seen only through the observer.
    if (observed_) {
      j["coder_calls"] = observed_->encode + observed_->decode;
      j["code_bits"] = six_decimals(observed_->code_bits);
    }
    if (decode_ == 0)
      j["bits_per_byte"] =
          observed_ ? Json(six_decimals(observed_->code_bits / static_cast<double>(input_bytes())))
                    : Json(nullptr);
    j["ran_out"] = ran_out();
    return j;
  }

  std::optional<std::uint64_t> digest() const override {
    Fnv1a h;
    for (int n = 1; n < cm::trieFree; ++n) {
      const cm::TrieNode& t = cm::Trie[n];
      h.i32(t.firstSymbol);
      h.i32(t.count);
      h.i32(t.escapeCount);
      h.i32(t.lastSymbol);
    }
    for (int e = 1; e < cm::symbolsFree; ++e) {
      const cm::SymbolEntry& s = cm::Symbols[e];
      h.i32(s.child);
      h.i32(s.next);
      h.i32(s.symbol);
    }
    return h.value();
  }

  // The symbols encoded (each byte and the end of input) or decoded, the tables the run left
  // and, from the observed run, the coder calls (one per symbol and per escape).
  std::optional<Work> work() const override {
    const double symbols = static_cast<double>(decode_ > 0 ? decode_ : input_bytes() + 1);
    const double trie = cm::trieFree - 1, entries = cm::symbolsFree - 1;
    Work w{symbols,
           "symbols",
           {{"symbols", symbols},
            {"trie_nodes", trie},
            {"symbol_entries", entries},
            {"table_bytes", trie * sizeof(cm::TrieNode) + entries * sizeof(cm::SymbolEntry)}}};
    if (observed_)
      w.counters.push_back(
          {"coder_calls", static_cast<double>(observed_->encode + observed_->decode)});
    return w;
  }

  // Every coder call is found by following the context's list in the tables: at least one load
  // that depends on the one before, at the latency of the tables' size.
  std::optional<Bound> bound(const Work& w, const Ceilings& c) const override {
    const double calls = w.count("coder_calls");
    if (calls <= 0) return std::nullopt;
    return Bound{calls * c.latency_at(w.count("table_bytes")), "memory latency",
                 count_text(calls) + " coder calls, one dependent table load each"};
  }

 private:
  long long input_bytes() const {
    return data_.empty() ? input_.length() : static_cast<long long>(data_.size());
  }

  // "none", or which tables ran out and at which symbol, e.g. "trie at 1843220".
  std::string ran_out() const {
    std::string r;
    auto add = [&r](const char* table, std::int32_t at) {
      if (at < 0) return;
      r += (r.empty() ? "" : ", ") + std::string(table) + " at " + std::to_string(at);
    };
    add("context", cm::shortage.context);
    add("symbols", cm::shortage.symbols);
    add("trie", cm::shortage.trie);
    add("input", cm::shortage.history);
    return r.empty() ? "none" : r;
  }

  ByteInput input_;
  long long decode_ = 0;
  std::vector<std::uint8_t> data_;  // the input's bytes; empty for the ones, which loadInput makes
  long long symbols_ = 0;
  std::optional<Observed> observed_;  // what the last run saw, when it was observed
};

const JobRegistration kContextModel{
    {80,
     "context-model",
     "encode an input through the context model (default: 1,000,000 bytes of value 1)",
     nullptr,
     &make_job<ContextModelJob>,
     {{"context-model-ones", "context-model: --length 1000 to 4096000 bytes of ones",
       "--over length=1000..4096000x4", false},
      {"context-model-text", "context-model: prefixes of the generated text, 1000 to 4096000 bytes",
       "--generate text --over length=1000..4096000x4", false},
      {"context-model", "context-model: --length 1000 to 16000 bytes of generated text",
       "--generate text --over length=1000..16000x4", true}}}};

}  // namespace
}  // namespace kernels::runner
