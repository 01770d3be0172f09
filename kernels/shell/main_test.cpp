// Runs the built program image and checks that it exits with status 1 and prints nothing.
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include <gtest/gtest.h>

namespace {

std::string slurp(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(KernelImage, ExitsOneSilentlyWhateverTheArguments) {
  auto dir =
      std::filesystem::temp_directory_path() / ("kernel-image-test-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  for (std::string args : {"", "a b c", "--help", "-o -p -a 1 2 3 4 5 6 7 8 9"}) {
    std::string cmd = std::string(KERNELS_TEST_EMULATOR " '") + KERNEL_IMAGE_PATH + "' " + args +
                      " >'" + (dir / "out").string() + "' 2>'" + (dir / "err").string() +
                      "' </dev/null";
    int status = std::system(cmd.c_str());
    ASSERT_TRUE(WIFEXITED(status)) << args;
    EXPECT_EQ(WEXITSTATUS(status), 1) << args;
    EXPECT_EQ(slurp(dir / "out"), "") << args;
    EXPECT_EQ(slurp(dir / "err"), "") << args;
  }
  std::filesystem::remove_all(dir);
}

}  // namespace
