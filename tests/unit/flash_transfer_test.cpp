#include "pages/flash/flash_transfer.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "link/command.h"
#include "peer.h"

namespace vandok {
namespace {

namespace fs = std::filesystem;

class TempDir {
 public:
  TempDir() : path_(fs::temp_directory_path() / ("vandok-flash-" + std::to_string(::getpid()))) {
    fs::create_directories(path_);
  }
  ~TempDir() { fs::remove_all(path_); }
  std::string file(const std::string& name, std::size_t size) const {
    const fs::path p = path_ / name;
    std::ofstream out(p, std::ios::binary);
    for (std::size_t i = 0; i < size; ++i) out.put(static_cast<char>(i % 251));
    return p.string();
  }
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

TEST(ImageFile, OpensAndMeasuresOrRefusesWithNothingLeftOpen) {
  TempDir dir;
  ImageFile image;
  ASSERT_TRUE(image.open(dir.file("empty.rpd", 0).c_str()));
  EXPECT_EQ(image.size(), 0);
  image.close();
  ASSERT_TRUE(image.open(dir.file("small.rpd", 65537).c_str()));
  EXPECT_EQ(image.size(), 65537);
  EXPECT_EQ(std::fgetc(image.get()), 0);  // measured, then back at the start
  image.close();

  EXPECT_FALSE(image.open(""));
  EXPECT_FALSE(image.open(nullptr));
  EXPECT_FALSE(image.open((dir.path() / "missing.rpd").c_str()));
  EXPECT_FALSE(image.open(dir.path().c_str()));  // a folder
  EXPECT_FALSE(image.is_open());
}

TEST(ImageFile, RefusesImagesOfTwoGibibytesOrMore) {
  TempDir dir;
  const std::string path = (dir.path() / "huge.rpd").string();
  { std::ofstream(path, std::ios::binary).put('x'); }
  ASSERT_EQ(::truncate(path.c_str(), 0x80000000LL), 0);  // sparse: takes no disk
  ImageFile image;
  EXPECT_FALSE(image.open(path.c_str()));
  ASSERT_EQ(::truncate(path.c_str(), 0x7FFFFFFFLL), 0);
  ASSERT_TRUE(image.open(path.c_str()));
  EXPECT_EQ(image.size(), 0x7FFFFFFF);
  image.close();
}

using testing::RecordingPort;

TEST(FlashRun, StreamsHeaderAndPaddedImageThenReportsCompletion) {
  TempDir dir;
  ImageFile image;
  ASSERT_TRUE(image.open(dir.file("img.rpd", 200000).c_str()));
  testing::SocketPair pair;
  testing::Collector board(pair.peer);
  RecordingPort port;
  const FlashOutcome outcome = run_flash_transfer({&pair.host, &image, nullptr}, port);
  EXPECT_EQ(outcome.message, Message::ReconfigComplete);
  EXPECT_EQ(outcome.bytes_sent, 4u * CHUNK_SIZE);
  EXPECT_FALSE(image.is_open());
  testing::finish_sending(pair.host);
  const std::vector<std::uint8_t> wire = board.take();
  ASSERT_EQ(wire.size(), 16u + 4u * CHUNK_SIZE);
  const CommandHeader h = decode_header(wire.data());
  EXPECT_EQ(h.command, CMD_FLASH_IMAGE);
  EXPECT_EQ(h.length, 200000u);
  EXPECT_EQ(h.value, 0u);
  EXPECT_EQ(h.address, 0x00600000u);
  EXPECT_EQ(wire[16 + 199999], 199999 % 251);
  EXPECT_EQ(wire[16 + 200000], 0xFF);
  EXPECT_EQ(port.positions, (std::vector<std::uint32_t>{0, 65535, 131071, 196607}));
  EXPECT_EQ(port.events, (std::vector<std::string>{"stop", message_text(Message::ReconfigComplete)}));
}

TEST(FlashRun, AFailureIsNeverFollowedBySuccess) {
  TempDir dir;
  ImageFile image;
  ASSERT_TRUE(image.open(dir.file("img.rpd", 1000).c_str()));
  testing::SocketPair pair;
  pair.close_peer();
  RecordingPort port;
  EXPECT_EQ(run_flash_transfer({&pair.host, &image, nullptr}, port).message, Message::SendHeaderFailed);
  EXPECT_EQ(port.events, (std::vector<std::string>{message_text(Message::SendHeaderFailed), "stop"}));
}

TEST(FlashRun, ABoardLostMidImageEndsWithTheChunkFailure) {
  TempDir dir;
  ImageFile image;
  ASSERT_TRUE(image.open(dir.file("img.rpd", 16 * CHUNK_SIZE).c_str()));
  testing::SocketPair pair;
  std::thread board([&] {
    std::vector<std::uint8_t> sink(16 + CHUNK_SIZE);
    receive_all(pair.peer, sink.data(), static_cast<std::int32_t>(sink.size()));
    pair.close_peer();
  });
  RecordingPort port;
  EXPECT_EQ(run_flash_transfer({&pair.host, &image, nullptr}, port).message, Message::TcpFailed);
  board.join();
  EXPECT_EQ(port.events, (std::vector<std::string>{message_text(Message::TcpFailed), "stop"}));
}

}  // namespace
}  // namespace vandok
