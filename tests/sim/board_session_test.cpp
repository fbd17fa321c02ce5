// A session driven from a byte buffer, as the fuzzer drives it.
#include "sim/board_session.h"

#include <gtest/gtest.h>

#include "sim/memory_stream.h"

namespace vandok::sim {
namespace {

void append(std::vector<std::uint8_t>& out, const CommandHeader& h, std::vector<std::uint8_t> data = {}) {
  const HeaderBytes bytes = encode_header(h);
  out.insert(out.end(), bytes.begin(), bytes.end());
  out.insert(out.end(), data.begin(), data.end());
}

struct Outcome {
  SessionEnd end;
  std::vector<std::uint8_t> output;
};

Outcome run(BoardState& state, const std::vector<std::uint8_t>& input, std::size_t output_limit = 1 << 20) {
  MemoryStream stream(input.data(), input.size(), output_limit);
  CommandLog log(nullptr);
  BoardSession session(stream, state, log, {});
  const SessionEnd end = session.run();
  return {end, stream.output()};
}

TEST(SimBoardSession, BackToBackCommandsInOneBuffer) {
  std::vector<std::uint8_t> in;
  append(in, {CMD_DDR_WRITE, 3, 0, 0x10000010}, {7, 8, 9});
  append(in, {CMD_REGISTER_WRITE, 0, 0xAB, 0x1000});
  append(in, {CMD_DDR_READ, 5, 0, 0x1000000F});
  append(in, {CMD_FLASH_IMAGE, 0, 0, FLASH_IMAGE_ADDRESS}, std::vector<std::uint8_t>(CHUNK_SIZE, 0xFF));
  append(in, {CMD_REGISTER_WRITE, 0, 0xCD, 0x1004});
  BoardState state;
  const Outcome r = run(state, in);
  EXPECT_EQ(r.end, SessionEnd::PeerClosed);
  EXPECT_EQ(r.output, (std::vector<std::uint8_t>{0, 7, 8, 9, 0}));
  EXPECT_EQ(state.registers, (std::map<std::uint32_t, std::uint32_t>{{0x1000, 0xAB}, {0x1004, 0xCD}}));
}

TEST(SimBoardSession, WriteCutShortKeepsWhatArrived) {
  std::vector<std::uint8_t> in;
  append(in, {CMD_DDR_WRITE, 100, 0, 0x10000000}, {5, 6});
  BoardState state;
  EXPECT_EQ(run(state, in).end, SessionEnd::PeerClosed);
  std::uint8_t got[3] = {};
  state.ddr.read(0x10000000, got, 3);
  EXPECT_EQ(got[0], 5);
  EXPECT_EQ(got[1], 6);
  EXPECT_EQ(got[2], 0);
}

TEST(SimBoardSession, HugeReadStopsAtAPeerThatStopsTaking) {
  std::vector<std::uint8_t> in;
  append(in, {CMD_DDR_READ, 0x30000000, 0, 0x10000000});
  BoardState state;
  const Outcome r = run(state, in, 100000);
  EXPECT_EQ(r.end, SessionEnd::PeerClosed);
  EXPECT_EQ(r.output.size(), 100000u);
  EXPECT_EQ(state.ddr.page_count(), 0u);
}

}  // namespace
}  // namespace vandok::sim
