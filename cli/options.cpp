#include "cli/options.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "link/net.h"

namespace vandok::cli {

namespace {

struct CommandWord {
  Command command;
  const char* word;
  std::size_t operands;
};

constexpr CommandWord kCommands[] = {
    {Command::Discover, "discover", 0},
    {Command::RegWrite, "regwrite", 2},
    {Command::DdrTest, "ddr-test", 0},
    {Command::Reconfig, "reconfig", 1},
    {Command::History, "history", 0},
};

// A whole decimal number, or hexadecimal after 0x, within [low, high].
bool parse_number(const std::string& text, std::uint64_t low, std::uint64_t high, std::uint64_t& value) {
  const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
  const char* digits = text.c_str() + (hex ? 2 : 0);
  if (*digits == '\0' || *digits == '-' || *digits == '+' || *digits == ' ') return false;
  char* end = nullptr;
  errno = 0;
  const unsigned long long v = std::strtoull(digits, &end, hex ? 16 : 10);
  if (errno != 0 || *end != '\0' || v < low || v > high) return false;
  value = v;
  return true;
}

bool fail(std::string& error, std::string text) {
  error = std::move(text);
  return false;
}

}  // namespace

const char* command_name(Command command) {
  for (const CommandWord& c : kCommands)
    if (c.command == command) return c.word;
  return "";
}

bool parse_options(int argc, const char* const* argv, Options& options, std::string& error) {
  // Known before anything is refused, so that a refused line gets its JSON report too.
  for (int i = 1; i < argc; ++i)
    if (std::strcmp(argv[i], "--json") == 0) options.json = true;
  std::vector<std::string> operands;
  bool seen_start = false, seen_size = false, seen_ddr_option = false, seen_last = false;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg == "-h") arg = "--help";
    if (arg.rfind("--", 0) != 0 || arg == "--") {
      if (options.command == Command::None) {
        for (const CommandWord& c : kCommands)
          if (arg == c.word) options.command = c.command;
        if (options.command == Command::None) return fail(error, "unknown command '" + arg + "'");
      } else {
        operands.push_back(arg);
      }
      continue;
    }
    std::string name = arg;
    std::string value;
    bool has_value = false;
    if (const std::size_t eq = arg.find('='); eq != std::string::npos) {
      name = arg.substr(0, eq);
      value = arg.substr(eq + 1);
      has_value = true;
    }
    const bool flag = name == "--json" || name == "--help";
    if (flag) {
      if (has_value) return fail(error, name + " takes no value");
      if (name == "--json") options.json = true;
      if (name == "--help") options.help = true;
      continue;
    }
    if (!has_value) {
      if (i + 1 >= argc) return fail(error, name + " needs a value");
      value = argv[++i];
    }
    std::uint64_t number = 0;
    if (name == "--board") {
      std::uint32_t address = 0;
      if (!net::parse_ipv4(value.c_str(), address)) return fail(error, "--board needs an IPv4 address, not '" + value + "'");
      options.board = value;
    } else if (name == "--port") {
      if (!parse_number(value, 1, 65535, number)) return fail(error, "--port needs a port number 1-65535");
      options.port = static_cast<std::uint16_t>(number);
    } else if (name == "--idle-timeout") {
      if (!parse_number(value, 1, 86400, number)) return fail(error, "--idle-timeout needs whole seconds, 1-86400");
      options.idle_ms = static_cast<int>(number * 1000);
    } else if (name == "--start") {
      options.start = value;
      seen_start = seen_ddr_option = true;
    } else if (name == "--size") {
      options.size = value;
      seen_size = seen_ddr_option = true;
    } else if (name == "--pattern") {
      if (!parse_ddr_pattern(value.c_str(), options.pattern))
        return fail(error, "--pattern is increment, walking-ones, address or random, not '" + value + "'");
      seen_ddr_option = true;
    } else if (name == "--seed") {
      if (!parse_number(value, 0, UINT64_MAX, number)) return fail(error, "--seed needs a whole number");
      options.seed = number;
      options.has_seed = seen_ddr_option = true;
    } else if (name == "--repeat") {
      if (!parse_number(value, 1, UINT32_MAX, number)) return fail(error, "--repeat needs a count of 1 or more");
      options.repeat = static_cast<std::uint32_t>(number);
      seen_ddr_option = true;
    } else if (name == "--last") {
      if (!parse_number(value, 1, UINT32_MAX, number)) return fail(error, "--last needs a count of 1 or more");
      options.last = static_cast<std::size_t>(number);
      seen_last = true;
    } else {
      return fail(error, "unknown option " + name);
    }
  }
  if (options.help) return true;
  if (options.command == Command::None) return fail(error, "no command given");
  if (seen_ddr_option && options.command != Command::DdrTest)
    return fail(error, "--start, --size, --pattern, --seed and --repeat are options of ddr-test");
  if (seen_last && options.command != Command::History) return fail(error, "--last is an option of history");
  std::size_t wanted = 0;
  for (const CommandWord& c : kCommands)
    if (c.command == options.command) wanted = c.operands;
  if (operands.size() != wanted)
    return fail(error, std::string(command_name(options.command)) + " takes " + std::to_string(wanted) +
                           " operand" + (wanted == 1 ? "" : "s") + ", not " + std::to_string(operands.size()));
  switch (options.command) {
    case Command::RegWrite:
      options.register_address = operands[0];
      options.register_value = operands[1];
      break;
    case Command::Reconfig:
      options.image_path = operands[0];
      break;
    case Command::DdrTest:
      if (!seen_start || !seen_size) return fail(error, "ddr-test needs --start and --size");
      if (options.has_seed && options.pattern != DdrPattern::Random)
        return fail(error, "--seed goes with --pattern random");
      break;
    default:
      break;
  }
  return true;
}

std::string usage_text() {
  return "Usage: vandok-cli [--board ADDR] [--port N] [--json] COMMAND ...\n"
         "\n"
         "Commands:\n"
         "  discover                    find the board as the window does; prints its address\n"
         "  regwrite ADDR VALUE         write one register\n"
         "  ddr-test --start HEX --size HEX [--pattern increment|walking-ones|address|random]\n"
         "           [--seed N] [--repeat N]\n"
         "                              write, read back and compare DDR memory\n"
         "  reconfig FILE.rpd           send a flash programming image\n"
         "  history [--last N]          the last runs of the window and the companion (default 20);\n"
         "                              with --json the history's lines themselves\n"
         "\n"
         "Hexadecimal fields (ADDR, VALUE, --start, --size) are written as in the window:\n"
         "up to 8 digits, no 0x.\n"
         "\n"
         "Options:\n"
         "  --board ADDR   the board's IPv4 address; without it the board is found by discovery\n"
         "  --port N       the board's TCP port (default 7777)\n"
         "  --json         print one JSON report of the run on standard output\n"
         "  --idle-timeout S  seconds a step waits for a silent board before it fails\n"
         "                 (default 30)\n"
         "  --pattern P    ddr-test data: increment (default, the window's), walking-ones,\n"
         "                 address (each word its own address) or random\n"
         "  --seed N       seed of the random pattern (default: chosen and printed)\n"
         "  --repeat N     ddr-test passes; stops at the first failing one (default 1)\n"
         "  --help         this text\n"
         "\n"
         "Exit status: 0 success, 1 the test ran and found a mismatch, 2 link failure\n"
         "(no board, send or receive failed), 3 bad input, 130 cancelled by Ctrl-C.\n";
}

}  // namespace vandok::cli
