#include "link/discovery.h"
#include "link/net.h"
#include "pages/common/message_text.h"

#include <gtest/gtest.h>

#include <set>

namespace vandok {
namespace {

// The order of tries written out from the table, independently of the code.
std::vector<std::uint32_t> expected_order(std::uint32_t h) {
  if (h <= 1) return {4, 4, 2, 4, 3, 4, 4, 4, 5, 4, 6, 4, 7, 4, 8, 1};
  if (h <= 4) {
    std::vector<std::uint32_t> v{4};
    for (std::uint32_t i : {2u, 3u, 4u, 5u, 6u, 7u, 8u})
      if (i != h) v.insert(v.end(), {4, i});
    v.push_back(1);
    return v;
  }
  return {4, h - 4, h - 3, h - 2, h - 1, h, h + 1, h + 2, h + 3};
}

TEST(DiscoveryOrder, EveryHostNumberFollowsTheTable) {
  for (std::uint32_t h = 0; h <= 255; ++h) EXPECT_EQ(candidate_host_numbers(h), expected_order(h)) << h;
  EXPECT_EQ(candidate_host_numbers(3),
            (std::vector<std::uint32_t>{4, 4, 2, 4, 4, 4, 5, 4, 6, 4, 7, 4, 8, 1}));
  EXPECT_EQ(candidate_host_numbers(10), (std::vector<std::uint32_t>{4, 6, 7, 8, 9, 10, 11, 12, 13}));
}

TEST(DiscoveryOrder, HighHostNumbersReachIntoTheNextBlock) {
  const std::vector<std::uint32_t> a = candidate_addresses(0xC0A801FDu);  // 192.168.1.253
  ASSERT_EQ(a.size(), 9u);
  EXPECT_EQ(a.front(), 0xC0A80104u);
  EXPECT_EQ(a[a.size() - 2], 0xC0A801FFu);
  EXPECT_EQ(a.back(), 0xC0A80200u);  // first address of the next block
}

// A scripted network: adapters, which addresses accept, and everything the window is told.
class FakeHost : public DiscoveryHost {
 public:
  std::vector<AdapterRecord> adapters;
  bool list_fails = false;
  bool alloc_fails = false;
  bool socket_fails = false;
  std::set<std::uint32_t> boards;
  std::vector<std::uint32_t> tries;
  std::vector<std::string> messages, status, out, trace;
  std::vector<bool> tabs;
  int replacements = 0;
  int cancel_after_tries = -1;

