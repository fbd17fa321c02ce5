// DDR test patterns beyond the window's increment pattern, and the report of
// where read-back data differs from what was written.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace vandok {

enum class DdrPattern { Increment, WalkingOnes, Address, Random };

// "increment", "walking-ones", "address", "random"; false for anything else.
bool parse_ddr_pattern(const char* name, DdrPattern& pattern);
const char* ddr_pattern_name(DdrPattern pattern);

// SplitMix64: the same sequence on every platform, so that a seed repeats a run.
class RandomWords {
 public:
  explicit RandomWords(std::uint64_t seed) : state_(seed) {}
  std::uint64_t next64();
  // The high half of the next 64-bit value.
  std::uint32_t next32() { return static_cast<std::uint32_t>(next64() >> 32); }

 private:
  std::uint64_t state_;
};

// Fills size bytes as 32-bit little-endian words, word k at byte 4k:
//   Increment    k (fill_increment_pattern, as the window writes it)
//   WalkingOnes  1 << (k % 32)
//   Address      start + 4k, the word's own DDR address
//   Random       the next word of random
// The last size % 4 bytes are 0xFF for every pattern, as in the window's.
// random is advanced only by Random, so that repeated passes get fresh data.
void fill_ddr_pattern(DdrPattern pattern, std::uint8_t* buffer, std::uint32_t size, std::uint32_t start,
                      RandomWords& random);

inline constexpr std::size_t kListedMismatches = 16;

struct ByteMismatch {
  std::uint32_t address = 0;
  std::uint8_t expected = 0;
  std::uint8_t actual = 0;
};

struct DdrMismatchReport {
  std::uint64_t differing_bytes = 0;
  std::uint32_t lowest_address = 0;
  std::uint32_t highest_address = 0;
  std::array<ByteMismatch, kListedMismatches> first{};  // in address order
  std::size_t listed = 0;
  // Failing bits of the 32-bit data word: each differing byte's XOR is ORed in
  // at lane (address % 4), so bit 8 * (address % 4) + b is data bit b of that
  // byte lane, whatever the alignment of the start.
  std::uint32_t failing_bits = 0;
};

// Compares what was written with what came back, byte by byte; start is the
// DDR address of the first byte. differing_bytes is 0 when they are equal.
DdrMismatchReport compare_ddr_data(const std::uint8_t* expected, const std::uint8_t* actual, std::uint32_t size,
                                   std::uint32_t start);

}  // namespace vandok
