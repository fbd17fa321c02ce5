#include "sim/ddr_memory.h"

#include <algorithm>
#include <cstring>

namespace vandok::sim {

bool DdrMemory::in_range(std::uint32_t address, std::uint64_t length) {
  return address >= kDdrBase && std::uint64_t{address} + length <= kDdrEnd;
}

void DdrMemory::write(std::uint32_t address, const std::uint8_t* data, std::size_t len) {
  while (len > 0) {
    const std::uint32_t index = address / kPageSize;
    const std::size_t offset = address % kPageSize;
    const std::size_t n = std::min(len, kPageSize - offset);
    std::unique_ptr<Page>& page = pages_[index];
    if (!page) page = std::make_unique<Page>();  // value-initialised: zeros
    std::memcpy(page->data() + offset, data, n);
    address += static_cast<std::uint32_t>(n);
    data += n;
    len -= n;
  }
}

void DdrMemory::preallocate(std::uint32_t address, std::uint64_t len) {
  if (len == 0) return;
  const std::uint64_t last = (std::uint64_t{address} + len - 1) / kPageSize;
  pages_.reserve(pages_.size() + static_cast<std::size_t>(last - address / kPageSize + 1));
  for (std::uint64_t index = address / kPageSize; index <= last; ++index) {
    std::unique_ptr<Page>& page = pages_[static_cast<std::uint32_t>(index)];
    if (!page) page = std::make_unique<Page>();  // zeroing touches every byte: the pages are in
  }
}

void DdrMemory::read(std::uint32_t address, std::uint8_t* out, std::size_t len) const {
  while (len > 0) {
    const std::uint32_t index = address / kPageSize;
    const std::size_t offset = address % kPageSize;
    const std::size_t n = std::min(len, kPageSize - offset);
    const auto it = pages_.find(index);
    if (it == pages_.end())
      std::memset(out, 0, n);
    else
      std::memcpy(out, it->second->data() + offset, n);
    address += static_cast<std::uint32_t>(n);
    out += n;
    len -= n;
  }
}

}  // namespace vandok::sim
