#include "sim/options.h"

#include <arpa/inet.h>

#include <charconv>
#include <limits>
#include <string_view>

#include "sim/ddr_memory.h"

namespace vandok::sim {

namespace {

bool parse_number(std::string_view text, std::uint64_t max, std::uint64_t& out) {
  std::uint64_t value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || text.empty() || value > max) return false;
  out = value;
  return true;
}

// "START:SIZE", each decimal or 0x-hexadecimal, inside the DDR window.
bool parse_ddr_range(std::string_view text, std::uint32_t& start, std::uint64_t& size) {
  const auto number = [](std::string_view t, std::uint64_t& out) {
    const bool hex = t.starts_with("0x") || t.starts_with("0X");
    if (hex) t.remove_prefix(2);
    const auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), out, hex ? 16 : 10);
    return !t.empty() && ec == std::errc() && end == t.data() + t.size();
  };
  const std::size_t colon = text.find(':');
  std::uint64_t s = 0, n = 0;
  if (colon == std::string_view::npos || !number(text.substr(0, colon), s) || !number(text.substr(colon + 1), n) ||
      s > std::numeric_limits<std::uint32_t>::max() || n == 0 ||
      !DdrMemory::in_range(static_cast<std::uint32_t>(s), n))
    return false;
  start = static_cast<std::uint32_t>(s);
  size = n;
  return true;
}

}  // namespace

ParseResult parse_options(int argc, const char* const* argv, Options& o, std::string& error) {
  for (int i = 1; i < argc; ++i) {
    std::string_view arg = argv[i];
    std::string_view inline_value;
    bool has_inline = false;
    if (const std::size_t eq = arg.find('='); arg.starts_with("--") && eq != std::string_view::npos) {
      inline_value = arg.substr(eq + 1);
      arg = arg.substr(0, eq);
      has_inline = true;
    }
    // Fetches the option's value from "=VALUE" or the next argument.
    auto value = [&](std::string_view& out) {
      if (has_inline) {
        out = inline_value;
        return true;
      }
      if (i + 1 >= argc) {
        error = std::string(arg) + " needs a value";
        return false;
      }
      out = argv[++i];
      return true;
    };
    auto number = [&](std::uint64_t max, std::uint64_t& out) {
      std::string_view text;
      if (!value(text)) return false;
      if (parse_number(text, max, out)) return true;
      error = std::string(arg) + ": not a number up to " + std::to_string(max) + ": " + std::string(text);
      return false;
    };
    auto flag = [&](bool& out) {
      if (has_inline) {
        error = std::string(arg) + " takes no value";
        return false;
      }
      out = true;
      return true;
    };
    auto text_value = [&](std::string& out) {
      std::string_view text;
      if (!value(text)) return false;
      if (text.empty()) {
        error = std::string(arg) + " needs a non-empty value";
        return false;
      }
      out = std::string(text);
      return true;
    };

    std::uint64_t n = 0;
    bool ok = true;
    if (arg == "--help" || arg == "-h") {
      return ParseResult::Help;
    } else if (arg == "--version" || arg == "-V") {
      return ParseResult::Version;
    } else if (arg == "--listen") {
      ok = text_value(o.listen_address);
      in_addr parsed{};
      if (ok && ::inet_pton(AF_INET, o.listen_address.c_str(), &parsed) != 1) {
        error = "--listen: not an IPv4 address: " + o.listen_address;
        ok = false;
      }
    } else if (arg == "--port") {
      ok = number(std::numeric_limits<std::uint16_t>::max(), n);
      o.port = static_cast<std::uint16_t>(n);
    } else if (arg == "--json-log") {
      ok = text_value(o.json_log);
    } else if (arg == "--flash-out") {
      ok = text_value(o.flash_out);
    } else if (arg == "--port-file") {
      ok = text_value(o.port_file);
    } else if (arg == "--no-digest") {
      bool no_digest = false;
      ok = flag(no_digest);
      o.digest = !no_digest;
    } else if (arg == "--corrupt-read") {
      ok = flag(o.faults.corrupt_read);
    } else if (arg == "--close-mid-read") {
      ok = flag(o.faults.close_mid_read);
    } else if (arg == "--silent-read") {
      ok = flag(o.faults.silent_read);
    } else if (arg == "--close-on-accept") {
      ok = flag(o.close_on_accept);
    } else if (arg == "--extra-read-bytes") {
      ok = number(std::numeric_limits<std::uint32_t>::max(), n);
      o.faults.extra_read_bytes = static_cast<std::uint32_t>(n);
    } else if (arg == "--stall-after") {
      ok = number(std::numeric_limits<std::uint64_t>::max(), n);
      o.shape.stall_after = n;
    } else if (arg == "--throttle") {
      ok = number(std::numeric_limits<std::uint64_t>::max(), n);
      if (ok && n == 0) {
        error = "--throttle needs a rate above 0 bytes per second";
        ok = false;
      }
      o.shape.throttle = n;
    } else if (arg == "--max-connections") {
      ok = number(std::numeric_limits<std::uint64_t>::max(), n);
      o.max_connections = n;
    } else if (arg == "--preallocate-ddr") {
      std::string_view text;
      ok = value(text);
      if (ok && !parse_ddr_range(text, o.preallocate_start, o.preallocate_size)) {
        error = "--preallocate-ddr: not START:SIZE inside 0x10000000-0x3FFFFFFF: " + std::string(text);
        ok = false;
      }
    } else {
      error = "unknown option: " + std::string(argv[i]);
      ok = false;
    }
    if (!ok) return ParseResult::Error;
  }
  return ParseResult::Run;
}

std::string usage_text(const char* program) {
  return std::string("Usage: ") + program + " [options]\n" +
         "Simulates the Vandok FPGA board on its TCP command port.\n"
         "\n"
         "  --listen ADDR          IPv4 address to listen on (default 127.0.0.1)\n"
         "  --port N               TCP port (default 7777; 0 picks a free one)\n"
         "  --port-file FILE       write the listening port number to FILE\n"
         "  --json-log FILE        log each command as one JSON object per line\n"
         "  --flash-out FILE       write each received flash image (unpadded) to FILE\n"
         "  --max-connections N    exit after serving N connections\n"
         "  --no-digest            log an empty sha256 (for throughput runs)\n"
         "  --preallocate-ddr START:SIZE\n"
         "                         take the DDR pages of this range before serving\n"
         "                         (for throughput runs; e.g. 0x20000000:0x10000000)\n"
         "  -h, --help             show this help\n"
         "  -V, --version          show the name, version and build\n"
         "\n"
         "Faults:\n"
         "  --corrupt-read         flip one bit of the middle byte of each DDR read\n"
         "  --close-mid-read       send half of a DDR read, then close the connection\n"
         "  --silent-read          never answer a DDR read; keep the connection open\n"
         "  --extra-read-bytes N   send N extra bytes after each DDR read's data\n"
         "  --stall-after N        stop all traffic after N bytes received + sent\n"
         "  --throttle R           limit each direction to R bytes per second\n"
         "                         (12500000 stands in for a 100 Mb/s link)\n"
         "  --close-on-accept      close every connection as soon as it is accepted\n";
}

std::string version_text() {
  return std::string("vandok-board-sim ") + VANDOK_VERSION + " (build: " + VANDOK_BUILD + ")\n";
}

}  // namespace vandok::sim
