#include "pages/register/LedTab.h"

#include "framework/message_box.h"
#include "pages/common/FieldText.h"
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
    ShowMessage(refused);
    return true;
  }
  const vandok::Message failed = vandok::send_register_write(m_link.socket(), m_header);
  if (failed != vandok::Message::None) fw::ShowUnownedMessage(vandok::message_text(failed));
  return true;
}
