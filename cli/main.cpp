// vandok-cli: the board checks of the window, for scripts and build pipelines.
#include <cstdio>
#include <string>
#include <vector>

#include "cli/cancel.h"
#include "cli/commands.h"
#include "cli/options.h"
#include "link/net.h"

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

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> arguments = program_arguments(argc, argv);
  std::vector<const char*> argument_texts;
  for (const std::string& a : arguments) argument_texts.push_back(a.c_str());
  Options options;
  std::string error;
  if (!parse_options(static_cast<int>(argument_texts.size()), argument_texts.data(), options, error)) {
    std::fprintf(stderr, "vandok-cli: %s\n(vandok-cli --help lists the commands)\n", error.c_str());
    if (options.json) print_json(options, bad_input(error));
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
  return exit_code(result);
}
