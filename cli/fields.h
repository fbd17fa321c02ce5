// The companion's forms of the hexadecimal fields. They are turned into the
// window's form first, so the window's own checks (link/hex_field,
// check_ddr_fields, the register checks) decide, with the window's words; the
// companion adds why, and the valid range, on a second line.
#pragma once

#include <string>

#include "cli/run_result.h"
#include "link/command.h"
#include "pages/ddr/ddr_test.h"

namespace vandok::cli {

// "0x24" -> "24"; with size_suffix also "512M" -> "20000000" and "4K" -> "1000"
// (decimal digits, binary K and M). Anything else is returned as it is, for
// the window's check to refuse.
std::string window_form(const std::string& text, bool size_suffix);

// The register write's ADDR and VALUE, as the register page checks them; an
// empty field is refused (the window reads it as 0).
RunResult check_register_fields(const std::string& address, const std::string& value, CommandHeader& header);

// --start and --size, as the DDR page checks them.
RunResult check_ddr_options(const std::string& start, const std::string& size, DdrRequest& request);

}  // namespace vandok::cli
