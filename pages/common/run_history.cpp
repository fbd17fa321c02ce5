#include "pages/common/run_history.h"

#include <chrono>
#include <cstdio>
#include <fstream>
#include <system_error>

#include "link/command.h"
#include "link/net.h"
#include "pages/common/message_text.h"

#ifndef VANDOK_VERSION
#define VANDOK_VERSION "0"
#endif

namespace vandok {

const char* result_name(RunKind kind) {
  switch (kind) {
    case RunKind::Pass: return "pass";
    case RunKind::Fail: return "fail";
    case RunKind::LinkError: return "link_error";
    case RunKind::BadInput: return "bad_input";
    case RunKind::Cancelled: return "cancelled";
  }
  return "link_error";
}

RunKind kind_of(const DiscoveryResult& result) {
  switch (result.outcome) {
    case DiscoveryOutcome::Found: return RunKind::Pass;
    case DiscoveryOutcome::Cancelled: return RunKind::Cancelled;
    default: return RunKind::LinkError;
  }
}

RunKind register_kind(Message failed) { return failed == Message::None ? RunKind::Pass : RunKind::LinkError; }

RunRecord window_record(std::uint32_t board, const char* command, RunKind kind, Message message) {
  RunRecord record;
  record.tool = "window";
  if (board != 0) {
    char text[16];
    net::format_ipv4(board, text);
    record.board = text;
  }
  record.port = BOARD_PORT;
  record.command = command;
  record.kind = kind;
  record.message = message_text(message);
  return record;
}

JsonObject register_fields(std::uint32_t address, std::uint32_t value) {
  JsonObject fields;
  fields.text("address", hex_text(address)).text("value", hex_text(value));
  return fields;
}

JsonObject ddr_fields(std::uint32_t start, std::uint32_t size, const char* pattern, const std::uint64_t* seed,
                      std::uint32_t repeat) {
  JsonObject fields;
  fields.text("start", hex_text(start)).text("size", hex_text(size)).text("pattern", pattern);
  if (seed)
    fields.number("seed", *seed);
  else
    fields.null("seed");
  fields.number("repeat", repeat);
  return fields;
}

JsonObject image_fields(const std::string& file, std::uint64_t size, const std::string& sha256) {
  JsonObject fields;
  fields.text("file", file).number("image_bytes", size);
  if (sha256.empty())
    fields.null("sha256");
  else
    fields.text("sha256", sha256);
  return fields;
}

std::string iso8601_utc(std::int64_t unix_ms) {
  std::int64_t days = unix_ms / 86400000;
  std::int64_t ms = unix_ms % 86400000;
  if (ms < 0) {
    ms += 86400000;
    --days;
  }
  // Civil date from days since 1970-01-01 (proleptic Gregorian calendar).
  const std::int64_t z = days + 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const std::int64_t doe = z - era * 146097;
  const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const std::int64_t mp = (5 * doy + 2) / 153;
  const std::int64_t day = doy - (153 * mp + 2) / 5 + 1;
  const std::int64_t month = mp < 10 ? mp + 3 : mp - 9;
  const std::int64_t year = yoe + era * 400 + (month <= 2 ? 1 : 0);
  char text[96];
  std::snprintf(text, sizeof text, "%04lld-%02lld-%02lldT%02lld:%02lld:%02lld.%03lldZ", static_cast<long long>(year),
                static_cast<long long>(month), static_cast<long long>(day), static_cast<long long>(ms / 3600000),
                static_cast<long long>(ms / 60000 % 60), static_cast<long long>(ms / 1000 % 60),
                static_cast<long long>(ms % 1000));
  return text;
}

std::int64_t now_unix_ms() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::system_clock::now().time_since_epoch())
      .count();
}

std::string history_line(const RunRecord& record, std::int64_t unix_ms) {
  JsonObject line;
  line.text("time", iso8601_utc(unix_ms)).text("tool", record.tool).text("version", VANDOK_VERSION);
  if (record.board.empty())
    line.null("board");
  else
    line.text("board", record.board);
  line.number("port", record.port).text("command", record.command).text("result", result_name(record.kind));
  line.text("message", record.message);
  // Milliseconds are enough, and keep the line short.
  char seconds[32];
  std::snprintf(seconds, sizeof seconds, "%.3f", record.seconds > 0 ? record.seconds : 0.0);
  line.raw("seconds", seconds).number("bytes", record.bytes);
  line.append(record.fields);
  return line.str() + "\n";
}

std::filesystem::path history_path() {
  std::filesystem::path path;
  if (history_platform::override_path(path)) return path;
  return history_platform::default_path();
}

std::string path_text(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

std::filesystem::path rotated_path(const std::filesystem::path& path) {
  std::filesystem::path rotated = path;
  rotated.replace_filename(path.stem().native() + std::filesystem::path(".1").native() + path.extension().native());
  return rotated;
}

bool append_history_line(const std::filesystem::path& path, const std::string& line, std::uint64_t rotate_bytes) {
  std::error_code error;
  if (path.has_parent_path()) std::filesystem::create_directories(path.parent_path(), error);
  return history_platform::append_whole(path, line, rotated_path(path), rotate_bytes);
}

HistoryWrite record_run(const RunRecord& record) {
  const std::filesystem::path path = history_path();
  if (path.empty()) return HistoryWrite::Off;
  try {
    return append_history_line(path, history_line(record, now_unix_ms())) ? HistoryWrite::Written
                                                                          : HistoryWrite::Failed;
  } catch (const std::exception&) {
    return HistoryWrite::Failed;  // no memory for the line: the run goes on without it
  }
}

namespace {

void read_lines(const std::filesystem::path& path, std::vector<std::string>& lines) {
  std::ifstream in(path, std::ios::binary);
  std::string line;
  while (std::getline(in, line))
    if (!line.empty()) lines.push_back(line);
}

}  // namespace

std::vector<std::string> read_history(const std::filesystem::path& path, std::size_t count) {
  std::vector<std::string> lines;
  read_lines(path, lines);
  if (lines.size() < count) {
    std::vector<std::string> older;
    read_lines(rotated_path(path), older);
    lines.insert(lines.begin(), older.begin(), older.end());
  }
  if (lines.size() > count) lines.erase(lines.begin(), lines.end() - static_cast<std::ptrdiff_t>(count));
  return lines;
}

}  // namespace vandok
