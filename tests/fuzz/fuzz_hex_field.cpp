// Hex field parsing against an independent reading of the field rule.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "link/hex_field.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const std::string field = text.substr(0, text.find('\0'));  // what the parser sees
  int error = 0;
  const std::uint32_t value = vandok::parse_hex_field(field.c_str(), 8, error);

  const bool all_hex = field.find_first_not_of("0123456789abcdefABCDEF") == std::string::npos;
  const bool valid = all_hex && field.size() <= 8;
  if (valid != (error == 0)) std::abort();
  if (valid && value != (field.empty() ? 0u : static_cast<std::uint32_t>(std::strtoul(field.c_str(), nullptr, 16))))
    std::abort();
  if (!valid && value != 0xFFFFFFFFu) std::abort();
  return 0;
}
