#include "link/bulk_transfer.h"

#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <numeric>
#include <thread>

#include "peer.h"

namespace vandok {
namespace {

using testing::Collector;
using testing::SocketPair;

TEST(CommandHeader, GoesOutLittleEndianAsTheExamplesShow) {
  const HeaderBytes ddr_write = encode_header({CMD_DDR_WRITE, 0x100, 0, 0x20000000});
  const HeaderBytes expected_write = {3, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x20};
  EXPECT_EQ(ddr_write, expected_write);
  const HeaderBytes reg = encode_header({CMD_REGISTER_WRITE, 0, 0xA5, 0x1000});
  const HeaderBytes expected_reg = {4, 0, 0, 0, 0, 0, 0, 0, 0xA5, 0, 0, 0, 0, 0x10, 0, 0};
  EXPECT_EQ(reg, expected_reg);
  const CommandHeader back = decode_header(reg.data());
  EXPECT_EQ(back.command, 4u);
  EXPECT_EQ(back.value, 0xA5u);
  EXPECT_EQ(back.address, 0x1000u);
}

std::vector<std::uint8_t> pattern(std::size_t n) {
  std::vector<std::uint8_t> v(n);
  for (std::size_t i = 0; i < n; ++i) v[i] = static_cast<std::uint8_t>(i * 7 + (i >> 16));
  return v;
}

struct SendCase {
  std::uint32_t size;
  std::vector<std::uint32_t> positions;  // base 10
};

TEST(SendChunks, SendsEveryByteAndReportsAfterEachChunk) {
  const SendCase cases[] = {
      {1, {10}},
      {65535, {10 + 65534}},
      {65536, {10 + 65535}},
      {65537, {10 + 65535, 10 + 65536}},
      {200000, {10 + 65535, 10 + 131071, 10 + 196607, 10 + 199999}},
  };
  for (const SendCase& c : cases) {
    SocketPair pair;
    Collector peer(pair.peer);
    const std::vector<std::uint8_t> data = pattern(c.size);
    std::vector<std::uint32_t> seen;
    ASSERT_TRUE(send_chunks(pair.host, data.data(), c.size, 10, [&](std::uint32_t p) { seen.push_back(p); }));
    testing::finish_sending(pair.host);
    EXPECT_EQ(peer.take(), data) << c.size;
    EXPECT_EQ(seen, c.positions) << c.size;
  }
}

TEST(SendChunks, FailsWhenThePeerIsGone) {
  SocketPair pair;
  pair.close_peer();
  const std::vector<std::uint8_t> data = pattern(200000);
  EXPECT_FALSE(send_chunks(pair.host, data.data(), 200000, 0, nullptr));
  EXPECT_FALSE(send_header(pair.host, {CMD_DDR_WRITE, 1, 0, 0}));
}

// The end of a send as the board's TCP stack shows it: taken, left in the queue
// by a board that stopped reading, or thrown away by a reset or by our own
// shutdown (both leave the queue's count as it was, and must end the wait at once).
TEST(WaitSent, TakenStuckOrLost) {
  const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
  const int small = 4096;  // the accepted socket's window stays small
  ::setsockopt(listener, SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof addr;
  ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
  ASSERT_EQ(::listen(listener, 1), 0);
  ASSERT_EQ(::getsockname(listener, reinterpret_cast<sockaddr*>(&addr), &len), 0);
  const std::vector<std::uint8_t> data = pattern(256 * 1024);
  enum class Board { Reads, StopsReading, Resets, ShutDownHere };
  const std::pair<Board, net::Drain> cases[] = {{Board::Reads, net::Drain::Done},
                                                {Board::StopsReading, net::Drain::Stuck},
                                                {Board::Resets, net::Drain::Lost},
                                                {Board::ShutDownHere, net::Drain::Lost}};
  for (const auto& [board_does, want] : cases) {
    const net::Socket host = net::open_stream();
    const int big = 4 << 20;  // the whole image fits in our own send buffer
    ::setsockopt(static_cast<int>(host), SOL_SOCKET, SO_SNDBUF, &big, sizeof big);
    ASSERT_TRUE(net::connect_ipv4(host, 0x7F000001, ntohs(addr.sin_port), 1000));
    int board = ::accept(listener, nullptr, nullptr);
    ASSERT_GE(board, 0);
    for (std::size_t sent = 0; sent < data.size();) {
      const long n = net::send_within(host, data.data() + sent, data.size() - sent, 1000);
      ASSERT_GT(n, 0);
      sent += static_cast<std::size_t>(n);
    }
    std::thread reader;
    if (board_does == Board::Reads) reader = std::thread([board] { testing::drain(board); });
    if (board_does == Board::Resets) {
      const linger reset{1, 0};
      ::setsockopt(board, SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
      ::close(board);
      board = -1;
    }
    if (board_does == Board::ShutDownHere) net::shutdown_both(host);
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(net::wait_sent(host, want == net::Drain::Stuck ? 300 : 2000), want) << static_cast<int>(board_does);
    if (want == net::Drain::Lost) {
      EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(1000)) << "waited for nothing";
    }
    net::close(host);
    if (reader.joinable()) reader.join();
    if (board >= 0) ::close(board);
  }
  ::close(listener);
}

// A header the board does not take ends the connection: a part of it that went
// out would put the board out of step with every later command.
TEST(SendHeader, OneTheBoardDoesNotTakeEndsTheConnection) {
  SocketPair pair;
  const std::vector<std::uint8_t> fill(64 * 1024, 0);
  while (net::send_within(pair.host, fill.data(), fill.size(), 50) > 0) {
  }
  EXPECT_FALSE(send_header(pair.host, {CMD_DDR_READ, 1, 0, 0}, 50));
  EXPECT_EQ(net::peer_state(pair.host), net::Peer::Gone);
}

class VectorImage : public ImageSource {
 public:
  explicit VectorImage(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) {}
  std::size_t read(std::uint8_t* into, std::size_t count) override {
    const std::size_t n = std::min(count, bytes_.size() - pos_);
    if (n > 0) std::memcpy(into, bytes_.data() + pos_, n);
    pos_ += n;
    ++reads_;
    return n;
  }
  int reads_ = 0;

 private:
  std::vector<std::uint8_t> bytes_;
  std::size_t pos_ = 0;
};

TEST(SendPaddedChunks, WholeChunksPaddedWithFFAndPositionsOfAllButTheLast) {
  const SendCase cases[] = {
      {0, {0}},
      {1, {0}},
      {65535, {0}},
      {65536, {0}},
      {65537, {0, 65535}},
      {200000, {0, 65535, 131071, 196607}},
  };
  for (const SendCase& c : cases) {
    SocketPair pair;
    Collector peer(pair.peer);
    const std::vector<std::uint8_t> image = pattern(c.size);
    VectorImage source(image);
    std::vector<std::uint8_t> chunk(CHUNK_SIZE, 0x5A);  // stale bytes must never leak out
    std::vector<std::uint32_t> seen;
    ASSERT_EQ(send_padded_chunks(pair.host, source, c.size, chunk.data(), [&](std::uint32_t p) { seen.push_back(p); }),
              ImageSend::Sent);
    testing::finish_sending(pair.host);
    const std::vector<std::uint8_t> wire = peer.take();
    const std::size_t chunks = std::max<std::size_t>(1, (c.size + CHUNK_SIZE - 1) / CHUNK_SIZE);
    ASSERT_EQ(wire.size(), chunks * CHUNK_SIZE) << c.size;
    EXPECT_TRUE(std::equal(image.begin(), image.end(), wire.begin())) << c.size;
    EXPECT_TRUE(std::all_of(wire.begin() + c.size, wire.end(), [](std::uint8_t b) { return b == 0xFF; })) << c.size;
    EXPECT_EQ(seen, c.positions) << c.size;
  }
}

TEST(SendPaddedChunks, AFileThatComesUpShortStopsBeforeTheShortChunk) {
  struct Cut {
    std::uint32_t announced;
    std::size_t available;
    std::size_t chunks_sent;  // only whole chunks read in full go out
  };
  const Cut cuts[] = {{300, 100, 0}, {65536, 65535, 0}, {200000, 65536, 1}, {200000, 131072 + 5, 2}, {200000, 199999, 3}};
  for (const Cut& c : cuts) {
    SocketPair pair;
    Collector peer(pair.peer);
    VectorImage source(pattern(c.available));
    std::vector<std::uint8_t> chunk(CHUNK_SIZE, 0x5A);
    EXPECT_EQ(send_padded_chunks(pair.host, source, c.announced, chunk.data(), nullptr), ImageSend::ReadFailed)
        << c.available;
    testing::finish_sending(pair.host);
    EXPECT_EQ(peer.take().size(), c.chunks_sent * CHUNK_SIZE) << c.available;
  }
}

TEST(ReceiveChunks, TakesExactlyTheSizeFromAPeerThatDribbles) {
  SocketPair pair;
  const std::vector<std::uint8_t> data = pattern(65537 + 5);
  std::thread board([&] {
    // Bytes arrive in small pieces with pauses; five extra bytes follow the data.
    for (std::size_t off = 0; off < data.size();) {
      const std::size_t n = std::min<std::size_t>(off < 1000 ? 7 : 9000, data.size() - off);
      net::send_some(pair.peer, data.data() + off, n);
      off += n;
      if (off < 1000) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  });
  std::vector<std::uint8_t> got(65537);
  std::vector<std::uint32_t> seen;
  EXPECT_TRUE(receive_chunks(pair.host, got.data(), 65537, 65537, [&](std::uint32_t p) { seen.push_back(p); }, nullptr));
  board.join();
  EXPECT_TRUE(std::equal(got.begin(), got.end(), data.begin()));
  EXPECT_EQ(seen, (std::vector<std::uint32_t>{65537 + 65535, 65537 + 65536}));
}

TEST(ReceiveChunks, FailsWhenThePeerClosesMidChunk) {
  SocketPair pair;
  const std::vector<std::uint8_t> data = pattern(1000);
  net::send_some(pair.peer, data.data(), data.size());
  pair.close_peer();
  std::vector<std::uint8_t> got(4000);
  EXPECT_FALSE(receive_chunks(pair.host, got.data(), 4000, 0, nullptr, nullptr));
}

TEST(ReceiveChunks, NeverWritesPastWhatWasAskedForAndDropsTheSurplusBeforeTheNextRead) {
  SocketPair pair;
  const std::vector<std::uint8_t> data = pattern(70000 + 300);
  net::send_some(pair.peer, data.data(), data.size());
  std::vector<std::uint8_t> got(70000 + 64, 0xEE);  // a guard band after the requested bytes
  ASSERT_TRUE(receive_chunks(pair.host, got.data(), 70000, 0, nullptr, nullptr));
  EXPECT_TRUE(std::all_of(got.begin() + 70000, got.end(), [](std::uint8_t b) { return b == 0xEE; }));
  EXPECT_EQ(discard_pending(pair.host), 300u);
  EXPECT_EQ(discard_pending(pair.host), 0u);
}

TEST(ReceiveAll, ReturnsWhatArrivedBeforeTheClose) {
  SocketPair pair;
  const std::vector<std::uint8_t> data = pattern(300);
  net::send_some(pair.peer, data.data(), data.size());
  pair.close_peer();
  std::vector<std::uint8_t> got(1000);
  EXPECT_EQ(receive_all(pair.host, got.data(), 1000), 300);
}

TEST(ReceiveChunks, ASilentBoardIsAwaitedUntilCancelled) {
  SocketPair pair;
  std::atomic<bool> cancel{false};
  std::vector<std::uint8_t> got(16);
  const auto t0 = std::chrono::steady_clock::now();
  std::thread closer([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    cancel = true;
  });
  EXPECT_FALSE(receive_chunks(pair.host, got.data(), 16, 0, nullptr, &cancel));
  closer.join();
  const auto waited = std::chrono::steady_clock::now() - t0;
  // The round under way runs out, and the flag is seen before the next one.
  EXPECT_GE(waited, std::chrono::milliseconds(2900));
  EXPECT_LT(waited, std::chrono::milliseconds(4500));
}

TEST(ReceiveChunks, AClosedSocketEndsTheWaitInsteadOfLooping) {
  std::vector<std::uint8_t> got(16);
  EXPECT_FALSE(receive_chunks(net::kInvalidSocket, got.data(), 16, 0, nullptr, nullptr));
}

}  // namespace
}  // namespace vandok
