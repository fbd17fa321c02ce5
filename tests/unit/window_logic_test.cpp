// Logic behind the window's displays: time texts, logo sizes, memory map, register fields.
#include <gtest/gtest.h>

#include "app/logo_layout.h"
#include "pages/common/elapsed_time.h"
#include "pages/common/message_text.h"
#include "pages/flash/memory_map.h"
#include "pages/register/register_write.h"
#include "peer.h"

namespace vandok {
namespace {

TEST(ElapsedTime, ShowsMinutesWithinTheHourAndProjectsTheTotal) {
  EXPECT_EQ(elapsed_tick(7, 0, 0).loading, "Loading time00:07");
  EXPECT_EQ(elapsed_tick(3600 + 2 * 60 + 5, 0, 0).loading, "Loading time02:05");
  const ElapsedTexts half = elapsed_tick(100, 1000, 501);  // fraction (501-1)/1000 = 0.5
  ASSERT_TRUE(half.has_complete);
  EXPECT_EQ(half.complete, "Complete Time03:20");
  // An hour or more of projection shows only minutes and seconds.
  EXPECT_EQ(elapsed_tick(40 * 60, 1000, 501).complete, "Complete Time20:00");
  EXPECT_FALSE(elapsed_tick(5, 0, 100).has_complete);
  EXPECT_FALSE(elapsed_tick(5, -3, 100).has_complete);
  EXPECT_FALSE(elapsed_tick(5, 1000, 1).has_complete);
  EXPECT_FALSE(elapsed_tick(5, 1000, 0).has_complete);
}

TEST(ElapsedTime, ProjectionUsesTheWholeThirtyTwoBitRange) {
  // DDR range of the largest run: 3 x 0x1FFFFFFF.
  const ElapsedTexts t = elapsed_tick(30, 0x5FFFFFFC, 0x2FFFFFFE);
  ASSERT_TRUE(t.has_complete);
  EXPECT_EQ(t.complete, "Complete Time01:00");
}

TEST(LogoLayout, RoundsHimetricToTheNearestPixelAndClampsEachSide) {
  EXPECT_EQ(himetric_to_pixels(96, 2540), 96);
  EXPECT_EQ(himetric_to_pixels(96, 2526), 95);
  EXPECT_EQ(himetric_to_pixels(96, 2527), 96);
  const LogoPlace& pelto = kLogoPlaces[0];
  // 400 x 200 pixels at 96 dpi in place 1 is squeezed horizontally only.
  const PixelSize big = logo_draw_size(96, 96, 400 * 2540 / 96, 200 * 2540 / 96, pelto);
  EXPECT_EQ(big.width, 310);
  EXPECT_EQ(big.height, 200);
  const PixelSize small = logo_draw_size(96, 96, 100 * 2540 / 96 + 1, 50 * 2540 / 96 + 1, pelto);
  EXPECT_EQ(small.width, 100);
  EXPECT_EQ(small.height, 50);
  const PixelPoint icon = centred_icon_origin(800, 600, 32, 32);
  EXPECT_EQ(icon.x, 384);
  EXPECT_EQ(icon.y, 284);
}

class FakeList : public MemoryMapList {
 public:
  int fail_column = -1, fail_item = -1, fail_text = -1;
  std::vector<std::wstring> columns, names, addresses;
  std::vector<std::string> messages;
  int insert_column(int index, const wchar_t* title, int) override {
    if (index == fail_column) return -1;
    columns.push_back(title);
    return index;
  }
  int insert_item(int index, const wchar_t* text) override {
    if (index == fail_item) return -1;
    names.push_back(text);
    return index;
  }
  int set_item_text(int item, int, const wchar_t* text) override {
    if (item == fail_text) return -1;
    addresses.push_back(text);
    return 0;
  }
  void show_message(Message m) override { messages.push_back(message_text(m)); }
};

TEST(MemoryMap, FillsTwoColumnsAndSixRowsHighestBlockFirst) {
  FakeList list;
  EXPECT_EQ(FillMemoryMap(list), 0);
  EXPECT_EQ(list.columns, (std::vector<std::wstring>{L"Block descreiption", L"Address"}));
  ASSERT_EQ(list.names.size(), 6u);
  EXPECT_EQ(list.names.front(), L"ddr3_bot_x64");
  EXPECT_EQ(list.addresses.front(), L"0x20000000 - 0x3FFFFFFF");
  EXPECT_EQ(list.names.back(), L"reset");
  EXPECT_TRUE(list.messages.empty());
}

TEST(MemoryMap, EachFailureIsReportedOnceAndKeepsWhatWasAdded) {
  FakeList col;
  col.fail_column = 1;
  EXPECT_EQ(FillMemoryMap(col), 1);
  EXPECT_TRUE(col.names.empty());
  EXPECT_EQ(col.messages, (std::vector<std::string>{"ERROR : memory map list!"}));
  FakeList name;
  name.fail_item = 2;
  EXPECT_EQ(FillMemoryMap(name), 2);
  EXPECT_EQ(name.names.size(), 2u);
  EXPECT_EQ(name.messages, (std::vector<std::string>{"ERROR : memory map name!"}));
  FakeList addr;
  addr.fail_text = 3;
  EXPECT_EQ(FillMemoryMap(addr), 3);
  EXPECT_EQ(addr.names.size(), 4u);
  EXPECT_EQ(addr.addresses.size(), 3u);
  EXPECT_EQ(addr.messages, (std::vector<std::string>{"ERROR : memory map address!"}));
}

TEST(RegisterWrite, AddressIsCheckedBeforeTheValueIsEvenRead) {
  CommandHeader h;
  bool value_read = false;
  const auto value = [&] {
    value_read = true;
    return "zz";
  };
  EXPECT_EQ(build_register_write("0x10", value, h), Message::RegisterAddress);
  EXPECT_FALSE(value_read);
  EXPECT_EQ(build_register_write("10", value, h), Message::RegisterValue);
  EXPECT_TRUE(value_read);
  EXPECT_EQ(build_register_write("", [] { return ""; }, h), Message::None);
  EXPECT_EQ(h.command, CMD_REGISTER_WRITE);
  EXPECT_EQ(h.address, 0u);
  EXPECT_EQ(h.value, 0u);
}

TEST(RegisterWrite, SendsTheBareHeaderOrReportsTheLostBoard) {
  testing::SocketPair pair;
  testing::Collector board(pair.peer);
  CommandHeader h;
  ASSERT_EQ(build_register_write("10", [] { return "AB"; }, h), Message::None);
  EXPECT_EQ(send_register_write(pair.host, h), Message::None);
  testing::finish_sending(pair.host);
  EXPECT_EQ(board.take(), (std::vector<std::uint8_t>{4, 0, 0, 0, 0, 0, 0, 0, 0xAB, 0, 0, 0, 0x10, 0, 0, 0}));

  testing::SocketPair gone;
  gone.close_peer();
  EXPECT_EQ(send_register_write(gone.host, h), Message::SendRegisterFailed);
}

}  // namespace
}  // namespace vandok
