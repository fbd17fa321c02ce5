#include "pages/ddr/ddr_patterns.h"

#include <cstring>

#include "pages/ddr/ddr_test.h"

namespace vandok {

namespace {

struct PatternName {
  DdrPattern pattern;
  const char* name;
};

constexpr PatternName kPatternNames[] = {
    {DdrPattern::Increment, "increment"},
    {DdrPattern::WalkingOnes, "walking-ones"},
    {DdrPattern::Address, "address"},
    {DdrPattern::Random, "random"},
};

void put_le32(std::uint8_t* p, std::uint32_t v) {
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
  p[2] = static_cast<std::uint8_t>(v >> 16);
  p[3] = static_cast<std::uint8_t>(v >> 24);
}

template <typename WordOf>
void fill_words(std::uint8_t* buffer, std::uint32_t size, WordOf&& word_of) {
  const std::uint32_t words = size / 4;
  for (std::uint32_t k = 0; k < words; ++k) put_le32(buffer + std::size_t{k} * 4, word_of(k));
  std::memset(buffer + std::size_t{words} * 4, 0xFF, size % 4);
}

}  // namespace

bool parse_ddr_pattern(const char* name, DdrPattern& pattern) {
  for (const PatternName& p : kPatternNames) {
    if (std::strcmp(p.name, name) == 0) {
      pattern = p.pattern;
      return true;
    }
  }
  return false;
}

const char* ddr_pattern_name(DdrPattern pattern) {
  for (const PatternName& p : kPatternNames)
    if (p.pattern == pattern) return p.name;
  return "?";
}

std::uint64_t RandomWords::next64() {
  std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

void fill_ddr_pattern(DdrPattern pattern, std::uint8_t* buffer, std::uint32_t size, std::uint32_t start,
                      RandomWords& random) {
  switch (pattern) {
    case DdrPattern::Increment:
      fill_increment_pattern(buffer, size);
      return;
    case DdrPattern::WalkingOnes:
      fill_words(buffer, size, [](std::uint32_t k) { return std::uint32_t{1} << (k % 32); });
      return;
    case DdrPattern::Address:
      fill_words(buffer, size, [start](std::uint32_t k) { return start + 4 * k; });
      return;
    case DdrPattern::Random:
      fill_words(buffer, size, [&random](std::uint32_t) { return random.next32(); });
      return;
  }
}

DdrMismatchReport compare_ddr_data(const std::uint8_t* expected, const std::uint8_t* actual, std::uint32_t size,
                                   std::uint32_t start) {
  DdrMismatchReport report;
  constexpr std::uint32_t kBlock = 4096;
  for (std::uint32_t block = 0; block < size; block += kBlock) {
    const std::uint32_t n = size - block < kBlock ? size - block : kBlock;
    // Equal blocks are skipped at memcmp speed: a failing run is usually a few bytes.
    if (std::memcmp(expected + block, actual + block, n) == 0) continue;
    for (std::uint32_t i = block; i < block + n; ++i) {
      const std::uint8_t diff = static_cast<std::uint8_t>(expected[i] ^ actual[i]);
      if (diff == 0) continue;
      const std::uint32_t address = start + i;
      if (report.differing_bytes == 0) report.lowest_address = address;
      report.highest_address = address;
      ++report.differing_bytes;
      report.failing_bits |= std::uint32_t{diff} << (8 * (address % 4));
      if (report.listed < kListedMismatches) report.first[report.listed++] = {address, expected[i], actual[i]};
    }
  }
  return report;
}

}  // namespace vandok
