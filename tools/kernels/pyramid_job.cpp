// Jobs "pyramid" and "transpose": the pyramid collapse of a W x H pyramid (from a file or the
// built-in generator), and the in-place transpose of an R x C matrix of its own indices.
#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <limits>

#include "job.h"
#include "kernels/pyramid/pyramid.h"
#include "kernels/shell/shell.h"

namespace kernels::runner {
namespace {

// Largest image or matrix a job accepts, in values (256 MiB per array).
constexpr long long kMaxValues = 1LL << 26;

std::string system_error(const std::string& what, const std::string& path) {
  return what + " " + path + ": " + std::strerror(errno);
}

// The built-in pyramid, value by value in storage order: an xorshift32 state starting at
// 0x2545f491 advances once per value (s ^= s << 13; s ^= s >> 17; s ^= s << 5); the coarsest low
// band, w0 x h0 = (W >> L) x (H >> L) values row by row, is the ramp 64 + 16 * (r + c); every
// other value is a detail coefficient (s mod 9) - 4, from -4 to 4.
std::vector<int> generate_pyramid(int width, int height, int levels) {
  std::vector<int> p(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
  const std::size_t w0 = static_cast<std::size_t>(width >> levels);
  const std::size_t low = w0 * static_cast<std::size_t>(height >> levels);
  std::uint32_t s = 0x2545f491u;
  for (std::size_t m = 0; m < p.size(); ++m) {
    s ^= s << 13;
    s ^= s >> 17;
    s ^= s << 5;
    p[m] = m < low ? 64 + 16 * static_cast<int>(m / w0 + m % w0) : static_cast<int>(s % 9) - 4;
  }
  return p;
}

// Reads exactly `count` little-endian int32 values from `path`.
std::vector<int> read_values(const std::string& path, std::size_t count) {
  const std::vector<std::uint8_t> bytes = read_input_file("--input", path, count * 4);
  if (bytes.size() != count * 4)
    throw UsageError(path + " holds " + std::to_string(bytes.size()) +
                     " bytes; the pyramid needs " + std::to_string(count * 4) + " (" +
                     std::to_string(count) + " little-endian int32 values)");
  std::vector<int> values(count);
  for (std::size_t i = 0; i < count; ++i) {
    std::uint32_t v = 0;
    for (int b = 0; b < 4; ++b) v |= std::uint32_t{bytes[4 * i + b]} << (8 * b);
    values[i] = static_cast<int>(v);
  }
  return values;
}

void write_values(const std::string& path, const int* values, std::size_t count) {
  std::vector<char> bytes(count * 4);
  for (std::size_t i = 0; i < count; ++i)
    for (int b = 0; b < 4; ++b)
      bytes[4 * i + b] = static_cast<char>(static_cast<std::uint32_t>(values[i]) >> (8 * b));
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) throw std::runtime_error(system_error("cannot write", path));
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (!out) throw std::runtime_error(system_error("cannot write", path));
}

void hash_values(Fnv1a& h, const int* values, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) h.i32(values[i]);
}

class PyramidJob : public Job {
 public:
  bool take_option(OptionCursor& cursor) override {
    const std::string_view flag = cursor.flag();
    if (flag == "--width") {
      width_ = static_cast<int>(parse_integer(cursor.value(), "--width", 1, 1 << 16));
    } else if (flag == "--height") {
      height_ = static_cast<int>(parse_integer(cursor.value(), "--height", 1, 1 << 16));
    } else if (flag == "--levels") {
      levels_ = static_cast<int>(parse_integer(cursor.value(), "--levels", 1, 29));
    } else if (flag == "--input") {
      input_ = cursor.value();
    } else if (flag == "--output") {
      output_ = cursor.value();
    } else {
      return false;
    }
    return true;
  }

  void validate() override {
    const pyramid::PyramidStatus status = pyramid::check_pyramid(width_, height_, levels_);
    if (status != pyramid::PyramidStatus::kOk)
      throw UsageError("pyramid " + std::to_string(width_) + " x " + std::to_string(height_) +
                       " with " + std::to_string(levels_) +
                       " levels: " + pyramid::describe(status));
    if (static_cast<long long>(width_) * height_ > kMaxValues)
      throw UsageError("pyramid " + std::to_string(width_) + " x " + std::to_string(height_) +
                       ": at most " + std::to_string(kMaxValues) + " values");
    original_ =
        input_.empty() ? generate_pyramid(width_, height_, levels_) : read_values(input_, values());
  }

