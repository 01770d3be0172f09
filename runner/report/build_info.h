// What this build of the runner is: the library's version, the compiler, the build type, flags.
#ifndef KERNELS_RUNNER_REPORT_BUILD_INFO_H_
#define KERNELS_RUNNER_REPORT_BUILD_INFO_H_

namespace kernels::runner {

struct BuildInfo {
  const char* version;     // the library's version, e.g. "0.1.0"
  const char* compiler;    // name and version, e.g. "gcc 12.2.0"
  const char* build_type;  // e.g. "RelWithDebInfo"
  const char* flags;       // the compile flags every kernel is built with
};

// The build's description, fixed when the runner was configured and compiled.
const BuildInfo& build_info();

}  // namespace kernels::runner

#endif  // KERNELS_RUNNER_REPORT_BUILD_INFO_H_
