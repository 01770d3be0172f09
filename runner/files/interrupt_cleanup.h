// What a process ended by a signal from outside (SIGINT, SIGTERM, SIGHUP, or SIGPIPE when its
// reader has gone) must not leave behind: the temporary files being written and the scratch
// directories in use. The first registration installs a handler for those signals, where nobody
// has chosen another way to handle them; it removes every registered path, then ends the process
// as the signal would have.
#ifndef KERNELS_RUNNER_FILES_INTERRUPT_CLEANUP_H_
#define KERNELS_RUNNER_FILES_INTERRUPT_CLEANUP_H_

#include <string>

namespace kernels::runner {

// What a registered path is.
enum class PathKind {
  kFile,       // removed
  kDirectory,  // the files in it removed, then the directory (it must hold no subdirectory)
};

// Registers `path` for removal on a signal. Returns the slot to give to unregister_path, or -1
// when no slot is free or the path is too long: the path is then left to its owner alone, and
// only a signal may leave it behind. Files are removed before directories.
int register_path(const std::string& path, PathKind kind);

// Forgets the path in `slot` (its owner has removed or kept it). A slot of -1 does nothing.
void unregister_path(int slot);

}  // namespace kernels::runner

#endif  // KERNELS_RUNNER_FILES_INTERRUPT_CLEANUP_H_
