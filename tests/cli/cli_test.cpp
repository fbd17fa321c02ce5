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

constexpr std::uint32_t kStart = 0x20000100;
constexpr std::uint32_t kSize = 0x30003;  // several chunks and a tail of 3 bytes

std::vector<std::uint8_t> words(std::uint32_t size, std::uint32_t (*word)(std::uint32_t k)) {
  std::vector<std::uint8_t> b(size, 0xFF);
  for (std::uint32_t k = 0; k < size / 4; ++k)
    for (int i = 0; i < 4; ++i) b[4 * k + i] = static_cast<std::uint8_t>(word(k) >> (8 * i));
  return b;
}

struct PatternCase {
  const char* name;
  std::vector<std::uint8_t> (*expected)();
};

std::vector<std::uint8_t> increment() { return words(kSize, [](std::uint32_t k) { return k; }); }
std::vector<std::uint8_t> walking() { return words(kSize, [](std::uint32_t k) { return 1u << (k % 32); }); }
std::vector<std::uint8_t> address() { return words(kSize, [](std::uint32_t k) { return kStart + 4 * k; }); }

class CliPatterns : public testing::TestWithParam<PatternCase> {};

TEST_P(CliPatterns, WrittenAsDocumentedAndReadBack) {
  Sim sim;
  const Finished f = run_cli(at(sim, {"ddr-test", "--start", "20000100", "--size", "30003", "--pattern", GetParam().name}));
  EXPECT_EQ(f.exit_code, 0) << f.err;
  EXPECT_NE(f.out.find("DDR Read Write Success!!"), std::string::npos) << f.out;
  const auto log = sim.commands(2);
  ASSERT_EQ(log.size(), 2u);
  const FlatJson write = parse_json(log[0]), read = parse_json(log[1]);
  EXPECT_EQ(write.at("name"), "DDR_WRITE");
  EXPECT_EQ(write.at("address"), std::to_string(kStart));
  EXPECT_EQ(write.at("length"), std::to_string(kSize));
  EXPECT_EQ(write.at("sha256"), sha256_hex(GetParam().expected()));
  EXPECT_EQ(read.at("name"), "DDR_READ");
  EXPECT_EQ(read.at("length"), std::to_string(kSize));
}

INSTANTIATE_TEST_SUITE_P(Fixed, CliPatterns,
                         testing::Values(PatternCase{"increment", increment}, PatternCase{"walking-ones", walking},
                                         PatternCase{"address", address}),
                         [](const auto& info) { return std::string(info.param.name == std::string("walking-ones") ? "walking_ones" : info.param.name); });

TEST(CliRandom, SeedIsReportedAndRepeatsTheRun) {
  Sim sim;
  // No seed given: one is chosen and reported; giving it back writes the same data.
  const Finished chosen = run_cli(at(sim, {"ddr-test", "--start", "20000000", "--size", "10000", "--pattern", "random",
                                           "--repeat", "2", "--json"}));
  ASSERT_EQ(chosen.exit_code, 0) << chosen.err;
  const FlatJson report = parse_json(chosen.out);
  ASSERT_TRUE(report.count("seed")) << chosen.out;
  EXPECT_EQ(report.at("passes_completed"), "2");
  const Finished again = run_cli(at(sim, {"ddr-test", "--start", "20000000", "--size", "10000", "--pattern", "random",
                                          "--repeat", "2", "--seed", report.at("seed")}));
  ASSERT_EQ(again.exit_code, 0) << again.err;
  EXPECT_NE(again.out.find("seed " + report.at("seed")), std::string::npos) << again.out;

  const auto log = sim.commands(8);
  ASSERT_EQ(log.size(), 8u);
  // Each pass writes the next 0x10000 bytes of the one seeded stream.
  RandomWords stream(std::stoull(report.at("seed")));
  for (int pass = 0; pass < 2; ++pass) {
    std::vector<std::uint8_t> expected(0x10000);
    fill_ddr_pattern(DdrPattern::Random, expected.data(), 0x10000, 0x20000000, stream);
    const std::string sha = sha256_hex(expected);
    EXPECT_EQ(parse_json(log[2 * pass]).at("sha256"), sha) << pass;
    EXPECT_EQ(parse_json(log[4 + 2 * pass]).at("sha256"), sha) << pass;
  }
}

