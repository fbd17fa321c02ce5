// SHA-256: the digest of the flash image sent (run history) and of the data the
// simulator logs.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace vandok {

class Sha256 {
 public:
  using Digest = std::array<std::uint8_t, 32>;

  Sha256();
  void update(const std::uint8_t* data, std::size_t len);
  // Pads and returns the digest; the object starts over afterwards.
  Digest finish();
  // Lower-case hex of finish().
  std::string finish_hex();

 private:
  // count whole 64-byte blocks; with the CPU's SHA instructions where it has them.
  void compress(const std::uint8_t* blocks, std::size_t count);
  void reset();

  std::array<std::uint32_t, 8> state_{};
  std::array<std::uint8_t, 64> block_{};
  std::size_t block_len_ = 0;
  std::uint64_t total_len_ = 0;
};

std::string to_hex(const std::uint8_t* data, std::size_t len);

}  // namespace vandok
