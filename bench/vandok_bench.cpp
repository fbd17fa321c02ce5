// Measures the tool's own transfer code against a board: DDR test and flash
// stream throughput, and the peak resident size of the process.
//   vandok-bench ddr   HOST PORT SIZE_BYTES
//   vandok-bench flash HOST PORT IMAGE_FILE
// Prints a line "KIND bytes=N seconds=S mbit_per_s=R peak_rss_kib=K result=MSG" per
// measurement; ddr gives two: ddr (fresh read buffer) and ddr_resident.
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "link/net.h"
#include "pages/common/message_text.h"
#include "pages/ddr/ddr_test.h"
#include "pages/flash/flash_transfer.h"

namespace {

using vandok::net::Socket;

class QuietPort : public vandok::TransferPort {
 public:
  void report_progress(std::uint32_t) override {}
  void stop_timer() override {}
  void show_message(vandok::Message) override {}
};

long peak_rss_kib() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return u.ru_maxrss;
}

Socket connect_board(const char* host, const char* port) {
  std::uint32_t address = 0;
  if (!vandok::net::parse_ipv4(host, address)) return vandok::net::kInvalidSocket;
  const Socket s = vandok::net::open_stream();
  if (s == vandok::net::kInvalidSocket) return s;
  if (!vandok::net::connect_ipv4(s, address, static_cast<std::uint16_t>(std::atoi(port)), 2000)) {
    vandok::net::close(s);
    return vandok::net::kInvalidSocket;
  }
  return s;
}

void print(const char* kind, double bytes, double seconds, vandok::Message message) {
  const char* result = message == vandok::Message::None ? nullptr : vandok::message_text(message);
  std::printf("%s bytes=%.0f seconds=%.3f mbit_per_s=%.1f peak_rss_kib=%ld result=%s\n", kind, bytes, seconds,
              bytes * 8 / seconds / 1e6, peak_rss_kib(), result ? result : "none");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5) {
    std::fprintf(stderr, "usage: %s ddr|flash HOST PORT SIZE|IMAGE\n", argv[0]);
    return 2;
  }
  const Socket s = connect_board(argv[2], argv[3]);
  if (s == vandok::net::kInvalidSocket) {
    std::fprintf(stderr, "no board at %s:%s\n", argv[2], argv[3]);
    return 2;
  }
  const auto since = [](std::chrono::steady_clock::time_point t0) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  };
  vandok::Message result = vandok::Message::None;
  if (std::strcmp(argv[1], "ddr") == 0) {
    const auto size = static_cast<std::uint32_t>(std::strtoul(argv[4], nullptr, 0));
    std::unique_ptr<std::uint8_t[]> write(new std::uint8_t[size]);
    std::unique_ptr<std::uint8_t[]> read(new std::uint8_t[size]);
    vandok::fill_increment_pattern(write.get(), size);
    QuietPort port;
    // The worker's part (write, read back, compare) twice: first into a fresh
    // read buffer, as each run of the window has, then into the same buffer,
    // whose pages the first run has already brought in.
    for (const char* kind : {"ddr", "ddr_resident"}) {
      const auto t0 = std::chrono::steady_clock::now();
      result = vandok::run_ddr_test({&s, {vandok::kDdrLow, size}, write.get(), read.get(), nullptr}, port).message;
      print(kind, 2.0 * size, since(t0), result);  // written and read back
    }
  } else {
    vandok::ImageFile image;
    if (!image.open(argv[4])) {
      std::fprintf(stderr, "%s\n", vandok::message_text(vandok::Message::CannotOpenImage));
      return 2;
    }
    QuietPort port;
    const auto t0 = std::chrono::steady_clock::now();
    // No history, so no digest: the same as the window with VANDOK_HISTORY=.
    result = vandok::run_flash_transfer({&s, &image, nullptr, vandok::kIdleLimitMs, false}, port).message;
    print("flash", image.size(), since(t0), result);
  }
  vandok::net::close(s);
  return result == vandok::Message::DdrSuccess || result == vandok::Message::ReconfigComplete ? 0 : 1;
}
