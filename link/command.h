// The board's command header and command codes.
#pragma once

#include <array>
#include <cstdint>

namespace vandok {

// Sent before every command: four 32-bit words, little-endian on the wire.
struct CommandHeader {
  std::uint32_t command = 0;
  std::uint32_t length = 0;   // data bytes that follow (or, for a read, come back)
  std::uint32_t value = 0;    // register value; 0 for every other command
  std::uint32_t address = 0;  // DDR start, flash target or register address
};

inline constexpr std::uint32_t CMD_FLASH_IMAGE = 1;
inline constexpr std::uint32_t CMD_DDR_READ = 2;
inline constexpr std::uint32_t CMD_DDR_WRITE = 3;
inline constexpr std::uint32_t CMD_REGISTER_WRITE = 4;

inline constexpr std::uint32_t CHUNK_SIZE = 65536;
inline constexpr std::uint32_t FLASH_IMAGE_ADDRESS = 0x00600000;
inline constexpr std::uint16_t BOARD_PORT = 7777;
inline constexpr std::size_t kHeaderBytes = 16;

using HeaderBytes = std::array<std::uint8_t, kHeaderBytes>;

// Wire form, independent of the host's byte order.
constexpr HeaderBytes encode_header(const CommandHeader& h) {
  HeaderBytes out{};
  const std::uint32_t words[4] = {h.command, h.length, h.value, h.address};
  for (int w = 0; w < 4; ++w)
    for (int b = 0; b < 4; ++b) out[static_cast<std::size_t>(w * 4 + b)] = static_cast<std::uint8_t>(words[w] >> (8 * b));
  return out;
}

constexpr CommandHeader decode_header(const std::uint8_t* in) {
  std::uint32_t words[4] = {};
  for (int w = 0; w < 4; ++w)
    for (int b = 0; b < 4; ++b) words[w] |= static_cast<std::uint32_t>(in[w * 4 + b]) << (8 * b);
  return CommandHeader{words[0], words[1], words[2], words[3]};
}

}  // namespace vandok
