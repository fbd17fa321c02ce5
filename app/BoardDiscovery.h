// Discovery as the main dialog runs it: on a worker thread, talking to the
// dialog through sent messages, with each connection attempt on a fresh socket.
#pragma once

#include <windows.h>

#include <atomic>
#include <mutex>

#include "link/discovery.h"
#include "link/net.h"

class BoardDiscovery : public vandok::DiscoveryHost {
 public:
  // socket: the dialog's board socket member, replaced under socketLock.
  BoardDiscovery(HWND dialog, vandok::net::Socket& socket, std::mutex& socketLock,
                 const std::atomic<bool>& cancel)
      : m_dialog(dialog), m_socket(socket), m_socketLock(socketLock), m_cancel(cancel) {}

  bool list_adapters(std::vector<vandok::AdapterRecord>& adapters, int& error, bool& alloc_failed) override;
  bool try_connect(std::uint32_t address) override;
  bool replace_socket() override;
  void standard_output(const std::string& line) override;
  void debug_trace(const std::string& text) override;
  void show_message(const char* text) override;
  void set_status(const std::string& text) override;
  void enable_tabs(bool enabled) override;
  bool cancelled() override { return m_cancel.load(); }

 private:
  HWND m_dialog;
  vandok::net::Socket& m_socket;
  std::mutex& m_socketLock;
  const std::atomic<bool>& m_cancel;
};
