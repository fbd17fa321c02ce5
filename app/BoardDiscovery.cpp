#include "app/BoardDiscovery.h"

#include <cstdio>

#include "framework/app_messages.h"
#include "link/adapters.h"
#include "link/command.h"

bool BoardDiscovery::list_adapters(std::vector<vandok::AdapterRecord>& adapters, int& error, bool& alloc_failed) {
  return vandok::list_adapters(adapters, error, alloc_failed);
}

bool BoardDiscovery::try_connect(std::uint32_t address) {
  // Every try on a fresh socket: one whose connect was refused or timed out
  // cannot be trusted to connect again (under Wine it never does).
  vandok::net::Socket attempt;
  {
    std::lock_guard<std::mutex> lock(m_socketLock);
    if (m_cancel.load()) return false;
    vandok::net::close(m_socket);
    m_socket = vandok::net::open_stream();
    attempt = m_socket;
  }
  if (attempt == vandok::net::kInvalidSocket) return false;
  return vandok::net::connect_ipv4(attempt, address, vandok::BOARD_PORT, vandok::kConnectTimeoutMs);
}

bool BoardDiscovery::replace_socket() {
  std::lock_guard<std::mutex> lock(m_socketLock);
  if (m_cancel.load()) return false;
  vandok::net::close(m_socket);
  m_socket = vandok::net::open_stream();
  return m_socket != vandok::net::kInvalidSocket;
}

void BoardDiscovery::standard_output(const std::string& line) {
  std::printf("%s", line.c_str());
  std::fflush(stdout);
}

void BoardDiscovery::debug_trace(const std::string& text) { ::OutputDebugStringA(text.c_str()); }

void BoardDiscovery::show_message(const char* text) {
  if (!m_cancel.load()) ::SendMessageW(m_dialog, WM_APP_SHOW_MESSAGE, 0, reinterpret_cast<LPARAM>(text));
}

void BoardDiscovery::set_status(const std::string& text) {
  ::SendMessageW(m_dialog, WM_APP_SET_STATUS, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void BoardDiscovery::enable_tabs(bool enabled) {
  ::SendMessageW(m_dialog, WM_APP_ENABLE_TABS, enabled ? TRUE : FALSE, 0);
}
