// The simulator's record of what the host did: one human line per command on
// a text stream (stdout) and one JSON object per line in the JSON log.
#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>

#include "link/command.h"

namespace vandok::sim {

struct CommandRecord {
  CommandHeader header;
  std::uint64_t data_bytes = 0;  // data bytes that moved (image bytes for a flash image)
  std::string sha256;            // hex digest of those bytes
  std::optional<bool> padding_ok;            // flash images only
  std::optional<std::uint64_t> extra_bytes;  // DDR reads under the extra-bytes fault
  const char* status = "ok";
};

// "FLASH_IMAGE", "DDR_READ", "DDR_WRITE", "REGISTER_WRITE" or "UNKNOWN".
const char* command_name(std::uint32_t command);

class CommandLog {
 public:
  // human may be null (silent); the JSON log is off until open_json().
  explicit CommandLog(std::FILE* human);
  ~CommandLog();
  CommandLog(const CommandLog&) = delete;
  CommandLog& operator=(const CommandLog&) = delete;

  // Truncates path; false when it cannot be created.
  bool open_json(const std::string& path);

  void command(const CommandRecord& record);
  // A connection event such as "connect" or "disconnect"; detail_key/detail
  // add one string field when detail_key is non-null.
  void event(const char* name, const char* detail_key = nullptr, const std::string& detail = {});

 private:
  std::FILE* human_;
  std::FILE* json_ = nullptr;
};

}  // namespace vandok::sim
