// One host connection's worth of board behaviour: reads command headers and
// their data from a stream, acts on the board state and logs each command.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "link/command.h"
#include "sim/byte_stream.h"
#include "sim/command_log.h"
#include "sim/ddr_memory.h"

namespace vandok::sim {

// What survives from one connection to the next, as on the real board.
struct BoardState {
  DdrMemory ddr;
  std::map<std::uint32_t, std::uint32_t> registers;
};

// Misbehaviour on DDR reads, for exercising the host's error paths.
struct SessionFaults {
  bool corrupt_read = false;           // flip one bit of the middle byte
  bool close_mid_read = false;         // send half the data, then close
  bool silent_read = false;            // send nothing and keep the connection open
  std::uint32_t extra_read_bytes = 0;  // bytes sent after the requested data
};

struct SessionConfig {
  SessionFaults faults;
  std::string flash_out;  // file that receives each flash image; empty discards images
  bool digest = true;     // false logs an empty sha256, sparing the CPU in throughput runs
};

enum class SessionEnd {
  PeerClosed,  // the host closed between or during commands
  BadInput,    // a header the board rejects
  Fault,       // an injected fault ended the connection
  Stalled,     // the stall fault held the connection until the host left
  Stopped,     // the simulator is shutting down
  Failed,      // a socket or file error
};

const char* session_end_name(SessionEnd end);

class BoardSession {
 public:
  BoardSession(ByteStream& stream, BoardState& state, CommandLog& log, SessionConfig config);

  SessionEnd run();

 private:
  // Each handles one command whose header was read: nullopt means go on with
  // the next command, otherwise the connection ends.
  std::optional<SessionEnd> flash_image(const CommandHeader& h);
  std::optional<SessionEnd> ddr_read(const CommandHeader& h);
  std::optional<SessionEnd> ddr_write(const CommandHeader& h);
  std::optional<SessionEnd> register_write(const CommandHeader& h);
  // Logs a rejected header and ends the connection.
  SessionEnd reject(const CommandHeader& h, const char* status);
  // Logs a command cut short by the stream and ends the connection.
  SessionEnd cut_short(CommandRecord& record);

  ByteStream& stream_;
  BoardState& state_;
  CommandLog& log_;
  SessionConfig config_;
  std::vector<std::uint8_t> chunk_;
};

}  // namespace vandok::sim
