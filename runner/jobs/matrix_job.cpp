// Job "matrix": the matrix-multiply driver, multiplying two 300 x 300 matrices of ones.
#include <cstdarg>

#include "cli/text.h"
#include "job/digest.h"
#include "job/driver_args.h"
#include "job/job.h"
#include "kernels/matrix/matrix.h"
#include "kernels/shell/shell.h"
#include "report/bound.h"

namespace kernels::runner {
namespace {

class MatrixJob : public Job {
 public:
  void declare(CLI::App& app) override {
    app.add_flag("--no-multiply", no_multiply_,
                 "run the driver with no argument: it builds the matrices, multiplies nothing");
  }
  std::optional<std::vector<std::string>>* driver_args() override { return &driver_args_; }
  std::vector<std::string> args() const override {
    if (driver_args_) return *driver_args_;
    if (no_multiply_) return {};
    return {"multiply"};  // one argument: the driver multiplies
  }
  void prepare() override { driver_ = DriverArgs("matrix", args()); }
  void run() override { matrix::main_matxmult(driver_.argc(), driver_.argv()); }

  Json run_observed() override {
    std::uint64_t chats = 0;
    shell::Observer observer{
        &chats, [](void* c, const char*, std::va_list) { ++*static_cast<std::uint64_t*>(c); }};
    shell::set_observer(&observer);
    run();
    shell::set_observer(nullptr);
    return Json{{"chatting", chats}};
  }

  Json summary() const override {
    const matrix::DriverMatrices m = matrix::last_driver_matrices();
    double sum = 0;
    for (int i = 0; i < m.n; ++i)
      for (int j = 0; j < m.n; ++j) sum += m.c[i][j];
    return Json{{"n", m.n},
                {"multiplied", driver_.argc() > 1},
                {"sum", sum},
                {"c[0][0]", m.n > 0 ? m.c[0][0] : 0.0}};
  }

  std::optional<std::uint64_t> digest() const override {
    const matrix::DriverMatrices m = matrix::last_driver_matrices();
    Fnv1a h;
    for (int i = 0; i < m.n; ++i)
      for (int j = 0; j < m.n; ++j) h.f64(m.c[i][j]);
    return h.value();
  }

  // n^3 multiply-adds when the driver multiplies, over the three n x n matrices of the run.
  std::optional<Work> work() const override {
    const int n = matrix::last_driver_matrices().n;
    if (driver_.argc() <= 1 || n <= 0) return std::nullopt;
    const double mads = static_cast<double>(n) * n * n;
    const double bytes = 3.0 * n * n * static_cast<double>(sizeof(double));
    return Work{mads, "multiply-adds", {{"multiply_adds", mads}, {"matrix_bytes", bytes}}};
  }

  // Each multiply-add is a multiply and an add, issued two-wide at best; the matrices must at
  // least be read and written once. The larger of the two.
  std::optional<Bound> bound(const Work& w, const Ceilings& c) const override {
    const double arithmetic = 2 * w.count("multiply_adds") / c.flops;
    const double memory = w.count("matrix_bytes") / c.copy_at(w.count("matrix_bytes"));
    if (memory > arithmetic)
      return Bound{memory, "memory bandwidth", count_text(w.count("matrix_bytes")) + "B once"};
    return Bound{arithmetic, "multiply-add throughput",
                 count_text(w.count("multiply_adds")) + " multiply-adds, two-wide"};
  }

 private:
  bool no_multiply_ = false;
  std::optional<std::vector<std::string>> driver_args_;
  DriverArgs driver_;
};

const JobRegistration kMatrix{
    {10,
     "matrix",
     "multiply two 300 x 300 matrices of ones into a third (every element 300.0)",
     "the driver's arguments (default: one, 'multiply'); it multiplies when given any",
     &make_job<MatrixJob>,
     {{"matrix", "matrix: its run (no size option)", "--repeat 5", false},
      {"matrix", "matrix: its run", "", true}}}};

}  // namespace
}  // namespace kernels::runner
