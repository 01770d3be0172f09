#include "count/counted_run.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <stdexcept>

#include "files/files.h"
#include "files/scratch_dir.h"

#if defined(__SANITIZE_ADDRESS__)
#define KERNELS_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KERNELS_ADDRESS_SANITIZER 1
#endif
#endif

#if __has_include(<valgrind/callgrind.h>)
#include <valgrind/callgrind.h>
#define KERNELS_HAVE_CALLGRIND 1
#else
#define KERNELS_HAVE_CALLGRIND 0
#endif

namespace kernels::runner {
namespace {

// The path of `program` on PATH, or empty.
std::string find_on_path(const std::string& program) {
  const char* path = std::getenv("PATH");
  if (path == nullptr) return {};
  std::string_view rest = path;
  while (true) {
    const std::size_t colon = rest.find(':');
    std::string dir(rest.substr(0, colon));
    if (dir.empty()) dir = ".";
    const std::string candidate = dir + "/" + program;
    if (::access(candidate.c_str(), X_OK) == 0 && !std::filesystem::is_directory(candidate))
      return candidate;
    if (colon == std::string_view::npos) return {};
    rest.remove_prefix(colon + 1);
  }
}

std::string level_option(const char* name, const CacheLevel& c) {
  return std::string("--") + name + "=" + std::to_string(c.bytes) + "," + std::to_string(c.ways) +
         "," + std::to_string(c.line);
}

// The last non-empty line of `text`, for a one-line message.
std::string last_line(const std::string& text) {
  std::size_t end = text.find_last_not_of("\n ");
  if (end == std::string::npos) return {};
  const std::size_t start = text.rfind('\n', end);
  return text.substr(start == std::string::npos ? 0 : start + 1,
                     end + 1 - (start == std::string::npos ? 0 : start + 1));
}

// The text of `path`, or empty when it cannot be read.
std::string read_or_empty(const std::string& path) {
  try {
    return read_file("", path, std::size_t{64} << 20);
  } catch (const std::exception&) {
    return {};
  }
}

}  // namespace

bool counting_built_in() {
  return KERNELS_HAVE_CALLGRIND != 0;
}

bool built_with_address_sanitizer() {
#ifdef KERNELS_ADDRESS_SANITIZER
  return true;
#else
  return false;
#endif
}

void check_counting_available() {
  if (!counting_built_in())
    throw std::runtime_error(
        "--count is unavailable: this runner was built without <valgrind/callgrind.h> (Debian "
        "package valgrind; install it and configure again)");
  if (find_on_path("valgrind").empty())
    throw std::runtime_error(
        "--count needs Valgrind, and there is no 'valgrind' on PATH (Debian package valgrind)");
  if (built_with_address_sanitizer())
    throw std::runtime_error(
        "--count is unavailable in a build with AddressSanitizer, which Valgrind cannot run");
}

Counts count_job(const std::string& name, const std::vector<std::string>& tokens) {
  check_counting_available();
  std::error_code error;
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error) throw std::runtime_error("--count: cannot find this program: " + error.message());
  std::vector<std::string> command{self.string(), "run", "--counted-run", name};
  command.insert(command.end(), tokens.begin(), tokens.end());
  return count_command(command, name);
}

Counts count_command(const std::vector<std::string>& command, const std::string& name,
                     const std::vector<std::string>& environment) {
  const std::string valgrind = find_on_path("valgrind");
  if (valgrind.empty())
    throw std::runtime_error(
        "--count needs Valgrind, and there is no 'valgrind' on PATH (Debian package valgrind)");
  const ScratchDir scratch("kernels-count");
  const std::string out_file = scratch.path("callgrind.out");
  const std::string log_file = scratch.path("valgrind.log");
  const std::string stdout_file = scratch.path("stdout");
  const std::string stderr_file = scratch.path("stderr");
  std::vector<std::string> args{
      "valgrind", "--tool=callgrind",
      // Nothing is simulated until the child's counted run starts its prepare(), so that loading
      // the inputs costs Valgrind's light mode only, and nothing is counted outside run().
      "--instr-atstart=no", "--collect-atstart=no", "--cache-sim=yes", "--branch-sim=yes",
      level_option("I1", kCountedI1), level_option("D1", kCountedD1),
      level_option("LL", kCountedLL), "--callgrind-out-file=" + out_file, "--log-file=" + log_file};
  args.insert(args.end(), command.begin(), command.end());
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  // A fixed environment: the environment sits on the child's stack, and a longer or shorter one
  // moves every stack address, and with them a few simulated cache misses.
  std::vector<std::string> env{"LC_ALL=C"};
  env.insert(env.end(), environment.begin(), environment.end());
  std::vector<char*> envp;
  for (std::string& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, stdout_file.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, stderr_file.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0600);
  pid_t pid = 0;
  const int spawned =
      posix_spawn(&pid, valgrind.c_str(), &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0)
    throw std::runtime_error("--count: cannot start valgrind: " +
                             std::string(std::strerror(spawned)));
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0)
    if (errno != EINTR) throw std::runtime_error("--count: waiting for valgrind failed");
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::string why = last_line(read_or_empty(stderr_file));
    if (why.empty()) why = last_line(read_or_empty(log_file));
    const std::string how = WIFEXITED(status) ? "exit status " + std::to_string(WEXITSTATUS(status))
                                              : "signal " + std::to_string(WTERMSIG(status));
    throw std::runtime_error("--count: the counted run of " + name + " under valgrind failed (" +
                             how + ")" + (why.empty() ? "" : ": " + why));
  }
  const std::string text = read_or_empty(out_file);
  if (text.empty())
    throw std::runtime_error("--count: valgrind wrote no counts for " + name +
                             " (log: " + last_line(read_or_empty(log_file)) + ")");
  try {
    return parse_callgrind_output(text);
  } catch (const std::exception& e) {
    throw std::runtime_error("--count: " + name + ": " + e.what());
  }
}

void counted_simulation(bool on) {
#if KERNELS_HAVE_CALLGRIND
  if (on)
    CALLGRIND_START_INSTRUMENTATION;
  else
    CALLGRIND_STOP_INSTRUMENTATION;
#else
  (void)on;
#endif
}

void counted_collect_toggle() {
#if KERNELS_HAVE_CALLGRIND
  CALLGRIND_TOGGLE_COLLECT;
#endif
}

}  // namespace kernels::runner
