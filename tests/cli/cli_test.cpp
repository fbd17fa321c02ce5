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

#include "cli/progress.h"
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
  std::string more = {};  // in the rest of stderr, or on stdout
};

class CliExit : public testing::TestWithParam<ExitCase> {};

TEST_P(CliExit, CodeAndMessage) {
  const ExitCase& c = GetParam();
  Sim sim(c.sim_flags);
  const Finished f = run_cli(at(sim, c.args));
  EXPECT_EQ(f.exit_code, c.exit_code) << f.err;
  EXPECT_EQ(f.err.substr(0, f.err.find('\n')), c.error);
  EXPECT_TRUE(c.more.empty() || (f.err + f.out).find(c.more) != std::string::npos) << f.err << f.out;
  if (c.exit_code == 3) {
    EXPECT_EQ(sim.connections(), 0u) << "refused input never reaches the board";
  }
}

INSTANTIATE_TEST_SUITE_P(
    Codes, CliExit,
    testing::Values(
        ExitCase{{}, ddr("20000000", "1000"), 0, ""}, ExitCase{{}, {"regwrite", "0xFFFFFFFF", "0x5a"}, 0, ""},
        ExitCase{{}, {"--port", "1", "discover"}, 2, "ERROR : Can not find Broad!",  // the last --port counts
                 "\nno connection to 127.0.0.1 port 1: refused; check the address, the port and the cable\n"},
        ExitCase{{}, {"--port", "1", "-v", "discover"}, 2, "trying 127.0.0.1 port 1: refused"},
        ExitCase{{}, {"--port", "1", "-q", "discover"}, 2, "ERROR : Can not find Broad!"},
        ExitCase{{"--close-mid-read"}, ddr("20000000", "40000"), 2, "ERROR : write receive failed!"},
        // A board that stops taking data fails the write after the idle limit.
        ExitCase{{"--stall-after", "100000"}, at_idle(ddr("20000000", "2000000"), "1"), 2,
                 "ERROR : TCP failed more than 64KB!"},
        ExitCase{{"--silent-read"}, at_idle(ddr("20000000", "1000"), "1"), 2, "ERROR : write receive failed!"},
        // Surplus bytes after a read are a link fault, never a mismatch.
        ExitCase{{"--extra-read-bytes", "100"}, ddr("20000000", "1000", {"--repeat", "3"}), 2,
                 "ERROR : write receive failed!"},
        // The companion's field forms; the window's words, then why on the next line.
        ExitCase{{}, ddr("0x20000000", "4K"), 0, "", "transferred 8.0 KiB in "},
        ExitCase{{}, ddr("512M", "0x400"), 0, "", "start 0x20000000 size 0x00000400"},
        ExitCase{{}, ddr("2000000G", "1000"), 3, "ERROR : DDR Address!",
                 "\n--start '2000000G' is not up to 8 hexadecimal digits, optionally after 0x, or a decimal number "
                 "with K or M (512M)\n"},
        ExitCase{{}, ddr("1FFFFFFF", "1000"), 3, "ERROR : DDR Address Over!",
                 "\n--start is 0x20000000 to 0x3FFFFFFE, not 0x1FFFFFFF\n"},
        ExitCase{{}, ddr("3FFFF000", "2000"), 3, "ERROR : DDR Size Over!",
                 "\nfrom --start 0x3FFFF000 --size is at most 0x00000FFF (the end is 0x3FFFFFFF), not 0x00002000\n"},
        ExitCase{{}, ddr("20000000", "0x0x1000"), 3, "ERROR : DDR Size!"},
        ExitCase{{}, ddr("20000000", "4096M"), 3, "ERROR : DDR Size!", "--size '4096M' is more than 0xFFFFFFFF"},
        ExitCase{{}, ddr("20000000", ""), 3, "ERROR : DDR Size!", "--size is empty"},
        ExitCase{{}, ddr("20000000", "0"), 3, "ERROR : User size 0!"},
        ExitCase{{}, ddr("20000000", "20000000"), 3, "ERROR : DDR Size Over!"},
        ExitCase{{}, {"regwrite", "123456789", "1"}, 3, "ERROR : Address!"},
        ExitCase{{}, {"regwrite", "", "1"}, 3, "ERROR : Address!", "ADDR is empty"},
        ExitCase{{}, {"regwrite", "FFFFFFFF", ""}, 3, "ERROR : Value!", "VALUE is empty"},
        ExitCase{{}, {"regwrite", "24", "-1"}, 3, "ERROR : Value!"},
        ExitCase{{}, {"reconfig", "/nonexistent/image.rpd"}, 3, "ERROR : Can not open rpt file!"},
        ExitCase{{}, {"ddr-test", "--size", "10"}, 3, "vandok-cli: ddr-test needs --start and --size"},
        // Options as other tools spell them.
        ExitCase{{}, {"--version"}, 0, "", "vandok-cli "}, ExitCase{{}, {"-V"}, 0, "", " (build: "},
        ExitCase{{}, {"-h"}, 0, "", "  143  cancelled by SIGTERM\n"},
        ExitCase{{}, {"discover", "--frobnicate"}, 3, "vandok-cli: unknown option --frobnicate"},
        ExitCase{{}, {"discover", "--port", "0x0x1"}, 3, "vandok-cli: --port needs a port number 1-65535, not '0x0x1'"}));

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

