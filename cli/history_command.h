// vandok-cli history: the last runs of the window and the companion.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "cli/options.h"

namespace vandok::cli {

// The top-level members of one JSON object line whose values are strings,
// numbers, booleans or null (null as ""); nested values are skipped. Empty
// when the line is not an object.
std::map<std::string, std::string> history_fields(const std::string& line);

// The lines as an aligned table: time, tool, board, command, result, seconds,
// throughput; newest last.
std::string history_table(const std::vector<std::string>& lines);

// Prints the last runs; returns the exit code.
int history_command(const Options& options);

}  // namespace vandok::cli
