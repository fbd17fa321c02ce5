#include "sim_harness.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <fstream>

#include "link/bulk_transfer.h"
#include "link/sha256.h"

namespace vandok::sim::test {

namespace {

std::filesystem::path make_temp_dir() {
  std::string tmpl = (std::filesystem::temp_directory_path() / "vandok-sim-XXXXXX").string();
  if (!::mkdtemp(tmpl.data())) ADD_FAILURE() << "mkdtemp failed";
  return tmpl;
}

Options with_paths(Options options, const std::filesystem::path& json, const std::filesystem::path& flash) {
  options.listen_address = "127.0.0.1";
  options.port = 0;
  options.json_log = json.string();
  if (options.flash_out.empty()) options.flash_out = flash.string();
  return options;
}

}  // namespace

SimHarness::SimHarness(Options options)
    : dir_(make_temp_dir()),
      json_path_(dir_ / "log.jsonl"),
      flash_path_(dir_ / "flash.bin"),
      server_(with_paths(std::move(options), json_path_, flash_path_), log_, stop_) {
  EXPECT_TRUE(log_.open_json(json_path_.string()));
  std::string error;
  if (!server_.listen(error)) {
    ADD_FAILURE() << error;
    return;
  }
  thread_ = std::thread([this] { server_.serve(); });
}

SimHarness::~SimHarness() {
  stop();
  std::error_code ignored;
  std::filesystem::remove_all(dir_, ignored);
}

void SimHarness::stop() {
  stop_.request();
  if (thread_.joinable()) thread_.join();
}

net::Socket SimHarness::connect() const {
  const net::Socket s = net::open_stream();
  if (s != net::kInvalidSocket && net::connect_ipv4(s, 0x7F000001, port(), 2000)) return s;
  net::close(s);
  return net::kInvalidSocket;
}

std::vector<std::string> SimHarness::log_lines() const {
  std::ifstream in(json_path_);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

std::vector<std::string> SimHarness::commands(std::size_t n) const {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
  std::vector<std::string> found;
  do {
    found.clear();
    for (const std::string& line : log_lines())
      if (line.find("\"command\":") != std::string::npos) found.push_back(line);
    if (found.size() >= n) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  } while (std::chrono::steady_clock::now() < deadline);
  return found;
}

std::string json_field(const std::string& line, const std::string& key) {
  const std::string tag = "\"" + key + "\":";
  const std::size_t at = line.find(tag);
  if (at == std::string::npos) return "<missing>";
  std::size_t begin = at + tag.size();
  if (line[begin] == '"') return line.substr(begin + 1, line.find('"', begin + 1) - begin - 1);
  return line.substr(begin, line.find_first_of(",}", begin) - begin);
}

std::string sha256_hex(const std::vector<std::uint8_t>& data) {
  Sha256 sha;
  sha.update(data.data(), data.size());
  return sha.finish_hex();
}

std::vector<std::uint8_t> pattern(std::size_t size, std::uint32_t seed) {
  std::vector<std::uint8_t> out(size);
  std::uint32_t x = seed * 2654435761u + 1;
  for (auto& b : out) {
    x = x * 1664525u + 1013904223u;
    b = static_cast<std::uint8_t>(x >> 24);
  }
  return out;
}

bool send_bytes(net::Socket s, const std::vector<std::uint8_t>& data) {
  return send_all(s, data.data(), data.size());
}

bool closed_by_board(net::Socket s, std::chrono::milliseconds timeout) {
  if (net::wait_readable(s, static_cast<int>(timeout.count())) != net::Wait::Ready) return false;
  std::uint8_t byte = 0;
  return net::recv_some(s, &byte, 1) <= 0;
}

}  // namespace vandok::sim::test
