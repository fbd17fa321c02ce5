// The command line of vandok-cli.
#pragma once

#include <cstdint>
#include <string>

#include "link/bulk_transfer.h"
#include "link/command.h"
#include "pages/ddr/ddr_patterns.h"

namespace vandok::cli {

enum class Command { None, Discover, RegWrite, DdrTest, Reconfig, History };

// -q: the exit status and errors only; -v: also each address tried.
enum class Verbosity { Quiet, Normal, Verbose };

struct Options {
  Command command = Command::None;
  bool help = false;
  bool version = false;
  bool json = false;
  bool progress = false;  // draw the bar even when standard error is not a terminal
  Verbosity verbosity = Verbosity::Normal;
  std::string board;  // dotted IPv4; empty: find the board by discovery
  std::uint16_t port = BOARD_PORT;
  int idle_ms = kIdleLimitMs;  // --idle-timeout: a board silent this long fails the step

  // regwrite ADDR VALUE: field texts, checked as the register page checks them.
  std::string register_address;
  std::string register_value;

  // ddr-test: field texts, checked as the DDR page checks them.
  std::string start;
  std::string size;
  DdrPattern pattern = DdrPattern::Increment;
  bool has_seed = false;
  std::uint64_t seed = 0;
  std::uint32_t repeat = 1;

  // reconfig FILE
  std::string image_path;

  // history: how many of the last runs
  std::size_t last = 20;
};

// "discover", "regwrite", "ddr-test", "reconfig", "history"; "" for None.
const char* command_name(Command command);

// Parses argv[1..]: one command word, its operands and options in any order;
// "--opt VALUE" and "--opt=VALUE" both work. False with error set on a bad
// command line; what was understood so far (e.g. --json) stays in options.
bool parse_options(int argc, const char* const* argv, Options& options, std::string& error);

std::string usage_text();
// "vandok-cli VERSION (build: platform, build type, compiler)"
std::string version_text();

// Reads a number option's documented form: decimal digits, or hexadecimal
// digits after one 0x; no sign, no spaces, nothing after; within [low, high].
bool parse_number(const std::string& text, std::uint64_t low, std::uint64_t high, std::uint64_t& value);

}  // namespace vandok::cli
