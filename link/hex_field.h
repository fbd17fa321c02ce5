// Hexadecimal text fields of the pages ("1A2b", "FFFFFFFF", "" = 0).
#pragma once

#include <cstdint>

namespace vandok {

// Longest narrow field text the pages convert, with its terminator.
inline constexpr int kFieldTextBytes = 261;
inline constexpr int kHexFieldDigits = 8;

// Parses digits 0-9, a-f, A-F only, at most max_digits of them. On a refused
// field sets error to -1 and returns 0xFFFFFFFF; otherwise leaves error as it
// was. Callers test the flag, never the value: FFFFFFFF is a valid field.
std::uint32_t parse_hex_field(const char* text, int max_digits, int& error);

}  // namespace vandok
