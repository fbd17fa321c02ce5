#include "pages/register/register_write.h"

#include "link/bulk_transfer.h"
#include "link/hex_field.h"

namespace vandok {

Message check_register_address(const char* address_text, CommandHeader& header) {
  header.command = CMD_REGISTER_WRITE;
  header.length = 0;
  int error = 0;
  header.address = parse_hex_field(address_text, kHexFieldDigits, error);
  return error != 0 ? Message::RegisterAddress : Message::None;
}

Message check_register_value(const char* value_text, CommandHeader& header) {
  int error = 0;
  header.value = parse_hex_field(value_text, kHexFieldDigits, error);
  return error != 0 ? Message::RegisterValue : Message::None;
}

Message send_register_write(net::Socket s, const CommandHeader& header, int idle_ms) {
  return send_header(s, header, idle_ms) ? Message::None : Message::SendRegisterFailed;
}

}  // namespace vandok
