// The built vandok-cli and vandok-board-sim as child processes, and a reader for JSON.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace vandok::cli::test {

struct Finished {
  int exit_code = -1;  // -1: killed at the time-out, or ended by a signal
  std::string out, err;
};

// A child process with standard output and error on pipes.
class Child {
 public:
  explicit Child(std::vector<std::string> argv);
  ~Child();
  pid_t pid() const { return pid_; }
  Finished wait(std::chrono::seconds timeout = std::chrono::seconds(10));

 private:
  pid_t pid_ = -1;
  int out_ = -1, err_ = -1;
};

Finished run_cli(const std::vector<std::string>& args);

// The simulator on a free loopback port; its JSON log and flash image in a fresh folder.
class Sim {
 public:
  explicit Sim(std::vector<std::string> flags = {});
  ~Sim();
  std::string port() const { return std::to_string(port_); }
  const std::filesystem::path& dir() const { return dir_; }
  std::filesystem::path flash_path() const { return dir_ / "flash.bin"; }
  // The log's command records once at least n are there (waits up to 2 s).
  std::vector<std::string> commands(std::size_t n = 0) const;
  std::size_t connections() const;

 private:
  std::filesystem::path dir_;
  pid_t pid_ = -1;
  unsigned port_ = 0;
};

// The CLI's arguments to reach sim, then more.
std::vector<std::string> at(const Sim& sim, std::vector<std::string> more);

// One JSON value flattened: "a.b.0.c" -> the scalar's text (strings unquoted,
// null as "null"). Empty when the text is not exactly one JSON value.
using FlatJson = std::map<std::string, std::string>;
FlatJson parse_json(const std::string& text);

std::string sha256_hex(const std::vector<std::uint8_t>& data);

}  // namespace vandok::cli::test
