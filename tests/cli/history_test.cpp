// The run history as the companion writes and reads it: one line per command
// with the fields of its kind, rotation at 10 MiB, and a history that cannot
// be written changing nothing but one line on standard error.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/file.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <latch>
#include <regex>
#include <thread>

#include "cli_harness.h"
#include "pages/common/run_history.h"

namespace vandok::cli::test {
namespace {

namespace fs = std::filesystem;

// VANDOK_HISTORY pointing into a fresh folder for the test's lifetime.
class HistoryFile {
 public:
  HistoryFile() : dir_(fs::temp_directory_path() / ("vandok-history-" + std::to_string(::getpid()))) {
    fs::remove_all(dir_);
    ::setenv("VANDOK_HISTORY", path().c_str(), 1);
  }
  ~HistoryFile() {
    ::setenv("VANDOK_HISTORY", "", 1);
    fs::remove_all(dir_);
  }
  fs::path path() const { return dir_ / "runs" / "history.jsonl"; }
  std::vector<std::string> lines(const fs::path& file) const {
    std::ifstream in(file);
    std::vector<std::string> out;
    for (std::string line; std::getline(in, line);) out.push_back(line);
    return out;
  }
  std::vector<std::string> lines() const { return lines(path()); }

 private:
  fs::path dir_;
};

TEST(CliHistory, OneLinePerCommandWithItsFields) {
  HistoryFile history;
  Sim sim;
  Sim corrupt({"--corrupt-read"});
  const fs::path image = sim.dir() / "image.rpd";
  std::vector<std::uint8_t> bytes(150000);
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i * 31 + 7);
  std::ofstream(image, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  const std::string port = sim.port();
  struct Case {
    std::vector<std::string> args;
    int exit_code;
    FlatJson expected;  // members of the line, besides the ones every line has
  };
  const Case cases[] = {
      {at(sim, {"regwrite", "24", "5A"}), 0,
       {{"command", "regwrite"}, {"result", "pass"}, {"address", "0x00000024"}, {"value", "0x0000005A"},
        {"board", "127.0.0.1"}, {"port", port}, {"bytes", "0"}}},
      {at(sim, {"ddr-test", "--start", "20000000", "--size", "10000", "--pattern", "random", "--seed", "5"}), 0,
       {{"command", "ddr-test"}, {"result", "pass"}, {"message", "DDR Read Write Success!!"}, {"start", "0x20000000"},
        {"size", "0x00010000"}, {"pattern", "random"}, {"seed", "5"}, {"mismatch", "null"}, {"bytes", "131072"}}},
      {at(corrupt, {"ddr-test", "--start", "20000000", "--size", "1000"}), 1,
       {{"command", "ddr-test"}, {"result", "fail"}, {"message", "ERROR : write read data compare failed!"},
        {"pattern", "increment"}, {"seed", "null"}, {"mismatch.differing_bytes", "1"}}},
      {at(sim, {"reconfig", image.string()}), 0,
       {{"command", "reconfig"}, {"result", "pass"}, {"message", "Reconfig Complete!!"}, {"file", image.string()},
        {"image_bytes", "150000"}, {"sha256", sha256_hex(bytes)}, {"bytes", "196608"}}},
      {at(sim, {"regwrite", "123456789", "1"}), 3,
       {{"command", "regwrite"}, {"result", "bad_input"}, {"message", "ERROR : Address!"}}},
      {{"--board", "127.0.0.1", "--port", "1", "discover"}, 2,
       {{"command", "discover"}, {"result", "link_error"}, {"message", "ERROR : Can not find Broad!"}, {"port", "1"}}},
      {{"regwrite", "1"}, 3, {{"command", "regwrite"}, {"result", "bad_input"}, {"board", "null"}}},
  };
  const std::regex time(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z)");
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const Case& c = cases[i];
    const Finished f = run_cli(c.args);
    EXPECT_EQ(f.exit_code, c.exit_code) << i << f.err;
    const auto lines = history.lines();
    ASSERT_EQ(lines.size(), i + 1) << i;
    FlatJson line = parse_json(lines.back());
    ASSERT_FALSE(line.empty()) << lines.back();
    EXPECT_TRUE(std::regex_match(line["time"], time)) << lines.back();
    EXPECT_EQ(line["tool"], "cli");
    EXPECT_FALSE(line["version"].empty());
    EXPECT_TRUE(line.count("seconds") && line.count("bytes")) << lines.back();
    for (const auto& [key, value] : c.expected) EXPECT_EQ(line[key], value) << i << " " << key << ": " << lines.back();
  }

