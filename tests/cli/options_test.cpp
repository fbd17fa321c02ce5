// Command-line parsing, the progress line and JSON text: the parts that need no board.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/json.h"
#include "cli/options.h"
#include "cli/progress.h"

namespace vandok::cli {
namespace {

bool parse(std::vector<const char*> args, Options& o, std::string& error) {
  args.insert(args.begin(), "vandok-cli");
  o = Options{};
  return parse_options(static_cast<int>(args.size()), args.data(), o, error);
}

TEST(CliOptions, OptionsGoAnywhereInEitherForm) {
  Options o;
  std::string error;
  ASSERT_TRUE(parse({"--json", "ddr-test", "--size=1000", "--board", "192.168.1.4", "--start", "20000000",
                     "--pattern", "random", "--seed=0x2A", "--repeat", "3", "--port=7000"},
                    o, error))
      << error;
  EXPECT_EQ(o.command, Command::DdrTest);
  EXPECT_TRUE(o.json);
  EXPECT_EQ(o.board, "192.168.1.4");
  EXPECT_EQ(o.port, 7000);
  EXPECT_EQ(o.start, "20000000");  // field texts are checked later, as the page checks them
  EXPECT_EQ(o.size, "1000");
  EXPECT_EQ(o.pattern, DdrPattern::Random);
  EXPECT_TRUE(o.has_seed);
  EXPECT_EQ(o.seed, 42u);
  EXPECT_EQ(o.repeat, 3u);

  ASSERT_TRUE(parse({"regwrite", "24", "--board=10.0.0.1", "5A"}, o, error)) << error;
  EXPECT_EQ(o.register_address, "24");
  EXPECT_EQ(o.register_value, "5A");
  ASSERT_TRUE(parse({"reconfig", "image.rpd"}, o, error));
  EXPECT_EQ(o.image_path, "image.rpd");
  EXPECT_EQ(o.port, 7777);
  ASSERT_TRUE(parse({"-h"}, o, error));
  EXPECT_TRUE(o.help);
}

TEST(CliOptions, RefusedCommandLines) {
  const std::vector<std::vector<const char*>> refused = {
      {},
      {"launch"},
      {"discover", "extra"},
      {"regwrite", "24"},
      {"reconfig"},
      {"ddr-test", "--start", "20000000"},
      {"ddr-test", "--start", "20000000", "--size", "10", "--pattern", "zeros"},
      {"ddr-test", "--start", "20000000", "--size", "10", "--seed", "5"},  // seed without random
      {"ddr-test", "--start", "20000000", "--size", "10", "--repeat", "0"},
      {"ddr-test", "--start", "20000000", "--size", "10", "--pattern", "random", "--seed", "-1"},
      {"regwrite", "24", "5A", "--size", "10"},
      {"discover", "--board", "board.local"},
      {"discover", "--port", "70000"},
      {"discover", "--port"},
      {"discover", "--json=yes"},
      {"discover", "--verbose"},
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

TEST(CliProgress, LineShowsShareRateAndProjectedTotal) {
  // Half of 4 MiB in 2 s: 1 MiB/s, about 4 s in all.
  const std::string half = progress_line("read  1/1", 2 << 20, 4 << 20, 2.0);
  EXPECT_NE(half.find("[############............]"), std::string::npos) << half;
  EXPECT_NE(half.find(" 50%"), std::string::npos) << half;
  EXPECT_NE(half.find("1.0 MiB/s"), std::string::npos) << half;
  EXPECT_NE(half.find("00:02 / ~00:04"), std::string::npos) << half;
  EXPECT_NE(progress_line("write", 0, 100, 0.5).find("~--:--"), std::string::npos);
  EXPECT_EQ(format_duration(3 * 3600 + 61), "3:01:01");
}

TEST(CliJson, TextIsEscaped) {
  EXPECT_EQ(json_string("a\"b\\c\n"), "\"a\\\"b\\\\c\\u000a\"");
  JsonObject o;
  o.text("k", "v").number("n", 7).null("z").boolean("b", false).raw("a", "[1]");
  EXPECT_EQ(o.str(), R"({"k":"v","n":7,"z":null,"b":false,"a":[1]})");
  EXPECT_EQ(hex_text(0xAB, 1), "0xAB");
  EXPECT_EQ(hex_text(0x24), "0x00000024");
}

}  // namespace
}  // namespace vandok::cli
