// Command lines: options in any place and form, and the ones refused before any board is reached.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/fields.h"
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
      {"discover", "--port", "70000"}, {"discover", "--port"}, {"discover", "--json=yes"}, {"discover", "--verbos"},
      // Number options take exactly their documented form.
      {"discover", "--port", "0x0x1"}, {"discover", "--port", " 1"}, {"discover", "--port", "+1"},
      {"discover", "--port", "1 "}, {"discover", "--port", "0x"}, {"discover", "--port", ""},
      {"ddr-test", "--start", "20000000", "--size", "10", "--pattern", "random", "--seed", "18446744073709551616"},
      {"ddr-test", "--start", "20000000", "--size", "10", "--repeat", "4294967296"},
      {"discover", "-x"}, {"discover", "--nope"}, {"-q", "-v", "discover"}, {"-q", "--progress", "discover"},
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

// Unknown options are named as unknown wherever they stand, before any value is taken.
TEST(CliOptions, WordsOfTheRefusal) {
  const std::pair<std::vector<const char*>, std::string> cases[] = {
      {{"discover", "--nope"}, "unknown option --nope"},
      {{"--nope", "discover"}, "unknown option --nope"},
      {{"-q"}, "no command given"},
      {{"-x", "discover"}, "unknown option -x"},
      {{"discover", "--port"}, "--port needs a value"},
      {{"discover", "--port", "0x0x1"}, "--port needs a port number 1-65535, not '0x0x1'"},
  };
  for (const auto& [args, expected] : cases) {
    Options o;
    std::string error;
    EXPECT_FALSE(parse(args, o, error));
    EXPECT_EQ(error, expected);
  }
  Options o;
  std::string error;
  ASSERT_TRUE(parse({"-V"}, o, error)) << error;
  EXPECT_TRUE(o.version);
  ASSERT_TRUE(parse({"-v", "discover", "--port", "0x1F90", "--progress"}, o, error)) << error;
  EXPECT_EQ(o.verbosity, Verbosity::Verbose);
  EXPECT_EQ(o.port, 8080);
  EXPECT_TRUE(o.progress);
}

// The companion's field forms and what the window's check then reads.
TEST(CliFields, CompanionFormsInTheWindowsForm) {
  const struct {
    const char* text;
    bool size_suffix;
    const char* window;
  } cases[] = {
      {"24", false, "24"}, {"0x24", false, "24"}, {"0X24", false, "24"}, {"0x", false, "0x"},
      {"0x0x1", false, "0x1"},  // refused by the window's check: 'x' is no digit
      {"1K", false, "1K"}, {"1K", true, "400"}, {"4k", true, "1000"}, {"512M", true, "20000000"},
      {"4095M", true, "FFF00000"}, {"4096M", true, "100000000"},  // nine digits: refused
      {"99999999999999999999M", true, "100000000"}, {"0x10M", true, "10M"}, {"1.5M", true, "1.5M"},
      {"M", true, "M"}, {"-1K", true, "-1K"},
  };
  for (const auto& c : cases) EXPECT_EQ(window_form(c.text, c.size_suffix), c.window) << c.text;
}

}  // namespace
}  // namespace vandok::cli
