// Command line of vandok-board-sim.
#pragma once

#include <cstdint>
#include <string>

#include "link/command.h"
#include "sim/board_session.h"
#include "sim/shaped_stream.h"

namespace vandok::sim {

struct Options {
  std::string listen_address = "127.0.0.1";
  std::uint16_t port = BOARD_PORT;  // 0 picks a free port
  std::string json_log;
  std::string flash_out;
  std::string port_file;
  bool digest = true;  // --no-digest turns the logged SHA-256 off
  SessionFaults faults;
  StreamShape shape;
  bool close_on_accept = false;
  std::uint64_t max_connections = 0;  // 0 = serve until stopped
  // DDR pages taken before serving, so that a throughput run does not time the
  // board's allocation; size 0 = none.
  std::uint32_t preallocate_start = 0;
  std::uint64_t preallocate_size = 0;
};

enum class ParseResult { Run, Help, Version, Error };

// Accepts "--flag VALUE" and "--flag=VALUE"; error explains an Error result.
ParseResult parse_options(int argc, const char* const* argv, Options& options, std::string& error);

std::string usage_text(const char* program);
// "vandok-board-sim VERSION (build: platform, build type, compiler)"
std::string version_text();

}  // namespace vandok::sim
