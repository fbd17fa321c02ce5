#include "pages/ddr/DDRRWTab.h"

#include <new>

#include "pages/common/FieldText.h"
#include "pages/ddr/ddr_record.h"

namespace {

// The history line of a DDR test; request is null when the fields were refused.
vandok::RunRecord DdrRecord(const vandok::BoardLink& link, vandok::RunKind kind, vandok::Message message,
                            const vandok::DdrRequest* request, const vandok::DdrMismatchReport* mismatch = nullptr) {
  vandok::RunRecord record = vandok::window_record(link.board_address(), "ddr-test", kind, message);
  if (request) {
    record.fields = vandok::ddr_fields(request->start, request->size,
                                       vandok::ddr_pattern_name(vandok::DdrPattern::Increment), nullptr, 1);
    vandok::add_mismatch_summary(record.fields, mismatch);
  }
  return record;
}

}  // namespace

const fw::MessageEntry<CDDRRWTab> CDDRRWTab::kMessages[] = {
    {WM_COMMAND, IDC_INCREMENT_TEST, BN_CLICKED, &CDDRRWTab::OnIncrementTest},
};

bool CDDRRWTab::OnMessage(fw::Message& m) { return fw::Dispatch(*this, kMessages, m) || CTransferTab::OnMessage(m); }

void CDDRRWTab::DoDataExchange(fw::DataExchange& dx) {
  BindTransferControls(dx, IDC_DDR_PROGRESS, IDC_DDR_ELAPSED, IDC_DDR_TOTAL);
}

void CDDRRWTab::EnableCommands(bool enable) const {
  ::EnableWindow(GetDlgItem(IDC_INCREMENT_TEST), enable ? TRUE : FALSE);
}

bool CDDRRWTab::OnIncrementTest(fw::Message&) {
  if (m_run.Running()) return true;
  char strAddress[vandok::kFieldTextBytes];
  char strSize[vandok::kFieldTextBytes];
  fw::CWnd field;
  field.m_hWnd = GetDlgItem(IDC_DDR_START);
  ReadFieldText(field, strAddress);
  field.m_hWnd = GetDlgItem(IDC_DDR_SIZE);
  ReadFieldText(field, strSize);
  const vandok::Message refused = vandok::check_ddr_fields(strAddress, strSize, m_request);
  if (refused != vandok::Message::None) {
    vandok::record_run(DdrRecord(m_link, vandok::RunKind::BadInput, refused, nullptr));
    ShowMessage(refused);
    return true;
  }
  // The previous run's pair goes first, so repeated runs do not pile up memory.
  m_writeBuffer.reset();
  m_readBuffer.reset();
  const std::uint32_t size = m_request.size;
  m_writeBuffer.reset(new (std::nothrow) std::uint8_t[size]);
  if (!m_writeBuffer) {
    vandok::record_run(DdrRecord(m_link, vandok::RunKind::BadInput, vandok::Message::WriteMallocFailed, &m_request));
    ShowMessage(vandok::Message::WriteMallocFailed);
    return true;
  }
  vandok::fill_increment_pattern(m_writeBuffer.get(), size);
  m_readBuffer.reset(new (std::nothrow) std::uint8_t[size]);
  if (!m_readBuffer) {
    vandok::record_run(DdrRecord(m_link, vandok::RunKind::BadInput, vandok::Message::ReadMallocFailed, &m_request));
    ShowMessage(vandok::Message::ReadMallocFailed);
    return true;
  }
  m_progress.SetRange32(0, static_cast<int>(3 * size - 1));
  m_run.Prepare(m_hWnd);
  // The timer starts before the worker: the worker's stop, posted, always comes after it.
  m_run.StartTimer();
  if (!m_run.StartWorker(&CDDRRWTab::DdrTestThread, this)) {
    m_run.OnStopTimer();
    ShowMessage(vandok::Message::WorkerNotStarted);
  }
  return true;
}

unsigned __stdcall CDDRRWTab::DdrTestThread(void* argument) {
  auto* page = static_cast<CDDRRWTab*>(argument);
  vandok::DdrRun run;
  run.socket = &page->m_link.socket();
  run.request = page->m_request;
  run.write_buffer = page->m_writeBuffer.get();
  run.read_buffer = page->m_readBuffer.get();
  run.cancel = page->m_run.CancelFlag();
  Port port(page->m_run);
  const vandok::DdrOutcome outcome = vandok::run_ddr_test(run, port);
  // The line is written before the page hears of the end, and touches no window.
  const bool mismatch = outcome.result == vandok::DdrResult::Mismatch;
  vandok::RunRecord record = DdrRecord(page->m_link, vandok::kind_of(outcome), outcome.message, &run.request,
                                       mismatch ? &outcome.mismatch : nullptr);
  record.seconds = port.Seconds();
  record.bytes = outcome.bytes_moved;
  vandok::record_run(record);
  page->m_run.PostRunEnded();
  return 0;
}
