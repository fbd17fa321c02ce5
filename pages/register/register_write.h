// One register write: two hexadecimal fields, one bare header.
#pragma once

#include <cstdint>

#include "link/bulk_transfer.h"
#include "link/command.h"
#include "link/message.h"
#include "link/net.h"

namespace vandok {

// Checks the address, then the value; returns the first failure, or
// Message::None with header filled in. read_value is called only once the
// address passed.
template <typename ReadValue>
Message build_register_write(const char* address_text, ReadValue&& read_value, CommandHeader& header);

Message check_register_address(const char* address_text, CommandHeader& header);
Message check_register_value(const char* value_text, CommandHeader& header);

template <typename ReadValue>
Message build_register_write(const char* address_text, ReadValue&& read_value, CommandHeader& header) {
  const Message failure = check_register_address(address_text, header);
  if (failure != Message::None) return failure;
  return check_register_value(read_value(), header);
}

// Sends the header; returns Message::None, or the send failure.
Message send_register_write(net::Socket s, const CommandHeader& header, int idle_ms = kIdleLimitMs);

}  // namespace vandok
