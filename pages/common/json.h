// A small writer of one-line JSON objects: the companion's report and the run history.
#pragma once

#include <cstdint>
#include <string>

namespace vandok {

// Members are written in the order they are added.
class JsonObject {
 public:
  JsonObject& text(const char* key, const std::string& value);
  JsonObject& number(const char* key, std::uint64_t value);
  JsonObject& real(const char* key, double value);
  JsonObject& boolean(const char* key, bool value);
  JsonObject& null(const char* key);
  // value is already JSON: a nested object or array.
  JsonObject& raw(const char* key, const std::string& value);
  // The members of other, after these.
  JsonObject& append(const JsonObject& other);
  std::string str() const { return "{" + body_ + "}"; }
  bool empty() const { return body_.empty(); }

 private:
  JsonObject& member(const char* key, const std::string& value);
  std::string body_;
};

// A JSON string of value, always valid UTF-8: value is first read as the
// platform's own text (native_to_utf8), then every byte that does not belong
// to a well-formed UTF-8 sequence is replaced by U+FFFD.
std::string json_string(const std::string& value);

// "0x" and 2 * bytes upper-case hexadecimal digits, for addresses and data.
std::string hex_text(std::uint32_t value, int bytes = 4);

}  // namespace vandok