TEST(CliMismatch, ReportAgainstACorruptingBoard) {
  Sim sim({"--corrupt-read"});
  // Unaligned start: the middle byte 0x20000802 sits in byte lane 2.
  const Finished f = run_cli(at(sim, {"ddr-test", "--start", "20000002", "--size", "1000", "--repeat", "3", "--json"}));
  EXPECT_EQ(f.exit_code, 1);
  EXPECT_EQ(f.err, "ERROR : write read data compare failed!\n");
  const FlatJson r = parse_json(f.out);
  ASSERT_FALSE(r.empty()) << f.out;
  EXPECT_EQ(r.at("result"), "fail");
  EXPECT_EQ(r.at("exit_code"), "1");
  EXPECT_EQ(r.at("failed_pass"), "1");
  EXPECT_EQ(r.at("passes_completed"), "0");
  EXPECT_EQ(r.at("mismatch.differing_bytes"), "1");
  EXPECT_EQ(r.at("mismatch.lowest_address"), "0x20000802");
  EXPECT_EQ(r.at("mismatch.highest_address"), "0x20000802");
  EXPECT_EQ(r.at("mismatch.failing_bits"), "0x00010000");
  EXPECT_EQ(r.at("mismatch.first.0.address"), "0x20000802");
  EXPECT_EQ(r.at("mismatch.first.0.expected"), "0x00");  // byte 0 of word 0x200
  EXPECT_EQ(r.at("mismatch.first.0.actual"), "0x01");
  EXPECT_EQ(r.at("mismatch.first.0.xor"), "0x01");
  EXPECT_FALSE(r.count("mismatch.first.1.address"));
  EXPECT_EQ(sim.commands(2).size(), 2u) << "stops at the first failing pass";

  const Finished text = run_cli(at(sim, {"ddr-test", "--start", "20000002", "--size", "1000"}));
  EXPECT_EQ(text.exit_code, 1);
  EXPECT_NE(text.out.find("differing bytes: 1"), std::string::npos) << text.out;
  EXPECT_NE(text.out.find("0x20000802  0x00      0x01    0x01"), std::string::npos) << text.out;
}

struct ExitCase {
  std::vector<std::string> sim_flags;
  std::vector<std::string> args;
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
  // Refused input never reaches the board.
  if (c.exit_code == 3) {
    EXPECT_EQ(sim.connections(), 0u);
  }
}

std::vector<std::string> ddr(std::string size, std::string start = "20000000") {
  return {"ddr-test", "--start", start, "--size", size};
}

INSTANTIATE_TEST_SUITE_P(
    Codes, CliExit,
    testing::Values(
        ExitCase{{}, ddr("1000"), 0, ""},
        ExitCase{{}, {"regwrite", "FFFFFFFF", ""}, 0, ""},
        ExitCase{{"--close-mid-read"}, ddr("40000"), 2, "ERROR : write receive failed!"},
        // More than the socket buffers hold, so that the board's reset meets a send.
        ExitCase{{"--close-on-accept"}, ddr("2000000"), 2, "ERROR : TCP failed more than 64KB!"},
        ExitCase{{}, ddr("1000", "2000000G"), 3, "ERROR : DDR Address!"},
        ExitCase{{}, ddr("1000", "1FFFFFFF"), 3, "ERROR : DDR Address Over!"},
        ExitCase{{}, ddr("0x1000"), 3, "ERROR : DDR Size!"},
        ExitCase{{}, ddr("0"), 3, "ERROR : User size 0!"},
        ExitCase{{}, ddr("20000000"), 3, "ERROR : DDR Size Over!"},
        ExitCase{{}, {"regwrite", "123456789", "1"}, 3, "ERROR : Address!"},
        ExitCase{{}, {"regwrite", "24", "-1"}, 3, "ERROR : Value!"},
        ExitCase{{}, {"reconfig", "/nonexistent/image.rpd"}, 3, "ERROR : Can not open rpt file!"},
        ExitCase{{}, {"ddr-test", "--size", "10"}, 3, "vandok-cli: ddr-test needs --start and --size"}));

