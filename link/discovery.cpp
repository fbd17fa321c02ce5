#include "link/discovery.h"

#include <cstdio>

#include "link/net.h"

namespace vandok {

std::vector<std::uint32_t> candidate_host_numbers(std::uint32_t h) {
  std::vector<std::uint32_t> order{kFirstCandidate};
  if (h <= 4) {
    // Host 4 is asked again before each neighbour, then host 1 last.
    for (std::uint32_t i = 2; i <= 8; ++i) {
      if (i == h) continue;
      order.push_back(kFirstCandidate);
      order.push_back(i);
    }
    order.push_back(1);
  } else {
    for (std::uint32_t i = h - 4; i <= h + 3; ++i) order.push_back(i);
  }
  return order;
}

std::vector<std::uint32_t> candidate_addresses(std::uint32_t adapter_address) {
  const std::uint32_t network = adapter_address & 0xFFFFFF00u;
  std::vector<std::uint32_t> out;
  for (std::uint32_t k : candidate_host_numbers(adapter_address & 0xFFu)) out.push_back(network + k);
  return out;
}

namespace {

enum class PassResult { Accepted, NoneAccepted, AllocFailed, Cancelled };

std::string format_mac(const std::vector<std::uint8_t>& mac) {
  char text[32];
  std::snprintf(text, sizeof text, "%.2X-%.2X-%.2X-%.2X-%.2X-%.2X\n", mac[0], mac[1], mac[2], mac[3], mac[4],
                mac[5]);
  return text;
}

PassResult run_pass(DiscoveryHost& host, int& private_flag, DiscoveryResult& result) {
  std::vector<AdapterRecord> adapters;
  int error = 0;
  bool alloc_failed = false;
  if (!host.list_adapters(adapters, error, alloc_failed)) {
    if (alloc_failed) {
      host.standard_output("Error allocating memory needed to call GetAdaptersinfo\n");
      return PassResult::AllocFailed;
    }
    host.standard_output("GetAdaptersInfo failed with error: " + std::to_string(error) + "\n");
    return PassResult::NoneAccepted;
  }
  for (const AdapterRecord& adapter : adapters) {
    host.debug_trace("\tAdapter Addr: \t");
    if (adapter.hardware_address.size() != 6) {
      host.debug_trace(" ERROR : Mac length not 6: \n");
      break;
    }
    host.debug_trace(format_mac(adapter.hardware_address));
    std::uint32_t address = 0;
    if (!net::parse_ipv4(adapter.ip_address.c_str(), address)) continue;
    if ((address & kPrivateBlockMask) != kPrivateBlock) continue;
    private_flag = 1;
    for (std::uint32_t candidate : candidate_addresses(address)) {
      if (host.cancelled()) return PassResult::Cancelled;
      result.tried.push_back(candidate);
      if (!host.try_connect(candidate)) continue;
      result.board = candidate;
      result.message = Message::FoundDevice;
      host.show_message(Message::FoundDevice);
      host.set_status_address(candidate);
      return PassResult::Accepted;
    }
  }
  return PassResult::NoneAccepted;
}

DiscoveryResult& report_no_board(DiscoveryHost& host, DiscoveryResult& result, DiscoveryOutcome outcome) {
  result.outcome = outcome;
  result.message = Message::NoBoard;
  host.show_message(Message::NoBoard);
  host.set_status(Message::StatusCheckCable);
  host.enable_tabs(false);
  return result;
}

}  // namespace

DiscoveryResult run_discovery(DiscoveryHost& host, int& private_flag) {
  DiscoveryResult result;
  for (int pass = 1;; ++pass) {
    const PassResult passed = run_pass(host, private_flag, result);
    if (passed == PassResult::AllocFailed) {
      result.outcome = DiscoveryOutcome::ListAllocFailed;
      return result;
    }
    if (passed == PassResult::Cancelled || host.cancelled()) {
      result.outcome = DiscoveryOutcome::Cancelled;
      result.message = Message::None;
      return result;
    }
    if (private_flag == 0) return report_no_board(host, result, DiscoveryOutcome::NoPrivateAdapter);
    if (passed == PassResult::Accepted) {
      host.enable_tabs(true);
      result.outcome = DiscoveryOutcome::Found;
      return result;
    }
    if (!host.replace_socket()) {
      result.outcome = DiscoveryOutcome::SocketFailed;
      result.message = Message::SocketFailed;
      host.show_message(Message::SocketFailed);
      return result;
    }
    private_flag = 0;
    // Bounded: a network with a private adapter but no board ends like no board.
    if (pass == kMaxDiscoveryPasses) return report_no_board(host, result, DiscoveryOutcome::NotFound);
  }
}

}  // namespace vandok
