// Every fault the board can show, run end to end against the simulator through
// the same code the window runs. Each case checks what the user is told, that
// nothing hangs, and what still works afterwards; the run writes the results as
// a Markdown table (first argument) for the README.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <mutex>
#include <thread>

#include "link/bulk_transfer.h"
#include "link/discovery.h"
#include "pages/ddr/ddr_test.h"
#include "pages/flash/flash_transfer.h"
#include "pages/register/register_write.h"
#include "sim_harness.h"
#include "support/loopback_discovery.h"

namespace vandok {
namespace {

using sim::Options;
using sim::test::SimHarness;
using Clock = std::chrono::steady_clock;

struct Row {
  std::string fault, operation, user_sees, afterwards;
  double seconds;
};
std::vector<Row>& rows() {
  static std::vector<Row> r;
  return r;
}
std::string table_path;

std::string joined(const std::vector<std::string>& messages) {
  if (messages.empty()) return "(nothing)";
  std::string out;
  for (const std::string& m : messages) out += (out.empty() ? "" : ", then ") + ("\"" + m + "\"");
  return out;
}

// What the page sees of a run: its boxes in order.
class Recorder : public TransferPort {
 public:
  std::vector<std::string> messages;
  void report_progress(std::uint32_t) override {}
  void stop_timer() override {}
  void show_message(Message m) override { messages.push_back(message_text(m)); }
};

// The window's close: cancel flag, then the socket shut down under the worker.
class WindowClose {
 public:
  WindowClose(net::Socket s, std::chrono::milliseconds after)
      : thread_([this, s, after] {
          std::this_thread::sleep_for(after);
          cancel.store(true);
          net::shutdown_both(s);
        }) {}
  ~WindowClose() { thread_.join(); }
  std::atomic<bool> cancel{false};