TEST(CliExitNoBoard, NobodyListening) {
  std::uint16_t port;
  {
    Sim gone;
    port = gone.port();
  }
  const Finished f = run_cli({"--board", "127.0.0.1", "--port", std::to_string(port), "discover", "--json"});
  EXPECT_EQ(f.exit_code, 2);
  EXPECT_EQ(f.err, "ERROR : Can not find Broad!\n");
  const FlatJson r = parse_json(f.out);
  EXPECT_EQ(r.at("result"), "link_error");
  EXPECT_EQ(r.at("board"), "null");
}

TEST(CliRegister, OnTheWire) {
  Sim sim;
  const Finished f = run_cli(at(sim, {"regwrite", "a0", "DEADbeef", "--json"}));
  ASSERT_EQ(f.exit_code, 0) << f.err;
  const FlatJson r = parse_json(f.out);
  EXPECT_EQ(r.at("command"), "regwrite");
  EXPECT_EQ(r.at("address"), "0x000000A0");
  EXPECT_EQ(r.at("value"), "0xDEADBEEF");
  const auto log = sim.commands(1);
  ASSERT_EQ(log.size(), 1u);
  const FlatJson w = parse_json(log[0]);
  EXPECT_EQ(w.at("command"), "4");
  EXPECT_EQ(w.at("address"), "160");
  EXPECT_EQ(w.at("value"), std::to_string(0xDEADBEEFu));
  EXPECT_EQ(w.at("length"), "0");
  EXPECT_EQ(w.at("status"), "ok");
}

class CliReconfig : public testing::TestWithParam<std::size_t> {};

