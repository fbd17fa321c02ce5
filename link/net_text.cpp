// Dotted-decimal IPv4 text and connection words, the same on every platform.
#include <cstdio>

#include "link/net.h"

namespace vandok::net {

bool parse_ipv4(const char* text, std::uint32_t& address) {
  std::uint32_t result = 0;
  const char* p = text;
  for (int part = 0; part < 4; ++part) {
    if (part > 0 && *p++ != '.') return false;
    if (*p < '0' || *p > '9') return false;
    std::uint32_t value = 0;
    for (int digits = 0; *p >= '0' && *p <= '9'; ++p) {
      if (++digits > 3) return false;
      value = value * 10 + static_cast<std::uint32_t>(*p - '0');
    }
    if (value > 255) return false;
    result = (result << 8) | value;
  }
  if (*p != '\0') return false;
  address = result;
  return true;
}

bool connect_ipv4(Socket s, std::uint32_t address, std::uint16_t port, int timeout_ms) {
  return connect_ipv4_result(s, address, port, timeout_ms) == ConnectResult::Connected;
}

const char* connect_result_text(ConnectResult result) {
  switch (result) {
    case ConnectResult::Connected: return "connected";
    case ConnectResult::Refused: return "refused";
    case ConnectResult::TimedOut: return "timed out";
    case ConnectResult::Unreachable: return "unreachable";
    case ConnectResult::Failed: break;
  }
  return "failed";
}

void format_ipv4(std::uint32_t address, char (&text)[16]) {
  std::snprintf(text, sizeof text, "%u.%u.%u.%u", static_cast<unsigned>((address >> 24) & 0xFF),
                static_cast<unsigned>((address >> 16) & 0xFF), static_cast<unsigned>((address >> 8) & 0xFF),
                static_cast<unsigned>(address & 0xFF));
}

}  // namespace vandok::net
