#include "link/hex_field.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct HexCase {
  const char* text;
  bool ok;
  std::uint32_t value;
};

TEST(HexField, AcceptsAndRefusesAsTheFieldRuleSays) {
  const HexCase cases[] = {
      {"", true, 0},
      {"0", true, 0},
      {"1A2b", true, 0x1A2B},
      {"FFFFFFFF", true, 0xFFFFFFFF},
      {"ffffffff", true, 0xFFFFFFFF},
      {"00000001", true, 1},
      {"000000001", false, 0},
      {"123456789", false, 0},
      {"0x10", false, 0},
      {" 10", false, 0},
      {"10 ", false, 0},
      {"1 0", false, 0},
      {"-1", false, 0},
      {"+1", false, 0},
      {"g", false, 0},
      {"\xC3\xA9", false, 0},
      {"1\x80", false, 0},
  };
  for (const HexCase& c : cases) {
    int error = 0;
    const std::uint32_t v = vandok::parse_hex_field(c.text, 8, error);
    EXPECT_EQ(error == 0, c.ok) << '"' << c.text << '"';
    if (c.ok) {
      EXPECT_EQ(v, c.value) << c.text;
    }
  }
}

TEST(HexField, LeavesTheFlagAloneOnSuccessAndRefusesLongTexts) {
  int error = 7;
  EXPECT_EQ(vandok::parse_hex_field("10", 8, error), 0x10u);
  EXPECT_EQ(error, 7);
  const std::string long_text(300, '0');
  error = 0;
  vandok::parse_hex_field(long_text.c_str(), 8, error);
  EXPECT_EQ(error, -1);
}

}  // namespace
