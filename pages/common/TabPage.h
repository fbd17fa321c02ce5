// What the main dialog asks of each of its pages: a child dialog of the tab
// control that reaches the board through the shared link given at creation.
#pragma once

#include "framework/dialog.h"
#include "pages/common/board_link.h"
#include "pages/common/message_text.h"

class CTabPage : public fw::CDialogEx {
 public:
  CTabPage(UINT templateId, vandok::BoardLink& link) : CDialogEx(templateId), m_link(link) {}

  // The controls that start a command; off while any command runs.
  virtual void EnableCommands(bool enable) const = 0;
  // Window closing: a running transfer gives up once the socket is closed under it.
  virtual void CancelRun() {}
  virtual void WaitForRun() {}
  virtual bool Running() const { return false; }

 protected:
  // A box owned by the page, in the system's words.
  void ShowMessage(vandok::Message message) const { CDialogEx::ShowMessage(vandok::message_text(message)); }

  vandok::BoardLink& m_link;
};
