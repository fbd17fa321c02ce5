#include "pages/ddr/ddr_test.h"

#include <gtest/gtest.h>

#include <thread>

#include "link/bulk_transfer.h"
#include "pages/common/message_text.h"
#include "peer.h"

namespace vandok {
namespace {

struct FieldCase {
  const char* start;
  const char* size;
  Message message;  // None: accepted
};

TEST(DdrFields, ChecksRunInOrderAndOnlyTheFirstFailureIsReported) {
  const FieldCase cases[] = {
      {"20000000", "4", Message::None},
      {"3FFFFFFE", "1", Message::None},
      {"3FFFFFFE", "2", Message::DdrSizeOver},
      {"3FFFFFFF", "1", Message::DdrAddressOver},
      {"3FFFFFFF", "zz", Message::DdrAddressOver},
      {"1FFFFFFF", "1", Message::DdrAddressOver},
      {"20000000", "1FFFFFFF", Message::None},
      {"20000000", "20000000", Message::DdrSizeOver},
      {"20000000", "FFFFFFFF", Message::DdrSizeOver},  // no wrap-around
      {"3FFFFFF0", "FFFFFFF0", Message::DdrSizeOver},
      {"", "4", Message::DdrAddressOver},
      {"20000000", "", Message::UserSizeZero},
      {"0x20000000", "4", Message::DdrAddress},
      {"0x20000000", "0x4", Message::DdrAddress},
      {"20000000", "0x4", Message::DdrSize},
      {"20000001", "3", Message::None},  // no alignment rule
  };
  for (const FieldCase& c : cases) {
    DdrRequest r;
    EXPECT_EQ(check_ddr_fields(c.start, c.size, r), c.message) << c.start << " / " << c.size;
  }
}

TEST(DdrPattern, IncrementingWordsThenFFForTheTail) {
  std::vector<std::uint8_t> b(10, 0x11);
  fill_increment_pattern(b.data(), 10);
  EXPECT_EQ(b, (std::vector<std::uint8_t>{0, 0, 0, 0, 1, 0, 0, 0, 0xFF, 0xFF}));
  std::vector<std::uint8_t> big(0x40004);
  fill_increment_pattern(big.data(), 0x40004);
  EXPECT_EQ(big[0x40000], 0x00);  // word 0x10000
  EXPECT_EQ(big[0x40002], 0x01);
}

using testing::RecordingPort;

// A board on the far end of a socket pair that echoes a write back on read.
void echo_board(net::Socket s, int corrupt_at = -1) {
  std::uint8_t raw[16];
  std::vector<std::uint8_t> memory;
  for (;;) {
    if (receive_all(s, raw, 16) != 16) return;
    const CommandHeader h = decode_header(raw);
    if (h.command == CMD_DDR_WRITE) {
      memory.resize(h.length);
      if (receive_all(s, memory.data(), static_cast<std::int32_t>(h.length)) != static_cast<std::int32_t>(h.length)) return;
    } else if (h.command == CMD_DDR_READ) {
      memory.resize(h.length);
      if (corrupt_at >= 0) memory[static_cast<std::size_t>(corrupt_at)] ^= 0x40;
      send_all(s, memory.data(), memory.size());
    }
  }
}

struct Buffers {
  std::vector<std::uint8_t> write, read;
  explicit Buffers(std::uint32_t size) : write(size), read(size) { fill_increment_pattern(write.data(), size); }
};

TEST(DdrRun, SuccessStopsTheTimerBeforeAndAfterTheBox) {
  testing::SocketPair pair;
  std::thread board(echo_board, pair.peer, -1);
  Buffers b(4);
  RecordingPort port;
  const DdrOutcome outcome = run_ddr_test({&pair.host, {0x20000000, 4}, b.write.data(), b.read.data(), nullptr}, port);
  EXPECT_EQ(outcome.result, DdrResult::Pass);
  EXPECT_EQ(outcome.message, Message::DdrSuccess);
  EXPECT_EQ(port.positions, (std::vector<std::uint32_t>{3, 7, 11}));
  EXPECT_EQ(port.events, (std::vector<std::string>{"stop", message_text(Message::DdrSuccess), "stop"}));
  testing::finish_sending(pair.host);
  board.join();
}

TEST(DdrRun, CorruptedReadIsACompareFailureShownBeforeTheTimerStops) {
  testing::SocketPair pair;
  std::thread board(echo_board, pair.peer, 70000);
  Buffers b(200000);
  RecordingPort port;
  const DdrOutcome outcome =
      run_ddr_test({&pair.host, {0x20000000, 200000}, b.write.data(), b.read.data(), nullptr}, port);
  EXPECT_EQ(outcome.result, DdrResult::Mismatch);
  EXPECT_EQ(outcome.message, Message::CompareFailed);
  EXPECT_EQ(outcome.mismatch.differing_bytes, 1u);
  EXPECT_EQ(outcome.mismatch.lowest_address, 0x20000000u + 70000);
  EXPECT_EQ(outcome.bytes_moved, 2u * 200000);
  EXPECT_EQ(port.events, (std::vector<std::string>{message_text(Message::CompareFailed), "stop"}));
  EXPECT_EQ(port.positions.back(), 2u * 200000 - 1);
  testing::finish_sending(pair.host);
  board.join();
}

TEST(DdrRun, DeadSocketShowsTwoHeaderFailuresThenTheCompareFailure) {
  testing::SocketPair pair;
  pair.close_peer();
  Buffers b(16);
  RecordingPort port;
  // The boxes end with the comparison; the outcome names the first failure.
  const DdrOutcome outcome = run_ddr_test({&pair.host, {0x20000000, 16}, b.write.data(), b.read.data(), nullptr}, port);
  EXPECT_EQ(outcome.result, DdrResult::LinkFailed);
  EXPECT_EQ(outcome.message, Message::SendHeaderFailed);
  EXPECT_EQ(outcome.failed_step, TransferStep::WriteHeader);
  const std::string header = message_text(Message::SendHeaderFailed);
  EXPECT_EQ(port.events,
            (std::vector<std::string>{header, header, message_text(Message::CompareFailed), "stop"}));
  EXPECT_TRUE(port.positions.empty());
}

TEST(DdrRun, BoardClosingMidReadIsAReceiveFailureWithoutCompare) {
  testing::SocketPair pair;
  std::thread board([&] {
    std::vector<std::uint8_t> sink(16 + 100000 + 16);
    receive_all(pair.peer, sink.data(), static_cast<std::int32_t>(sink.size()));
    send_all(pair.peer, sink.data(), 5000);
    pair.close_peer();
  });
  Buffers b(100000);
  RecordingPort port;
  const DdrOutcome outcome =
      run_ddr_test({&pair.host, {0x20000000, 100000}, b.write.data(), b.read.data(), nullptr}, port);
  EXPECT_EQ(outcome.message, Message::WriteReceiveFailed);
  EXPECT_EQ(outcome.failed_step, TransferStep::ReadData);
  board.join();
  EXPECT_EQ(port.events, (std::vector<std::string>{message_text(Message::WriteReceiveFailed), "stop"}));
}

TEST(DdrRun, ClosingTheWindowCancelsASilentBoardQuietly) {
  testing::SocketPair pair;
  std::thread board([&] {
    std::vector<std::uint8_t> sink(16 + 64 + 16);
    receive_all(pair.peer, sink.data(), static_cast<std::int32_t>(sink.size()));
  });
  Buffers b(64);
  RecordingPort port;
  std::atomic<bool> cancel{false};
  std::thread closer([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    cancel = true;
    net::shutdown_both(pair.host);  // what the window does on close
  });
  const auto t0 = std::chrono::steady_clock::now();
  EXPECT_EQ(run_ddr_test({&pair.host, {0x20000000, 64}, b.write.data(), b.read.data(), &cancel}, port).result,
            DdrResult::Cancelled);
  EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(2));
  closer.join();
  board.join();
  EXPECT_EQ(port.events, (std::vector<std::string>{"stop"}));
}

TEST(DdrRun, AMissingBufferCannotBeCompared) {
  testing::SocketPair pair;
  testing::Collector sink(pair.peer);
  Buffers b(8);
  RecordingPort port;
  EXPECT_EQ(run_ddr_test({&pair.host, {0x20000000, 8}, b.write.data(), nullptr, nullptr}, port).message,
            Message::CannotCompare);
  EXPECT_EQ(port.events, (std::vector<std::string>{"stop", message_text(Message::CannotCompare), "stop"}));
  testing::finish_sending(pair.host);
  EXPECT_EQ(sink.take().size(), 16u + 8u);  // the write still went out
}

}  // namespace
}  // namespace vandok
