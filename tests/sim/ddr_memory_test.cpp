#include "sim/ddr_memory.h"

#include <gtest/gtest.h>

#include <vector>

namespace vandok::sim {
namespace {

TEST(SimDdrMemory, RangeCoversExactlyTheWindow) {
  EXPECT_TRUE(DdrMemory::in_range(0x10000000, 0x30000000));
  EXPECT_TRUE(DdrMemory::in_range(0x3FFFFFFF, 1));
  EXPECT_TRUE(DdrMemory::in_range(0x40000000, 0));
  EXPECT_FALSE(DdrMemory::in_range(0x0FFFFFFF, 1));
  EXPECT_FALSE(DdrMemory::in_range(0x3FFFFFFF, 2));
  EXPECT_FALSE(DdrMemory::in_range(0xFFFFFFFF, 0xFFFFFFFF));  // would wrap in 32 bits
}

TEST(SimDdrMemory, PagesExistOnlyWhereWritten) {
  DdrMemory ddr;
  std::vector<std::uint8_t> out(200000, 0xEE);
  ddr.read(0x10000000, out.data(), out.size());
  EXPECT_EQ(out, std::vector<std::uint8_t>(200000, 0));
  EXPECT_EQ(ddr.page_count(), 0u);

  // Straddles a page boundary, so two pages; the rest of each stays zero.
  const std::vector<std::uint8_t> data = {1, 2, 3, 4};
  ddr.write(0x2000FFFE, data.data(), data.size());
  EXPECT_EQ(ddr.page_count(), 2u);
  std::vector<std::uint8_t> window(8);
  ddr.read(0x2000FFFC, window.data(), window.size());
  EXPECT_EQ(window, (std::vector<std::uint8_t>{0, 0, 1, 2, 3, 4, 0, 0}));

  ddr.write(0x3FFFFFFF, data.data(), 1);
  ddr.read(0x3FFFFFFF, window.data(), 1);
  EXPECT_EQ(window[0], 1);
  EXPECT_EQ(ddr.page_count(), 3u);
}

// Preallocated pages cover the range's partial pages too, read as zero and keep
// what was written before.
TEST(SimDdrMemory, PreallocationTakesEveryPageOfTheRangeOnce) {
  DdrMemory ddr;
  const std::vector<std::uint8_t> data = {7, 8};
  ddr.write(0x20010000, data.data(), data.size());
  ddr.preallocate(0x2000FFFF, 0x10002);  // the last byte of one page to the first of the third
  EXPECT_EQ(ddr.page_count(), 3u);
  std::vector<std::uint8_t> window(4);
  ddr.read(0x2000FFFF, window.data(), window.size());
  EXPECT_EQ(window, (std::vector<std::uint8_t>{0, 7, 8, 0}));
}

}  // namespace
}  // namespace vandok::sim
