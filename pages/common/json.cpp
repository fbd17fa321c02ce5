#include "pages/common/json.h"

#include <cmath>
#include <cstdio>

namespace vandok {

std::string json_string(const std::string& value) {
  std::string out = "\"";
  for (const char c : value) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (byte < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
      out += escaped;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

std::string hex_text(std::uint32_t value, int bytes) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%0*X", 2 * bytes, static_cast<unsigned>(value));
  return text;
}

JsonObject& JsonObject::member(const char* key, const std::string& value) {
  if (!body_.empty()) body_ += ',';
  body_ += json_string(key) + ':' + value;
  return *this;
}

JsonObject& JsonObject::text(const char* key, const std::string& value) { return member(key, json_string(value)); }

JsonObject& JsonObject::number(const char* key, std::uint64_t value) { return member(key, std::to_string(value)); }

JsonObject& JsonObject::real(const char* key, double value) {
  if (!std::isfinite(value)) return null(key);
  char text[32];
  std::snprintf(text, sizeof text, "%.6g", value);
  return member(key, text);
}

JsonObject& JsonObject::boolean(const char* key, bool value) { return member(key, value ? "true" : "false"); }

JsonObject& JsonObject::null(const char* key) { return member(key, "null"); }

JsonObject& JsonObject::raw(const char* key, const std::string& value) { return member(key, value); }

JsonObject& JsonObject::append(const JsonObject& other) {
  if (other.body_.empty()) return *this;
  if (!body_.empty()) body_ += ',';
  body_ += other.body_;
  return *this;
}

}  // namespace vandok
