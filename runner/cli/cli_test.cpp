#include "cli/cli.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "job/job.h"

namespace kernels::runner {
namespace {

// An app with one number option --n (1 to 20, default 5) and one flag --quiet.
struct Declared {
  Declared() : app(new_app("test app", "t")) {
    add_number(*app, "--n", n, 1, 20, "N", "a number");
    app->add_flag("--quiet", quiet, "say less");
  }
  std::unique_ptr<CLI::App> app;
  int n = 5;
  bool quiet = false;
};

TEST(AddNumber, TakesWholeDecimalNumbersInRangeTheLastOfRepeats) {
  // Leading zeros are decimal, not octal.
  for (const auto& [text, want] :
       std::vector<std::pair<std::string, int>>{{"7", 7}, {"010", 10}, {"+3", 3}, {"020", 20}}) {
    Declared d;
    EXPECT_EQ(parse_or_help(*d.app, "t", {"--n", text}), "") << text;
    EXPECT_EQ(d.n, want) << text;
  }
  Declared repeated;
  parse_or_help(*repeated.app, "t", {"--n", "3", "--n", "4"});
  EXPECT_EQ(repeated.n, 4);
  for (const char* bad : {"0x9", "0", "21", "-1", "", "3.0", "1e1", "three"}) {
    Declared d;
    try {
      parse_or_help(*d.app, "t", {"--n", bad});
      ADD_FAILURE() << "accepted '" << bad << "'";
    } catch (const UsageError& e) {
      const std::string what = e.what();
      EXPECT_EQ(what.rfind("t: ", 0), 0u) << what;
      EXPECT_EQ(what.find('\n'), std::string::npos) << what;
    }
  }
}

TEST(ParseOrHelp, HelpAndOptionLinesShowMetavarRangeAndDefault) {
  Declared d;
  const std::string help = parse_or_help(*d.app, "t", {"--help"});
  EXPECT_NE(help.find("--n N"), std::string::npos) << help;
  EXPECT_NE(help.find("a number, 1 to 20 (default 5)"), std::string::npos) << help;
  EXPECT_EQ(d.n, 5) << "asking for help set an option";
  EXPECT_EQ(option_lines(*d.app, "  "),
            "  --n N           a number, 1 to 20 (default 5)\n"
            "  --quiet         say less\n");
  EXPECT_TRUE(is_flag(*d.app->get_option("--quiet")));
  EXPECT_FALSE(is_flag(*d.app->get_option("--n")));
  EXPECT_THROW(parse_or_help(*d.app, "", {"--bogus"}), UsageError);
}

}  // namespace
}  // namespace kernels::runner
