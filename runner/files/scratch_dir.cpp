#include "files/scratch_dir.h"

#include <stdlib.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <stdexcept>

#include "files/interrupt_cleanup.h"

namespace kernels::runner {

ScratchDir::ScratchDir(const std::string& prefix) {
  std::string pattern = (std::filesystem::temp_directory_path() / (prefix + "-XXXXXX")).string();
  if (mkdtemp(pattern.data()) == nullptr)
    throw std::runtime_error("cannot make a scratch directory " + pattern + ": " +
                             std::strerror(errno));
  root_ = pattern;
  slot_ = register_path(pattern, PathKind::kDirectory);
}

ScratchDir::~ScratchDir() {
  std::error_code ignored;
  std::filesystem::remove_all(root_, ignored);
  unregister_path(slot_);
}

std::string ScratchDir::file(const std::string& name, const std::string& bytes) const {
  const std::string p = path(name);
  std::ofstream out(p, std::ios::binary | std::ios::trunc);
  out << bytes;
  out.close();
  if (!out) throw std::runtime_error("cannot write " + p);
  return p;
}

}  // namespace kernels::runner
