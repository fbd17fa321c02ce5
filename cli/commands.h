// The four commands of vandok-cli, each on the same core as its window page.
#pragma once

#include <string>

#include "cli/cancel.h"
#include "pages/common/json.h"
#include "cli/options.h"
#include "cli/run_result.h"

namespace vandok::cli {

struct RunContext {
  const Options& options;
  CancelState& cancel;
  bool progress = false;  // draw the progress line on standard error
  bool human = true;      // print the result for people on standard output
};

RunResult discover_command(const RunContext& context);
RunResult regwrite_command(const RunContext& context);
RunResult ddr_test_command(const RunContext& context);
RunResult reconfig_command(const RunContext& context);

}  // namespace vandok::cli
