#include "cli/board.h"

#include <cstdio>

#include "link/adapters.h"
#include "link/discovery.h"
#include "pages/common/message_text.h"

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
  // The run's result carries the failures; found is worth a word on stderr.
  void show_message(Message message) override {
    if (message == Message::FoundDevice && !cancel_.requested.load())
      std::fprintf(stderr, "%s\n", message_text(message));
  }
  void set_status(Message) override {}
  void set_status_address(std::uint32_t) override {}
  void enable_tabs(bool) override {}
  bool cancelled() override { return cancel_.requested.load(); }

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
      outcome.message = Message::NoBoard;
      close();
    }
    return outcome;
  }
  ConsoleDiscovery discovery(*this, cancel_, port);
  int private_flag = 0;
  const DiscoveryResult found = run_discovery(discovery, private_flag);
  if (found.outcome == DiscoveryOutcome::Found && !cancel_.requested.load()) {
    char text[16];
    net::format_ipv4(found.board, text);
    address_ = text;
    outcome.kind = BoardOutcome::Connected;
    return outcome;
  }
  close();
  outcome.kind = found.outcome == DiscoveryOutcome::Cancelled || cancel_.requested.load()
                     ? BoardOutcome::Cancelled
                     : BoardOutcome::NotFound;
  outcome.message = found.message == Message::None ? Message::NoBoard : found.message;
  return outcome;
}

}  // namespace vandok::cli
