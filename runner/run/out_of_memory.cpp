#include "run/out_of_memory.h"

#include <sys/resource.h>

#include "job/allocation_failure.h"
#include "kernels/shell/arena.h"

namespace kernels::runner {
namespace {

[[noreturn]] void throw_allocation_failure(std::size_t bytes) {
  throw AllocationFailure(bytes);
}

// The soft limit of `resource` in bytes, or 0 when there is none.
rlim_t limit_of(int resource) {
  struct rlimit r {};
  if (::getrlimit(resource, &r) != 0 || r.rlim_cur == RLIM_INFINITY) return 0;
  return r.rlim_cur;
}

}  // namespace

void throw_on_arena_failure() {
  shell::set_arena_failure_handler(&throw_allocation_failure);
}

std::string out_of_memory_message(std::string_view job, const std::bad_alloc& failure) {
  std::string line = job.empty() ? "out of memory" : std::string(job) + ": out of memory";
  const auto* known = dynamic_cast<const AllocationFailure*>(&failure);
  const char* sep = ": ";
  if (known != nullptr && known->bytes != 0) {
    line += sep + std::to_string(known->bytes) + " bytes asked for";
    sep = ", ";
  }
  if (const rlim_t as = limit_of(RLIMIT_AS); as != 0)
    line += sep + std::string("the address space is limited to ") + std::to_string(as) + " bytes";
  else if (const rlim_t data = limit_of(RLIMIT_DATA); data != 0)
    line += sep + std::string("the data segment is limited to ") + std::to_string(data) + " bytes";
  return line;
}

}  // namespace kernels::runner