  std::vector<std::string> args() const override {
    std::vector<std::string> a{"--width",  std::to_string(width_),
                               "--height", std::to_string(height_),
                               "--levels", std::to_string(levels_)};
    if (!input_.empty()) a.insert(a.end(), {"--input", input_});
    if (!output_.empty()) a.insert(a.end(), {"--output", output_});
    return a;
  }

  void prepare() override {
    pyramid_ = shell::arena_new<int>(values());
    result_ = shell::arena_new<int>(values());
    std::copy(original_.begin(), original_.end(), pyramid_);
  }

  void run() override { pyramid::collapse_pyr(pyramid_, result_, width_, height_, levels_); }

  Json run_observed() override {
    run();
    if (!output_.empty()) write_values(output_, result_, values());
    return Json::object();
  }

  Json summary() const override {
    const auto [min, max] = std::minmax_element(result_, result_ + values());
    long long sum = 0;
    for (std::size_t i = 0; i < values(); ++i) sum += result_[i];
    return Json{{"width", width_}, {"height", height_}, {"levels", levels_},
                {"min", *min},     {"max", *max},       {"sum", sum}};
  }

  std::uint64_t digest() const override {
    Fnv1a h;
    hash_values(h, result_, values());
    hash_values(h, pyramid_, values());
    return h.value();
  }

 private:
  std::size_t values() const {
    return static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_);
  }

  int width_ = 1024;
  int height_ = 1024;
  int levels_ = 4;
  std::string input_;
  std::string output_;
  std::vector<int> original_;
  int* pyramid_ = nullptr;
  int* result_ = nullptr;
};

class TransposeJob : public Job {
 public:
  bool take_option(OptionCursor& cursor) override {
    const std::string_view flag = cursor.flag();
    if (flag == "--rows") {
      rows_ = static_cast<int>(parse_integer(cursor.value(), "--rows", 1, kMaxValues));
    } else if (flag == "--cols") {
      cols_ = static_cast<int>(parse_integer(cursor.value(), "--cols", 1, kMaxValues));
    } else {
      return false;
    }
    return true;
  }

  void validate() override {
    if (static_cast<long long>(rows_) * cols_ > kMaxValues)
      throw UsageError("transpose " + std::to_string(rows_) + " x " + std::to_string(cols_) +
                       ": at most " + std::to_string(kMaxValues) + " values");
  }

  std::vector<std::string> args() const override {
    return {"--rows", std::to_string(rows_), "--cols", std::to_string(cols_)};
  }

  void prepare() override {
    matrix_ = shell::arena_new<int>(values());
    for (std::size_t m = 0; m < values(); ++m) matrix_[m] = static_cast<int>(m);
  }

  void run() override { pyramid::internal_int_transpose(matrix_, rows_, cols_); }

  Json summary() const override { return Json{{"rows", rows_}, {"cols", cols_}}; }

  std::uint64_t digest() const override {
    Fnv1a h;
    hash_values(h, matrix_, values());
    return h.value();
  }

 private:
  std::size_t values() const {
    return static_cast<std::size_t>(rows_) * static_cast<std::size_t>(cols_);
  }

  int rows_ = 1024;
  int cols_ = 768;
  int* matrix_ = nullptr;
};

std::unique_ptr<Job> make_pyramid() {
  return std::make_unique<PyramidJob>();
}
std::unique_ptr<Job> make_transpose() {
  return std::make_unique<TransposeJob>();
}

}  // namespace

extern const JobInfo pyramid_job;
const JobInfo pyramid_job{
    "pyramid", "collapse a 1024 x 1024, 4-level pyramid into its image (built-in or from a file)",
    "--width W      image width, a multiple of 2^L with W >> L >= 2 (1024)\n"
    "--height H     image height, likewise (1024)\n"
    "--levels L     pyramid levels, 1 to 29 (4)\n"
    "--input FILE   the pyramid: W x H little-endian int32 values (default: built-in generator)\n"
    "--output FILE  write the image: W x H little-endian int32 values, row by row",
    &make_pyramid};

extern const JobInfo pyramid_transpose_job;
const JobInfo pyramid_transpose_job{
    "transpose", "transpose in place a 1024 x 768 matrix whose element at index m is m",
    "--rows R       matrix rows (1024)\n"
    "--cols C       matrix columns (768); R x C at most 2^26",
    &make_transpose};

}  // namespace kernels::runner
