// Long runs against the simulated board in one process, as a lab day would go:
// DDR tests, discoveries and flash images back to back. Every run must end as
// expected, and the resident size must stay flat.
//   vandok-soak PORT IMAGE_FILE [DDR_RUNS DISCOVERIES IMAGES]
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include "link/net.h"
#include "pages/common/message_text.h"
#include "pages/ddr/ddr_test.h"
#include "pages/flash/flash_transfer.h"
#include "support/loopback_discovery.h"

namespace {

class QuietPort : public vandok::TransferPort {
 public:
  void report_progress(std::uint32_t) override {}
  void stop_timer() override {}
  void show_message(vandok::Message) override {}
};

// Resident size in KiB, from /proc.
long resident_kib() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6);
  return -1;
}

int failures = 0;
void expect(const char* what, int run, vandok::Message got, vandok::Message want) {
  if (got != want) {
    ++failures;
    std::printf("%s run %d ended with %s\n", what, run, vandok::message_text(got));
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3 && argc != 6) {
    std::fprintf(stderr, "usage: %s PORT IMAGE_FILE [DDR_RUNS DISCOVERIES IMAGES]\n", argv[0]);
    return 2;
  }
  const auto port = static_cast<std::uint16_t>(std::atoi(argv[1]));
  const int ddr_runs = argc == 6 ? std::atoi(argv[3]) : 500;
  const int discoveries = argc == 6 ? std::atoi(argv[4]) : 100;
  const int images = argc == 6 ? std::atoi(argv[5]) : 100;
  QuietPort quiet;
  vandok::testing::LoopbackDiscovery host(port);

  long first = 0;
  for (int i = 0; i < discoveries; ++i) {
    int flag = 0;
    if (vandok::run_discovery(host, flag).outcome != vandok::DiscoveryOutcome::Found) {
      ++failures;
      std::printf("discovery %d found no board\n", i);
    }
    if (i == 0) first = resident_kib();
  }
  std::printf("discoveries: %d, resident first %ld KiB, last %ld KiB\n", discoveries, first, resident_kib());

  constexpr std::uint32_t kSize = 1 << 20;
  for (int i = 0; i < ddr_runs; ++i) {
    // As the page does: the previous run's pair is freed when the next starts.
    auto* write = static_cast<std::uint8_t*>(std::malloc(kSize));
    auto* read = static_cast<std::uint8_t*>(std::malloc(kSize));
    vandok::fill_increment_pattern(write, kSize);
    expect("DDR", i, vandok::run_ddr_test({&host.socket, {vandok::kDdrLow + 0x1000u * i, kSize}, write, read, nullptr}, quiet).message,
           vandok::Message::DdrSuccess);
    std::free(write);
    std::free(read);
    if (i == 0) first = resident_kib();
  }
  std::printf("DDR tests of 1 MiB: %d, resident first %ld KiB, last %ld KiB\n", ddr_runs, first, resident_kib());

  for (int i = 0; i < images; ++i) {
    vandok::ImageFile image;
    if (!image.open(argv[2])) {
      std::printf("image %s cannot be opened\n", argv[2]);
      return 2;
    }
    expect("flash", i, vandok::run_flash_transfer({&host.socket, &image, nullptr}, quiet).message,
           vandok::Message::ReconfigComplete);
    if (i == 0) first = resident_kib();
  }
  std::printf("flash images: %d, resident first %ld KiB, last %ld KiB\n", images, first, resident_kib());
  std::printf("failures: %d\n", failures);
  return failures == 0 ? 0 : 1;
}
