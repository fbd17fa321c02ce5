#include "cli/options.h"

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

bool is_flag(const std::string& name) {
  for (const char* f : {"--json", "--help", "--version", "--quiet", "--verbose", "--progress"})
    if (name == f) return true;
  return false;
}

bool takes_value(const std::string& name) {
  for (const char* f :
       {"--board", "--port", "--start", "--size", "--pattern", "--seed", "--repeat", "--idle-timeout", "--last"})
    if (name == f) return true;
  return false;
}

// The short forms, as other tools spell them.
std::string long_form(const std::string& arg) {
  if (arg == "-h") return "--help";
  if (arg == "-V") return "--version";
  if (arg == "-q") return "--quiet";
  if (arg == "-v") return "--verbose";
  return arg;
}

// "-x" with a letter is an option; "-1" stays an operand (for the field checks to refuse).
bool looks_like_option(const std::string& arg) {
  if (arg.rfind("--", 0) == 0) return arg != "--";
  return arg.size() >= 2 && arg[0] == '-' && ((arg[1] >= 'a' && arg[1] <= 'z') || (arg[1] >= 'A' && arg[1] <= 'Z'));
}

bool fail(std::string& error, std::string text) {
  error = std::move(text);
  return false;
}

}  // namespace

bool parse_number(const std::string& text, std::uint64_t low, std::uint64_t high, std::uint64_t& value) {
  const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
  const std::size_t first = hex ? 2 : 0;
  const std::uint64_t base = hex ? 16 : 10;
  if (first == text.size()) return false;
  std::uint64_t v = 0;
  for (std::size_t i = first; i < text.size(); ++i) {
    const char c = text[i];
    std::uint64_t digit;
    if (c >= '0' && c <= '9')
      digit = static_cast<std::uint64_t>(c - '0');
    else if (hex && c >= 'a' && c <= 'f')
      digit = static_cast<std::uint64_t>(c - 'a' + 10);
    else if (hex && c >= 'A' && c <= 'F')
      digit = static_cast<std::uint64_t>(c - 'A' + 10);
    else
      return false;
    if (v > (UINT64_MAX - digit) / base) return false;  // overflow
    v = v * base + digit;
  }
  if (v < low || v > high) return false;
  value = v;
  return true;
}

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
    const std::string arg = long_form(argv[i]);
    if (!looks_like_option(arg)) {
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
    if (is_flag(name)) {
      if (has_value) return fail(error, name + " takes no value");
      if (name == "--json") options.json = true;
      if (name == "--help") options.help = true;
      if (name == "--version") options.version = true;
      if (name == "--progress") options.progress = true;
      if (name == "--quiet") {
        if (options.verbosity == Verbosity::Verbose) return fail(error, "--quiet and --verbose exclude each other");
        options.verbosity = Verbosity::Quiet;
      }
      if (name == "--verbose") {
        if (options.verbosity == Verbosity::Quiet) return fail(error, "--quiet and --verbose exclude each other");
        options.verbosity = Verbosity::Verbose;
      }
      continue;
    }
    if (!takes_value(name)) return fail(error, "unknown option " + name);
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
      if (!parse_number(value, 1, 65535, number)) return fail(error, "--port needs a port number 1-65535, not '" + value + "'");
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
      if (!parse_number(value, 0, UINT64_MAX, number)) return fail(error, "--seed needs a whole number below 2^64, not '" + value + "'");
      options.seed = number;
      options.has_seed = seen_ddr_option = true;
    } else if (name == "--repeat") {
      if (!parse_number(value, 1, UINT32_MAX, number)) return fail(error, "--repeat needs a count from 1 to 4294967295, not '" + value + "'");
      options.repeat = static_cast<std::uint32_t>(number);
      seen_ddr_option = true;
    } else if (name == "--last") {
      if (!parse_number(value, 1, UINT32_MAX, number)) return fail(error, "--last needs a count of 1 or more, not '" + value + "'");
      options.last = static_cast<std::size_t>(number);
      seen_last = true;
    }
  }
  if (options.help || options.version) return true;
  if (options.progress && options.verbosity == Verbosity::Quiet)
    return fail(error, "--quiet and --progress exclude each other");
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
  return "Usage: vandok-cli [OPTIONS] COMMAND ...\n"
         "\n"
         "Commands:\n"
         "  discover                    find the board as the window does; prints its address\n"
         "  regwrite ADDR VALUE         write one register\n"
         "  ddr-test --start ADDR --size SIZE [--pattern P] [--seed N] [--repeat N]\n"
         "                              write, read back and compare DDR memory\n"
         "  reconfig FILE.rpd           send a flash programming image\n"
         "  history [--last N]          the last runs of the window and the companion (default 20);\n"
         "                              with --json the history's lines themselves\n"
         "\n"
         "Fields (ADDR, VALUE, --start, --size) are hexadecimal as in the window, up to\n"
         "8 digits (24, 0x24); --start and --size also take a decimal number with K or M\n"
         "(KiB, MiB: --size 100M). An empty field is refused. --start is 0x20000000 to\n"
         "0x3FFFFFFE, and --start + --size at most 0x3FFFFFFF.\n"
         "\n"
         "Options:\n"
         "  --board ADDR    the board's IPv4 address; without it the board is found by\n"
         "                  discovery on the PC's 192.168.x.x adapters\n"
         "  --port N        the board's TCP port (default 7777)\n"
         "  --json          print one JSON report of the run on standard output\n"
         "  --pattern P     ddr-test data: increment (default, the window's), walking-ones,\n"
         "                  address (each word its own address) or random\n"
         "  --seed N        seed of the random pattern (default: chosen and printed)\n"
         "  --repeat N      ddr-test passes; stops at the first failing one (default 1)\n"
         "  --idle-timeout S  seconds a step waits for a silent board before it fails\n"
         "                  (default 30)\n"
         "  --progress      draw the progress line on standard error even when it is not\n"
         "                  a terminal (it is drawn on a terminal anyway)\n"
         "  -q, --quiet     no progress and no results for people; errors and the exit\n"
         "                  status (and --json) only\n"
         "  -v, --verbose   also each address tried and what came back\n"
         "  -V, --version   the program's name, version and build\n"
         "  -h, --help      this text\n"
         "Numbers (N) are decimal, or hexadecimal after 0x.\n"
         "\n"
         "Exit status:\n"
         "  0    success\n"
         "  1    the test ran and found a mismatch\n"
         "  2    link failure: no board, a send or receive failed, a board silent for\n"
         "       the idle timeout, or bytes the board sent unasked\n"
         "  3    bad input: command line, field or file (also an image file that\n"
         "       comes up short while it streams)\n"
         "  130  cancelled by Ctrl-C (SIGINT)\n"
         "  143  cancelled by SIGTERM\n"
         "A cancelled run still writes its --json report.\n";
}

std::string version_text() {
  return std::string("vandok-cli ") + VANDOK_VERSION + " (build: " + VANDOK_BUILD + ")\n";
}

}  // namespace vandok::cli
