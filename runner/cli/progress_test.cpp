#include "cli/progress.h"

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <string>

#include <gtest/gtest.h>

namespace kernels::runner {
namespace {

// Standard error redirected to a pseudo-terminal for as long as the object lives, and what the
// terminal received.
class TerminalStderr {
 public:
  TerminalStderr() {
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0) return;
    const int terminal = ::open(::ptsname(master_), O_RDWR | O_NOCTTY);
    if (terminal < 0) return;
    std::fflush(stderr);
    saved_ = ::dup(STDERR_FILENO);
    ::dup2(terminal, STDERR_FILENO);
    ::close(terminal);
  }
  ~TerminalStderr() {
    if (saved_ >= 0) {
      std::fflush(stderr);
      ::dup2(saved_, STDERR_FILENO);
      ::close(saved_);
    }
    if (master_ >= 0) ::close(master_);
  }
  bool ok() const { return saved_ >= 0; }

  // Reads what arrives until `text` has, or 20 seconds have passed; returns all that was read.
  std::string read_until(const std::string& text) {
    const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (received_.find(text) == std::string::npos &&
           std::chrono::steady_clock::now() < give_up) {
      pollfd p{master_, POLLIN, 0};
      if (::poll(&p, 1, 100) <= 0) continue;
      char buffer[256];
      const ssize_t got = ::read(master_, buffer, sizeof buffer);
      if (got > 0) received_.append(buffer, static_cast<std::size_t>(got));
    }
    return received_;
  }

  // Reads what was written and is still waiting (the writer has finished); returns all read.
  std::string drain() {
    for (;;) {
      pollfd p{master_, POLLIN, 0};
      if (::poll(&p, 1, 100) <= 0) return received_;
      char buffer[256];
      const ssize_t got = ::read(master_, buffer, sizeof buffer);
      if (got <= 0) return received_;
      received_.append(buffer, static_cast<std::size_t>(got));
    }
  }

 private:
  int master_ = -1;
  int saved_ = -1;
  std::string received_;
};

TEST(Progress, OnATerminalALongRunIsShownAndErasedWhenTheJobEnds) {
  TerminalStderr terminal;
  if (!terminal.ok()) GTEST_SKIP() << "no pseudo-terminal";
  {
    Progress progress(2);
    progress.job(2, "bisort");
    progress.run("timed", 3, 5);
    // The line appears once the run has lasted a second; no limit on when.
    const std::string shown = terminal.read_until("(timed)");
    EXPECT_NE(shown.find("\r\033[K[2/2] bisort: run 3 of 5 (timed), "), std::string::npos) << shown;
    progress.end_job();
  }
  const std::string all = terminal.drain();
  ASSERT_GE(all.size(), 4u);
  EXPECT_EQ(all.substr(all.size() - 4), "\r\033[K") << "the line was not erased at the job's end";
}

TEST(Progress, NotATerminalNothingIsWritten) {
  // The test's stderr may be a terminal when run by hand: make it a pipe.
  int fds[2];
  ASSERT_EQ(::pipe(fds), 0);
  std::fflush(stderr);
  const int saved = ::dup(STDERR_FILENO);
  ::dup2(fds[1], STDERR_FILENO);
  {
    Progress progress(1);
    progress.job(1, "matrix");
    progress.run("timed", 1, 1);
    progress.end_job();
  }
  std::fflush(stderr);
  ::dup2(saved, STDERR_FILENO);
  ::close(saved);
  ::close(fds[1]);
  char c;
  EXPECT_EQ(::read(fds[0], &c, 1), 0) << "progress wrote to a pipe";
  ::close(fds[0]);
}

}  // namespace
}  // namespace kernels::runner
