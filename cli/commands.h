// The four commands of vandok-cli, each on the same core as its window page.
#pragma once

#include <string>

#include "cli/cancel.h"
#include "cli/json.h"
#include "cli/options.h"

namespace vandok::cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitTestFailed = 1;  // the test ran and found a mismatch
inline constexpr int kExitLink = 2;        // no board, or a send or receive failed
inline constexpr int kExitBadInput = 3;
inline constexpr int kExitCancelledBase = 128;  // + the signal number; 130 for Ctrl-C

inline constexpr const char* kMsgCancelled = "Cancelled";

struct RunResult {
  int exit_code = kExitOk;
  const char* result = "pass";  // "pass", "fail", "link_error", "bad_input", "cancelled"
  std::string message;          // the run's last word; goes to stderr unless it passed
  std::string board;            // address of the board used, when one was reached
  JsonObject details;           // the command's own members of the JSON report
};

struct RunContext {
  const Options& options;
  CancelState& cancel;
  bool progress = false;  // draw the bar (standard output is a terminal)
  bool human = true;      // print the result for people on standard output
};

RunResult discover_command(const RunContext& context);
RunResult regwrite_command(const RunContext& context);
RunResult ddr_test_command(const RunContext& context);
RunResult reconfig_command(const RunContext& context);

// The result of a command line that could not be understood.
RunResult bad_input(const std::string& message);

}  // namespace vandok::cli
