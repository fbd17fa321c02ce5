// Fault soak with an oracle: runs DDR tests, flash images and register writes
// through the same core as the window and the companion against the simulator,
// one fault drawn per run from every fault the simulator can inject (and an
// image file cut short), and compares each run's verdict, as the companion
// derives it, with the verdict its fault implies. Prints a table of false
// passes, false failures and hangs per fault; exits 1 unless all are 0.
//
//   vandok-fault-soak [RUNS] [SEED]       (default 300 runs)
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "link/net.h"
#include "pages/ddr/ddr_patterns.h"
#include "pages/ddr/ddr_record.h"
#include "pages/ddr/ddr_test.h"
#include "pages/flash/flash_record.h"
#include "pages/flash/flash_transfer.h"
#include "pages/register/register_write.h"
#include "sim/board_server.h"

namespace {

using vandok::RunKind;
using Clock = std::chrono::steady_clock;

constexpr int kIdleMs = 300;  // the idle limit, short so that silent boards end quickly
constexpr auto kHang = std::chrono::seconds(10);

enum class Operation { Ddr, Flash, Register };
const char* operation_name(Operation op) {
  switch (op) {
    case Operation::Ddr: return "DDR test";
    case Operation::Flash: return "flash image";
    case Operation::Register: return "register write";
  }
  return "";
}

struct Fault {
  const char* name;
  std::function<void(vandok::sim::Options&)> set;
  bool cut_image = false;  // the image file shrinks once measured
  // The verdict the fault implies for each operation.
  std::map<Operation, RunKind> expected;
};

std::vector<Fault> all_faults() {
  using O = vandok::sim::Options;
  const auto all_pass = std::map<Operation, RunKind>{
      {Operation::Ddr, RunKind::Pass}, {Operation::Flash, RunKind::Pass}, {Operation::Register, RunKind::Pass}};
  auto with = [&](Operation op, RunKind kind) {
    auto m = all_pass;
    m[op] = kind;
    return m;
  };
  return {
      {"none", [](O&) {}, false, all_pass},
      {"corrupt read", [](O& o) { o.faults.corrupt_read = true; }, false, with(Operation::Ddr, RunKind::Fail)},
      {"close mid read", [](O& o) { o.faults.close_mid_read = true; }, false,
       with(Operation::Ddr, RunKind::LinkError)},
      {"silent read", [](O& o) { o.faults.silent_read = true; }, false, with(Operation::Ddr, RunKind::LinkError)},
      {"extra read bytes", [](O& o) { o.faults.extra_read_bytes = 100; }, false,
       with(Operation::Ddr, RunKind::LinkError)},
      {"stall after 100000 bytes", [](O& o) { o.shape.stall_after = 100000; }, false,
       {{Operation::Ddr, RunKind::LinkError}, {Operation::Flash, RunKind::LinkError},
        {Operation::Register, RunKind::Pass}}},
      {"throttle 20 MB/s", [](O& o) { o.shape.throttle = 20000000; }, false, all_pass},
      {"close on accept", [](O& o) { o.close_on_accept = true; }, false,
       {{Operation::Ddr, RunKind::LinkError}, {Operation::Flash, RunKind::LinkError},
        {Operation::Register, RunKind::LinkError}}},
      {"image file cut short", [](O&) {}, true, with(Operation::Flash, RunKind::BadInput)},
  };
}

// The simulator in this process on a free loopback port.
class Board {
 public:
  explicit Board(vandok::sim::Options options) : server_(prepare(std::move(options)), log_, stop_) {
    std::string error;
    if (server_.listen(error)) thread_ = std::thread([this] { server_.serve(); });
  }
  ~Board() {
    stop_.request();
    if (thread_.joinable()) thread_.join();
  }
  std::uint16_t port() const { return server_.port(); }

