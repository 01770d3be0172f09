#include "files/interrupt_cleanup.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cstring>

namespace kernels::runner {
namespace {

// The registered paths, in fixed storage: the handler may only make calls that are safe in a
// signal handler (no allocation, no stdio), so it reads plain arrays and uses system calls.
constexpr int kSlots = 16;
constexpr std::size_t kMaxPath = 4096;
char paths[kSlots][kMaxPath];
PathKind kinds[kSlots];
std::atomic<bool> used[kSlots];

// Removes the entries of directory `path` (files; a subdirectory is left and so is the
// directory), then the directory. Reads the entries with getdents64 into a buffer on the stack:
// opendir would allocate.
void remove_directory(const char* path) {
  const int fd = ::open(path, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd >= 0) {
    alignas(8) char buffer[4096];
    for (;;) {
      const ssize_t got = ::getdents64(fd, buffer, sizeof buffer);
      if (got <= 0) break;
      for (ssize_t at = 0; at < got;) {
        const auto* entry = reinterpret_cast<const struct dirent64*>(buffer + at);
        at += entry->d_reclen;
        const char* name = entry->d_name;
        if (std::strcmp(name, ".") != 0 && std::strcmp(name, "..") != 0) ::unlinkat(fd, name, 0);
      }
    }
    ::close(fd);
  }
  ::rmdir(path);
}

extern "C" void remove_registered_and_reraise(int signal_number) {
  for (PathKind pass : {PathKind::kFile, PathKind::kDirectory}) {
    for (int i = 0; i < kSlots; ++i) {
      if (!used[i].load() || kinds[i] != pass) continue;
      if (pass == PathKind::kFile)
        ::unlink(paths[i]);
      else
        remove_directory(paths[i]);
    }
  }
  ::signal(signal_number, SIG_DFL);
  ::raise(signal_number);
}

void install_handler_once() {
  static const bool installed = [] {
    for (int s : {SIGINT, SIGTERM, SIGHUP, SIGPIPE}) {
      struct sigaction old {};
      if (::sigaction(s, nullptr, &old) == 0 && old.sa_handler == SIG_DFL) {
        struct sigaction now {};
        now.sa_handler = &remove_registered_and_reraise;
        sigemptyset(&now.sa_mask);
        ::sigaction(s, &now, nullptr);
      }
    }
    return true;
  }();
  (void)installed;
}

}  // namespace

int register_path(const std::string& path, PathKind kind) {
  install_handler_once();
  if (path.size() >= kMaxPath) return -1;
  for (int i = 0; i < kSlots; ++i) {
    if (used[i].load()) continue;
    std::memcpy(paths[i], path.c_str(), path.size() + 1);
    kinds[i] = kind;
    used[i].store(true);
    return i;
  }
  return -1;
}

void unregister_path(int slot) {
  if (slot >= 0 && slot < kSlots) used[slot].store(false);
}

}  // namespace kernels::runner
