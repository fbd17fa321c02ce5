// The built vandok-cli and vandok-board-sim as child processes, and a reader
// for the CLI's JSON report.
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
  int exit_code = -1;  // -1: did not exit on its own in time, or by a signal
  std::string out;
  std::string err;
  double seconds = 0;
};

// A child process with its standard output and error on pipes.
class Child {
 public:
  explicit Child(const std::vector<std::string>& argv);
  ~Child();
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;
  pid_t pid() const { return pid_; }
  // Collects the output until the child exits; kills it after timeout.
  Finished wait(std::chrono::milliseconds timeout = std::chrono::seconds(10));

 private:
  pid_t pid_ = -1;
  int out_ = -1;
  int err_ = -1;
  std::chrono::steady_clock::time_point started_;
};

// vandok-cli with these arguments, to completion.
Finished run_cli(const std::vector<std::string>& args);

// The simulator on a free loopback port, logging JSON and flash images into a
// fresh folder.
class Sim {
 public:
  explicit Sim(std::vector<std::string> flags = {});
  ~Sim();
  std::uint16_t port() const { return port_; }
  std::string port_text() const { return std::to_string(port_); }
  const std::filesystem::path& dir() const { return dir_; }
  // Where the simulator writes each flash image it receives.
  std::filesystem::path flash_path() const { return dir_ / "flash.bin"; }
  // The JSON lines of commands once at least n are there (waits up to 2 s).
  std::vector<std::string> commands(std::size_t n = 0) const;
  std::size_t connections() const;

 private:
  std::filesystem::path dir_;
  pid_t pid_ = -1;
  std::uint16_t port_ = 0;
};

// The CLI's arguments to reach sim, followed by more.
std::vector<std::string> at(const Sim& sim, std::vector<std::string> more);

// A parsed JSON document, flattened: "a.b.0.c" -> the scalar's text (strings
// without quotes, null as "null"). Empty when the text is not one JSON value.
using FlatJson = std::map<std::string, std::string>;
FlatJson parse_json(const std::string& text);

std::string sha256_hex(const std::vector<std::uint8_t>& data);

}  // namespace vandok::cli::test
