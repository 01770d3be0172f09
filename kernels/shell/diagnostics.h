// The diagnostics sink, and the observers of fixed-form operations.
//
// Every operation whose form is fixed (it takes its arguments and does nothing or returns a
// constant) notifies an optional observer: a plain record of function pointers, one per
// operation, plus a context pointer handed back on every call. Each subsystem declares its own
// `Observer` record and `set_observer`. With no observer installed (the default) the cost is one
// predictable branch. Observing never changes what the system does. Null members are skipped.
#ifndef KERNELS_SHELL_DIAGNOSTICS_H_
#define KERNELS_SHELL_DIAGNOSTICS_H_

#include <cstdarg>

namespace kernels::shell {

// The diagnostics sink: accepts a printf-style format and its arguments and does nothing with
// them, except notify the observer when one is installed.
void chatting(const char* format, ...);

struct Observer {
  void* context = nullptr;
  // Called by chatting with its format and the rest of its arguments.
  void (*chatting)(void* context, const char* format, std::va_list args) = nullptr;
};

// Installs `observer` (it must outlive its installation); null removes it.
void set_observer(const Observer* observer);

}  // namespace kernels::shell

#endif  // KERNELS_SHELL_DIAGNOSTICS_H_