TEST_P(CliReconfig, ImageArrivesWholeWithErasedPadding) {
  Sim sim;
  const std::filesystem::path image = sim.dir() / "image.rpd";
  std::vector<std::uint8_t> bytes(GetParam());
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i * 7 + (i >> 9));
  std::ofstream(image, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
  const Finished f = run_cli(at(sim, {"reconfig", image.string(), "--json"}));
  ASSERT_EQ(f.exit_code, 0) << f.err;
  const FlatJson r = parse_json(f.out);
  EXPECT_EQ(r.at("message"), "Reconfig Complete!!");
  EXPECT_EQ(r.at("image_bytes"), std::to_string(bytes.size()));
  EXPECT_EQ(r.at("chunks"), std::to_string(bytes.empty() ? 1 : (bytes.size() + 65535) / 65536));
  const auto log = sim.commands(1);
  ASSERT_EQ(log.size(), 1u);
  const FlatJson w = parse_json(log[0]);
  EXPECT_EQ(w.at("name"), "FLASH_IMAGE");
  EXPECT_EQ(w.at("address"), std::to_string(0x00600000));
  EXPECT_EQ(w.at("length"), std::to_string(bytes.size()));
  EXPECT_EQ(w.at("padding_ok"), "true");
  EXPECT_EQ(w.at("status"), "ok");
  std::ifstream in(sim.flash_path(), std::ios::binary);
  const std::vector<std::uint8_t> arrived((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(arrived, bytes);
}

// Empty (one chunk of padding), a whole chunk, and a partial last chunk.
INSTANTIATE_TEST_SUITE_P(Sizes, CliReconfig, testing::Values(0, 65536, 100000));

TEST(CliJson, DiscoverReportAndOneLine) {
  Sim sim;
  const Finished f = run_cli(at(sim, {"--json", "discover"}));
  ASSERT_EQ(f.exit_code, 0) << f.err;
  EXPECT_EQ(f.out.find('\n'), f.out.size() - 1) << "one line";
  const FlatJson r = parse_json(f.out);
  EXPECT_EQ(r.at("command"), "discover");
  EXPECT_EQ(r.at("result"), "pass");
  EXPECT_EQ(r.at("exit_code"), "0");
  EXPECT_EQ(r.at("board"), "127.0.0.1");
  EXPECT_EQ(r.at("port"), sim.port_text());

  const Finished bad = run_cli({"ddr-test", "--start", "20000000", "--size", "10", "--pattern", "zeros", "--json"});
  EXPECT_EQ(bad.exit_code, 3);
  const FlatJson b = parse_json(bad.out);
  EXPECT_EQ(b.at("command"), "ddr-test");
  EXPECT_EQ(b.at("result"), "bad_input");
}

TEST(CliJson, DdrPassReport) {
  Sim sim;
  const Finished f = run_cli(at(sim, {"ddr-test", "--start", "20000000", "--size", "20000", "--repeat", "2", "--json"}));
  ASSERT_EQ(f.exit_code, 0) << f.err;
  EXPECT_EQ(f.err, "");
  const FlatJson r = parse_json(f.out);
  ASSERT_FALSE(r.empty()) << f.out;
  const FlatJson expected = {{"command", "ddr-test"}, {"result", "pass"}, {"exit_code", "0"},
                             {"message", "DDR Read Write Success!!"}, {"board", "127.0.0.1"},
                             {"start", "0x20000000"}, {"size", "0x00020000"}, {"pattern", "increment"},
                             {"seed", "null"}, {"repeat", "2"}, {"passes_completed", "2"},
                             {"failed_pass", "null"}, {"bytes_transferred", std::to_string(4 * 0x20000)}};
  for (const auto& [key, value] : expected) EXPECT_EQ(r.count(key) ? r.at(key) : "<missing>", value) << key;
  EXPECT_TRUE(r.count("elapsed_seconds") && r.count("bytes_per_second"));
  EXPECT_FALSE(r.count("mismatch.differing_bytes"));
}

TEST(CliCancel, CtrlCWhileTheBoardIsSilent) {
  Sim sim({"--silent-read"});
  Child cli({VANDOK_CLI_BINARY, "--board", "127.0.0.1", "--port", sim.port_text(), "ddr-test", "--start", "20000000",
             "--size", "1000", "--json"});
  const auto log = sim.commands(2);  // the read was asked for and will never be answered
  ASSERT_EQ(log.size(), 2u);
  ASSERT_EQ(parse_json(log[1]).at("status"), "fault_silent");
  std::this_thread::sleep_for(std::chrono::milliseconds(100));  // into the wait
  const auto sent = std::chrono::steady_clock::now();
  ::kill(cli.pid(), SIGINT);
  const Finished f = cli.wait(std::chrono::seconds(10));
  const double after = std::chrono::duration<double>(std::chrono::steady_clock::now() - sent).count();
  EXPECT_LT(after, 1.0) << "the 3 s wait was not cut short";
  EXPECT_EQ(f.exit_code, 130);
  EXPECT_EQ(f.err, "Cancelled\n");
  const FlatJson r = parse_json(f.out);
  EXPECT_EQ(r.at("result"), "cancelled");
}

// The bar is drawn only on a terminal: the CLI on a pseudo-terminal against a
// throttled board, then the same run on a pipe.
TEST(CliProgress, BarOnATerminalOnly) {
  Sim sim({"--throttle", "8000000"});
  const std::vector<std::string> args = at(sim, {"ddr-test", "--start", "20000000", "--size", "200000"});
  int master = -1;
  const pid_t pid = ::forkpty(&master, nullptr, nullptr, nullptr);
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
  pollfd p{master, POLLIN, 0};
  while (::poll(&p, 1, 10000) == 1) {
    const ssize_t n = ::read(master, buf, sizeof buf);
    if (n <= 0) break;  // EIO once the child is gone
    screen.append(buf, static_cast<std::size_t>(n));
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  ::close(master);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << screen;
  EXPECT_NE(screen.find("\rread  1/1 ["), std::string::npos) << screen;
  EXPECT_NE(screen.find(" MiB/s  00:0"), std::string::npos) << screen;
  EXPECT_NE(screen.find(" / ~00:0"), std::string::npos) << screen;
  EXPECT_NE(screen.find("DDR Read Write Success!!"), std::string::npos) << screen;

  const Finished piped = run_cli(args);
  EXPECT_EQ(piped.exit_code, 0);
  EXPECT_EQ(piped.out.find('\r'), std::string::npos) << piped.out;
  EXPECT_EQ(piped.out.find("MiB/s  "), std::string::npos) << piped.out;
}

}  // namespace
}  // namespace vandok::cli::test
