// Discovery against a board on loopback: one private adapter is reported, and
// every candidate address is tried on the same loopback port, each try on a
// fresh socket as the window does.
#pragma once

#include <string>
#include <vector>

#include "link/discovery.h"
#include "link/net.h"
#include "pages/common/message_text.h"

namespace vandok::testing {

class LoopbackDiscovery : public DiscoveryHost {
 public:
  explicit LoopbackDiscovery(std::uint16_t port) : port_(port) {}
  ~LoopbackDiscovery() override { net::close(socket); }
  bool list_adapters(std::vector<AdapterRecord>& a, int&, bool&) override {
    a = {{{0, 1, 2, 3, 4, 5}, "192.168.77.10"}};
    return true;
  }
  bool try_connect(std::uint32_t) override {
    ++tries;
    net::close(socket);
    socket = net::open_stream();
    return net::connect_ipv4(socket, 0x7F000001, port_, kConnectTimeoutMs);
  }
  bool replace_socket() override {
    net::close(socket);
    socket = net::open_stream();
    return socket != net::kInvalidSocket;
  }
  void standard_output(const std::string&) override {}
  void debug_trace(const std::string&) override {}
  void show_message(Message m) override { messages.push_back(message_text(m)); }
  void set_status(Message) override {}
  void set_status_address(std::uint32_t) override {}
  void enable_tabs(bool) override {}
  bool cancelled() override { return false; }

  net::Socket socket = net::kInvalidSocket;
  std::vector<std::string> messages;
  int tries = 0;

 private:
  std::uint16_t port_;
};

}  // namespace vandok::testing