  // history: the last runs as a table (a head and one row each), or the lines themselves.
  const Finished table = run_cli({"history", "--last", "3"});
  EXPECT_EQ(table.exit_code, 0) << table.err;
  EXPECT_EQ(std::count(table.out.begin(), table.out.end(), '\n'), 4) << table.out;
  EXPECT_NE(table.out.find("discover  link_error"), std::string::npos) << table.out;
  const auto lines = history.lines();
  EXPECT_EQ(run_cli({"history", "--last", "2", "--json"}).out, lines[5] + "\n" + lines[6] + "\n");
  EXPECT_EQ(history.lines().size(), std::size(cases)) << "history itself adds no line";
}

TEST(CliHistory, RotatesAtTenMiBAndNeverChangesTheRun) {
  HistoryFile history;
  Sim sim;
  // rotated: whether a file of that size is moved aside before the next line.
  const std::pair<std::uintmax_t, bool> sizes[] = {{10u * 1024 * 1024 - 1, false}, {10u * 1024 * 1024, true}};
  for (const auto& [size, rotated] : sizes) {
    fs::remove_all(history.path().parent_path());
    fs::create_directories(history.path().parent_path());
    {
      std::ofstream fill(history.path(), std::ios::binary);
      std::string lines(size, 'x');
      for (std::uintmax_t end = 99; end < size; end += 100) lines[end] = '\n';
      lines.back() = '\n';
      fill << lines;
    }
    ASSERT_EQ(fs::file_size(history.path()), size);
    EXPECT_EQ(run_cli(at(sim, {"regwrite", "1", "2"})).exit_code, 0);
    const fs::path old = history.path().parent_path() / "history.1.jsonl";
    EXPECT_EQ(fs::exists(old), rotated) << size;
    if (rotated) {
      EXPECT_EQ(fs::file_size(old), size);
      ASSERT_EQ(history.lines().size(), 1u);
    }
    EXPECT_EQ(parse_json(history.lines().back())["command"], "regwrite") << size;
  }

  // A history under a plain file cannot be written: the run ends as it would, with one word on stderr.
  const fs::path blocker = history.path().parent_path() / "plain-file";
  std::ofstream(blocker) << "x";
  ::setenv("VANDOK_HISTORY", (blocker / "history.jsonl").c_str(), 1);
  const Finished f = run_cli(at(sim, {"regwrite", "1", "2", "--json"}));
  EXPECT_EQ(f.exit_code, 0);
  EXPECT_EQ(parse_json(f.out)["result"], "pass") << f.out;
  EXPECT_EQ(f.err, "vandok-cli: the run history could not be written to " + (blocker / "history.jsonl").string() + "\n");
  // Empty: off, nothing written anywhere.
  ::setenv("VANDOK_HISTORY", "", 1);
  EXPECT_EQ(run_cli(at(sim, {"regwrite", "1", "2"})).err, "");
}

TEST(CliHistory, WritersRacingARotationKeepTheOldHistory) {
  HistoryFile history;
  fs::create_directories(history.path().parent_path());
  const std::string old_lines(999, 'o');
  std::ofstream(history.path(), std::ios::binary) << old_lines << '\n';
  // Writers that all see a full file: one moves it aside, the others must not
  // move its fresh successor over it.
  constexpr int kWriters = 16;
  std::latch start(kWriters);
  std::vector<std::thread> writers;
  for (int i = 0; i < kWriters; ++i)
    writers.emplace_back([&, i] {
      start.arrive_and_wait();
      EXPECT_TRUE(append_history_line(history.path(), "line " + std::to_string(i) + "\n", 1000));
    });
  for (auto& w : writers) w.join();
  EXPECT_EQ(history.lines(rotated_path(history.path())), std::vector<std::string>{old_lines});
  EXPECT_EQ(history.lines().size(), std::size_t{kWriters});
}

// A writer stopped while it holds the lock (a companion suspended mid-write)
// must not hold back the window's workers: the line goes out unlocked.
TEST(CliHistory, ALockHeldForeverDelaysALineOnlyBriefly) {
  HistoryFile history;
  fs::create_directories(history.path().parent_path());
  const int holder = ::open(history.path().c_str(), O_WRONLY | O_CREAT, 0644);
  ASSERT_EQ(::flock(holder, LOCK_EX), 0);
  const auto started = std::chrono::steady_clock::now();
  EXPECT_TRUE(append_history_line(history.path(), "line\n", 1000));
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(3 * history_platform::kLockWaitMs));
  EXPECT_EQ(history.lines(), std::vector<std::string>{"line"});
  ::close(holder);
}

}  // namespace
}  // namespace vandok::cli::test
