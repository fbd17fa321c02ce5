// One register write: two hexadecimal fields, one bare header.
#pragma once

#include <cstdint>

#include "link/command.h"
#include "link/net.h"

namespace vandok {

inline constexpr const char* kMsgAddress = "ERROR : Address!";
inline constexpr const char* kMsgValue = "ERROR : Value!";
inline constexpr const char* kMsgSendRegisterFailed = "ERROR : Send Register failed!";

// Checks the address, then the value; returns the first failure's message, or
// nullptr with header filled in. read_value is called only once the address passed.
template <typename ReadValue>
const char* build_register_write(const char* address_text, ReadValue&& read_value, CommandHeader& header);

const char* check_register_address(const char* address_text, CommandHeader& header);
const char* check_register_value(const char* value_text, CommandHeader& header);

template <typename ReadValue>
const char* build_register_write(const char* address_text, ReadValue&& read_value, CommandHeader& header) {
  if (const char* failure = check_register_address(address_text, header)) return failure;
  return check_register_value(read_value(), header);
}

// Sends the header; returns nullptr, or the send failure's message.
const char* send_register_write(net::Socket s, const CommandHeader& header);

}  // namespace vandok
