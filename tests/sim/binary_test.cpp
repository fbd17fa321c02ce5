// The built vandok-board-sim program: start-up output, port file, signals, exit codes.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "link/bulk_transfer.h"

extern char** environ;

namespace vandok::sim::test {
namespace {

class Process {
 public:
  explicit Process(std::vector<std::string> args) {
    args.insert(args.begin(), VANDOK_SIM_BINARY);
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    int fds[2];
    if (::pipe(fds) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    if (posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    ::close(fds[1]);
    out_ = fds[0];
  }
  ~Process() {
    if (pid_ > 0) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
    if (out_ >= 0) ::close(out_);
  }

  // Stdout up to the next newline (or the end), or what came within 2 s.
  std::string line(char stop = '\n') {
    std::string text;
    char c = 0;
    pollfd p{out_, POLLIN, 0};
    while (::poll(&p, 1, 2000) == 1 && ::read(out_, &c, 1) == 1 && c != stop) text += c;
    return text;
  }
  // Exit code, or -1 when it did not exit normally within 2 s.
  int wait_exit() {
    for (int i = 0; i < 200; ++i) {
      int status = 0;
      if (::waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
      }
      ::usleep(10000);
    }
    return -1;
  }
  pid_t pid() const { return pid_; }

 private:
  pid_t pid_ = -1;
  int out_ = -1;
};

std::uint16_t port_of(const std::string& listening_line) {
  const std::string prefix = "listening on 127.0.0.1:";
  if (listening_line.rfind(prefix, 0) != 0) return 0;
  return static_cast<std::uint16_t>(std::atoi(listening_line.c_str() + prefix.size()));
}

net::Socket connect_to(std::uint16_t port) {
  const net::Socket s = net::open_stream();
  if (net::connect_ipv4(s, 0x7F000001, port, 2000)) return s;
  net::close(s);
  return net::kInvalidSocket;
}

class SimBinarySignal : public testing::TestWithParam<int> {};

TEST_P(SimBinarySignal, AnnouncesItsPortAndExitsCleanly) {
  const auto port_file = std::filesystem::temp_directory_path() / ("vandok-sim-port-" + std::to_string(getpid()));
  Process sim({"--port", "0", "--port-file", port_file.string()});
  const std::uint16_t port = port_of(sim.line());
  ASSERT_NE(port, 0);
  std::ifstream in(port_file);
  unsigned from_file = 0;
  in >> from_file;
  EXPECT_EQ(from_file, port);
  std::filesystem::remove(port_file);

  const net::Socket s = connect_to(port);
  ASSERT_NE(s, net::kInvalidSocket);
  ASSERT_TRUE(send_header(s, {CMD_REGISTER_WRITE, 0, 5, 6}));
  EXPECT_EQ(sim.line().rfind("connect peer=127.0.0.1:", 0), 0u);
  EXPECT_EQ(sim.line().rfind("REGISTER_WRITE ", 0), 0u);
  // A signal during an open connection still ends the program at once.
  ::kill(sim.pid(), GetParam());
  EXPECT_EQ(sim.wait_exit(), 0);
  net::close(s);
}

INSTANTIATE_TEST_SUITE_P(Signals, SimBinarySignal, testing::Values(SIGINT, SIGTERM),
                         [](const auto& info) { return std::string(sigabbrev_np(info.param)); });

TEST(SimBinary, MaxConnectionsEndsTheProgram) {
  Process sim({"--port=0", "--max-connections", "1"});
  const net::Socket s = connect_to(port_of(sim.line()));
  ASSERT_NE(s, net::kInvalidSocket);
  net::close(s);
  EXPECT_EQ(sim.wait_exit(), 0);
}

TEST(SimBinary, HelpAndBadUsage) {
  Process help({"--help"});
  const std::string text = help.line('\0');
  EXPECT_EQ(help.wait_exit(), 0);
  for (const char* flag : {"--listen", "--port", "--port-file", "--json-log", "--flash-out", "--max-connections", "--no-digest",
                           "--corrupt-read", "--close-mid-read", "--silent-read", "--extra-read-bytes",
                           "--stall-after", "--throttle", "--close-on-accept"})
    EXPECT_NE(text.find(flag), std::string::npos) << flag;

  Process bad({"--port", "99999"});
  EXPECT_EQ(bad.wait_exit(), 2);
}

}  // namespace
}  // namespace vandok::sim::test
