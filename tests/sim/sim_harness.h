// Runs the board simulator in-process on a loopback port and gives tests a
// host-side view of it: connections through the link layer and the JSON log.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "link/net.h"
#include "sim/board_server.h"

namespace vandok::sim::test {

class SimHarness {
 public:
  // json_log and flash_out are pointed into a fresh temporary directory.
  explicit SimHarness(Options options = {});
  ~SimHarness();

  std::uint16_t port() const { return server_.port(); }
  // A connected host socket, or kInvalidSocket.
  net::Socket connect() const;
  // Stops the simulator; state() is stable afterwards.
  void stop();
  const BoardState& state() const { return server_.state(); }

  const std::filesystem::path& flash_path() const { return flash_path_; }
  // The log's command lines once at least n are there (waits up to 2 s).
  std::vector<std::string> commands(std::size_t n) const;
  std::vector<std::string> log_lines() const;

 private:
  std::filesystem::path dir_;
  std::filesystem::path json_path_;
  std::filesystem::path flash_path_;
  StopSignal stop_;
  CommandLog log_{nullptr};
  BoardServer server_;
  std::thread thread_;
};

// A field of a one-line JSON object: a string's body or a number/bool token.
std::string json_field(const std::string& line, const std::string& key);

std::string sha256_hex(const std::vector<std::uint8_t>& data);
std::vector<std::uint8_t> pattern(std::size_t size, std::uint32_t seed);
bool send_bytes(net::Socket s, const std::vector<std::uint8_t>& data);
// True when the board closed (end of stream or reset) within timeout.
bool closed_by_board(net::Socket s, std::chrono::milliseconds timeout = std::chrono::milliseconds(2000));

}  // namespace vandok::sim::test
