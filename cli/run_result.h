// What a vandok-cli run ended with, as data; the exit code, the JSON "result"
// and the last word all derive from it.
#pragma once

#include <string>

#include "link/message.h"
#include "pages/common/json.h"
#include "pages/common/run_history.h"
#include "pages/ddr/ddr_record.h"
#include "pages/flash/flash_record.h"

namespace vandok::cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitTestFailed = 1;  // the test ran and found a mismatch
inline constexpr int kExitLink = 2;        // no board, or a send or receive failed
inline constexpr int kExitBadInput = 3;
inline constexpr int kExitCancelledBase = 128;  // + the signal number; 130 for Ctrl-C

using vandok::JsonObject;
using vandok::RunKind;
using vandok::result_name;
using vandok::kind_of;

struct RunResult {
  RunKind kind = RunKind::Pass;
  int signal = 0;                   // what cancelled the run; 0 for Ctrl-C
  Message message = Message::None;  // the system's word for the run
  std::string note;                 // the companion's own word where the system has none
  std::string hint;                 // the companion's second line: why, and what to do
  std::string board;                // address of the board used, when one was reached
  JsonObject details;               // the command's own members of the JSON report
  JsonObject history;               // the command's own members of its history line
  double seconds = -1;              // the transfer's time; -1: the run's whole time counts
  std::uint64_t bytes = 0;          // moved over the link
};

int exit_code(const RunResult& r);
// The run's last word: the system's text, else the companion's note.
std::string last_word(const RunResult& r);

RunResult ended(RunKind kind, Message message);
RunResult bad_input(Message message);
// A command line that could not be understood.
RunResult bad_input(const std::string& note);
RunResult cancelled(int signal);

}  // namespace vandok::cli
