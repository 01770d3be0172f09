#include "jobs/generated_input.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "kernels/arith_coder/arith_coder.h"
#include "kernels/shell/shell.h"

namespace kernels::runner {
namespace {

using shell::xorshift32;

// The text: words drawn from this list with a skew towards its head (the smaller of two uniform
// draws, as common words are common), 8 to 23 words a sentence, a capital at its start and a
// full stop at its end, a line break after every fourth sentence. xorshift32 from 0x9e3779b9.
constexpr std::array<std::string_view, 64> kWords = {
    "the",   "of",    "and",  "to",   "a",    "in",    "is",    "it",     "that",  "was",  "for",
    "on",    "are",   "with", "as",   "be",   "at",    "one",   "have",   "this",  "from", "by",
    "not",   "but",   "what", "all",  "were", "when",  "we",    "there",  "can",   "an",   "your",
    "which", "their", "said", "if",   "will", "each",  "about", "how",    "up",    "out",  "them",
    "then",  "she",   "many", "some", "so",   "these", "would", "other",  "into",  "has",  "more",
    "her",   "two",   "like", "him",  "see",  "time",  "could", "number", "kernel"};

std::vector<std::uint8_t> text(std::size_t length) {
  std::vector<std::uint8_t> out;
  out.reserve(length + 32);
  std::uint32_t s = 0x9e3779b9u;
  int sentences = 0;
  while (out.size() < length) {
    const int words = 8 + static_cast<int>(xorshift32(s) % 16);
    for (int w = 0; w < words; ++w) {
      const std::uint32_t a = xorshift32(s) % kWords.size(), b = xorshift32(s) % kWords.size();
      const std::string_view word = kWords[std::min(a, b)];
      const std::size_t start = out.size();
      out.insert(out.end(), word.begin(), word.end());
      if (w == 0) out[start] = static_cast<std::uint8_t>(out[start] - 'a' + 'A');
      out.push_back(w + 1 < words ? ' ' : '.');
    }
    out.push_back(++sentences % 4 == 0 ? '\n' : ' ');
  }
  out.resize(length);
  return out;
}

}  // namespace

const std::map<std::string, Generated>& generated_kinds() {
  static const std::map<std::string, Generated> kinds{{"ones", Generated::kOnes},
                                                      {"sample", Generated::kSample},
                                                      {"text", Generated::kText},
                                                      {"random", Generated::kRandom}};
  return kinds;
}

CLI::Option* add_generate_option(CLI::App& app, std::string& kind, const std::string& help) {
  std::vector<std::string> names;
  for (const auto& [name, value] : generated_kinds()) names.push_back(name);
  CLI::Validator member = CLI::IsMember(names);
  member.description("");  // the help names the kinds itself
  return app.add_option("--generate", kind, help)
      ->type_name("KIND")
      ->check(member)
      ->capture_default_str();
}

std::vector<std::uint8_t> generate_input(Generated kind, std::size_t length) {
  switch (kind) {
    case Generated::kOnes:
      return std::vector<std::uint8_t>(length, 1);
    case Generated::kSample: {
      std::vector<std::uint8_t> bytes(length);
      arith_coder::sample_input(bytes.data(), bytes.size());
      return bytes;
    }
    case Generated::kText:
      return text(length);
    case Generated::kRandom: {
      std::vector<std::uint8_t> bytes(length);
      std::uint32_t s = 0x2545f491u;
      for (std::uint8_t& b : bytes) b = static_cast<std::uint8_t>(xorshift32(s) >> 24);
      return bytes;
    }
  }
  return {};
}

}  // namespace kernels::runner
