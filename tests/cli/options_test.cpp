// Command lines: options in any place and form, and the ones refused before any board is reached.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/options.h"

namespace vandok::cli {
namespace {

bool parse(std::vector<const char*> args, Options& o, std::string& error) {
  args.insert(args.begin(), "vandok-cli");
  return parse_options(static_cast<int>(args.size()), args.data(), o, error);
}

TEST(CliOptions, AnyPlaceEitherForm) {
  Options o;
  std::string error;
  ASSERT_TRUE(parse({"--size=1000", "ddr-test", "--board", "192.168.1.4", "--start", "20000000", "--pattern",
                     "random", "--seed=0x2A", "--repeat", "3", "--port=7000"}, o, error)) << error;
  EXPECT_EQ(o.command, Command::DdrTest);
  EXPECT_EQ(o.board, "192.168.1.4");
  EXPECT_EQ(o.port, 7000);
  EXPECT_EQ(o.size, "1000");  // field texts are checked later, as the page checks them
  EXPECT_EQ(o.seed, 42u);
  EXPECT_EQ(o.repeat, 3u);
}

TEST(CliOptions, Refused) {
  const std::vector<std::vector<const char*>> refused = {
      {}, {"launch"}, {"discover", "extra"}, {"regwrite", "24"}, {"reconfig"},
      {"ddr-test", "--start", "20000000"},
      {"ddr-test", "--start", "20000000", "--size", "10", "--pattern", "zeros"},
      {"ddr-test", "--start", "20000000", "--size", "10", "--seed", "5"},  // seed without random
      {"ddr-test", "--start", "20000000", "--size", "10", "--repeat", "0"},
      {"ddr-test", "--start", "20000000", "--size", "10", "--pattern", "random", "--seed", "-1"},
      {"regwrite", "24", "5A", "--size", "10"}, {"discover", "--board", "board.local"},
      {"discover", "--port", "70000"}, {"discover", "--port"}, {"discover", "--json=yes"}, {"discover", "--verbose"},
  };
  for (const auto& args : refused) {
    Options o;
    std::string error;
    std::string line;
    for (const char* a : args) line += std::string(a) + " ";
    EXPECT_FALSE(parse(args, o, error)) << line;
    EXPECT_FALSE(error.empty()) << line;
  }
}

}  // namespace
}  // namespace vandok::cli
