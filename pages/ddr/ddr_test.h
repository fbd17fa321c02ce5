// The DDR write / read-back / compare test: field checks, pattern and worker.
#pragma once

#include <atomic>
#include <cstdint>

#include "link/bulk_transfer.h"
#include "link/message.h"
#include "link/net.h"
#include "pages/common/transfer_port.h"
#include "pages/ddr/ddr_patterns.h"

namespace vandok {

inline constexpr std::uint32_t kDdrLow = 0x20000000u;
inline constexpr std::uint32_t kDdrLimit = 0x3FFFFFFFu;  // start < limit, start + size <= limit

struct DdrRequest {
  std::uint32_t start = 0;
  std::uint32_t size = 0;
};

// Checks the two field texts in order; returns the first failure, or
// Message::None with request filled in.
Message check_ddr_fields(const char* start_text, const char* size_text, DdrRequest& request);

// Word k holds k little-endian; the last size % 4 bytes are 0xFF.
void fill_increment_pattern(std::uint8_t* buffer, std::uint32_t size);

struct DdrRun {
  const net::Socket* socket = nullptr;  // the page's socket reference
  DdrRequest request;
  const std::uint8_t* write_buffer = nullptr;
  std::uint8_t* read_buffer = nullptr;
  const std::atomic<bool>* cancel = nullptr;  // set when the window closes
  int idle_ms = kIdleLimitMs;                 // a step with no byte moved this long fails
};

enum class DdrResult {
  Pass,
  Mismatch,       // the data came back and differs
  LinkFailed,     // a header, the data or the read did not go through
  CannotCompare,  // a buffer was missing
  Cancelled,      // the window closed under the run
};

struct DdrOutcome {
  DdrResult result = DdrResult::Pass;
  // The run's defining word: the success, the mismatch, or the first link failure.
  Message message = Message::None;
  TransferStep failed_step = TransferStep::None;  // the first step that failed
  std::uint64_t bytes_moved = 0;                  // written plus read back
  DdrMismatchReport mismatch;                     // filled for Mismatch
  // Bytes the board sent that nobody asked for (before the read, or right
  // after it); dropped, never taken for data.
  std::uint64_t unexpected_bytes = 0;
};

// Write, read back, compare, report through port in the window's order of
// boxes and timer stops.
DdrOutcome run_ddr_test(const DdrRun& run, TransferPort& port);

}  // namespace vandok
