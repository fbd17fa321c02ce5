#include "app/BoardDiscovery.h"

#include <cstdio>

#include "link/adapters.h"
#include "link/command.h"
#include "pages/common/app_messages.h"
#include "pages/common/message_text.h"

bool BoardDiscovery::list_adapters(std::vector<vandok::AdapterRecord>& adapters, int& error, bool& alloc_failed) {
  return vandok::list_adapters(adapters, error, alloc_failed);
}

bool BoardDiscovery::try_connect(std::uint32_t address) {
  // Every try on a fresh socket: one whose connect was refused or timed out
  // cannot be trusted to connect again (under Wine it never does).
  if (!m_link.replace(m_cancel)) return false;
  return vandok::net::connect_ipv4(m_link.socket(), address, vandok::BOARD_PORT, vandok::kConnectTimeoutMs);
}

bool BoardDiscovery::replace_socket() { return m_link.replace(m_cancel); }

void BoardDiscovery::standard_output(const std::string& line) {
  std::printf("%s", line.c_str());
  std::fflush(stdout);
}

void BoardDiscovery::debug_trace(const std::string& text) { ::OutputDebugStringA(text.c_str()); }

double BoardDiscovery::Seconds() const {
  const auto end = m_boxShown ? m_firstBox : std::chrono::steady_clock::now();
  return std::chrono::duration<double>(end - m_start).count();
}

void BoardDiscovery::show_message(vandok::Message message) {
  if (!m_boxShown) m_firstBox = std::chrono::steady_clock::now();
  m_boxShown = true;
  if (!m_cancel.load())
    ::SendMessageW(m_dialog, WM_APP_SHOW_MESSAGE, 0, reinterpret_cast<LPARAM>(vandok::message_text(message)));
}

void BoardDiscovery::set_status(vandok::Message status) {
  ::SendMessageW(m_dialog, WM_APP_SET_STATUS, 0, reinterpret_cast<LPARAM>(vandok::message_text(status)));
}

void BoardDiscovery::set_status_address(std::uint32_t address) {
  // Known to the pages before the tabs come on, so that no command records another board.
  m_link.set_board_address(address);
  char text[16];
  vandok::net::format_ipv4(address, text);
  ::SendMessageW(m_dialog, WM_APP_SET_STATUS, 0, reinterpret_cast<LPARAM>(text));
}

void BoardDiscovery::enable_tabs(bool enabled) {
  ::SendMessageW(m_dialog, WM_APP_ENABLE_TABS, enabled ? TRUE : FALSE, 0);
}
