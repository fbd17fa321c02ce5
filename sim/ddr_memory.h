// The board's DDR window, stored sparsely: only 64 KiB pages that were written
// exist; every other byte reads as 0x00.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <unordered_map>

namespace vandok::sim {

inline constexpr std::uint32_t kDdrBase = 0x10000000;
inline constexpr std::uint64_t kDdrEnd = 0x40000000;  // one past the last byte

class DdrMemory {
 public:
  static constexpr std::size_t kPageSize = 65536;

  // True when [address, address + length) lies inside the DDR window.
  static bool in_range(std::uint32_t address, std::uint64_t length);

  // Both require in_range(address, len).
  void write(std::uint32_t address, const std::uint8_t* data, std::size_t len);
  void read(std::uint32_t address, std::uint8_t* out, std::size_t len) const;

  // Takes (and zeroes) every page of the range up front; requires in_range(address, len).
  void preallocate(std::uint32_t address, std::uint64_t len);

  std::size_t page_count() const { return pages_.size(); }

 private:
  using Page = std::array<std::uint8_t, kPageSize>;
  std::unordered_map<std::uint32_t, std::unique_ptr<Page>> pages_;
};

}  // namespace vandok::sim
