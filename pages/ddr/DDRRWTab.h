// "DDR RW" page: writes an incrementing pattern into a DDR range, reads it
// back and compares, on a worker thread.
#pragma once

#include <cstdint>
#include <memory>

#include "pages/common/TransferTab.h"
#include "pages/ddr/ddr_test.h"
#include "resources/resource.h"

class CDDRRWTab : public CTransferTab {
 public:
  enum { IDD = IDD_DDRRWTAB };
  static constexpr UINT_PTR kTimerId = 102;

  explicit CDDRRWTab(vandok::BoardLink& link) : CTransferTab(IDD, kTimerId, link) {}
  ~CDDRRWTab() override = default;

  void EnableCommands(bool enable) const override;

 protected:
  void DoDataExchange(fw::DataExchange& dx) override;
  bool OnMessage(fw::Message& m) override;

 private:
  bool OnIncrementTest(fw::Message& m);
  static unsigned __stdcall DdrTestThread(void* argument);

  vandok::DdrRequest m_request;  // UI thread writes before the worker starts; the worker reads
  // The pair of the last run, kept until the next run or the page goes: the
  // UI thread replaces them only between runs; the worker uses them during one.
  std::unique_ptr<std::uint8_t[]> m_writeBuffer;
  std::unique_ptr<std::uint8_t[]> m_readBuffer;

  static const fw::MessageEntry<CDDRRWTab> kMessages[];
};
