// "Register Access" page: writes one 32-bit value to one board register.
#pragma once

#include "link/command.h"
#include "pages/common/TabPage.h"
#include "resources/resource.h"

class CLedTab : public CTabPage {
 public:
  enum { IDD = IDD_LEDTAB };
  explicit CLedTab(vandok::BoardLink& link) : CTabPage(IDD, link) {}
  ~CLedTab() override = default;

  fw::CEdit m_address;  // 1017
  fw::CEdit m_value;    // 1021

  // "Send" is off while a transfer uses the socket.
  void EnableCommands(bool enable) const override;

 protected:
  void DoDataExchange(fw::DataExchange& dx) override;
  bool OnMessage(fw::Message& m) override;

 private:
  bool OnSend(fw::Message& m);

  vandok::CommandHeader m_header;  // refilled by every press of "Send"

  static const fw::MessageEntry<CLedTab> kMessages[];
};
