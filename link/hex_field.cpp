#include "link/hex_field.h"

namespace vandok {

namespace {
int hex_digit(unsigned char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}
}  // namespace

std::uint32_t parse_hex_field(const char* text, int max_digits, int& error) {
  std::uint32_t value = 0;
  int count = 0;
  for (const char* p = text; *p != '\0'; ++p) {
    const int digit = hex_digit(static_cast<unsigned char>(*p));
    if (digit < 0) {
      error = -1;
      return 0xFFFFFFFFu;
    }
    value = (value << 4) | static_cast<std::uint32_t>(digit);
    ++count;
  }
  if (count > max_digits) {
    error = -1;
    return 0xFFFFFFFFu;
  }
  return value;
}

}  // namespace vandok
