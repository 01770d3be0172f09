#include "commands/sweep/fit.h"

#include <cmath>
#include <vector>

namespace kernels::runner {

const char* complexity_name(Complexity c) {
  switch (c) {
    case Complexity::kConstant:
      return "1";
    case Complexity::kLogN:
      return "log N";
    case Complexity::kN:
      return "N";
    case Complexity::kNLogN:
      return "N log N";
    case Complexity::kNLog2N:
      return "N log^2 N";
    case Complexity::kN2:
      return "N^2";
    case Complexity::kN3:
      return "N^3";
  }
  return "?";
}

double complexity_term(Complexity c, double n) {
  const double lg = std::log2(n);
  switch (c) {
    case Complexity::kConstant:
      return 1;
    case Complexity::kLogN:
      return lg;
    case Complexity::kN:
      return n;
    case Complexity::kNLogN:
      return n * lg;
    case Complexity::kNLog2N:
      return n * lg * lg;
    case Complexity::kN2:
      return n * n;
    case Complexity::kN3:
      return n * n * n;
  }
  return 0;
}

std::optional<Fit> fit_complexity(std::span<const FitPoint> points) {
  std::vector<FitPoint> kept;
  bool distinct = false;
  for (const FitPoint& p : points) {
    if (!(p.n >= 1) || !(p.seconds > 0) || !std::isfinite(p.n) || !std::isfinite(p.seconds))
      continue;
    if (!kept.empty() && p.n != kept.front().n) distinct = true;
    kept.push_back(p);
  }
  if (!distinct) return std::nullopt;

  std::optional<Fit> best;
  double best_log_rms = 0;
  const double count = static_cast<double>(kept.size());
  for (Complexity c : kComplexities) {
    std::vector<double> log_ratio;  // ln t - ln g
    for (const FitPoint& p : kept) {
      const double g = complexity_term(c, p.n);
      if (!(g > 0) || !std::isfinite(g)) break;
      log_ratio.push_back(std::log(p.seconds) - std::log(g));
    }
    if (log_ratio.size() != kept.size()) continue;
    double mean = 0;
    for (double r : log_ratio) mean += r / count;
    double log_squares = 0, squares = 0;
    for (double r : log_ratio) {
      log_squares += (r - mean) * (r - mean);
      squares += std::expm1(r - mean) * std::expm1(r - mean);
    }
    const double log_rms = std::sqrt(log_squares / count);
    if (!best || log_rms < best_log_rms) {
      best = Fit{c, std::exp(mean), std::sqrt(squares / count)};
      best_log_rms = log_rms;
    }
  }
  return best;
}

std::vector<FitPoint> fit_curve(const Fit& fit, double low, double high, int count) {
  std::vector<FitPoint> curve;
  for (int i = 0; i < count; ++i) {
    const double n = i + 1 == count ? high : low * std::pow(high / low, double(i) / (count - 1));
    curve.push_back({n, fit.coefficient * complexity_term(fit.complexity, n)});
  }
  return curve;
}

}  // namespace kernels::runner
