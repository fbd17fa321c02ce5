// Each injected fault, seen from the host's link code over loopback.
#include <gtest/gtest.h>

#include <atomic>
#include <future>

#include "link/bulk_transfer.h"
#include "sim_harness.h"

namespace vandok::sim::test {
namespace {

constexpr std::uint32_t kBase = 0x10000000;

Options with_faults(SessionFaults faults, StreamShape shape = {}) {
  Options o;
  o.faults = faults;
  o.shape = shape;
  return o;
}

// Connects and stores data at kBase.
net::Socket connect_with_data(const SimHarness& sim, const std::vector<std::uint8_t>& data) {
  const net::Socket s = sim.connect();
  const auto size = static_cast<std::uint32_t>(data.size());
  EXPECT_TRUE(send_header(s, {CMD_DDR_WRITE, size, 0, kBase}) && send_chunks(s, data.data(), size, kBase, nullptr));
  return s;
}

TEST(SimFaults, CorruptReadFlipsOneBitOfTheMiddleByte) {
  SimHarness sim(with_faults({.corrupt_read = true}));
  const auto data = pattern(100001, 5);
  const net::Socket s = connect_with_data(sim, data);
  std::vector<std::uint8_t> got(data.size());
  ASSERT_TRUE(send_header(s, {CMD_DDR_READ, 100001, 0, kBase}));
  ASSERT_TRUE(receive_chunks(s, got.data(), 100001, kBase, nullptr, nullptr));
  auto expected = data;
  expected[50000] ^= 0x01;
  EXPECT_EQ(got, expected);
  const auto lines = sim.commands(2);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(json_field(lines[1], "sha256"), sha256_hex(got));
  net::close(s);
}

TEST(SimFaults, CloseMidReadSendsHalfThenCloses) {
  SimHarness sim(with_faults({.close_mid_read = true}));
  const auto data = pattern(200000, 6);
  net::Socket s = connect_with_data(sim, data);
  std::vector<std::uint8_t> got(data.size());
  ASSERT_TRUE(send_header(s, {CMD_DDR_READ, 200000, 0, kBase}));
  EXPECT_EQ(receive_all(s, got.data(), 200000), 100000);
  EXPECT_TRUE(std::equal(got.begin(), got.begin() + 100000, data.begin()));
  net::close(s);

  s = sim.connect();
  ASSERT_TRUE(send_header(s, {CMD_DDR_READ, 200000, 0, kBase}));
  EXPECT_FALSE(receive_chunks(s, got.data(), 200000, kBase, nullptr, nullptr));
  net::close(s);
  const auto lines = sim.commands(3);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(json_field(lines[1], "status"), "fault_closed");
  EXPECT_EQ(json_field(lines[1], "data_bytes"), "100000");
}

TEST(SimFaults, SilentReadHoldsUntilTheHostGivesUp) {
  SimHarness sim(with_faults({.silent_read = true}));
  net::Socket s = connect_with_data(sim, pattern(64, 1));
  ASSERT_TRUE(send_header(s, {CMD_DDR_READ, 64, 0, kBase}));
  std::atomic<bool> cancel{false};
  std::vector<std::uint8_t> got(64);
  auto reader = std::async(std::launch::async,
                           [&] { return receive_chunks(s, got.data(), 64, kBase, nullptr, &cancel); });
  EXPECT_EQ(reader.wait_for(std::chrono::milliseconds(300)), std::future_status::timeout);
  cancel = true;
  net::shutdown_both(s);  // wakes the wait inside receive_chunks
  ASSERT_EQ(reader.wait_for(std::chrono::seconds(2)), std::future_status::ready);
  EXPECT_FALSE(reader.get());
  net::close(s);
  // The held connection ends with the host's, so the next one is served.
  s = sim.connect();
  ASSERT_TRUE(send_header(s, {CMD_REGISTER_WRITE, 0, 1, 2}));
  net::close(s);
  const auto lines = sim.commands(3);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(json_field(lines[1], "status"), "fault_silent");
}

TEST(SimFaults, ExtraReadBytesFollowTheData) {
  SimHarness sim(with_faults({.extra_read_bytes = 7}));
  const auto data = pattern(100, 2);
  const net::Socket s = connect_with_data(sim, data);
  std::vector<std::uint8_t> got(100);
  ASSERT_TRUE(send_header(s, {CMD_DDR_READ, 100, 0, kBase}));
  ASSERT_TRUE(receive_chunks(s, got.data(), 100, kBase, nullptr, nullptr));
  EXPECT_EQ(got, data);
  std::vector<std::uint8_t> extra(16);
  ASSERT_EQ(net::wait_readable(s, 2000), net::Wait::Ready);
  net::shutdown_both(s);
  EXPECT_EQ(receive_all(s, extra.data(), 16), 7);
  net::close(s);
  const auto lines = sim.commands(2);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(json_field(lines[1], "extra_bytes"), "7");
}

TEST(SimFaults, StallAfterStopsTrafficButKeepsTheConnection) {
  SimHarness sim(with_faults({}, {.stall_after = 1000}));
  const auto data = pattern(4096, 4);
  net::Socket s = connect_with_data(sim, data);
  ASSERT_TRUE(send_header(s, {CMD_DDR_READ, 16, 0, kBase}));
  EXPECT_EQ(net::wait_readable(s, 300), net::Wait::TimedOut);
  net::close(s);
  // The budget is per connection: a fresh one moves bytes again.
  s = sim.connect();
  std::vector<std::uint8_t> got(16);
  ASSERT_TRUE(send_header(s, {CMD_DDR_READ, 16, 0, kBase}));
  ASSERT_TRUE(receive_chunks(s, got.data(), 16, kBase, nullptr, nullptr));
  EXPECT_TRUE(std::equal(got.begin(), got.end(), data.begin()));
  net::close(s);
  const auto lines = sim.commands(2);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(json_field(lines[0], "status"), "stalled");
  EXPECT_EQ(json_field(lines[0], "data_bytes"), "984");  // 1000 minus the 16-byte header
}

TEST(SimFaults, ThrottleLimitsTheRate) {
  SimHarness sim(with_faults({}, {.throttle = 2'000'000}));
  const auto data = pattern(400000, 8);
  const auto start = std::chrono::steady_clock::now();
  const net::Socket s = connect_with_data(sim, data);
  std::vector<std::uint8_t> got(data.size());
  ASSERT_TRUE(send_header(s, {CMD_DDR_READ, 400000, 0, kBase}));
  ASSERT_TRUE(receive_chunks(s, got.data(), 400000, kBase, nullptr, nullptr));
  const auto elapsed = std::chrono::steady_clock::now() - start;
  EXPECT_EQ(got, data);
  // 800 kB at 2 MB/s each way, less two 40 kB bursts: at least 0.36 s.
  EXPECT_GE(elapsed, std::chrono::milliseconds(340));
  EXPECT_LE(elapsed, std::chrono::seconds(3));
  net::close(s);
}

TEST(SimFaults, CloseOnAcceptClosesEveryConnection) {
  Options o;
  o.close_on_accept = true;
  SimHarness sim(o);
  for (int i = 0; i < 2; ++i) {
    const net::Socket s = sim.connect();
    ASSERT_NE(s, net::kInvalidSocket);
    EXPECT_TRUE(closed_by_board(s));
    net::close(s);
  }
  sim.stop();
  const auto lines = sim.log_lines();
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(json_field(lines[1], "reason"), "fault_close_on_accept");
}

}  // namespace
}  // namespace vandok::sim::test
