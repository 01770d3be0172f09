// The model's parameters, their bounds, the observer and the shortage record.
#include <initializer_list>

#include "kernels/context_model/context_model.h"
#include "kernels/context_model/internal.h"
#include "kernels/shell/shell.h"

namespace kernels::context_model {

std::int32_t max_total_count = 16383;
std::int32_t max_order = 5;
std::int32_t preload_limit = -1;
std::int32_t tcount_init = 1;
std::int32_t tescape_init = 1;
std::int32_t tcount_incr = 2;
std::int32_t tescape_incr = 1;
float determ_factor = 3.0f;
float recent_factor = 0.1f;
std::int32_t debugLevel = 0;

Shortage shortage;

namespace internal {
const Observer* g_observer = nullptr;
}  // namespace internal

void set_observer(const Observer* observer) {
  internal::g_observer = observer;
}

namespace {

void at_least_one(std::int32_t& parameter) {
  if (parameter <= 0) parameter = 1;
}

}  // namespace

void init_arguments(int argc, char** /*argv*/, int argStart) {
  debugLevel = 0;
  std::int32_t counter = shell::wrapping_add(argStart, 1);
  // Consumes the next position if it is present (the counter is at most argc).
  auto present = [&] {
    if (counter > argc) return false;
    counter = shell::wrapping_add(counter, 1);
    return true;
  };
  if (!present()) return;
  if (max_order < -1) max_order = -1;
  for (int unused = 0; unused < 3; ++unused)
    if (!present()) return;
  for (std::int32_t* p : {&tcount_init, &tescape_init, &tcount_incr, &tescape_incr}) {
    if (!present()) return;
    at_least_one(*p);
  }
  if (!present()) return;
  if (max_total_count > 16383) {
    max_total_count = 16383;
  } else if (max_total_count <= 257) {
    max_total_count = 258;
  }
}

}  // namespace kernels::context_model
