#include "cli/fields.h"

#include <cstdio>

#include "pages/common/json.h"
#include "pages/register/register_write.h"

namespace vandok::cli {

namespace {

constexpr std::uint64_t kMaxField = 0xFFFFFFFFu;

bool is_decimal_with_suffix(const std::string& text) {
  if (text.size() < 2) return false;
  const char suffix = text.back();
  if (suffix != 'K' && suffix != 'k' && suffix != 'M' && suffix != 'm') return false;
  for (std::size_t i = 0; i + 1 < text.size(); ++i)
    if (text[i] < '0' || text[i] > '9') return false;
  return true;
}

const char* form_words(bool size_suffix) {
  return size_suffix ? "up to 8 hexadecimal digits, optionally after 0x, or a decimal number with K or M (512M)"
                     : "up to 8 hexadecimal digits, optionally after 0x";
}

// Refused before the window's check: the window would read an empty field as 0.
RunResult refused(Message message, std::string hint) {
  RunResult r = bad_input(message);
  r.hint = std::move(hint);
  return r;
}

RunResult form_refused(Message message, const std::string& name, const std::string& text, bool size_suffix) {
  if (text.empty()) return refused(message, name + " is empty; write " + form_words(size_suffix));
  if (window_form(text, size_suffix).size() > 8 && is_decimal_with_suffix(text))
    return refused(message, name + " '" + text + "' is more than 0xFFFFFFFF");
  return refused(message, name + " '" + text + "' is not " + form_words(size_suffix));
}

}  // namespace

std::string window_form(const std::string& text, bool size_suffix) {
  if (size_suffix && is_decimal_with_suffix(text)) {
    const char suffix = text.back();
    const std::uint64_t unit = (suffix == 'K' || suffix == 'k') ? 1024 : 1024 * 1024;
    std::uint64_t value = 0;
    for (std::size_t i = 0; i + 1 < text.size(); ++i) {
      value = value * 10 + static_cast<std::uint64_t>(text[i] - '0');
      if (value * unit > kMaxField) return "100000000";  // 9 digits: refused as too long
    }
    char hex[20];
    std::snprintf(hex, sizeof hex, "%llX", static_cast<unsigned long long>(value * unit));
    return hex;
  }
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) return text.substr(2);
  return text;
}

RunResult check_register_fields(const std::string& address, const std::string& value, CommandHeader& header) {
  if (address.empty()) return form_refused(Message::RegisterAddress, "ADDR", address, false);
  Message m = check_register_address(window_form(address, false).c_str(), header);
  if (m != Message::None) return form_refused(m, "ADDR", address, false);
  if (value.empty()) return form_refused(Message::RegisterValue, "VALUE", value, false);
  m = check_register_value(window_form(value, false).c_str(), header);
  if (m != Message::None) return form_refused(m, "VALUE", value, false);
  return RunResult{};
}

RunResult check_ddr_options(const std::string& start, const std::string& size, DdrRequest& request) {
  if (start.empty()) return form_refused(Message::DdrAddress, "--start", start, true);
  if (size.empty()) return form_refused(Message::DdrSize, "--size", size, true);
  const Message m = check_ddr_fields(window_form(start, true).c_str(), window_form(size, true).c_str(), request);
  switch (m) {
    case Message::None: return RunResult{};
    case Message::DdrAddress: return form_refused(m, "--start", start, true);
    case Message::DdrSize: return form_refused(m, "--size", size, true);
    case Message::DdrAddressOver:
      return refused(m, "--start is " + hex_text(kDdrLow) + " to " + hex_text(kDdrLimit - 1) + ", not " +
                            hex_text(request.start));
    case Message::UserSizeZero: return refused(m, "--size is 1 or more");
    case Message::DdrSizeOver:
      return refused(m, "from --start " + hex_text(request.start) + " --size is at most " +
                            hex_text(kDdrLimit - request.start) + " (the end is " + hex_text(kDdrLimit) +
                            "), not " + hex_text(request.size));
    default: return bad_input(m);
  }
}

}  // namespace vandok::cli
