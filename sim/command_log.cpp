#include "sim/command_log.h"

#include <cinttypes>

namespace vandok::sim {

namespace {

// JSON string body; the logged strings are plain ASCII words, but a stray
// quote or control byte must not break the line.
std::string escaped(const std::string& text) {
  std::string out;
  for (const char c : text) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (static_cast<unsigned char>(c) < 0x20) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\u%04x", static_cast<unsigned>(c));
      out += buf;
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace

const char* command_name(std::uint32_t command) {
  switch (command) {
    case CMD_FLASH_IMAGE: return "FLASH_IMAGE";
    case CMD_DDR_READ: return "DDR_READ";
    case CMD_DDR_WRITE: return "DDR_WRITE";
    case CMD_REGISTER_WRITE: return "REGISTER_WRITE";
    default: return "UNKNOWN";
  }
}

CommandLog::CommandLog(std::FILE* human) : human_(human) {}

CommandLog::~CommandLog() {
  if (json_) std::fclose(json_);
}

bool CommandLog::open_json(const std::string& path) {
  if (json_) std::fclose(json_);
  json_ = std::fopen(path.c_str(), "w");
  return json_ != nullptr;
}

void CommandLog::command(const CommandRecord& r) {
  const CommandHeader& h = r.header;
  const char* name = command_name(h.command);
  if (human_) {
    std::fprintf(human_,
                 "%s command=%" PRIu32 " address=0x%08" PRIX32 " length=%" PRIu32 " value=0x%08" PRIX32
                 " data_bytes=%" PRIu64 " sha256=%s",
                 name, h.command, h.address, h.length, h.value, r.data_bytes, r.sha256.c_str());
    if (r.padding_ok) std::fprintf(human_, " padding_ok=%s", *r.padding_ok ? "true" : "false");
    if (r.extra_bytes) std::fprintf(human_, " extra_bytes=%" PRIu64, *r.extra_bytes);
    std::fprintf(human_, " status=%s\n", r.status);
    std::fflush(human_);
  }
  if (json_) {
    std::fprintf(json_,
                 "{\"command\":%" PRIu32 ",\"name\":\"%s\",\"length\":%" PRIu32 ",\"value\":%" PRIu32
                 ",\"address\":%" PRIu32 ",\"data_bytes\":%" PRIu64 ",\"sha256\":\"%s\"",
                 h.command, name, h.length, h.value, h.address, r.data_bytes, escaped(r.sha256).c_str());
    if (r.padding_ok) std::fprintf(json_, ",\"padding_ok\":%s", *r.padding_ok ? "true" : "false");
    if (r.extra_bytes) std::fprintf(json_, ",\"extra_bytes\":%" PRIu64, *r.extra_bytes);
    std::fprintf(json_, ",\"status\":\"%s\"}\n", escaped(r.status).c_str());
    std::fflush(json_);
  }
}

void CommandLog::event(const char* name, const char* detail_key, const std::string& detail) {
  if (human_) {
    if (detail_key)
      std::fprintf(human_, "%s %s=%s\n", name, detail_key, detail.c_str());
    else
      std::fprintf(human_, "%s\n", name);
    std::fflush(human_);
  }
  if (json_) {
    if (detail_key)
      std::fprintf(json_, "{\"event\":\"%s\",\"%s\":\"%s\"}\n", name, detail_key, escaped(detail).c_str());
    else
      std::fprintf(json_, "{\"event\":\"%s\"}\n", name);
    std::fflush(json_);
  }
}

}  // namespace vandok::sim
