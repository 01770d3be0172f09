// Job "pyramid": the pyramid collapse of a W x H pyramid, from a file or the sample generator.
#include <algorithm>
#include <cstdint>
#include <limits>

#include "cli/cli.h"
#include "cli/text.h"
#include "files/files.h"
#include "job/digest.h"
#include "job/int32_le.h"
#include "job/job.h"
#include "jobs/transpose_steps.h"
#include "kernels/pyramid/pyramid.h"
#include "kernels/shell/shell.h"
#include "report/bound.h"

namespace kernels::runner {
namespace {

// Largest image or matrix a job accepts, in values (256 MiB per array).
constexpr long long kMaxValues = 1LL << 26;

// Reads exactly `count` little-endian int32 values from `path`.
std::vector<int> read_values(const std::string& path, std::size_t count) {
  const std::vector<std::uint8_t> bytes = read_input_file("--input", path, count * 4);
  if (bytes.size() != count * 4)
    throw UsageError(path + " holds " + std::to_string(bytes.size()) +
                     " bytes; the pyramid needs " + std::to_string(count * 4) + " (" +
                     std::to_string(count) + " little-endian int32 values)");
  return int32_le_values(bytes);
}

void hash_values(Fnv1a& h, const int* values, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) h.i32(values[i]);
}

class PyramidJob : public Job {
 public:
  void declare(CLI::App& app) override {
    add_number(app, "--width", width_, 1, 1 << 16, "W",
               "image width, a multiple of 2^L with W >> L >= 2");
    add_number(app, "--height", height_, 1, 1 << 16, "H", "image height, likewise");
    add_number(app, "--levels", levels_, 1, 29, "L", "pyramid levels");
    app.add_option("--input", input_,
                   "the pyramid: W x H little-endian int32 values (default: the sample pyramid)")
        ->type_name("FILE");
    app.add_option("--output", output_,
                   "write the image: W x H little-endian int32 values, row by row")
        ->type_name("FILE");
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
  }

  void load() override {
    transpose_steps_.clear();
    for (int l = 0; l < levels_; ++l)
      transpose_steps_.push_back(
          transpose_steps((width_ >> l) >> 1, (height_ >> l) >> 1).chain_steps);
    if (input_.empty()) {
      original_.resize(values());
      pyramid::sample_pyramid(original_.data(), width_, height_, levels_);
    } else {
      original_ = read_values(input_, values());
    }
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

  void finish() override {
    if (output_.empty()) return;
    const std::vector<std::uint8_t> bytes = int32_le_bytes({result_, values()});
    write_file_whole(output_, {reinterpret_cast<const char*>(bytes.data()), bytes.size()});
  }

  Json summary() const override {
    const auto [min, max] = std::minmax_element(result_, result_ + values());
    long long sum = 0;
    for (std::size_t i = 0; i < values(); ++i) sum += result_[i];
    return Json{{"width", width_}, {"height", height_}, {"levels", levels_},
                {"min", *min},     {"max", *max},       {"sum", sum}};
  }

  std::optional<std::uint64_t> digest() const override {
    Fnv1a h;
    hash_values(h, result_, values());
    hash_values(h, pyramid_, values());
    return h.value();
  }

  // Counted from the collapse's level loop: at each level (from the coarsest) it clears the
  // level's image, adds the four bands' coefficients into it (each pass reading and writing the
  // image), transposes one band in place, and copies the image back into the pyramid for the
  // next level.
  std::optional<Work> work() const override {
    double coefficients = 0, bytes = 0, chain_steps = 0;
    for (int l = levels_ - 1; l >= 0; --l) {
      coefficients += level_pixels(l);  // four bands of a quarter each
      bytes += level_bytes(l);
      chain_steps += static_cast<double>(transpose_steps_[static_cast<std::size_t>(l)]);
    }
    return Work{static_cast<double>(values()),
                "pixels",
                {{"pixels", static_cast<double>(values())},
                 {"coefficients", coefficients},
                 {"taps", static_cast<double>(pyramid::collapse_taps(width_, height_, levels_))},
                 {"transpose_chain_steps", chain_steps},
                 {"bytes", bytes}}};
  }

  // The level passes stream their bytes at best at the copy bandwidth of the cache that holds the
  // level's image and bands (from memory when none does); the band transposes come between the
  // passes, two multiplies a chain step at one multiply a cycle (as the transpose job's bound).
  std::optional<Bound> bound(const Work& w, const Ceilings& c) const override {
    double memory = 0;
    for (int l = levels_ - 1; l >= 0; --l)  // the working set: the image and the level's bands
      memory += level_bytes(l) / c.copy_at(2 * sizeof(int) * level_pixels(l));
    const double chains = w.count("transpose_chain_steps") * 2 * c.add_latency;
    return Bound{memory + chains, "bandwidth + multiplier throughput",
                 count_text(w.count("bytes")) + "B streamed, " +
                     count_text(w.count("transpose_chain_steps")) + " transpose chain steps"};
  }

 private:
  // The pixels of level l's image (l = 0 the finest).
  double level_pixels(int l) const {
    return static_cast<double>(width_ >> l) * static_cast<double>(height_ >> l);
  }
  // The bytes level l moves: the image cleared, the bands read, four passes that read and write
  // the image, and above the finest level the image copied back into the pyramid.
  double level_bytes(int l) const {
    return sizeof(int) * level_pixels(l) * (1 + 1 + 4 * 2 + (l > 0 ? 2 : 0));
  }

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
  std::vector<std::uint64_t> transpose_steps_;  // of the band transposed at each level
};

const JobRegistration kPyramid{
    {50,
     "pyramid",
     "collapse a 1024 x 1024, 4-level pyramid into its image (the sample pyramid or a file)",
     nullptr,
     &make_job<PyramidJob>,
     {{"pyramid", "pyramid: W x 512, 4 levels, for W = 32 to 32768",
       "--height 512 --over width=32..32768x4", false},
      {"pyramid", "pyramid: W x 32, 4 levels, for W = 32 to 512",
       "--height 32 --over width=32..512x4", true}}}};

}  // namespace
}  // namespace kernels::runner