 private:
  static vandok::sim::Options prepare(vandok::sim::Options o) {
    o.listen_address = "127.0.0.1";
    o.port = 0;
    return o;
  }
  vandok::sim::StopSignal stop_;
  vandok::sim::CommandLog log_{nullptr};
  vandok::sim::BoardServer server_;
  std::thread thread_;
};

class QuietPort : public vandok::TransferPort {
 public:
  void report_progress(std::uint32_t) override {}
  void stop_timer() override {}
  void show_message(vandok::Message) override {}
};

std::string image_path() {
  static const std::string path = (std::filesystem::temp_directory_path() /
                                   ("vandok-fault-soak-" + std::to_string(::getpid()) + ".rpd"))
                                      .string();
  return path;
}

// One run on socket s, judged as the companion judges it.
RunKind run_operation(Operation op, const Fault& fault, vandok::net::Socket s) {
  QuietPort port;
  switch (op) {
    case Operation::Ddr: {
      // Two passes, as --repeat 2: surplus after a read may arrive after the
      // read has ended, but always before the next one.
      constexpr std::uint32_t kSize = 256 * 1024;
      std::vector<std::uint8_t> write(kSize), read(kSize);
      vandok::fill_increment_pattern(write.data(), kSize);
      for (int pass = 0; pass < 2; ++pass) {
        const vandok::DdrOutcome outcome =
            vandok::run_ddr_test({&s, {vandok::kDdrLow, kSize}, write.data(), read.data(), nullptr, kIdleMs}, port);
        const RunKind kind = vandok::strict_kind_of(outcome);
        if (kind != RunKind::Pass) return kind;
      }
      return RunKind::Pass;
    }
    case Operation::Flash: {
      const std::string path = image_path();
      std::ofstream(path, std::ios::binary | std::ios::trunc) << std::string(1 << 20, '\x5A');
      vandok::ImageFile image;
      if (!image.open(path.c_str())) return RunKind::BadInput;
      if (fault.cut_image) std::filesystem::resize_file(path, 300000);
      return vandok::kind_of(vandok::run_flash_transfer({&s, &image, nullptr, kIdleMs}, port));
    }
    case Operation::Register: {
      vandok::CommandHeader h;
      vandok::build_register_write("10", [] { return "AB"; }, h);
      return vandok::send_register_write(s, h, kIdleMs) == vandok::Message::None ? RunKind::Pass
                                                                                 : RunKind::LinkError;
    }
  }
  return RunKind::LinkError;
}

struct Tally {
  int runs = 0, as_expected = 0, false_passes = 0, false_failures = 0, hangs = 0;
};

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::atoi(argv[1]) : 300;
  const unsigned seed = argc > 2 ? static_cast<unsigned>(std::strtoul(argv[2], nullptr, 10)) : 1;
  const std::vector<Fault> faults = all_faults();
  vandok::RandomWords draw(seed);
  std::map<std::string, Tally> tally;
  const auto started = Clock::now();

  for (int i = 0; i < runs; ++i) {
    const Fault& fault = faults[draw.next32() % faults.size()];
    const auto op = static_cast<Operation>(draw.next32() % 3);
    if (fault.cut_image && op != Operation::Flash) continue;  // only a flash image reads a file
    vandok::sim::Options options;
    fault.set(options);
    Board board(options);
    vandok::net::Socket s = vandok::net::open_stream();
    if (!vandok::net::connect_ipv4(s, 0x7F000001, board.port(), 2000)) {
      std::fprintf(stderr, "run %d: the simulator did not accept\n", i);
      return 2;
    }
    // A person starts a command a moment after the connection is made.
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    auto verdict = std::async(std::launch::async, run_operation, op, std::cref(fault), s);
    Tally& t = tally[std::string(fault.name) + " | " + operation_name(op)];
    ++t.runs;
    if (verdict.wait_for(kHang) != std::future_status::ready) {
      ++t.hangs;
      vandok::net::shutdown_both(s);  // lets the run end so the soak can go on
    }
    const RunKind got = verdict.get();
    const RunKind want = fault.expected.at(op);
    if (got == want)
      ++t.as_expected;
    else if (got == RunKind::Pass)
      ++t.false_passes;
    else
      ++t.false_failures;
    if (got != want)
      std::printf("run %d: %s, %s: %s, expected %s\n", i, fault.name, operation_name(op),
                  vandok::result_name(got), vandok::result_name(want));
    vandok::net::close(s);
  }
  std::filesystem::remove(image_path());

  Tally total;
  std::printf("| Fault | Operation | Runs | As expected | False passes | False failures | Hangs |\n"
              "|---|---|---|---|---|---|---|\n");
  for (const auto& [name, t] : tally) {
    std::printf("| %s | %d | %d | %d | %d | %d |\n", name.c_str(), t.runs, t.as_expected, t.false_passes,
                t.false_failures, t.hangs);
    total.runs += t.runs;
    total.as_expected += t.as_expected;
    total.false_passes += t.false_passes;
    total.false_failures += t.false_failures;
    total.hangs += t.hangs;
  }
  std::printf("%d runs in %.1f s: %d as expected, %d false passes, %d false failures, %d hangs\n", total.runs,
              std::chrono::duration<double>(Clock::now() - started).count(), total.as_expected, total.false_passes,
              total.false_failures, total.hangs);
  return total.false_passes + total.false_failures + total.hangs == 0 ? 0 : 1;
}
