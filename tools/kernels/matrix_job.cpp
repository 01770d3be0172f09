// Job "matrix": the matrix-multiply driver, multiplying two 300 x 300 matrices of ones.
#include <cstdarg>

#include "job.h"
#include "kernels/matrix/matrix.h"
#include "kernels/shell/shell.h"

namespace kernels::runner {
namespace {

class MatrixJob : public Job {
 public:
  bool take_option(OptionCursor& cursor) override {
    if (cursor.flag() != "--no-multiply") return false;
    if (cursor.has_inline_value()) throw UsageError("--no-multiply takes no value");
    args_ = {};
    return true;
  }
  void take_driver_args(std::vector<std::string> args) override { args_ = std::move(args); }
  std::vector<std::string> args() const override { return args_; }
  void prepare() override { driver_ = DriverArgs("matrix", args_); }
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

  std::uint64_t digest() const override {
    const matrix::DriverMatrices m = matrix::last_driver_matrices();
    Fnv1a h;
    for (int i = 0; i < m.n; ++i)
      for (int j = 0; j < m.n; ++j) h.f64(m.c[i][j]);
    return h.value();
  }

 private:
  std::vector<std::string> args_{"multiply"};  // one argument: the driver multiplies
  DriverArgs driver_;
};

std::unique_ptr<Job> make() {
  return std::make_unique<MatrixJob>();
}

}  // namespace

extern const JobInfo matrix_job;
const JobInfo matrix_job{
    "matrix", "multiply two 300 x 300 matrices of ones into a third (every element 300.0)",
    "--no-multiply  run the driver with no argument: it builds the matrices, multiplies nothing\n"
    "-- ARGS        the driver's arguments (default: one, 'multiply'); it multiplies when given "
    "any",
    &make};

}  // namespace kernels::runner
