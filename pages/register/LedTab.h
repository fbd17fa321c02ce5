// "Register Access" page: writes one 32-bit value to one board register.
#pragma once

#include "framework/dialog.h"
#include "link/command.h"
#include "link/net.h"
#include "resources/resource.h"

class CLedTab : public fw::CDialogEx {
 public:
  enum { IDD = IDD_LEDTAB };
  CLedTab() : CDialogEx(IDD) {}
  ~CLedTab() override = default;

  // Socket reference: the main dialog's board socket member, read at every send.
  const vandok::net::Socket* m_pSocket = nullptr;
  fw::CEdit m_address;  // 1017
  fw::CEdit m_value;    // 1021

  // "Send" is off while a transfer uses the socket.
  void EnableCommands(bool enable) const;

 protected:
  void DoDataExchange(fw::DataExchange& dx) override;
  bool OnMessage(fw::Message& m) override;

 private:
  bool OnSend(fw::Message& m);

  vandok::CommandHeader m_header;  // refilled by every press of "Send"

  static const fw::MessageEntry<CLedTab> kMessages[];
};
