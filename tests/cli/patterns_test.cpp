// The random pattern's sequence and the mismatch report; the other patterns are
// checked as they reach the wire (cli_test.cpp).
#include <gtest/gtest.h>

#include <vector>

#include "pages/ddr/ddr_patterns.h"

namespace vandok {
namespace {

TEST(DdrPatterns, RandomIsSplitMix64GoingOnAcrossFills) {
  // Published SplitMix64 outputs for seed 1234567; each word is the high half, little-endian.
  RandomWords reference(1234567);
  EXPECT_EQ(reference.next64(), 6457827717110365317ull);
  EXPECT_EQ(reference.next64(), 3203168211198807973ull);
  RandomWords stream(1234567);
  std::vector<std::uint8_t> first(4), second(7);
  fill_ddr_pattern(DdrPattern::Random, first.data(), 4, 0, stream);
  fill_ddr_pattern(DdrPattern::Random, second.data(), 7, 0, stream);
  EXPECT_EQ(first, (std::vector<std::uint8_t>{0x17, 0xD0, 0x9E, 0x59}));  // 6457827717110365317 >> 32
  EXPECT_EQ(second[0] | second[1] << 8 | second[2] << 16 | second[3] << 24, 3203168211198807973ll >> 32);
  EXPECT_EQ(std::vector<std::uint8_t>(second.begin() + 4, second.end()), std::vector<std::uint8_t>(3, 0xFF));
}

TEST(DdrMismatchReport, CountsBoundsFirstSixteenAndBitsByByteLane) {
  const std::uint32_t size = 20000, start = 0x20000003;  // several compare blocks, unaligned
  std::vector<std::uint8_t> expected(size);
  RandomWords random(7);
  fill_ddr_pattern(DdrPattern::Random, expected.data(), size, start, random);
  auto actual = expected;
  for (std::uint32_t k = 0; k < 20; ++k) actual[10 + 100 * k] ^= 0x04;  // addresses 1 mod 4: lane 1
  actual[size - 1] ^= 0x81;                                              // 0x20004E22: lane 2
  const DdrMismatchReport r = compare_ddr_data(expected.data(), actual.data(), size, start);
  EXPECT_EQ(r.differing_bytes, 21u);
  EXPECT_EQ(r.lowest_address, start + 10);
  EXPECT_EQ(r.highest_address, start + size - 1);
  ASSERT_EQ(r.listed, kListedMismatches);
  for (std::size_t k = 0; k < r.listed; ++k) {
    EXPECT_EQ(r.first[k].address, start + 10 + 100 * k);
    EXPECT_EQ(r.first[k].expected, expected[10 + 100 * k]);
    EXPECT_EQ(r.first[k].expected ^ r.first[k].actual, 0x04);
  }
  EXPECT_EQ(r.failing_bits, (0x04u << 8) | (0x81u << 16));
  EXPECT_EQ(compare_ddr_data(expected.data(), expected.data(), size, start).differing_bytes, 0u);
}

}  // namespace
}  // namespace vandok
