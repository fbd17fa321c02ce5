// Discovery as the main dialog runs it: on a worker thread, talking to the
// dialog through sent messages, with each connection attempt on a fresh socket.
#pragma once

#include <windows.h>

#include <atomic>
#include <chrono>

#include "link/discovery.h"
#include "pages/common/board_link.h"

class BoardDiscovery : public vandok::DiscoveryHost {
 public:
  // link: the dialog's board link, whose socket each try replaces.
  BoardDiscovery(HWND dialog, vandok::BoardLink& link, const std::atomic<bool>& cancel)
      : m_dialog(dialog), m_link(link), m_cancel(cancel) {}

  bool list_adapters(std::vector<vandok::AdapterRecord>& adapters, int& error, bool& alloc_failed) override;
  bool try_connect(std::uint32_t address) override;
  bool replace_socket() override;
  void standard_output(const std::string& line) override;
  void debug_trace(const std::string& text) override;
  void show_message(vandok::Message message) override;
  void set_status(vandok::Message status) override;
  void set_status_address(std::uint32_t address) override;
  void enable_tabs(bool enabled) override;
  bool cancelled() override { return m_cancel.load(); }
  // Seconds from the start to the first box, or to now: the run's own time for the history.
  double Seconds() const;

 private:
  HWND m_dialog;
  vandok::BoardLink& m_link;
  const std::atomic<bool>& m_cancel;
  const std::chrono::steady_clock::time_point m_start = std::chrono::steady_clock::now();
  std::chrono::steady_clock::time_point m_firstBox{};
  bool m_boxShown = false;
};