  bool list_adapters(std::vector<AdapterRecord>& list, int& error, bool& alloc_failed) override {
    alloc_failed = alloc_fails;
    if (alloc_fails) return false;
    if (list_fails) {
      error = 232;
      return false;
    }
    list = adapters;
    return true;
  }
  bool try_connect(std::uint32_t address) override {
    tries.push_back(address);
    return boards.count(address) > 0;
  }
  bool replace_socket() override {
    ++replacements;
    return !socket_fails;
  }
  void standard_output(const std::string& line) override { out.push_back(line); }
  void debug_trace(const std::string& text) override { trace.push_back(text); }
  void show_message(Message m) override { messages.push_back(message_text(m)); }
  void set_status(Message m) override { status.push_back(message_text(m)); }
  void set_status_address(std::uint32_t address) override {
    char text[16];
    net::format_ipv4(address, text);
    status.push_back(text);
  }
  void enable_tabs(bool enabled) override { tabs.push_back(enabled); }
  bool cancelled() override { return cancel_after_tries >= 0 && static_cast<int>(tries.size()) >= cancel_after_tries; }
};

const std::vector<std::uint8_t> kMac{0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E};

std::vector<std::uint32_t> hosts(const std::vector<std::uint32_t>& tries) {
  std::vector<std::uint32_t> v;
  for (std::uint32_t a : tries) v.push_back(a & 0xFF);
  return v;
}

TEST(Discovery, BoardAtHostFourIsFoundByTheFirstTry) {
  FakeHost host;
  host.adapters = {{kMac, "192.168.77.10"}};
  host.boards = {0xC0A84D04u};
  int flag = 0;
  EXPECT_EQ(run_discovery(host, flag).outcome, DiscoveryOutcome::Found);
  EXPECT_EQ(hosts(host.tries), (std::vector<std::uint32_t>{4}));
  EXPECT_EQ(host.messages, (std::vector<std::string>{"SUCCES : Found device!"}));
  EXPECT_EQ(host.status, (std::vector<std::string>{"192.168.77.4"}));
  EXPECT_EQ(host.tabs, (std::vector<bool>{true}));
  EXPECT_EQ(flag, 1);
  EXPECT_EQ(host.trace, (std::vector<std::string>{"\tAdapter Addr: \t", "00-1A-2B-3C-4D-5E\n"}));
}

TEST(Discovery, BoardAtHostOneIsFoundByTheLastTry) {
  FakeHost host;
  host.adapters = {{kMac, "192.168.77.3"}};
  host.boards = {0xC0A84D01u};
  int flag = 0;
  EXPECT_EQ(run_discovery(host, flag).outcome, DiscoveryOutcome::Found);
  EXPECT_EQ(hosts(host.tries), candidate_host_numbers(3));
  EXPECT_EQ(host.messages.size(), 1u);
}

TEST(Discovery, NoPrivateAdapterTriesNothingAndDisablesTheTabs) {
  FakeHost host;
  host.adapters = {{kMac, "10.0.0.5"}, {kMac, "172.16.0.9"}};
  int flag = 0;
  EXPECT_EQ(run_discovery(host, flag).outcome, DiscoveryOutcome::NoPrivateAdapter);
  EXPECT_TRUE(host.tries.empty());
  EXPECT_EQ(host.messages, (std::vector<std::string>{"ERROR : Can not find Broad!"}));
  EXPECT_EQ(host.status, (std::vector<std::string>{"Check cable and put discovery"}));
  EXPECT_EQ(host.tabs, (std::vector<bool>{false}));
}

TEST(Discovery, SecondPrivateAdapterIsTriedOnlyAfterTheFirstFoundNothing) {
  FakeHost host;
  host.adapters = {{kMac, "192.168.1.20"}, {kMac, "192.168.2.3"}};
  host.boards = {0xC0A80204u, 0xC0A80110u};  // a board on each network: the first adapter's wins
  int flag = 0;
  EXPECT_EQ(run_discovery(host, flag).outcome, DiscoveryOutcome::Found);
  EXPECT_EQ(host.tries.back(), 0xC0A80110u);
  EXPECT_EQ(host.messages.size(), 1u);

  FakeHost second;
  second.adapters = {{kMac, "192.168.1.20"}, {kMac, "192.168.2.3"}};
  second.boards = {0xC0A80204u};
  flag = 0;
  EXPECT_EQ(run_discovery(second, flag).outcome, DiscoveryOutcome::Found);
  EXPECT_EQ(second.tries.size(), 9u + 1u);
  EXPECT_EQ(second.status, (std::vector<std::string>{"192.168.2.4"}));
}

TEST(Discovery, AHardwareAddressNotSixBytesStopsTheAdapterWalk) {
  FakeHost host;
  host.adapters = {{{1, 2, 3, 4, 5, 6, 7, 8}, "192.168.1.10"}, {kMac, "192.168.2.10"}};
  host.boards = {0xC0A80104u, 0xC0A80204u};
  int flag = 0;
  EXPECT_EQ(run_discovery(host, flag).outcome, DiscoveryOutcome::NoPrivateAdapter);
  EXPECT_TRUE(host.tries.empty());
  EXPECT_EQ(host.trace.back(), " ERROR : Mac length not 6: \n");
}

TEST(Discovery, NothingAcceptingEndsAfterThreePassesLikeNoBoard) {
  FakeHost host;
  host.adapters = {{kMac, "192.168.77.10"}};
  int flag = 0;
  EXPECT_EQ(run_discovery(host, flag).outcome, DiscoveryOutcome::NotFound);
  EXPECT_EQ(host.tries.size(), 3u * 9u);
  EXPECT_EQ(host.replacements, 3);
  EXPECT_EQ(host.messages, (std::vector<std::string>{"ERROR : Can not find Broad!"}));
  EXPECT_EQ(host.status, (std::vector<std::string>{"Check cable and put discovery"}));
  EXPECT_EQ(host.tabs, (std::vector<bool>{false}));
}

TEST(Discovery, AFlagLeftByAnEarlierPassTakesOneRepeatedPass) {
  FakeHost host;
  host.adapters = {{kMac, "10.1.1.1"}};
  int flag = 1;
  EXPECT_EQ(run_discovery(host, flag).outcome, DiscoveryOutcome::NoPrivateAdapter);
  EXPECT_EQ(host.replacements, 1);
  EXPECT_EQ(host.messages, (std::vector<std::string>{"ERROR : Can not find Broad!"}));
}

TEST(Discovery, PlatformFailuresAreReportedAsTheirDiagnostics) {
  FakeHost alloc;
  alloc.alloc_fails = true;
  int flag = 0;
  EXPECT_EQ(run_discovery(alloc, flag).outcome, DiscoveryOutcome::ListAllocFailed);
  EXPECT_EQ(alloc.out, (std::vector<std::string>{"Error allocating memory needed to call GetAdaptersinfo\n"}));
  EXPECT_TRUE(alloc.messages.empty());
  EXPECT_TRUE(alloc.tabs.empty());

  FakeHost list;
  list.list_fails = true;
  flag = 0;
  EXPECT_EQ(run_discovery(list, flag).outcome, DiscoveryOutcome::NoPrivateAdapter);
  EXPECT_EQ(list.out, (std::vector<std::string>{"GetAdaptersInfo failed with error: 232\n"}));

  FakeHost sock;
  sock.adapters = {{kMac, "192.168.77.10"}};
  sock.socket_fails = true;
  flag = 0;
  EXPECT_EQ(run_discovery(sock, flag).outcome, DiscoveryOutcome::SocketFailed);
  EXPECT_EQ(sock.messages, (std::vector<std::string>{"ERROR : socket failed!"}));
  EXPECT_TRUE(sock.tabs.empty());
}

TEST(Discovery, ClosingTheWindowEndsItWithoutAWord) {
  FakeHost host;
  host.adapters = {{kMac, "192.168.77.3"}};
  host.cancel_after_tries = 2;
  int flag = 0;
  EXPECT_EQ(run_discovery(host, flag).outcome, DiscoveryOutcome::Cancelled);
  EXPECT_EQ(host.tries.size(), 2u);
  EXPECT_TRUE(host.messages.empty());
  EXPECT_TRUE(host.tabs.empty());
}

}  // namespace
}  // namespace vandok

namespace vandok {
namespace {

TEST(AddressText, ParsesDottedQuadsOnlyAndFormatsThemBack) {
  std::uint32_t a = 0;
  ASSERT_TRUE(net::parse_ipv4("192.168.77.253", a));
  EXPECT_EQ(a, 0xC0A84DFDu);
  char text[16];
  net::format_ipv4(0xC0A80200u, text);
  EXPECT_STREQ(text, "192.168.2.0");
  for (const char* bad : {"", "192.168.1", "192.168.1.256", "192.168.1.1.", "192.168.1.1 ", "1.2.3.0004", "a.b.c.d",
                          "192..1.1"})
    EXPECT_FALSE(net::parse_ipv4(bad, a)) << bad;
}

}  // namespace
}  // namespace vandok
