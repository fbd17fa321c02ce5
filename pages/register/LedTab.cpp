#include "pages/register/LedTab.h"

#include "framework/message_box.h"
#include "pages/common/FieldText.h"
#include <chrono>

#include "pages/common/run_history.h"
#include "pages/register/register_write.h"

const fw::MessageEntry<CLedTab> CLedTab::kMessages[] = {
    {WM_COMMAND, IDC_REG_SEND, BN_CLICKED, &CLedTab::OnSend},
};

bool CLedTab::OnMessage(fw::Message& m) { return fw::Dispatch(*this, kMessages, m); }

void CLedTab::DoDataExchange(fw::DataExchange& dx) {
  dx.Control(IDC_REG_ADDRESS, m_address);
  dx.Control(IDC_REG_VALUE, m_value);
}

void CLedTab::EnableCommands(bool enable) const { ::EnableWindow(GetDlgItem(IDC_REG_SEND), enable ? TRUE : FALSE); }

bool CLedTab::OnSend(fw::Message&) {
  char Temp[vandok::kFieldTextBytes];
  ReadFieldText(m_address, Temp);
  // The value is read into Temp only once the address in it has been parsed.
  const vandok::Message refused = vandok::build_register_write(
      Temp,
      [&]() -> const char* {
        ReadFieldText(m_value, Temp);
        return Temp;
      },
      m_header);
  if (refused != vandok::Message::None) {
    vandok::record_run(
        vandok::window_record(m_link.board_address(), "regwrite", vandok::RunKind::BadInput, refused));
    ShowMessage(refused);
    return true;
  }
  const auto start = std::chrono::steady_clock::now();
  const vandok::Message failed = vandok::send_register_write(m_link.socket(), m_header);
  vandok::RunRecord record =
      vandok::window_record(m_link.board_address(), "regwrite", vandok::register_kind(failed), failed);
  record.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  record.fields = vandok::register_fields(m_header.address, m_header.value);
  vandok::record_run(record);
  if (failed != vandok::Message::None) fw::ShowUnownedMessage(vandok::message_text(failed));
  return true;
}
