#include "report/binary_hash.h"

#include <cstdlib>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "files/scratch_dir.h"

namespace kernels::runner {
namespace {

bool is_hex16(const std::string& s) {
  return s.size() == 16 && s.find_first_not_of("0123456789abcdef") == std::string::npos;
}

// objcopy ARGS IN OUT; false when it fails.
bool objcopy(const std::string& args, const std::string& in, const std::string& out) {
  return std::system(("objcopy " + args + " '" + in + "' '" + out + "'").c_str()) == 0;
}

TEST(BinaryHash, LeavesOutTheCompilerNotesAndSeesEverythingElse) {
  const std::string self = binary_hash_of("/proc/self/exe");
  if (self == "unknown (built without libelf)") GTEST_SKIP() << self;
  ASSERT_TRUE(is_hex16(self)) << self;
  EXPECT_EQ(binary_hash(), self);

  const ScratchDir dir;
  const std::string exe = dir.path("exe");
  // objcopy's own /proc/self/exe would be objcopy: name this program by its path.
  ASSERT_TRUE(objcopy("", std::filesystem::read_symlink("/proc/self/exe").string(), exe));
  EXPECT_EQ(binary_hash_of(exe), self);
  // Another compiler identification and build ID, or none at all: the same code, the same hash.
  const std::string note = dir.file("note", "a different compiler's words");
  const std::string renoted = dir.path("renoted");
  ASSERT_TRUE(
      objcopy("--remove-section .comment --remove-section '.note*' --add-section "
              ".comment=" +
                  note + " --add-section .note.other=" + note,
              exe, renoted));
  EXPECT_EQ(binary_hash_of(renoted), self);
  // Nor do the symbols and debug information.
  const std::string stripped = dir.path("stripped");
  ASSERT_TRUE(objcopy("--strip-all", exe, stripped));
  EXPECT_EQ(binary_hash_of(stripped), self);
  // A section that the program loads changes it.
  const std::string grown = dir.path("grown");
  ASSERT_TRUE(objcopy("--add-section .kernels_extra=" + note +
                          " --set-section-flags .kernels_extra=alloc,load,readonly,data",
                      exe, grown));
  EXPECT_NE(binary_hash_of(grown), self);

  EXPECT_EQ(binary_hash_of(note).rfind("unknown (", 0), 0u) << binary_hash_of(note);
  EXPECT_EQ(binary_hash_of(dir.path("missing")).rfind("unknown (cannot read ", 0), 0u);
}

}  // namespace
}  // namespace kernels::runner
