#include "commands/sweep/sweep_values.h"

#include <charconv>
#include <cmath>

#include "job/job.h"

namespace kernels::runner {
namespace {

// A whole decimal number: an optional minus sign and digits only.
long long whole_number(const std::string& text, const std::string& what) {
  const char* last = text.data() + text.size();
  long long value = 0;
  const auto [end, ec] = std::from_chars(text.data(), last, value);
  if (text.empty() || ec != std::errc() || end != last)
    throw UsageError(what + " '" + text + "' is not a whole decimal number");
  return value;
}

std::vector<long long> list(const std::string& text) {
  std::vector<long long> values;
  std::size_t start = 0;
  for (;;) {
    const std::size_t comma = text.find(',', start);
    const long long v = whole_number(text.substr(start, comma - start), "value");
    if (!values.empty() && v <= values.back())
      throw UsageError("values must ascend: " + std::to_string(v) + " comes after " +
                       std::to_string(values.back()));
    values.push_back(v);
    if (values.size() > kMaxSweepValues)
      throw UsageError("at most " + std::to_string(kMaxSweepValues) + " values");
    if (comma == std::string::npos) return values;
    start = comma + 1;
  }
}

std::vector<long long> range(const std::string& text, std::size_t dots) {
  const std::size_t x = text.find('x', dots + 2);
  if (x == std::string::npos)
    throw UsageError("range '" + text + "' needs a factor: START..ENDxFACTOR, as 1000..64000x4");
  const long long start = whole_number(text.substr(0, dots), "range start");
  const long long end = whole_number(text.substr(dots + 2, x - dots - 2), "range end");
  const std::string factor_text = text.substr(x + 1);
  double factor = 0;
  const auto [p, ec] = std::from_chars(factor_text.data(), factor_text.data() + factor_text.size(),
                                       factor, std::chars_format::fixed);
  if (factor_text.empty() || ec != std::errc() || p != factor_text.data() + factor_text.size() ||
      !std::isfinite(factor))
    throw UsageError("range factor '" + factor_text + "' is not a decimal number");
  if (start < 1) throw UsageError("a range starts at 1 or more, not " + std::to_string(start));
  if (start > end) throw UsageError("range '" + text + "' is empty: its start is above its end");
  if (factor <= 1) throw UsageError("range factor " + factor_text + " must be above 1");

  std::vector<long long> values;
  // Multiply in long double from the start each time, so that rounding does not accumulate;
  // a value within a millionth of END counts as hitting it.
  for (int k = 0;; ++k) {
    const long double exact = static_cast<long double>(start) * std::pow((long double)factor, k);
    if (exact > static_cast<long double>(end) * (1 + 1e-6L)) break;
    const long long v = exact >= static_cast<long double>(end) ? end : std::llround(exact);
    if (values.empty() || v > values.back()) values.push_back(v);
    if (values.size() > kMaxSweepValues)
      throw UsageError("range '" + text + "' has more than " + std::to_string(kMaxSweepValues) +
                       " values");
  }
  return values;
}

}  // namespace

std::vector<long long> parse_sweep_values(const std::string& text) {
  if (text.empty()) throw UsageError("no values: give a list (1,2,4) or a range (1..64x2)");
  const std::size_t dots = text.find("..");
  return dots == std::string::npos ? list(text) : range(text, dots);
}

}  // namespace kernels::runner
