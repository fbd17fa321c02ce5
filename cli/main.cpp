// vandok-cli: the board checks of the window, for scripts and build pipelines.
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "cli/cancel.h"
#include "cli/commands.h"
#include "cli/history_command.h"
#include "cli/options.h"
#include "link/dll_search.h"
#include "link/net.h"
#include "pages/common/run_history.h"

using namespace vandok::cli;

namespace {

RunResult run(const Options& options, CancelState& cancel) {
  const bool quiet = options.verbosity == Verbosity::Quiet;
  const bool progress = options.progress || (!quiet && stderr_is_terminal());
  const RunContext context{options, cancel, progress, !options.json && !quiet};
  switch (options.command) {
    case Command::Discover: return discover_command(context);
    case Command::RegWrite: return regwrite_command(context);
    case Command::DdrTest: return ddr_test_command(context);
    case Command::Reconfig: return reconfig_command(context);
    case Command::History:
    case Command::None: break;
  }
  return bad_input("no command given");
}

void print_json(const Options& options, const RunResult& r) {
  JsonObject report;
  if (options.command == Command::None)
    report.null("command");
  else
    report.text("command", command_name(options.command));
  report.text("result", result_name(r.kind)).number("exit_code", static_cast<std::uint64_t>(exit_code(r)));
  report.text("message", last_word(r));
  if (!r.hint.empty()) report.text("hint", r.hint);
  if (r.board.empty())
    report.null("board");
  else
    report.text("board", r.board);
  report.number("port", options.port);
  report.append(r.details);
  std::printf("%s\n", report.str().c_str());
}

// One line in the run history for a command that was started; a history that
// cannot be written is said once on standard error and changes nothing else.
void record(const Options& options, const RunResult& r, double run_seconds) {
  if (options.command == Command::None || options.command == Command::History) return;
  vandok::RunRecord record;
  record.tool = "cli";
  record.board = r.board.empty() ? options.board : r.board;
  record.port = options.port;
  record.command = command_name(options.command);
  record.kind = r.kind;
  record.message = last_word(r);
  record.seconds = r.seconds >= 0 ? r.seconds : run_seconds;
  record.bytes = r.bytes;
  record.fields = r.history;
  if (vandok::record_run(record) == vandok::HistoryWrite::Failed)
    std::fprintf(stderr, "vandok-cli: the run history could not be written to %s\n",
                 vandok::path_text(vandok::history_path()).c_str());
}

double seconds_since(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
  vandok::restrict_dll_search_to_system32();
  const std::vector<std::string> arguments = program_arguments(argc, argv);
  std::vector<const char*> argument_texts;
  for (const std::string& a : arguments) argument_texts.push_back(a.c_str());
  Options options;
  std::string error;
  if (!parse_options(static_cast<int>(argument_texts.size()), argument_texts.data(), options, error)) {
    std::fprintf(stderr, "vandok-cli: %s\n(vandok-cli --help lists the commands)\n", error.c_str());
    if (options.json) print_json(options, bad_input(error));
    record(options, bad_input(error), 0);
    return kExitBadInput;
  }
  if (options.help) {
    std::fputs(usage_text().c_str(), stdout);
    return kExitOk;
  }
  if (options.version) {
    std::fputs(version_text().c_str(), stdout);
    return kExitOk;
  }
  if (options.command == Command::History) return history_command(options);
  const auto started = std::chrono::steady_clock::now();
  static CancelState cancel;
  install_cancel_handler(cancel);
  RunResult result;
  if (!vandok::net::startup()) {
    result = ended(RunKind::LinkError, vandok::Message::SocketFailed);
  } else {
    result = run(options, cancel);
    vandok::net::cleanup();
  }
  std::fflush(stdout);
  if (result.kind != RunKind::Pass) {
    std::fprintf(stderr, "%s\n", last_word(result).c_str());
    // The system's words stay as they are; the companion's explanation follows.
    if (!result.hint.empty()) std::fprintf(stderr, "%s\n", result.hint.c_str());
  }
  if (options.json) print_json(options, result);
  std::fflush(stdout);
  record(options, result, seconds_since(started));
  return exit_code(result);
}
