#include "cli/output.h"

#include <cerrno>
#include <ostream>
#include <sstream>
#include <streambuf>
#include <string>

#include <gtest/gtest.h>

namespace kernels::runner {
namespace {

// A stream buffer that holds 8 bytes and then fails, as a full disk does, with errno ENOSPC.
class FullDisk : public std::streambuf {
 public:
  FullDisk() { setp(buffer_, buffer_ + sizeof buffer_); }

 protected:
  int overflow(int) override { return fail(); }
  int sync() override { return pbase() == pptr() ? 0 : fail(); }

 private:
  int fail() {
    errno = ENOSPC;
    return -1;
  }
  char buffer_[8];
};

TEST(CheckOutput, ALostWriteThrowsOnceItIsFlushed) {
  std::ostringstream fine;
  fine << "report\n";
  EXPECT_NO_THROW(check_output(fine));

  FullDisk disk;
  std::ostream out(&disk);
  out << "1234";  // held in the buffer: nothing is lost yet
  EXPECT_TRUE(out.good());
  try {
    check_output(out);  // the flush fails
    ADD_FAILURE() << "a failed flush went unnoticed";
  } catch (const OutputError& e) {
    EXPECT_STREQ(e.what(), "cannot write standard output: No space left on device");
  }
  std::ostream earlier(&disk);
  earlier.setstate(std::ios::badbit);  // a write that failed before the check
  EXPECT_THROW(check_output(earlier), OutputError);
}

}  // namespace
}  // namespace kernels::runner
