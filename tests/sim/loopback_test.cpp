// The simulator over loopback, driven by the host's own link code.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>

#include "link/bulk_transfer.h"
#include "sim_harness.h"

namespace vandok::sim::test {
namespace {

class VectorImage : public ImageSource {
 public:
  explicit VectorImage(const std::vector<std::uint8_t>& data) : data_(data) {}
  std::size_t read(std::uint8_t* into, std::size_t count) override {
    const std::size_t n = std::min(count, data_.size() - pos_);
    if (n > 0) std::memcpy(into, data_.data() + pos_, n);
    pos_ += n;
    return n;
  }

 private:
  const std::vector<std::uint8_t>& data_;
  std::size_t pos_ = 0;
};

bool ddr_write(net::Socket s, std::uint32_t address, const std::vector<std::uint8_t>& data) {
  const auto size = static_cast<std::uint32_t>(data.size());
  return send_header(s, {CMD_DDR_WRITE, size, 0, address}) && send_chunks(s, data.data(), size, address, nullptr);
}

std::vector<std::uint8_t> ddr_read(net::Socket s, std::uint32_t address, std::uint32_t size) {
  std::vector<std::uint8_t> out(size);
  if (!send_header(s, {CMD_DDR_READ, size, 0, address}) ||
      !receive_chunks(s, out.data(), size, address, nullptr, nullptr))
    out.clear();
  return out;
}

struct Span {
  std::uint32_t address;
  std::uint32_t size;
};

class DdrRoundTrip : public testing::TestWithParam<Span> {};

TEST_P(DdrRoundTrip, ReadsBackWhatWasWritten) {
  SimHarness sim;
  const net::Socket s = sim.connect();
  ASSERT_NE(s, net::kInvalidSocket);
  const auto data = pattern(GetParam().size, GetParam().address);
  ASSERT_TRUE(ddr_write(s, GetParam().address, data));
  EXPECT_EQ(ddr_read(s, GetParam().address, GetParam().size), data);
  net::close(s);

  const auto lines = sim.commands(2);
  ASSERT_EQ(lines.size(), 2u);
  for (const std::string& line : lines) {
    EXPECT_EQ(json_field(line, "data_bytes"), std::to_string(data.size()));
    EXPECT_EQ(json_field(line, "sha256"), sha256_hex(data));
    EXPECT_EQ(json_field(line, "status"), "ok");
  }
  EXPECT_EQ(json_field(lines[0], "name"), "DDR_WRITE");
  EXPECT_EQ(json_field(lines[1], "address"), std::to_string(GetParam().address));
}

INSTANTIATE_TEST_SUITE_P(Sizes, DdrRoundTrip,
                         testing::Values(Span{0x10000000, 1}, Span{0x10000000, 65536}, Span{0x10000001, 65537},
                                         Span{0x1234FFFF, 3 * 1024 * 1024 + 7}, Span{0x3FFFFFFF, 1},
                                         Span{0x40000000 - 70000, 70000}),
                         [](const auto& info) {
                           return std::to_string(info.param.size) + "_at_" + std::to_string(info.param.address);
                         });

TEST(SimLoopback, UnwrittenMemoryReadsZeroAndAllocatesNothing) {
  SimHarness sim;
  const net::Socket s = sim.connect();
  ASSERT_NE(s, net::kInvalidSocket);
  const auto data = pattern(16, 7);
  ASSERT_TRUE(ddr_write(s, 0x20000010, data));
  auto around = ddr_read(s, 0x20000000, 64);
  ASSERT_EQ(around.size(), 64u);
  EXPECT_TRUE(std::equal(data.begin(), data.end(), around.begin() + 16));
  around.erase(around.begin() + 16, around.begin() + 32);
  EXPECT_EQ(around, std::vector<std::uint8_t>(48, 0));
  EXPECT_EQ(ddr_read(s, 0x30000000, 4 * 1024 * 1024), std::vector<std::uint8_t>(4 * 1024 * 1024, 0));
  net::close(s);
  sim.stop();
  EXPECT_EQ(sim.state().ddr.page_count(), 1u);
}

TEST(SimLoopback, StateOutlivesTheConnection) {
  SimHarness sim;
  const auto data = pattern(1000, 3);
  net::Socket s = sim.connect();
  ASSERT_TRUE(ddr_write(s, 0x10000000, data));
  ASSERT_TRUE(send_header(s, {CMD_REGISTER_WRITE, 0, 0xCAFE, 0x44}));
  ASSERT_TRUE(send_header(s, {CMD_REGISTER_WRITE, 0, 0xBEEF, 0x44}));
  net::close(s);
  s = sim.connect();
  EXPECT_EQ(ddr_read(s, 0x10000000, 1000), data);
  net::close(s);
  sim.stop();
  EXPECT_EQ(sim.state().registers, (std::map<std::uint32_t, std::uint32_t>{{0x44, 0xBEEF}}));
}

class FlashImage : public testing::TestWithParam<std::uint32_t> {};

TEST_P(FlashImage, ArrivesUnpaddedWithItsDigest) {
  SimHarness sim;
  const net::Socket s = sim.connect();
  ASSERT_NE(s, net::kInvalidSocket);
  const auto image = pattern(GetParam(), 11);
  VectorImage source(image);
  std::vector<std::uint8_t> chunk(CHUNK_SIZE);
  ASSERT_TRUE(send_header(s, {CMD_FLASH_IMAGE, GetParam(), 0, FLASH_IMAGE_ADDRESS}));
  std::uint32_t last_position = 0xFFFFFFFF;
  ASSERT_EQ(send_padded_chunks(s, source, GetParam(), chunk.data(), [&](std::uint32_t p) { last_position = p; }),
            ImageSend::Sent);
  // The bar ends one chunk short of the image: the last chunk reports nothing.
  const std::uint32_t chunks = std::max<std::uint32_t>(1, (GetParam() + CHUNK_SIZE - 1) / CHUNK_SIZE);
  EXPECT_EQ(last_position, chunks == 1 ? 0 : (chunks - 1) * CHUNK_SIZE - 1);

  const auto lines = sim.commands(1);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(json_field(lines[0], "name"), "FLASH_IMAGE");
  EXPECT_EQ(json_field(lines[0], "length"), std::to_string(GetParam()));
  EXPECT_EQ(json_field(lines[0], "data_bytes"), std::to_string(GetParam()));
  EXPECT_EQ(json_field(lines[0], "sha256"), sha256_hex(image));
  EXPECT_EQ(json_field(lines[0], "padding_ok"), "true");
  EXPECT_EQ(json_field(lines[0], "status"), "ok");
  std::ifstream in(sim.flash_path(), std::ios::binary);
  EXPECT_EQ(std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {}), image);
  net::close(s);
}

INSTANTIATE_TEST_SUITE_P(Sizes, FlashImage, testing::Values(0u, 65536u, 65537u, 200000u),
                         testing::PrintToStringParamName());

TEST(SimLoopback, FlashPaddingThatIsNotErasedIsReported) {
  SimHarness sim;
  const net::Socket s = sim.connect();
  std::vector<std::uint8_t> chunk(CHUNK_SIZE, 0xFF);
  chunk[0] = 0x12;
  chunk[CHUNK_SIZE - 1] = 0xFE;
  ASSERT_TRUE(send_header(s, {CMD_FLASH_IMAGE, 1, 0, FLASH_IMAGE_ADDRESS}));
  ASSERT_TRUE(send_bytes(s, chunk));
  // The stream stays in step: the next command is served on the same connection.
  EXPECT_EQ(ddr_read(s, 0x10000000, 4).size(), 4u);
  const auto lines = sim.commands(1);
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(json_field(lines[0], "padding_ok"), "false");
  EXPECT_EQ(json_field(lines[0], "status"), "bad_padding");
  EXPECT_EQ(json_field(lines[0], "sha256"), sha256_hex({0x12}));
  net::close(s);
}

struct BadHeader {
  CommandHeader header;
  const char* status;
};

class BadInput : public testing::TestWithParam<BadHeader> {};

TEST_P(BadInput, ClosesTheConnectionAndServesTheNext) {
  SimHarness sim;
  net::Socket s = sim.connect();
  ASSERT_TRUE(send_header(s, GetParam().header));
  EXPECT_TRUE(closed_by_board(s));
  net::close(s);
  const auto lines = sim.commands(1);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(json_field(lines[0], "status"), GetParam().status);
  EXPECT_EQ(json_field(lines[0], "data_bytes"), "0");

  s = sim.connect();
  ASSERT_TRUE(ddr_write(s, 0x10000000, {1, 2, 3}));
  EXPECT_EQ(ddr_read(s, 0x10000000, 3), (std::vector<std::uint8_t>{1, 2, 3}));
  net::close(s);
}

INSTANTIATE_TEST_SUITE_P(
    Headers, BadInput,
    testing::Values(BadHeader{{0, 0, 0, 0}, "bad_command"}, BadHeader{{5, 4, 0, 0x10000000}, "bad_command"},
                    BadHeader{{CMD_DDR_READ, 1, 0, 0x0FFFFFFF}, "bad_range"},
                    BadHeader{{CMD_DDR_READ, 2, 0, 0x3FFFFFFF}, "bad_range"},
                    BadHeader{{CMD_DDR_READ, 0xFFFFFFFF, 0, 0x10000000}, "bad_range"},
                    BadHeader{{CMD_DDR_WRITE, 1, 0, 0x40000000}, "bad_range"},
                    BadHeader{{CMD_DDR_WRITE, 0xFFFFFFFF, 0, 0xFFFFFFFF}, "bad_range"},
                    BadHeader{{CMD_REGISTER_WRITE, 4, 1, 0x40}, "bad_length"},
                    BadHeader{{CMD_FLASH_IMAGE, 16, 0, 0}, "bad_address"}),
    [](const auto& info) { return std::to_string(info.index) + "_" + info.param.status; });

}  // namespace
}  // namespace vandok::sim::test
