#include "cli_harness.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <thread>

#include "sim/sha256.h"

extern char** environ;

namespace vandok::cli::test {

namespace {

pid_t spawn(const std::vector<std::string>& args, int out_fd, int err_fd) {
  std::vector<char*> argv;
  std::vector<std::string> copy = args;
  for (auto& a : copy) argv.push_back(a.data());
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

Child::Child(const std::vector<std::string>& argv) : started_(std::chrono::steady_clock::now()) {
  int out[2], err[2];
  if (::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0) return;
  pid_ = spawn(argv, out[1], err[1]);
  ::close(out[1]);
  ::close(err[1]);
  out_ = out[0];
  err_ = err[0];
}

Child::~Child() {
  if (pid_ > 0) {
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
  }
  if (out_ >= 0) ::close(out_);
  if (err_ >= 0) ::close(err_);
}

Finished Child::wait(std::chrono::milliseconds timeout) {
  Finished f;
  const auto deadline = started_ + timeout;
  pollfd p[2] = {{out_, POLLIN, 0}, {err_, POLLIN, 0}};
  std::string* into[2] = {&f.out, &f.err};
  int open = 2;
  while (open > 0) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) {
      ::kill(pid_, SIGKILL);
      break;
    }
    if (::poll(p, 2, static_cast<int>(left.count())) <= 0) continue;
    for (int i = 0; i < 2; ++i) {
      if (p[i].fd < 0 || p[i].revents == 0) continue;
      char buf[4096];
      const ssize_t n = ::read(p[i].fd, buf, sizeof buf);
      if (n > 0) {
        into[i]->append(buf, static_cast<std::size_t>(n));
      } else {
        p[i].fd = -1;
        --open;
      }
    }
  }
  int status = 0;
  ::waitpid(pid_, &status, 0);
  pid_ = -1;
  f.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  f.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started_).count();
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
  std::vector<std::string> argv{VANDOK_SIM_BINARY, "--port", "0", "--port-file", (dir_ / "port").string(),
                                "--json-log", (dir_ / "log.jsonl").string(), "--flash-out", flash_path().string()};
  argv.insert(argv.end(), flags.begin(), flags.end());
  const int null_fd = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
  pid_ = spawn(argv, null_fd, null_fd);
  ::close(null_fd);
  for (int i = 0; i < 200 && port_ == 0; ++i) {
    std::ifstream in(dir_ / "port");
    unsigned port = 0;
    if (in >> port) port_ = static_cast<std::uint16_t>(port);
    else std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

Sim::~Sim() {
  if (pid_ > 0) {
    ::kill(pid_, SIGTERM);
    ::waitpid(pid_, nullptr, 0);
  }
  std::error_code ignored;
  if (!dir_.empty()) std::filesystem::remove_all(dir_, ignored);
}

std::vector<std::string> Sim::commands(std::size_t n) const {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
  std::vector<std::string> found;
  do {
    found.clear();
    std::ifstream in(dir_ / "log.jsonl");
    for (std::string line; std::getline(in, line);)
      if (line.find("\"command\":") != std::string::npos) found.push_back(line);
    if (found.size() >= n) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  } while (std::chrono::steady_clock::now() < deadline);
  return found;
}

std::size_t Sim::connections() const {
  std::ifstream in(dir_ / "log.jsonl");
  std::size_t n = 0;
  for (std::string line; std::getline(in, line);) n += line.find("\"event\":\"connect\"") != std::string::npos;
  return n;
}

std::vector<std::string> at(const Sim& sim, std::vector<std::string> more) {
  more.insert(more.begin(), {"--board", "127.0.0.1", "--port", sim.port_text()});
  return more;
}

namespace {

// Recursive descent over one JSON value; records every scalar under its path.
class JsonFlattener {
 public:
  explicit JsonFlattener(const std::string& text) : t_(text) {}
  bool document(FlatJson& out) {
    out_ = &out;
    if (!value("")) return false;
    skip();
    return i_ == t_.size();
  }

 private:
  void skip() {
    while (i_ < t_.size() && (t_[i_] == ' ' || t_[i_] == '\n' || t_[i_] == '\t' || t_[i_] == '\r')) ++i_;
  }
  bool eat(char c) {
    skip();
    if (i_ < t_.size() && t_[i_] == c) return ++i_, true;
    return false;
  }
  static std::string join(const std::string& path, const std::string& key) {
    return path.empty() ? key : path + "." + key;
  }
  bool string(std::string& s) {
    if (!eat('"')) return false;
    for (; i_ < t_.size() && t_[i_] != '"'; ++i_) {
      if (static_cast<unsigned char>(t_[i_]) < 0x20) return false;
      if (t_[i_] == '\\' && ++i_ < t_.size() && t_[i_] == 'u') {
        s += '?';
        i_ += 4;
        continue;
      }
      s += t_[i_];
    }
    return i_++ < t_.size();
  }
  bool value(const std::string& path) {
    skip();
    if (i_ >= t_.size()) return false;
    const char c = t_[i_];
    if (c == '{') {
      ++i_;
      if (eat('}')) return true;
      do {
        std::string key;
        if (!string(key) || !eat(':') || !value(join(path, key))) return false;
      } while (eat(','));
      return eat('}');
    }
    if (c == '[') {
      ++i_;
      if (eat(']')) return true;
      int n = 0;
      do {
        if (!value(join(path, std::to_string(n++)))) return false;
      } while (eat(','));
      return eat(']');
    }
    if (c == '"') {
      std::string s;
      if (!string(s)) return false;
      (*out_)[path] = s;
      return true;
    }
    const std::size_t begin = i_;
    while (i_ < t_.size() && std::string("+-.0123456789eEtruefalsn").find(t_[i_]) != std::string::npos) ++i_;
    const std::string token = t_.substr(begin, i_ - begin);
    char* end = nullptr;
    std::strtod(token.c_str(), &end);
    if (token.empty() || (token != "true" && token != "false" && token != "null" && *end != '\0')) return false;
    (*out_)[path] = token;
    return true;
  }

  const std::string& t_;
  std::size_t i_ = 0;
  FlatJson* out_ = nullptr;
};

}  // namespace

FlatJson parse_json(const std::string& text) {
  FlatJson out;
  if (!JsonFlattener(text).document(out)) out.clear();
  return out;
}

std::string sha256_hex(const std::vector<std::uint8_t>& data) {
  sim::Sha256 sha;
  sha.update(data.data(), data.size());
  return sha.finish_hex();
}

}  // namespace vandok::cli::test
