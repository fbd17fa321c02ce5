// The run history: one JSON line per command a person started, from the window
// and from the companion alike, appended to a per-user file when the command
// ends. Writing it never changes a run's result; a failure is only reported
// back to the caller.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "link/discovery.h"
#include "pages/common/json.h"

namespace vandok {

// How a run ended; the history's "result" and the companion's exit code derive from it.
enum class RunKind { Pass, Fail, LinkError, BadInput, Cancelled };

// "pass", "fail", "link_error", "bad_input", "cancelled"
const char* result_name(RunKind kind);
RunKind kind_of(const DiscoveryResult& result);
// A register write: None when it was sent.
RunKind register_kind(Message failed);

inline constexpr std::uint64_t kHistoryRotateBytes = 10u * 1024 * 1024;

struct RunRecord {
  const char* tool = "";     // "window" or "cli"
  std::string board;         // dotted address; empty when no board was reached
  std::uint16_t port = 0;
  const char* command = "";  // "discover", "regwrite", "ddr-test", "reconfig"
  RunKind kind = RunKind::Pass;
  std::string message;       // the system's words that were shown
  double seconds = 0;
  std::uint64_t bytes = 0;   // moved over the link
  JsonObject fields;         // the command's own members
};

// A run of the window: board (0: none) on port 7777, the system's words for message.
RunRecord window_record(std::uint32_t board, const char* command, RunKind kind, Message message);

// The command's own members.
JsonObject register_fields(std::uint32_t address, std::uint32_t value);
// seed: the random pattern's, or nullptr. The mismatch summary is added by the DDR page's code.
JsonObject ddr_fields(std::uint32_t start, std::uint32_t size, const char* pattern, const std::uint64_t* seed,
                      std::uint32_t repeat);
// file: the path as given (UTF-8); sha256: hex digest of the image bytes sent, "" when none.
JsonObject image_fields(const std::string& file, std::uint64_t size, const std::string& sha256);

// "2026-12-07T10:11:12.345Z" for milliseconds since 1970 (UTC).
std::string iso8601_utc(std::int64_t unix_ms);
std::int64_t now_unix_ms();
// The platform's part (history_file_*.cpp).
namespace history_platform {
// VANDOK_HISTORY: false when unset.
bool override_path(std::filesystem::path& path);
// The per-user default; empty when no home is known.
std::filesystem::path default_path();
// Appends bytes in one write (O_APPEND / FILE_APPEND_DATA), flushed. Writers take
// turns through a lock on the file: a file of rotate_bytes or more is first moved
// to rotated by whoever holds it, and a writer that then finds it moved starts over
// on the new file, so that a rotation never moves another writer's fresh file over
// the old history. A lock held longer than kLockWaitMs (a writer stopped while
// holding it) is passed by: the line then goes out unlocked, never held back.
inline constexpr int kLockWaitMs = 2000;
bool append_whole(const std::filesystem::path& path, const std::string& bytes,
                  const std::filesystem::path& rotated, std::uint64_t rotate_bytes);
}  // namespace history_platform

// The whole line, ending in '\n': time, tool, version, board, port, command,
// result, message, seconds, bytes, then the command's own members.
std::string history_line(const RunRecord& record, std::int64_t unix_ms);

// Where the history goes: VANDOK_HISTORY when set (empty: nowhere), else
// %LOCALAPPDATA%\VandokTestSystem\history.jsonl on Windows and
// $XDG_STATE_HOME/vandok/history.jsonl (~/.local/state/vandok/) elsewhere.
// Empty when off or when no home is known.
std::filesystem::path history_path();
// The path in UTF-8, for messages (never throws on Windows names).
std::string path_text(const std::filesystem::path& path);
// history.jsonl -> history.1.jsonl: where a full file goes.
std::filesystem::path rotated_path(const std::filesystem::path& path);

enum class HistoryWrite { Written, Off, Failed };

// Appends line to path in one write (creating the folders), first moving a
// file of kHistoryRotateBytes or more aside.
bool append_history_line(const std::filesystem::path& path, const std::string& line,
                         std::uint64_t rotate_bytes = kHistoryRotateBytes);
// The record, now, to history_path().
HistoryWrite record_run(const RunRecord& record);

// The file's lines (rotated file first), at most the last count.
std::vector<std::string> read_history(const std::filesystem::path& path, std::size_t count);

}  // namespace vandok
