// Gives arbitrary bytes to the jobs that read an --input file, through a file and the runner's own
// configuration and loading, and runs each job once, observed. A file must be refused with a
// UsageError exactly when its size is one the job refuses; any other file must run, and the run
// must agree with what the job's kernel makes of those bytes:
//   arith-coder    the bits (their count and digest) of the reference coder on the same bytes,
//                  the table's total, and the byte count;
//   context-model  one symbol per byte and the end-of-input symbol, the bytes in the model's
//                  input, no table run out, and the same summary and digest on a second run;
//   pyramid        the image and pyramid of the tests' plain collapse of the same values.
// Each job is configured once per shape (the file's name never changes) and loads every input
// afresh: the configuration is the runner_cli target's business.
//
// Input: byte 0 picks the job (byte % 3: arith-coder, context-model, pyramid); 252 and 253 give
// the arithmetic coder and the context model a file one byte over their limits (the rest, then a
// hole). For the pyramid, byte 1 is its shape: levels 1 + s % 3, coarsest width 2 + s / 3 % 3 and
// height 2 + s / 9 % 3; s / 27 even: the file holds exactly the values the shape needs (the rest,
// repeated or cut); s / 27 == 4: the width is one more, which no pyramid has. The rest (at most
// 8 KiB) is the file.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "files/scratch_dir.h"
#include "job/digest.h"
#include "job/job.h"
#include "kernels/context_model/context_model.h"
#include "kernels/shell/shell.h"
#include "oracles.h"
#include "run/run_job.h"
#include "run/run_plan.h"

namespace {

namespace kr = kernels::runner;
namespace cm = kernels::context_model;

constexpr std::size_t kMaxContent = 8192;

[[noreturn]] void fail(const std::string& what) {
  std::fprintf(stderr, "job_input_fuzz: %s\n", what.c_str());
  std::abort();
}

void check(bool ok, const std::string& what) {
  if (!ok) fail(what);
}

// The scratch file, in a scratch directory of its own made on first use, kept open for writing
// and removed with the directory when the process ends.
struct Scratch {
  Scratch() : dir("job-input-fuzz"), path(dir.path("input")) {
    fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (fd < 0) fail("cannot open " + path);
  }
  ~Scratch() { close(fd); }
  Scratch(const Scratch&) = delete;
  Scratch& operator=(const Scratch&) = delete;

  kr::ScratchDir dir;
  std::string path;
  int fd = -1;
};

const Scratch& scratch() {
  static const Scratch s;
  return s;
}

// Makes the scratch file `bytes`, followed by a hole up to `size` bytes when that is larger.
void write_file(const std::vector<std::uint8_t>& bytes, std::size_t size) {
  const Scratch& s = scratch();
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n =
        pwrite(s.fd, bytes.data() + done, bytes.size() - done, static_cast<off_t>(done));
    if (n <= 0) fail("cannot write " + s.path);
    done += static_cast<std::size_t>(n);
  }
  if (ftruncate(s.fd, static_cast<off_t>(std::max(size, bytes.size()))) != 0)
    fail("cannot size " + s.path);
}

void check_arith_coder(const std::vector<std::uint8_t>& bytes, const kr::Report& r) {
  const std::vector<int> bits = kernels::fuzz_oracles::arith_coder_bits(bytes);
  kr::Fnv1a h;
  for (int b : bits) h.u8(static_cast<std::uint8_t>(b));
  check(r.summary["bytes"] == bytes.size(), "arith-coder: bytes");
  check(r.summary["total"] == bytes.size() + 1, "arith-coder: total");
  check(r.summary["bits"] == bits.size(), "arith-coder: bits " + r.summary["bits"].dump() +
                                              ", the reference " + std::to_string(bits.size()));
  check(r.calls["output_bit"] == bits.size(), "arith-coder: output_bit calls");
  check(r.digest == h.value(), "arith-coder: digest differs from the reference's bits");
}

void check_context_model(const std::vector<std::uint8_t>& bytes, kr::Job& job,
                         const kr::Report& r) {
  const std::size_t n = bytes.size();
  check(r.summary["symbols"] == n + 1, "context-model: symbols " + r.summary["symbols"].dump());
  check(r.summary["input_pos"] == n + 1, "context-model: input_pos");
  check(r.summary["ran_out"] == "none", "context-model: ran out: " + r.summary["ran_out"].dump());
  check(std::equal(bytes.begin(), bytes.end(), cm::Input), "context-model: input bytes differ");
  check(r.digest.has_value(), "context-model: no digest");
  const kr::Report again = kr::run_job("context-model", job, kr::RunSettings{0, 0, true});
  check(again.digest == r.digest && again.summary == r.summary && again.calls == r.calls,
        "context-model: a second run differs");
}

