// Job "context-model": encodes an input through the context model, or decodes symbols from a
// fresh model.
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>
#include <vector>

#include "job.h"
#include "kernels/context_model/context_model.h"
#include "kernels/shell/shell.h"

namespace kernels::runner {
namespace {

namespace cm = context_model;

// A number with six decimals, as the summary prints code lengths.
std::string six_decimals(double value) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.6f", value);
  return buf;
}

// Shows how far a long run has got, on stderr, when stderr is a terminal and the run has taken
// more than a second; at most ten times a second, checked every 2^16 symbols.
class Progress {
 public:
  Progress(const char* what, long long total)
      : what_(what),
        total_(total),
        enabled_(isatty(STDERR_FILENO) == 1),
        start_(std::chrono::steady_clock::now()) {}
  ~Progress() {
    if (shown_) std::fputs("\r\033[K", stderr);
  }
  Progress(const Progress&) = delete;
  Progress& operator=(const Progress&) = delete;

  void at(long long done) {
    if (!enabled_ || (done & 0xffff) != 0) return;
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start_;
    if (elapsed.count() < 1.0 || elapsed.count() < last_ + 0.1) return;
    last_ = elapsed.count();
    std::fprintf(stderr, "\rcontext-model: %s %lld of %lld symbols (%.0f%%)", what_, done, total_,
                 100.0 * static_cast<double>(done) / static_cast<double>(total_));
    shown_ = true;
  }

 private:
  const char* what_;
  long long total_;
  bool enabled_;
  bool shown_ = false;
  double last_ = 0;  // seconds into the run of the last report
  std::chrono::steady_clock::time_point start_;
};

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
  bool take_option(OptionCursor& cursor) override {
    const std::string_view flag = cursor.flag();
    if (flag == "--input") {
      input_path_ = cursor.value();
      if (input_path_.empty()) throw UsageError("--input needs a file name");
    } else if (flag == "--length") {
      length_ = parse_integer(cursor.value(), "--length", 1, cm::kInputSize);
      length_given_ = true;
    } else if (flag == "--decode") {
      decode_ = parse_integer(cursor.value(), "--decode", 1, cm::kInputSize);
    } else {
      return false;
    }
    return true;
  }

  void validate() override {
    if (!input_path_.empty() && length_given_)
      throw UsageError("context-model: --input and --length exclude each other");
    if (decode_ > 0 && (!input_path_.empty() || length_given_))
      throw UsageError("context-model: --decode takes no input (drop --input and --length)");
    if (!input_path_.empty()) read_input();
  }

  std::vector<std::string> args() const override {
    if (decode_ > 0) return {"--decode", std::to_string(decode_)};
    if (!input_path_.empty()) return {"--input", input_path_};
    return {"--length", std::to_string(length_)};
  }

  void run() override {
    symbols_ = 0;
    if (decode_ > 0) {
      Progress progress("decoded", decode_);
      cm::init_symbols();
      cm::startInput();
      for (long long i = 0; i < decode_; ++i) {
        cm::decode_symbol();
        progress.at(i + 1);
      }
      symbols_ = decode_;
      return;
    }
    Progress progress("encoded", input_bytes() + 1);
    cm::init_symbols();
    int* stream = shell::stream_handle();
    if (!input_path_.empty()) {
      cm::loadInput(stream, 0, static_cast<int>(data_.size()));
      std::memcpy(cm::Input, data_.data(), data_.size());
    } else {
      cm::loadInput(stream, 0, static_cast<int>(length_));
    }
    cm::startInput();
    long long symbols = 0;
    for (int c = cm::getInput(); c != -1; c = cm::getInput()) {
      cm::encode_symbol(c, 0);
      progress.at(++symbols);
    }
    cm::encode_symbol(cm::eof_symbol(), 0);
    symbols_ = symbols + 1;
  }

  Json run_observed() override {
    observed_ = Observed{};
    cm::Observer o;
    o.context = &observed_;
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
    const Observed& s = observed_;
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
           {"coder_calls", observed_.encode + observed_.decode},
           {"code_bits", six_decimals(observed_.code_bits)}};
    if (decode_ == 0)
      j["bits_per_byte"] = six_decimals(observed_.code_bits / static_cast<double>(input_bytes()));
    j["ran_out"] = ran_out();
    return j;
  }

  std::uint64_t digest() const override {
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

 private:
  long long input_bytes() const {
    return input_path_.empty() ? length_ : static_cast<long long>(data_.size());
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

  void read_input() {
    data_ = read_input_file("--input", input_path_, static_cast<std::size_t>(cm::kInputSize));
    if (data_.empty()) throw UsageError("--input '" + input_path_ + "' is empty");
  }

  std::string input_path_;
  long long length_ = 1000000;
  bool length_given_ = false;
  long long decode_ = 0;
  std::vector<std::uint8_t> data_;
  long long symbols_ = 0;
  Observed observed_;
};

std::unique_ptr<Job> make() {
  return std::make_unique<ContextModelJob>();
}

}  // namespace

extern const JobInfo context_model_job;
const JobInfo context_model_job{
    "context-model",
    "encode an input through the context model (default: 1,000,000 bytes of value 1)",
    "--input FILE  encode the bytes of FILE (at most 13,000,000), then the end-of-input symbol\n"
    "--length N    encode N bytes of value 1 (1 to 13,000,000; default 1000000)\n"
    "--decode N    instead, decode N symbols from a fresh model",
    &make};

}  // namespace kernels::runner
