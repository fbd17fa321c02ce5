// The DDR patterns and the mismatch report, written out independently of the code.
#include <gtest/gtest.h>

#include <vector>

#include "pages/ddr/ddr_patterns.h"
#include "pages/ddr/ddr_test.h"

namespace vandok {
namespace {

std::uint32_t word_at(const std::vector<std::uint8_t>& b, std::size_t k) {
  return b[4 * k] | b[4 * k + 1] << 8 | b[4 * k + 2] << 16 | static_cast<std::uint32_t>(b[4 * k + 3]) << 24;
}

std::vector<std::uint8_t> filled(DdrPattern p, std::uint32_t size, std::uint32_t start, std::uint64_t seed = 0) {
  std::vector<std::uint8_t> b(size, 0x5A);
  RandomWords random(seed);
  fill_ddr_pattern(p, b.data(), size, start, random);
  return b;
}

TEST(DdrPatterns, WordsAndTail) {
  const std::uint32_t size = 4 * 70 + 3;  // past two turns of the walking bit, with a tail
  const auto walking = filled(DdrPattern::WalkingOnes, size, 0x20000000);
  const auto address = filled(DdrPattern::Address, size, 0x20000010);
  const auto increment = filled(DdrPattern::Increment, size, 0x20000000);
  std::vector<std::uint8_t> window(size);
  fill_increment_pattern(window.data(), size);
  EXPECT_EQ(increment, window);
  EXPECT_EQ(word_at(walking, 0), 1u);
  EXPECT_EQ(word_at(walking, 31), 0x80000000u);
  EXPECT_EQ(word_at(walking, 32), 1u);
  EXPECT_EQ(word_at(walking, 69), 1u << 5);
  EXPECT_EQ(address[0], 0x10);  // little-endian
  EXPECT_EQ(word_at(address, 0), 0x20000010u);
  EXPECT_EQ(word_at(address, 69), 0x20000010u + 4 * 69);
  for (const auto* b : {&walking, &address, &increment})
    for (std::uint32_t i = size - 3; i < size; ++i) EXPECT_EQ((*b)[i], 0xFF) << i;
}

TEST(DdrPatterns, RandomIsSplitMix64AndGoesOnAcrossPasses) {
  // Published SplitMix64 outputs for seed 1234567; each word is the high half.
  RandomWords reference(1234567);
  EXPECT_EQ(reference.next64(), 6457827717110365317ull);
  EXPECT_EQ(reference.next64(), 3203168211198807973ull);
  EXPECT_EQ(reference.next64(), 9817491932198370423ull);
  const auto once = filled(DdrPattern::Random, 12, 0, 1234567);
  EXPECT_EQ(word_at(once, 0), static_cast<std::uint32_t>(6457827717110365317ull >> 32));
  EXPECT_EQ(word_at(once, 2), static_cast<std::uint32_t>(9817491932198370423ull >> 32));

  RandomWords stream(42);
  std::vector<std::uint8_t> first(8), second(8);
  fill_ddr_pattern(DdrPattern::Random, first.data(), 8, 0, stream);
  fill_ddr_pattern(DdrPattern::Random, second.data(), 8, 0, stream);
  EXPECT_NE(first, second);
  EXPECT_EQ(filled(DdrPattern::Random, 16, 0, 42), [&] {
    first.insert(first.end(), second.begin(), second.end());
    return first;
  }());
}

TEST(DdrPatterns, Names) {
  DdrPattern p = DdrPattern::Increment;
  for (DdrPattern q : {DdrPattern::Increment, DdrPattern::WalkingOnes, DdrPattern::Address, DdrPattern::Random}) {
    EXPECT_TRUE(parse_ddr_pattern(ddr_pattern_name(q), p));
    EXPECT_EQ(p, q);
  }
  EXPECT_FALSE(parse_ddr_pattern("Random", p));
  EXPECT_FALSE(parse_ddr_pattern("", p));
}

TEST(DdrMismatchReport, EqualDataHasNone) {
  const auto a = filled(DdrPattern::Address, 9000, 0x20000000);
  const DdrMismatchReport r = compare_ddr_data(a.data(), a.data(), 9000, 0x20000000);
  EXPECT_EQ(r.differing_bytes, 0u);
  EXPECT_EQ(r.listed, 0u);
  EXPECT_EQ(r.failing_bits, 0u);
}

TEST(DdrMismatchReport, CountsBoundsFirstSixteenAndBitsByByteLane) {
  const std::uint32_t size = 20000, start = 0x20000003;  // spans several compare blocks, unaligned
  const auto expected = filled(DdrPattern::Increment, size, start);
  auto actual = expected;
  // Offsets 10 + 100k for k < 20, and the very last byte.
  for (std::uint32_t k = 0; k < 20; ++k) actual[10 + 100 * k] ^= 0x04;
  actual[size - 1] ^= 0x81;
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
  // start + 10 + 100k is 1 mod 4 (lane 1); the last byte's address is 0x20004E22, lane 2.
  EXPECT_EQ(r.failing_bits, (0x04u << 8) | (0x81u << 16));
}

}  // namespace
}  // namespace vandok