void check_pyramid(const std::vector<std::uint8_t>& bytes, int width, int height, int levels,
                   const kr::Report& r) {
  std::vector<int> values(bytes.size() / 4);
  for (std::size_t i = 0; i < values.size(); ++i) {
    std::uint32_t v = 0;
    for (int b = 0; b < 4; ++b) v |= std::uint32_t{bytes[4 * i + b]} << (8 * b);
    values[i] = static_cast<int>(v);
  }
  const auto expect = kernels::fuzz_oracles::pyramid_collapse(values, width, height, levels);
  const auto [min, max] = std::minmax_element(expect.result.begin(), expect.result.end());
  long long sum = 0;
  for (int v : expect.result) sum += v;
  check(r.summary["min"] == *min && r.summary["max"] == *max && r.summary["sum"] == sum,
        "pyramid: summary " + r.summary.dump());
  kr::Fnv1a h;
  for (int v : expect.result) h.i32(v);
  for (int v : expect.pyramid) h.i32(v);
  check(r.digest == h.value(), "pyramid: image or pyramid differs from the plain collapse");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  static const char* const kJobs[] = {"arith-coder", "context-model", "pyramid"};
  const int which = data[0] % 3;
  const std::string name = kJobs[which];
  const bool over = data[0] == 252 || data[0] == 253;  // one byte over the job's limit
  std::vector<std::string> args{"--input", scratch().path};
  std::size_t skip = 1;
  int width = 0, height = 0, levels = 0;
  bool fit = false, bad_shape = false;
  if (which == 2) {
    const int s = size > 1 ? data[1] : 0;
    skip = 2;
    levels = 1 + s % 3;
    width = (2 + s / 3 % 3) << levels;
    height = (2 + s / 9 % 3) << levels;
    fit = s / 27 % 2 == 0;
    bad_shape = s / 27 == 4;
    if (bad_shape) ++width;
    args.insert(args.end(), {"--width", std::to_string(width), "--height", std::to_string(height),
                             "--levels", std::to_string(levels)});
  }
  skip = std::min(skip, size);
  std::vector<std::uint8_t> bytes(data + skip, data + std::min(size, skip + kMaxContent));
  const std::size_t need = static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4;
  if (fit) {
    std::vector<std::uint8_t> fitted(need, 0);
    for (std::size_t i = 0; i < need && !bytes.empty(); ++i) fitted[i] = bytes[i % bytes.size()];
    bytes = std::move(fitted);
  }
  const std::size_t limit = which == 0 ? std::size_t{1} << 31 : cm::kInputSize;
  const std::size_t file_size = over ? limit + 1 : bytes.size();
  write_file(bytes, file_size);

  try {
    static std::map<int, std::unique_ptr<kr::Job>> configured;
    const int key = which * 256 + (which == 2 && size > 1 ? data[1] : 0);
    auto [at, first] = configured.try_emplace(key);
    if (first) {
      try {
        at->second = kr::configure_job(name, args, kr::Load::kNo);
      } catch (const kr::UsageError& e) {
        check(bad_shape, name + " refused its configuration: " + e.what());
      }
    }
    kr::Job* job = at->second.get();
    check((job == nullptr) == bad_shape, name + " took a shape that no pyramid has");
    if (job == nullptr) return 0;

    const bool refuse = which == 2 ? file_size != need : file_size == 0 || over;
    try {
      job->load();
    } catch (const kr::UsageError& e) {
      check(refuse, name + " refused a file it should take: " + e.what());
      return 0;
    }
    check(!refuse, name + " took a file of " + std::to_string(file_size) + " bytes");
    const kr::Report r = kr::run_job(name, *job, kr::RunSettings{0, 0, true});
    // The run arena gives back a chunk that served nothing between two resets, and run_job ends
    // with one: a record taken now keeps the pyramid's chunk for the next pyramid, which would
    // otherwise cost a fresh zeroed MiB, more than the run. (The other jobs take no records.)
    if (which == 2) kernels::shell::arena_new<char>(1);
    if (which == 0) check_arith_coder(bytes, r);
    if (which == 1) check_context_model(bytes, *job, r);
    if (which == 2) check_pyramid(bytes, width, height, levels, r);
  } catch (const std::exception& e) {
    fail(name + ": not a usage error: " + e.what());
  }
  return 0;
}
