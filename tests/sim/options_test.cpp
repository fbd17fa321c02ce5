#include "sim/options.h"

#include <gtest/gtest.h>

#include <vector>

namespace vandok::sim {
namespace {

ParseResult parse(std::vector<const char*> args, Options& o, std::string& error) {
  args.insert(args.begin(), "vandok-board-sim");
  return parse_options(static_cast<int>(args.size()), args.data(), o, error);
}

TEST(SimOptions, EveryFlagInBothForms) {
  Options o;
  std::string error;
  ASSERT_EQ(parse({"--listen", "127.0.0.2", "--port=0", "--json-log", "l.jsonl", "--flash-out=f.bin", "--port-file",
                   "p", "--no-digest", "--corrupt-read", "--close-mid-read", "--silent-read", "--close-on-accept",
                   "--extra-read-bytes", "9", "--stall-after=0", "--throttle", "12500000", "--max-connections", "3", "--preallocate-ddr=0x20000000:4096"},
                  o, error),
            ParseResult::Run)
      << error;
  EXPECT_EQ(o.listen_address, "127.0.0.2");
  EXPECT_EQ(o.port, 0);
  EXPECT_EQ(o.json_log, "l.jsonl");
  EXPECT_EQ(o.flash_out, "f.bin");
  EXPECT_EQ(o.port_file, "p");
  EXPECT_TRUE(o.faults.corrupt_read && o.faults.close_mid_read && o.faults.silent_read && o.close_on_accept);
  EXPECT_FALSE(o.digest);
  EXPECT_EQ(o.faults.extra_read_bytes, 9u);
  EXPECT_EQ(o.shape.stall_after, 0u);
  EXPECT_EQ(o.shape.throttle, 12500000u);
  EXPECT_EQ(o.max_connections, 3u);
  EXPECT_EQ(o.preallocate_start, 0x20000000u);
  EXPECT_EQ(o.preallocate_size, 4096u);

  Options defaults;
  EXPECT_EQ(parse({}, defaults, error), ParseResult::Run);
  EXPECT_EQ(defaults.listen_address, "127.0.0.1");
  EXPECT_EQ(defaults.port, 7777);
  EXPECT_FALSE(defaults.shape.stall_after.has_value());
  EXPECT_TRUE(defaults.digest);
  EXPECT_EQ(parse({"--port", "1", "--help"}, defaults, error), ParseResult::Help);
}

TEST(SimOptions, RejectsBadValues) {
  const std::vector<std::vector<const char*>> bad = {
      {"--bogus"},          {"--port"},           {"--port", "65536"},       {"--port", "12x"},
      {"--port", "-1"},     {"--throttle", "0"},  {"--listen", "localhost"}, {"--corrupt-read=1"},
      {"--json-log", ""},   {"--stall-after", ""},
      {"--preallocate-ddr", "0x20000000"}, {"--preallocate-ddr", "0x20000000:0"},
      {"--preallocate-ddr", "0x0:16"},     {"--preallocate-ddr", "0x3FFFFFFF:2"},
      {"--preallocate-ddr", "0x2000000g:16"}};
  for (const auto& args : bad) {
    Options o;
    std::string error;
    EXPECT_EQ(parse(args, o, error), ParseResult::Error) << args[0];
    EXPECT_FALSE(error.empty());
  }
}

}  // namespace
}  // namespace vandok::sim
