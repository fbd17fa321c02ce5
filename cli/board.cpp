#include "cli/board.h"

#include <cstdio>
#include <vector>

#include "link/adapters.h"
#include "link/discovery.h"
#include "pages/common/message_text.h"

namespace vandok::cli {

namespace {

std::string ipv4_text(std::uint32_t address) {
  char text[16];
  net::format_ipv4(address, text);
  return text;
}

struct Try {
  std::uint32_t address;
  net::ConnectResult result;
};

// Discovery as the window runs it, with the console in place of the window:
// the system's messages go to standard error, the address found is kept.
class ConsoleDiscovery : public DiscoveryHost {
 public:
  ConsoleDiscovery(BoardConnection& connection, CancelState& cancel, std::uint16_t port, Verbosity verbosity)
      : connection_(connection), cancel_(cancel), port_(port), verbosity_(verbosity),
        verbose_(verbosity == Verbosity::Verbose) {}

  bool list_adapters(std::vector<AdapterRecord>& adapters, int& error, bool& alloc_failed) override {
    const bool listed = vandok::list_adapters(adapters, error, alloc_failed);
    if (verbose_ && listed)
      for (const AdapterRecord& a : adapters) std::fprintf(stderr, "adapter %s\n", a.ip_address.c_str());
    return listed;
  }
  bool try_connect(std::uint32_t address) override {
    const net::ConnectResult result =
        connection_.replace() ? connection_.connect(address, port_) : net::ConnectResult::Failed;
    tries_.push_back({address, result});
    if (verbose_ && !cancel_.requested.load())
      std::fprintf(stderr, "trying %s port %u: %s\n", ipv4_text(address).c_str(), port_,
                   net::connect_result_text(result));
    return result == net::ConnectResult::Connected && !cancel_.requested.load();
  }
  bool replace_socket() override { return connection_.replace(); }
  void standard_output(const std::string& line) override { std::fprintf(stderr, "%s", line.c_str()); }
  void debug_trace(const std::string&) override {}
  // The run's result carries the failures; found is worth a word on stderr.
  void show_message(Message message) override {
    if (message == Message::FoundDevice && verbosity_ != Verbosity::Quiet && !cancel_.requested.load())
      std::fprintf(stderr, "%s\n", message_text(message));
  }
  void set_status(Message) override {}
  void set_status_address(std::uint32_t) override {}
  void enable_tabs(bool) override {}
  bool cancelled() override { return cancel_.requested.load(); }

  // Each address once, in the order first tried, with what its last try gave.
  std::string tried_text() const {
    std::vector<Try> unique;
    for (const Try& t : tries_) {
      bool seen = false;
      for (Try& u : unique)
        if (u.address == t.address) {
          u.result = t.result;
          seen = true;
        }
      if (!seen) unique.push_back(t);
    }
    std::string text;
    for (const Try& u : unique) {
      if (!text.empty()) text += ", ";
      text += ipv4_text(u.address) + " " + net::connect_result_text(u.result);
    }
    return text;
  }

 private:
  BoardConnection& connection_;
  CancelState& cancel_;
  std::uint16_t port_;
  Verbosity verbosity_;
  bool verbose_;
  std::vector<Try> tries_;
};

std::string not_found_hint(DiscoveryOutcome outcome, const std::string& tried, std::uint16_t port) {
  const std::string name_it = "name the board with --board ADDR";
  switch (outcome) {
    case DiscoveryOutcome::NoPrivateAdapter:
      return "no network adapter of this PC has a 192.168.x.x address, so discovery tried nothing; give the PC an "
             "address on the board's network, or " + name_it;
    case DiscoveryOutcome::NotFound:
      return "no board answered on port " + std::to_string(port) + " in " + std::to_string(kMaxDiscoveryPasses) +
             " passes (" + tried + "); " + name_it + " (and --port N)";
    case DiscoveryOutcome::ListAllocFailed:
      return "the PC's adapter list could not be read; " + name_it;
    default:
      return "";
  }
}

}  // namespace

BoardConnection::~BoardConnection() { close(); }

void BoardConnection::close() {
  // The Ctrl-C handler may have taken the socket and closed it already (on
  // Windows, where a shutdown does not always wake a wait): close only what
  // is still registered, so that no handle is closed twice.
  if (cancel_.socket.exchange(net::kInvalidSocket) == socket_) net::close(socket_);
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

net::ConnectResult BoardConnection::connect(std::uint32_t address, std::uint16_t port) {
  if (cancel_.requested.load()) return net::ConnectResult::Failed;
  return net::connect_ipv4_result(socket_, address, port, kConnectTimeoutMs);
}

BoardOutcome BoardConnection::open(const std::string& board, std::uint16_t port, Verbosity verbosity) {
  const bool verbose = verbosity == Verbosity::Verbose;
  BoardOutcome outcome;
  if (!board.empty()) {
    std::uint32_t address = 0;
    net::ConnectResult result = net::ConnectResult::Failed;
    if (net::parse_ipv4(board.c_str(), address) && replace()) result = connect(address, port);
    if (verbose && !cancel_.requested.load())
      std::fprintf(stderr, "trying %s port %u: %s\n", board.c_str(), port, net::connect_result_text(result));
    if (result == net::ConnectResult::Connected && !cancel_.requested.load()) {
      address_ = board;
      outcome.kind = BoardOutcome::Connected;
    } else {
      outcome.kind = cancel_.requested.load() ? BoardOutcome::Cancelled : BoardOutcome::NotFound;
      outcome.message = Message::NoBoard;
      outcome.hint = "no connection to " + board + " port " + std::to_string(port) + ": " +
                     net::connect_result_text(result) +
                     (result == net::ConnectResult::TimedOut
                          ? " after " + std::to_string(kConnectTimeoutMs / 1000) + " s"
                          : std::string()) +
                     "; check the address, the port and the cable";
      close();
    }
    return outcome;
  }
  ConsoleDiscovery discovery(*this, cancel_, port, verbosity);
  int private_flag = 0;
  const DiscoveryResult found = run_discovery(discovery, private_flag);
  if (found.outcome == DiscoveryOutcome::Found && !cancel_.requested.load()) {
    address_ = ipv4_text(found.board);
    outcome.kind = BoardOutcome::Connected;
    return outcome;
  }
  close();
  outcome.kind = found.outcome == DiscoveryOutcome::Cancelled || cancel_.requested.load()
                     ? BoardOutcome::Cancelled
                     : BoardOutcome::NotFound;
  outcome.message = found.message == Message::None ? Message::NoBoard : found.message;
  outcome.hint = not_found_hint(found.outcome, discovery.tried_text(), port);
  return outcome;
}

}  // namespace vandok::cli