// Complete only once the board has taken the image: a board that reads 2 MB/s
// needs about 2 s for 4 MiB, whatever our send buffer could hold.
TEST(CliReconfig, CompleteWhenTheBoardHasTakenEveryByte) {
  Sim sim({"--throttle", "2000000"});
  const std::filesystem::path image = sim.dir() / "slow.rpd";
  std::ofstream(image, std::ios::binary) << std::string(4 << 20, '\x5A');
  const Finished f = run_cli(at(sim, {"reconfig", image.string(), "--json"}));
  ASSERT_EQ(f.exit_code, 0) << f.err;
  FlatJson r = parse_json(f.out);
  EXPECT_EQ(r["confirmed"], "true");
  EXPECT_GT(std::stod(r["elapsed_seconds"]), 1.0) << "reported before the board had the image";
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
  // Bytes that are not UTF-8 reach the report as U+FFFD, never as they came.
  const Finished latin1 = run_cli({"r\xE9glage", "--json"});
  EXPECT_EQ(parse_json(latin1.out)["message"], "unknown command 'r\xEF\xBF\xBDglage'") << latin1.out;
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

// GNU timeout signals the program, then its process group: the repeat is the
// same request, and the report is written every time.
TEST(CliCancel, TimeoutsSecondSignalKeepsTheReport) {
  Sim sim({"--silent-read"});
  for (int run = 0; run < 5; ++run) {
    Child cli({"/usr/bin/timeout", "-s", "INT", "0.5", VANDOK_CLI_BINARY, "--board", "127.0.0.1", "--port", sim.port(),
               "ddr-test", "--start", "20000000", "--size", "1000", "--json"});
    const Finished f = cli.wait();
    EXPECT_EQ(f.exit_code, 124) << run << f.err;  // timeout's own word for "timed out"
    EXPECT_EQ(parse_json(f.out)["result"], "cancelled") << run << ": " << f.out;
  }
  // SIGTERM twice, straight after each other.
  Child cli({VANDOK_CLI_BINARY, "--board", "127.0.0.1", "--port", sim.port(), "ddr-test", "--start", "20000000",
             "--size", "1000", "--json"});
  sim.commands(sim.commands().size() + 2);
  ::kill(cli.pid(), SIGTERM);
  ::kill(cli.pid(), SIGTERM);
  const Finished f = cli.wait();
  EXPECT_EQ(f.exit_code, 143);
  EXPECT_EQ(parse_json(f.out)["result"], "cancelled") << f.out;
}

// On a pseudo-terminal against a throttled board, then the same run on a pipe.
TEST(CliProgress, BarOnATerminalOnly) {
  Sim sim({"--throttle", "8000000"});
  const std::vector<std::string> args = at(sim, ddr("20000000", "200000"));
  int terminal = -1;
  winsize wide{};
  wide.ws_col = 120;  // room for every figure
  wide.ws_row = 24;
  const pid_t pid = ::forkpty(&terminal, nullptr, nullptr, &wide);
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
  for (const char* part : {"\rread  1/1 [", "  transferred ", " MiB of 4.00 MiB  ", " MiB/s  elapsed 00:0",
                           "  left ~00:0", "DDR Read Write Success!!"})
    EXPECT_NE(screen.find(part), std::string::npos) << part << " in " << screen;

  const Finished piped = run_cli(args);
  EXPECT_EQ(piped.exit_code, 0);
  EXPECT_EQ(piped.out.find('\r'), std::string::npos) << piped.out;
  EXPECT_EQ(piped.err.find('\r'), std::string::npos) << piped.err;
}

// Forced onto a pipe, against a board that falls silent: the elapsed time keeps counting.
TEST(CliProgress, ClockRunsWhileTheBoardIsSilent) {
  Sim sim({"--silent-read"});
  Child cli({VANDOK_CLI_BINARY, "--board", "127.0.0.1", "--port", sim.port(), "--progress", "ddr-test", "--start",
             "20000000", "--size", "1000"});
  sim.commands(2);
  std::this_thread::sleep_for(std::chrono::milliseconds(1600));
  ::kill(cli.pid(), SIGINT);
  const Finished f = cli.wait();
  EXPECT_EQ(f.exit_code, 130);
  // The write went through; the read's wait goes on without a byte.
  EXPECT_NE(f.err.find("\rwrite 1/1 ["), std::string::npos) << f.err;
  EXPECT_NE(f.err.find("   50%  transferred 4.0 KiB of 8.0 KiB  "), std::string::npos) << f.err;
  EXPECT_NE(f.err.find("  elapsed 00:01"), std::string::npos) << f.err;
}

TEST(CliProgress, LineFitsANarrowTerminal) {
  for (int width : {30, 50, 80, 200}) {
    const std::string line = progress_line("write 1/1", 3 << 20, 8 << 20, 2.5, width);
    EXPECT_LE(line.size(), static_cast<std::size_t>(width - 1)) << line;
    EXPECT_EQ(line.rfind("write 1/1 [", 0), 0u) << line;
  }
  EXPECT_EQ(progress_line("write 1/1", 3 << 20, 8 << 20, 2.5, 120),
            "write 1/1 [##########.................]   37%  transferred 3.00 MiB of 8.00 MiB  1.20 MiB/s  elapsed 00:02"
            "  left ~00:04");
  EXPECT_EQ(transfer_figures(2048, 0.0031), "2.0 KiB in 3 ms (645.2 KiB/s)");
}

}  // namespace
}  // namespace vandok::cli::test
