// Board discovery: which addresses are tried, in which order, and what the
// user is told. The adapter list, the connection attempts and the window are
// reached through DiscoveryHost, so that the logic runs and is tested anywhere.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "link/message.h"

namespace vandok {

inline constexpr std::uint32_t kPrivateBlockMask = 0xFFFF0000u;
inline constexpr std::uint32_t kPrivateBlock = 0xC0A80000u;  // 192.168.0.0/16
inline constexpr std::uint32_t kFirstCandidate = 4;
inline constexpr int kMaxDiscoveryPasses = 3;
inline constexpr int kConnectTimeoutMs = 2000;


// Host numbers tried for an adapter whose own host number is h, in order.
std::vector<std::uint32_t> candidate_host_numbers(std::uint32_t h);

// Full candidate addresses (host byte order) for an adapter address: the
// network part plus each host number, summed on the whole address.
std::vector<std::uint32_t> candidate_addresses(std::uint32_t adapter_address);

struct AdapterRecord {
  std::vector<std::uint8_t> hardware_address;
  std::string ip_address;  // first address of the adapter, dotted decimal
};

class DiscoveryHost {
 public:
  virtual ~DiscoveryHost() = default;
  // Lists the adapters; false (and the platform's code) when the list fails.
  // alloc_failed: the list's memory could not be allocated (discovery ends).
  virtual bool list_adapters(std::vector<AdapterRecord>& adapters, int& error, bool& alloc_failed) = 0;
  // One try on a fresh socket; true when the candidate accepted. The host
  // replaces the board socket with the connected one.
  virtual bool try_connect(std::uint32_t address) = 0;
  // Closes the board socket and opens an unconnected one; false when that fails.
  virtual bool replace_socket() = 0;
  virtual void standard_output(const std::string& line) = 0;
  virtual void debug_trace(const std::string& text) = 0;
  // Modal message owned by the main window; returns once the user closed it.
  virtual void show_message(Message message) = 0;
  // The status box: a message, or the address of the board found.
  virtual void set_status(Message status) = 0;
  virtual void set_status_address(std::uint32_t address) = 0;
  virtual void enable_tabs(bool enabled) = 0;
  // True once the window is closing: discovery then ends without a word.
  virtual bool cancelled() = 0;
};

enum class DiscoveryOutcome { Found, NoPrivateAdapter, NotFound, SocketFailed, ListAllocFailed, Cancelled };

struct DiscoveryResult {
  DiscoveryOutcome outcome = DiscoveryOutcome::NotFound;
  std::uint32_t board = 0;               // host byte order; set when Found
  Message message = Message::None;       // the box that ended the run, if any
  std::vector<std::uint32_t> tried;      // every candidate tried, in order
};

// Runs discovery: passes until a board accepts, no private adapter is seen,
// or kMaxDiscoveryPasses passes found nothing. private_flag is the main
// window's private-adapter flag, kept between runs.
DiscoveryResult run_discovery(DiscoveryHost& host, int& private_flag);

}  // namespace vandok
