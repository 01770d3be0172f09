// Which complexity class best explains how a job's time grows with its work N.
#ifndef KERNELS_RUNNER_COMMANDS_SWEEP_FIT_H_
#define KERNELS_RUNNER_COMMANDS_SWEEP_FIT_H_

#include <optional>
#include <span>
#include <string>
#include <vector>

namespace kernels::runner {

// The classes a fit chooses from, simplest first.
enum class Complexity { kConstant, kLogN, kN, kNLogN, kNLog2N, kN2, kN3 };
inline constexpr Complexity kComplexities[] = {
    Complexity::kConstant, Complexity::kLogN, Complexity::kN,  Complexity::kNLogN,
    Complexity::kNLog2N,   Complexity::kN2,   Complexity::kN3,
};

// The class's name as reports print it: "1", "log N", "N", "N log N", "N log^2 N", "N^2", "N^3".
const char* complexity_name(Complexity c);

// g(N) of the class, logarithms to base 2: 1, log N, N, N log N, N log^2 N, N^2, N^3.
// REQUIRES: n >= 1.
double complexity_term(Complexity c, double n);

// One measured point: the work N and its time in seconds.
struct FitPoint {
  double n = 0;
  double seconds = 0;
};

// The fitted time t(N) = coefficient * g(N).
struct Fit {
  Complexity complexity = Complexity::kConstant;
  double coefficient = 0;  // seconds per unit of g(N)
  double rms = 0;  // RMS of the points' relative deviations from the curve, (t - c g) / (c g):
                   // 0.05 is 5 %
};

// The class whose curve c * g(N) fits `points` best by least squares on the logarithms, as the
// points lie on a log-log plot: for each class c = exp(mean(ln t - ln g)), and the class with the
// smallest RMS of ln t - ln(c g) wins (on a tie, the simpler one). Logarithms weigh a point at
// 1 ms as much as one at 1 s, and a point twice too slow as much as one twice too fast. Points
// with N < 1 or a time <= 0 are left out, as are classes whose g is 0 at one of the points (log N
// at N = 1). Empty when fewer than two points with different N remain.
std::optional<Fit> fit_complexity(std::span<const FitPoint> points);

// The fitted curve at `count` values of N spaced evenly on a log scale from `low` to `high`
// (both included), for a plot to draw as it is: [[N, c * g(N)], ...].
// REQUIRES: 1 <= low <= high, count >= 2.
std::vector<FitPoint> fit_curve(const Fit& fit, double low, double high, int count);

}  // namespace kernels::runner

#endif  // KERNELS_RUNNER_COMMANDS_SWEEP_FIT_H_
