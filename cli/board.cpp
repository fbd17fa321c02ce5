#include "cli/board.h"

#include <cstdio>

#include "link/adapters.h"
#include "link/discovery.h"

namespace vandok::cli {

namespace {

// Discovery as the window runs it, with the console in place of the window:
// the system's messages go to standard error, the address found is kept.
class ConsoleDiscovery : public DiscoveryHost {
 public:
  ConsoleDiscovery(BoardConnection& connection, CancelState& cancel, std::uint16_t port)
      : connection_(connection), cancel_(cancel), port_(port) {}

  bool list_adapters(std::vector<AdapterRecord>& adapters, int& error, bool& alloc_failed) override {
    return vandok::list_adapters(adapters, error, alloc_failed);
  }
  bool try_connect(std::uint32_t address) override {
    return connection_.replace() && connection_.connect(address, port_);
  }
  bool replace_socket() override { return connection_.replace(); }
  void standard_output(const std::string& line) override { std::fprintf(stderr, "%s", line.c_str()); }
  void debug_trace(const std::string&) override {}
  void show_message(const char* text) override {
    if (cancel_.requested.load()) return;
    // The failures become the run's message; found is worth a word on stderr.
    if (std::string(text) == kMsgFoundDevice)
      std::fprintf(stderr, "%s\n", text);
    else if (message.empty())
      message = text;
  }
  void set_status(const std::string& text) override {
    std::uint32_t address = 0;
    if (net::parse_ipv4(text.c_str(), address)) found = text;
  }
  void enable_tabs(bool) override {}
  bool cancelled() override { return cancel_.requested.load(); }

  std::string message;
  std::string found;

 private:
  BoardConnection& connection_;
  CancelState& cancel_;
  std::uint16_t port_;
};

}  // namespace

BoardConnection::~BoardConnection() { close(); }

void BoardConnection::close() {
  cancel_.socket.store(net::kInvalidSocket);
  net::close(socket_);
  socket_ = net::kInvalidSocket;
}

bool BoardConnection::replace() {
  close();
  socket_ = net::open_stream();
  cancel_.socket.store(socket_);
  // A Ctrl-C just before the socket was registered still reaches it.
  if (cancel_.requested.load()) net::shutdown_both(socket_);
  return socket_ != net::kInvalidSocket;
}

bool BoardConnection::connect(std::uint32_t address, std::uint16_t port) {
  return !cancel_.requested.load() && net::connect_ipv4(socket_, address, port, kConnectTimeoutMs) &&
         !cancel_.requested.load();
}

BoardOutcome BoardConnection::open(const std::string& board, std::uint16_t port) {
  BoardOutcome outcome;
  if (!board.empty()) {
    std::uint32_t address = 0;
    if (net::parse_ipv4(board.c_str(), address) && replace() && connect(address, port)) {
      address_ = board;
      outcome.kind = BoardOutcome::Connected;
    } else {
      outcome.kind = cancel_.requested.load() ? BoardOutcome::Cancelled : BoardOutcome::NotFound;
      outcome.message = kMsgNoBoard;
      close();
    }
    return outcome;
  }
  ConsoleDiscovery discovery(*this, cancel_, port);
  int private_flag = 0;
  const DiscoveryOutcome found = run_discovery(discovery, private_flag);
  if (found == DiscoveryOutcome::Found && !cancel_.requested.load()) {
    address_ = discovery.found;
    outcome.kind = BoardOutcome::Connected;
    return outcome;
  }
  close();
  outcome.kind = found == DiscoveryOutcome::Cancelled || cancel_.requested.load() ? BoardOutcome::Cancelled
                                                                                    : BoardOutcome::NotFound;
  outcome.message = discovery.message.empty() ? kMsgNoBoard : discovery.message;
  return outcome;
}

}  // namespace vandok::cli
