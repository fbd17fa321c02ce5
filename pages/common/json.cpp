#include "pages/common/json.h"

#include "link/ansi_text.h"

#include <cmath>
#include <cstdio>

namespace vandok {

namespace {

// Length of the well-formed UTF-8 sequence at text[i], or 0.
std::size_t utf8_sequence(const std::string& text, std::size_t i) {
  const auto at = [&text](std::size_t k) { return static_cast<unsigned char>(text[k]); };
  const unsigned char lead = at(i);
  std::size_t length;
  unsigned char low = 0x80, high = 0xBF;  // bounds of the second byte
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;   // no overlong forms
    if (lead == 0xED) high = 0x9F;  // no surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;  // nothing above U+10FFFF
  } else {
    return 0;
  }
  if (i + length > text.size()) return 0;
  if (at(i + 1) < low || at(i + 1) > high) return 0;
  for (std::size_t k = 2; k < length; ++k)
    if (at(i + k) < 0x80 || at(i + k) > 0xBF) return 0;
  return length;
}

}  // namespace

std::string json_string(const std::string& value) {
  const std::string text = native_to_utf8(value);
  std::string out = "\"";
  for (std::size_t i = 0; i < text.size();) {
    const char c = text[i];
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (byte < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
      out += escaped;
    } else if (const std::size_t length = utf8_sequence(text, i); length == 0) {
      out += "\xEF\xBF\xBD";  // U+FFFD for a byte that is not UTF-8
    } else {
      out.append(text, i, length);
      i += length;
      continue;
    }
    ++i;
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
