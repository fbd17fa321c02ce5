// The built vandok-cli against the built simulator on loopback: what reaches
// the wire, the reports, the exit codes, Ctrl-C and the progress bar.
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <thread>

#include "cli_harness.h"
#include "pages/ddr/ddr_patterns.h"

namespace vandok::cli::test {
namespace {

std::vector<std::string> ddr(const std::string& start, const std::string& size, std::vector<std::string> more = {}) {
  more.insert(more.begin(), {"ddr-test", "--start", start, "--size", size});
  return more;
}

std::vector<std::string> at_idle(std::vector<std::string> args, const std::string& seconds) {
  args.insert(args.end(), {"--idle-timeout", seconds});
  return args;
}

// Written out here from the documented layout: 32-bit little-endian words, tail 0xFF.
std::vector<std::uint8_t> words(std::uint32_t size, std::uint32_t (*word)(std::uint32_t k)) {
  std::vector<std::uint8_t> b(size, 0xFF);
  for (std::uint32_t k = 0; k < size / 4; ++k)
    for (int i = 0; i < 4; ++i) b[4 * k + i] = static_cast<std::uint8_t>(word(k) >> (8 * i));
  return b;
}

TEST(CliPatterns, OnTheWireAsDocumented) {
  constexpr std::uint32_t kSize = 0x30003;  // several chunks and a tail of 3 bytes
  const std::pair<const char*, std::vector<std::uint8_t>> cases[] = {
      {"increment", words(kSize, [](std::uint32_t k) { return k; })},
      {"walking-ones", words(kSize, [](std::uint32_t k) { return 1u << (k % 32); })},
      {"address", words(kSize, [](std::uint32_t k) { return 0x20000100 + 4 * k; })},
  };
  Sim sim;
  for (const auto& [name, expected] : cases) {
    const Finished f = run_cli(at(sim, ddr("20000100", "30003", {"--pattern", name})));
    EXPECT_EQ(f.exit_code, 0) << name << f.err;
    EXPECT_NE(f.out.find("DDR Read Write Success!!"), std::string::npos) << f.out;
  }
  const auto log = sim.commands(6);
  ASSERT_EQ(log.size(), 6u);
  for (std::size_t i = 0; i < 3; ++i) {
    const FlatJson write = parse_json(log[2 * i]), read = parse_json(log[2 * i + 1]);
    EXPECT_EQ(write.at("name") + " " + write.at("address") + " " + write.at("length"), "DDR_WRITE 536871168 196611");
    EXPECT_EQ(write.at("sha256"), sha256_hex(cases[i].second)) << cases[i].first;
    EXPECT_EQ(read.at("name") + " " + read.at("length"), "DDR_READ 196611");
  }
}

TEST(CliPatterns, RandomSeedIsReportedAndRepeatsTheRun) {
  Sim sim;
  const Finished chosen = run_cli(at(sim, ddr("20000000", "10000", {"--pattern", "random", "--repeat", "2", "--json"})));
  ASSERT_EQ(chosen.exit_code, 0) << chosen.err;
  const std::string seed = parse_json(chosen.out)["seed"];
  ASSERT_FALSE(seed.empty()) << chosen.out;
  const Finished again = run_cli(at(sim, ddr("20000000", "10000", {"--pattern", "random", "--repeat", "2", "--seed", seed})));
  ASSERT_EQ(again.exit_code, 0) << again.err;
  EXPECT_NE(again.out.find("seed " + seed), std::string::npos) << again.out;
  // Both runs: each pass writes the next 0x10000 bytes of the one seeded sequence.
  const auto log = sim.commands(8);
  ASSERT_EQ(log.size(), 8u);
  RandomWords sequence(std::stoull(seed));
  for (int pass = 0; pass < 2; ++pass) {
    std::vector<std::uint8_t> expected(0x10000);
    fill_ddr_pattern(DdrPattern::Random, expected.data(), 0x10000, 0x20000000, sequence);
    EXPECT_EQ(parse_json(log[2 * pass])["sha256"], sha256_hex(expected)) << pass;
    EXPECT_EQ(parse_json(log[4 + 2 * pass])["sha256"], sha256_hex(expected)) << pass;
  }
}

TEST(CliMismatch, ReportAgainstACorruptingBoard) {
  Sim sim({"--corrupt-read"});
  // Unaligned start: the corrupted middle byte 0x20000802 is in byte lane 2.
  const Finished f = run_cli(at(sim, ddr("20000002", "1000", {"--repeat", "3", "--json"})));
  EXPECT_EQ(f.exit_code, 1);
  EXPECT_EQ(f.err, "ERROR : write read data compare failed!\n");
  FlatJson r = parse_json(f.out);
  const FlatJson expected = {
      {"result", "fail"}, {"exit_code", "1"}, {"failed_pass", "1"}, {"passes_completed", "0"},
      {"mismatch.differing_bytes", "1"}, {"mismatch.lowest_address", "0x20000802"},
      {"mismatch.highest_address", "0x20000802"}, {"mismatch.failing_bits", "0x00010000"},
      {"mismatch.first.0.address", "0x20000802"}, {"mismatch.first.0.expected", "0x00"},  // byte 0 of word 0x200
      {"mismatch.first.0.actual", "0x01"}, {"mismatch.first.0.xor", "0x01"}};
  for (const auto& [key, value] : expected) EXPECT_EQ(r[key], value) << key << " in " << f.out;
  EXPECT_FALSE(r.count("mismatch.first.1.address"));
  EXPECT_EQ(sim.commands(2).size(), 2u) << "stops at the first failing pass";

  const Finished text = run_cli(at(sim, ddr("20000002", "1000")));
  EXPECT_EQ(text.exit_code, 1);
  EXPECT_NE(text.out.find("differing bytes: 1\n"), std::string::npos) << text.out;
  EXPECT_NE(text.out.find("0x20000802  0x00      0x01    0x01"), std::string::npos) << text.out;
}

struct ExitCase {
  std::vector<std::string> sim_flags, args;
  int exit_code;
  std::string error;  // first line on stderr
};

class CliExit : public testing::TestWithParam<ExitCase> {};

TEST_P(CliExit, CodeAndMessage) {
  const ExitCase& c = GetParam();
  Sim sim(c.sim_flags);
  const Finished f = run_cli(at(sim, c.args));
  EXPECT_EQ(f.exit_code, c.exit_code) << f.err;
  EXPECT_EQ(f.err.substr(0, f.err.find('\n')), c.error);
  if (c.exit_code == 3) {
    EXPECT_EQ(sim.connections(), 0u) << "refused input never reaches the board";
  }
}

INSTANTIATE_TEST_SUITE_P(
    Codes, CliExit,
    testing::Values(
        ExitCase{{}, ddr("20000000", "1000"), 0, ""}, ExitCase{{}, {"regwrite", "FFFFFFFF", ""}, 0, ""},
        ExitCase{{}, {"--port", "1", "discover"}, 2, "ERROR : Can not find Broad!"},  // the last --port counts
        ExitCase{{"--close-mid-read"}, ddr("20000000", "40000"), 2, "ERROR : write receive failed!"},
        // A board that stops taking data fails the write after the idle limit.
        ExitCase{{"--stall-after", "100000"}, at_idle(ddr("20000000", "2000000"), "1"), 2,
                 "ERROR : TCP failed more than 64KB!"},
        ExitCase{{"--silent-read"}, at_idle(ddr("20000000", "1000"), "1"), 2, "ERROR : write receive failed!"},
        // Surplus bytes after a read are a link fault, never a mismatch.
        ExitCase{{"--extra-read-bytes", "100"}, ddr("20000000", "1000", {"--repeat", "3"}), 2,
                 "ERROR : write receive failed!"},
        ExitCase{{}, ddr("2000000G", "1000"), 3, "ERROR : DDR Address!"},
        ExitCase{{}, ddr("1FFFFFFF", "1000"), 3, "ERROR : DDR Address Over!"},
        ExitCase{{}, ddr("20000000", "0x1000"), 3, "ERROR : DDR Size!"},
        ExitCase{{}, ddr("20000000", "0"), 3, "ERROR : User size 0!"},
        ExitCase{{}, ddr("20000000", "20000000"), 3, "ERROR : DDR Size Over!"},
        ExitCase{{}, {"regwrite", "123456789", "1"}, 3, "ERROR : Address!"},
        ExitCase{{}, {"regwrite", "24", "-1"}, 3, "ERROR : Value!"},
        ExitCase{{}, {"reconfig", "/nonexistent/image.rpd"}, 3, "ERROR : Can not open rpt file!"},
        ExitCase{{}, {"ddr-test", "--size", "10"}, 3, "vandok-cli: ddr-test needs --start and --size"}));

TEST(CliRegister, OnTheWire) {
  Sim sim;
  const Finished f = run_cli(at(sim, {"regwrite", "a0", "DEADbeef", "--json"}));
  ASSERT_EQ(f.exit_code, 0) << f.err;
  FlatJson r = parse_json(f.out);
  EXPECT_EQ(r["address"] + " " + r["value"], "0x000000A0 0xDEADBEEF");
  const auto log = sim.commands(1);
  ASSERT_EQ(log.size(), 1u);
  FlatJson w = parse_json(log[0]);
  EXPECT_EQ(w["command"] + " " + w["length"] + " " + w["address"] + " " + w["value"] + " " + w["status"],
            "4 0 160 " + std::to_string(0xDEADBEEFu) + " ok");
}

TEST(CliReconfig, ImagesArriveWholeWithErasedPadding) {
  Sim sim;
  // Empty (one chunk of padding), one whole chunk, and a partial last chunk.
  std::size_t sent = 0;
  for (std::size_t size : {0, 65536, 100000}) {
    std::vector<std::uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(i * 7 + (i >> 9));
    const std::filesystem::path image = sim.dir() / "image.rpd";
    std::ofstream(image, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(size));
    const Finished f = run_cli(at(sim, {"reconfig", image.string(), "--json"}));
    ASSERT_EQ(f.exit_code, 0) << f.err;
    FlatJson r = parse_json(f.out);
    EXPECT_EQ(r["message"] + " " + r["image_bytes"] + " " + r["chunks"],
              "Reconfig Complete!! " + std::to_string(size) + " " + std::to_string(size ? (size + 65535) / 65536 : 1));
    const auto log = sim.commands(++sent);
    ASSERT_EQ(log.size(), sent);
    FlatJson w = parse_json(log.back());
    EXPECT_EQ(w["name"] + " " + w["address"] + " " + w["length"] + " " + w["padding_ok"] + " " + w["status"],
              "FLASH_IMAGE 6291456 " + std::to_string(size) + " true ok");
    std::ifstream in(sim.flash_path(), std::ios::binary);
    EXPECT_EQ(std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {}), bytes) << size;
  }
}

TEST(CliJson, ReportsOnOneLine) {
  Sim sim;
  const Finished f = run_cli(at(sim, ddr("20000000", "20000", {"--repeat", "2", "--json"})));
  ASSERT_EQ(f.exit_code, 0) << f.err;
  EXPECT_EQ(f.err, "");
  EXPECT_EQ(f.out.find('\n'), f.out.size() - 1) << "one line";
  FlatJson r = parse_json(f.out);
  const FlatJson expected = {
      {"command", "ddr-test"}, {"result", "pass"}, {"exit_code", "0"}, {"message", "DDR Read Write Success!!"},
      {"board", "127.0.0.1"}, {"port", sim.port()}, {"start", "0x20000000"}, {"size", "0x00020000"},
      {"pattern", "increment"}, {"seed", "null"}, {"repeat", "2"}, {"passes_completed", "2"},
      {"failed_pass", "null"}, {"bytes_transferred", std::to_string(4 * 0x20000)}};
  for (const auto& [key, value] : expected) EXPECT_EQ(r[key], value) << key;
  EXPECT_TRUE(r.count("elapsed_seconds") && r.count("bytes_per_second"));
  // A refused command line still gets its report, whatever follows the refusal.
  const Finished bad = run_cli({"ddr-test", "--pattern", "zeros", "--json"});
  EXPECT_EQ(bad.exit_code, 3);
  r = parse_json(bad.out);
  EXPECT_EQ(r["command"] + " " + r["result"] + " " + r["board"], "ddr-test bad_input null");
}

TEST(CliCancel, CtrlCWhileTheBoardIsSilent) {
  Sim sim({"--silent-read"});
  Child cli({VANDOK_CLI_BINARY, "--board", "127.0.0.1", "--port", sim.port(), "ddr-test", "--start", "20000000",
             "--size", "1000", "--json"});
  const auto log = sim.commands(2);
  ASSERT_EQ(log.size(), 2u);
  ASSERT_EQ(parse_json(log[1])["status"], "fault_silent");  // asked, never to be answered
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  const auto sent = std::chrono::steady_clock::now();
  ::kill(cli.pid(), SIGINT);
  const Finished f = cli.wait();
  EXPECT_LT(std::chrono::steady_clock::now() - sent, std::chrono::seconds(1)) << "the 3 s wait was not cut short";
  EXPECT_EQ(f.exit_code, 130);
  EXPECT_EQ(f.err, "Cancelled\n");
  EXPECT_EQ(parse_json(f.out)["result"], "cancelled");
}

// On a pseudo-terminal against a throttled board, then the same run on a pipe.
TEST(CliProgress, BarOnATerminalOnly) {
  Sim sim({"--throttle", "8000000"});
  const std::vector<std::string> args = at(sim, ddr("20000000", "200000"));
  int terminal = -1;
  const pid_t pid = ::forkpty(&terminal, nullptr, nullptr, nullptr);
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    std::vector<char*> argv{const_cast<char*>(VANDOK_CLI_BINARY)};
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  std::string screen;
  char buf[4096];
  pollfd p{terminal, POLLIN, 0};
  for (ssize_t n = 1; n > 0 && ::poll(&p, 1, 10000) == 1;)  // read fails with EIO once the child is gone
    if ((n = ::read(terminal, buf, sizeof buf)) > 0) screen.append(buf, static_cast<std::size_t>(n));
  int status = 0;
  ::waitpid(pid, &status, 0);
  ::close(terminal);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << screen;
  for (const char* part : {"\rread  1/1 [", " MiB/s  00:0", " / ~00:0", "DDR Read Write Success!!"})
    EXPECT_NE(screen.find(part), std::string::npos) << part << " in " << screen;

  const Finished piped = run_cli(args);
  EXPECT_EQ(piped.exit_code, 0);
  EXPECT_EQ(piped.out.find('\r'), std::string::npos) << piped.out;
}

}  // namespace
}  // namespace vandok::cli::test
