#include "cli_harness.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <fstream>
#include <thread>

#include "link/sha256.h"

extern char** environ;

namespace vandok::cli::test {

namespace {

pid_t spawn(std::vector<std::string> args, int out_fd, int err_fd) {
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, out_fd, STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(&actions, err_fd, STDERR_FILENO);
  pid_t pid = -1;
  if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid = -1;
  posix_spawn_file_actions_destroy(&actions);
  return pid;
}

}  // namespace

Child::Child(std::vector<std::string> argv) {
  int out[2], err[2];
  if (::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0) return;
  pid_ = spawn(std::move(argv), out[1], err[1]);
  ::close(out[1]);
  ::close(err[1]);
  out_ = out[0];
  err_ = err[0];
}

Child::~Child() {
  if (pid_ > 0 && ::kill(pid_, SIGKILL) == 0) ::waitpid(pid_, nullptr, 0);
  ::close(out_);
  ::close(err_);
}

Finished Child::wait(std::chrono::seconds timeout) {
  Finished f;
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  pollfd p[2] = {{out_, POLLIN, 0}, {err_, POLLIN, 0}};
  std::string* into[2] = {&f.out, &f.err};
  for (int open = 2; open > 0;) {
    if (std::chrono::steady_clock::now() > deadline) {
      ::kill(pid_, SIGKILL);
      break;
    }
    if (::poll(p, 2, 100) <= 0) continue;
    for (int i = 0; i < 2; ++i) {
      char buf[4096];
      const ssize_t n = p[i].revents ? ::read(p[i].fd, buf, sizeof buf) : -2;
      if (n > 0) into[i]->append(buf, static_cast<std::size_t>(n));
      if (n == 0 || n == -1) p[i].fd = -1, --open;
    }
  }
  int status = 0;
  ::waitpid(pid_, &status, 0);
  pid_ = -1;
  f.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return f;
}

Finished run_cli(const std::vector<std::string>& args) {
  std::vector<std::string> argv{VANDOK_CLI_BINARY};
  argv.insert(argv.end(), args.begin(), args.end());
  return Child(argv).wait();
}

Sim::Sim(std::vector<std::string> flags) {
  std::string tmpl = (std::filesystem::temp_directory_path() / "vandok-cli-XXXXXX").string();
  if (::mkdtemp(tmpl.data()) == nullptr) return;
  dir_ = tmpl;
  flags.insert(flags.begin(), {VANDOK_SIM_BINARY, "--port", "0", "--port-file", (dir_ / "port").string(), "--json-log",
                               (dir_ / "log.jsonl").string(), "--flash-out", flash_path().string()});
  const int null_fd = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
  pid_ = spawn(flags, null_fd, null_fd);
  ::close(null_fd);
  for (int i = 0; i < 200 && !(std::ifstream(dir_ / "port") >> port_); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
}

Sim::~Sim() {
  if (pid_ > 0 && ::kill(pid_, SIGTERM) == 0) ::waitpid(pid_, nullptr, 0);
  std::error_code ignored;
  std::filesystem::remove_all(dir_, ignored);
}

std::vector<std::string> Sim::commands(std::size_t n) const {
  std::vector<std::string> found;
  for (int i = 0; i < 400 && (i == 0 || found.size() < n); ++i) {
    if (i > 0) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    found.clear();
    std::ifstream in(dir_ / "log.jsonl");
    for (std::string line; std::getline(in, line);)
      if (line.find("\"command\":") != std::string::npos) found.push_back(line);
  }
  return found;
}

std::size_t Sim::connections() const {
  std::ifstream in(dir_ / "log.jsonl");
  std::size_t n = 0;
  for (std::string line; std::getline(in, line);) n += line.find("\"event\":\"connect\"") != std::string::npos;
  return n;
}

std::vector<std::string> at(const Sim& sim, std::vector<std::string> more) {
  more.insert(more.begin(), {"--board", "127.0.0.1", "--port", sim.port()});
  return more;
}

namespace {

// Recursive descent over one value, recording each scalar under its path.
struct Flattener {
  const std::string& t;
  FlatJson& out;
  std::size_t i = 0;

  bool eat(char c) {
    while (i < t.size() && std::isspace(static_cast<unsigned char>(t[i]))) ++i;
    return i < t.size() && t[i] == c ? (++i, true) : false;
  }
  bool string(std::string& s) {
    if (!eat('"')) return false;
    for (; i < t.size() && t[i] != '"'; ++i) {
      if (static_cast<unsigned char>(t[i]) < 0x20) return false;
      if (t[i] == '\\') ++i;  // the escaped character is kept as it is written
      s += t[i];
    }
    return i++ < t.size();
  }
  bool value(const std::string& path) {
    const std::string prefix = path.empty() ? "" : path + ".";
    if (eat('{')) {
      if (eat('}')) return true;
      do {
        std::string key;
        if (!string(key) || !eat(':') || !value(prefix + key)) return false;
      } while (eat(','));
      return eat('}');
    }
    if (eat('[')) {
      if (eat(']')) return true;
      int n = 0;
      do {
        if (!value(prefix + std::to_string(n++))) return false;
      } while (eat(','));
      return eat(']');
    }
    std::string s;
    if (i < t.size() && t[i] == '"') return string(s) && (out[path] = s, true);
    const std::size_t end = t.find_first_of(",]} \n", i);
    s = t.substr(i, end == std::string::npos ? std::string::npos : end - i);
    char* rest = nullptr;
    std::strtod(s.c_str(), &rest);
    if (s.empty() || (s != "true" && s != "false" && s != "null" && *rest != '\0')) return false;
    i += s.size();
    return out[path] = s, true;
  }
};

}  // namespace

FlatJson parse_json(const std::string& text) {
  FlatJson out;
  Flattener f{text, out};
  if (!f.value("") || (f.eat('\n'), f.i != text.size())) out.clear();
  return out;
}

std::string sha256_hex(const std::vector<std::uint8_t>& data) {
  Sha256 sha;
  sha.update(data.data(), data.size());
  return sha.finish_hex();
}

}  // namespace vandok::cli::test