 private:
  std::thread thread_;
};

struct Ddr {
  std::vector<std::uint8_t> write, read;
  explicit Ddr(std::uint32_t size) : write(size), read(size) { fill_increment_pattern(write.data(), size); }
  std::vector<std::string> run(net::Socket& s, const std::atomic<bool>* cancel = nullptr, int idle_ms = kIdleLimitMs) {
    Recorder r;
    run_ddr_test({&s, {kDdrLow, static_cast<std::uint32_t>(write.size())}, write.data(), read.data(), cancel, idle_ms},
                 r);
    return r.messages;
  }
};

std::string temp_image(std::size_t size) {
  const std::string path = (std::filesystem::temp_directory_path() / ("vandok-fault-" + std::to_string(size))).string();
  std::ofstream(path, std::ios::binary) << std::string(size, '\x5A');
  return path;
}

// cut_to: the file shrinks to this many bytes once opened and measured.
std::vector<std::string> flash(net::Socket& s, std::size_t size, const std::atomic<bool>* cancel = nullptr,
                               int idle_ms = kIdleLimitMs, std::size_t cut_to = SIZE_MAX) {
  ImageFile image;
  const std::string path = temp_image(size);
  if (!image.open(path.c_str())) return {"(image not opened)"};
  if (cut_to != SIZE_MAX) std::filesystem::resize_file(path, cut_to);
  Recorder r;
  run_flash_transfer({&s, &image, cancel, idle_ms}, r);
  return r.messages;
}

bool register_write_works(net::Socket s) {
  CommandHeader h;
  build_register_write("10", [] { return "AB"; }, h);
  return send_register_write(s, h) == Message::None;
}

class FaultMatrix : public ::testing::Test {
 protected:
  void record(const std::string& fault, const std::string& op, const std::vector<std::string>& seen,
              const std::string& afterwards) {
    const double seconds = std::chrono::duration<double>(Clock::now() - start_).count();
    rows().push_back({fault, op, joined(seen), afterwards, seconds});
    EXPECT_LT(seconds, 10.0) << "nothing may hang";
  }
  Clock::time_point start_ = Clock::now();
};

Options faults(void (*set)(Options&)) {
  Options o;
  set(o);
  return o;
}

TEST_F(FaultMatrix, CorruptedRead) {
  SimHarness board(faults([](Options& o) { o.faults.corrupt_read = true; }));
  net::Socket s = board.connect();
  const auto seen = Ddr(1 << 20).run(s);
  EXPECT_EQ(seen, (std::vector<std::string>{message_text(Message::CompareFailed)}));
  EXPECT_TRUE(register_write_works(s));
  record("one byte of a read corrupted", "DDR test 1 MiB", seen, "connection usable");
  net::close(s);
}

TEST_F(FaultMatrix, ConnectionClosedHalfWayThroughARead) {
  SimHarness board(faults([](Options& o) { o.faults.close_mid_read = true; }));
  net::Socket s = board.connect();
  const auto seen = Ddr(1 << 20).run(s);
  EXPECT_EQ(seen, (std::vector<std::string>{message_text(Message::WriteReceiveFailed)}));
  net::Socket again = board.connect();
  EXPECT_EQ(Ddr(4096).run(again), (std::vector<std::string>{message_text(Message::WriteReceiveFailed)}));
  record("connection closed half-way through a read", "DDR test 1 MiB", seen, "board reachable by a new discovery");
  net::close(s);
  net::close(again);
}

TEST_F(FaultMatrix, ReadNeverAnsweredThenWindowClosed) {
  SimHarness board(faults([](Options& o) { o.faults.silent_read = true; }));
  net::Socket s = board.connect();
  Ddr ddr(1 << 20);  // buffers ready before the clock starts, as the page has them
  WindowClose close(s, std::chrono::milliseconds(300));
  const auto seen = ddr.run(s, &close.cancel);
  EXPECT_TRUE(seen.empty());
  record("read never answered, window closed", "DDR test 1 MiB", seen, "run ends within a second, no box");
  net::close(s);
}

TEST_F(FaultMatrix, StallMidWriteThenWindowClosed) {
  SimHarness board(faults([](Options& o) { o.shape.stall_after = 100000; }));
  net::Socket s = board.connect();
  Ddr ddr(8 << 20);
  WindowClose close(s, std::chrono::milliseconds(500));
  const auto seen = ddr.run(s, &close.cancel);
  EXPECT_TRUE(seen.empty()) << joined(seen);
  record("board stalls after 100000 bytes, window closed", "DDR test 8 MiB", seen, "run ends at the close");
  net::close(s);
}

TEST_F(FaultMatrix, StallMidImageThenWindowClosed) {
  SimHarness board(faults([](Options& o) { o.shape.stall_after = 100000; }));
  net::Socket s = board.connect();
  WindowClose close(s, std::chrono::milliseconds(500));
  const auto seen = flash(s, 8 << 20, &close.cancel);
  EXPECT_TRUE(seen.empty()) << joined(seen);
  record("board stalls after 100000 bytes, window closed", "flash image 8 MiB", seen, "run ends at the close, file closed");
  net::close(s);
}

// A board that falls silent fails the step after the idle limit (short here),
// and the connection goes with it.
TEST_F(FaultMatrix, ReadNeverAnswered) {
  SimHarness board(faults([](Options& o) { o.faults.silent_read = true; }));
  net::Socket s = board.connect();
  const auto seen = Ddr(1 << 20).run(s, nullptr, 500);
  EXPECT_EQ(seen, (std::vector<std::string>{message_text(Message::WriteReceiveFailed)}));
  EXPECT_FALSE(register_write_works(s));
  record("read never answered", "DDR test 1 MiB, idle limit 0.5 s", seen,
         "connection closed: the next command fails at once");
  net::close(s);
}

TEST_F(FaultMatrix, StallMidImage) {
  SimHarness board(faults([](Options& o) { o.shape.stall_after = 100000; }));
  net::Socket s = board.connect();
  const auto seen = flash(s, 8 << 20, nullptr, 500);
  EXPECT_EQ(seen, (std::vector<std::string>{message_text(Message::TcpFailed)}));
  EXPECT_FALSE(register_write_works(s));
  record("board stalls after 100000 bytes", "flash image 8 MiB, idle limit 0.5 s", seen,
         "connection closed: the next command fails at once");
  net::close(s);
}

TEST_F(FaultMatrix, ImageFileCutShortWhileItStreams) {
  SimHarness board;
  net::Socket s = board.connect();
  const auto seen = flash(s, 1 << 20, nullptr, kIdleLimitMs, 300000);
  EXPECT_EQ(seen, (std::vector<std::string>{message_text(Message::ReadImageFailed)}));
  const std::vector<std::string> log = board.commands(1);
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(sim::test::json_field(log[0], "data_bytes"), "262144") << "four whole chunks, nothing of the short one";
  EXPECT_NE(sim::test::json_field(log[0], "status"), "ok") << "the board must see a cut transfer";
  record("image file cut to 300000 bytes after it was measured", "flash image 1 MiB", seen,
         "nothing of the short chunk sent; the board sees a cut transfer");
  net::close(s);
}

TEST_F(FaultMatrix, ThrottledLink) {
  SimHarness board(faults([](Options& o) { o.shape.throttle = 12500000; }));
  net::Socket s = board.connect();
  const auto seen = Ddr(1 << 20).run(s);
  EXPECT_EQ(seen, (std::vector<std::string>{message_text(Message::DdrSuccess)}));
  record("link throttled to 100 Mbit/s", "DDR test 1 MiB", seen, "connection usable");
  net::close(s);
}

TEST_F(FaultMatrix, BoardClosesAtOnceAfterAccepting) {
  SimHarness board(faults([](Options& o) { o.close_on_accept = true; }));
  net::Socket s = board.connect();
  ASSERT_NE(s, net::kInvalidSocket);
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  const auto seen = Ddr(1 << 20).run(s);
  ASSERT_FALSE(seen.empty());
  EXPECT_NE(seen.back(), message_text(Message::DdrSuccess));
  record("board accepts and closes at once", "DDR test 1 MiB", seen, "no success reported");
  net::close(s);
}

TEST_F(FaultMatrix, BoardSendsMoreThanAskedFor) {
  SimHarness board(faults([](Options& o) { o.faults.extra_read_bytes = 1000; }));
  net::Socket s = board.connect();
  std::vector<std::string> seen = Ddr(4096).run(s);
  // The surplus is dropped when it has arrived by the next read, as it has by
  // the time a person starts the next test.
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  const auto second = Ddr(4096).run(s);
  EXPECT_EQ(seen, (std::vector<std::string>{message_text(Message::DdrSuccess)}));
  EXPECT_EQ(second, (std::vector<std::string>{message_text(Message::DdrSuccess)})) << "stale bytes taken for the next answer";
  seen.insert(seen.end(), second.begin(), second.end());
  record("board sends 1000 bytes more than asked", "two DDR tests of 4 KiB", seen,
         "extra bytes dropped, never written into the read buffer");
  net::close(s);
}

TEST_F(FaultMatrix, BoardGoneBetweenTwoCommands) {
  auto board = std::make_unique<SimHarness>();
  net::Socket s = board->connect();
  EXPECT_EQ(Ddr(4096).run(s), (std::vector<std::string>{message_text(Message::DdrSuccess)}));
  board.reset();  // the board is switched off
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  const auto ddr = Ddr(1 << 20).run(s);
  ASSERT_FALSE(ddr.empty());
  EXPECT_NE(ddr.back(), message_text(Message::DdrSuccess));
  const auto image = flash(s, 200000);
  ASSERT_FALSE(image.empty());
  EXPECT_NE(image.back(), message_text(Message::ReconfigComplete));
  EXPECT_FALSE(register_write_works(s));
  record("board gone between two commands", "DDR test, then flash image, then register write", ddr,
         "flash: " + joined(image) + "; register: \"" + message_text(Message::SendRegisterFailed) + "\"");
  net::close(s);
}

TEST_F(FaultMatrix, FlashImageToABoardThatClosesAtOnce) {
  SimHarness board(faults([](Options& o) { o.close_on_accept = true; }));
  net::Socket s = board.connect();
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  const auto seen = flash(s, 1 << 20);
  ASSERT_FALSE(seen.empty());
  EXPECT_NE(seen.back(), message_text(Message::ReconfigComplete)) << "a failure must not be reported as success";
  record("board accepts and closes at once", "flash image 1 MiB", seen, "no success reported");
  net::close(s);
}

using testing::LoopbackDiscovery;

TEST_F(FaultMatrix, BoardRefusesConnections) {
  std::uint16_t closed_port = 0;
  {
    SimHarness gone;
    closed_port = gone.port();
  }
  LoopbackDiscovery host(closed_port);
  int flag = 0;
  EXPECT_EQ(run_discovery(host, flag).outcome, DiscoveryOutcome::NotFound);
  EXPECT_EQ(host.messages, (std::vector<std::string>{message_text(Message::NoBoard)}));
  EXPECT_EQ(host.tries, 3 * 9);
  record("board refuses connections", "discovery", host.messages, "three passes, then tabs disabled");
}

TEST_F(FaultMatrix, DiscoveryOfABoardThatClosesAtOnce) {
  SimHarness board(faults([](Options& o) { o.close_on_accept = true; }));
  LoopbackDiscovery host(board.port());
  int flag = 0;
  EXPECT_EQ(run_discovery(host, flag).outcome, DiscoveryOutcome::Found);
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  const auto seen = Ddr(1 << 20).run(host.socket);
  ASSERT_FALSE(seen.empty());
  EXPECT_NE(seen.back(), message_text(Message::DdrSuccess));
  std::vector<std::string> all = host.messages;
  all.insert(all.end(), seen.begin(), seen.end());
  record("board accepts and closes at once", "discovery, then DDR test", all, "found; the first command fails");
}

class TableWriter : public ::testing::Environment {
 public:
  void TearDown() override {
    if (table_path.empty()) return;
    std::ofstream out(table_path);
    out << "| Fault | Operation | What the user sees | Afterwards | Seconds |\n|---|---|---|---|---|\n";
    for (const Row& r : rows()) {
      char secs[16];
      std::snprintf(secs, sizeof secs, "%.2f", r.seconds);
      out << "| " << r.fault << " | " << r.operation << " | " << r.user_sees << " | " << r.afterwards << " | "
          << secs << " |\n";
    }
  }
};

}  // namespace
}  // namespace vandok

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (argc > 1) vandok::table_path = argv[1];
  ::testing::AddGlobalTestEnvironment(new vandok::TableWriter);
  return RUN_ALL_TESTS();
}
