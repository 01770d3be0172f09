#include "cli/output.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <stdexcept>
#include <string>

namespace kernels::runner {
namespace {

std::string reason(int error) {
  return "cannot write standard output: " +
         std::string(error != 0 ? std::strerror(error) : "write error");
}

}  // namespace

void check_output(std::ostream& out) {
  errno = 0;
  out.flush();
  // std::cout hands its bytes to stdout, which may still hold them.
  if (&out == &std::cout && std::fflush(stdout) != 0) out.setstate(std::ios::badbit);
  if (!out) throw OutputError(reason(errno));
}

std::string close_standard_output() {
  errno = 0;
  std::cout.flush();
  const bool stream_failed = !std::cout;
  int error = errno;
  const bool flush_failed = std::fflush(stdout) != 0;
  if (flush_failed) error = errno;
  const bool had_error = std::ferror(stdout) != 0;
  const bool close_failed = std::fclose(stdout) != 0;
  if (close_failed) error = errno;
  if (stream_failed || flush_failed || had_error || close_failed) return reason(error);
  return "";
}

}  // namespace kernels::runner
