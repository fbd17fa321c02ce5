#include "pages/register/register_write.h"

#include "link/bulk_transfer.h"
#include "link/hex_field.h"

namespace vandok {

const char* check_register_address(const char* address_text, CommandHeader& header) {
  header.command = CMD_REGISTER_WRITE;
  header.length = 0;
  int error = 0;
  header.address = parse_hex_field(address_text, kHexFieldDigits, error);
  return error != 0 ? kMsgAddress : nullptr;
}

const char* check_register_value(const char* value_text, CommandHeader& header) {
  int error = 0;
  header.value = parse_hex_field(value_text, kHexFieldDigits, error);
  return error != 0 ? kMsgValue : nullptr;
}

const char* send_register_write(net::Socket s, const CommandHeader& header) {
  return send_header(s, header) ? nullptr : kMsgSendRegisterFailed;
}

}  // namespace vandok
