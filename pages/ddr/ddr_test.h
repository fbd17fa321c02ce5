// The DDR write / read-back / compare test: field checks, pattern and worker.
#pragma once

#include <atomic>
#include <cstdint>

#include "link/net.h"

namespace vandok {

inline constexpr std::uint32_t kDdrLow = 0x20000000u;
inline constexpr std::uint32_t kDdrLimit = 0x3FFFFFFFu;  // start < limit, start + size <= limit

inline constexpr const char* kMsgDdrAddress = "ERROR : DDR Address!";
inline constexpr const char* kMsgDdrAddressOver = "ERROR : DDR Address Over!";
inline constexpr const char* kMsgDdrSize = "ERROR : DDR Size!";
inline constexpr const char* kMsgUserSizeZero = "ERROR : User size 0!";
inline constexpr const char* kMsgDdrSizeOver = "ERROR : DDR Size Over!";
inline constexpr const char* kMsgWriteMallocFailed = "ERROR : Write buffer malloc failed!";
inline constexpr const char* kMsgReadMallocFailed = "ERROR : Read buffer malloc failed!";
inline constexpr const char* kMsgWriteReceiveFailed = "ERROR : write receive failed!";
inline constexpr const char* kMsgCompareFailed = "ERROR : write read data compare failed!";
inline constexpr const char* kMsgCannotCompare = "ERROR : Can not compare result!";
inline constexpr const char* kMsgDdrSuccess = "DDR Read Write Success!!";

struct DdrRequest {
  std::uint32_t start = 0;
  std::uint32_t size = 0;
};

// Checks the two field texts in order; returns the first failure's message,
// or nullptr with request filled in.
const char* check_ddr_fields(const char* start_text, const char* size_text, DdrRequest& request);

// Word k holds k little-endian; the last size % 4 bytes are 0xFF.
void fill_increment_pattern(std::uint8_t* buffer, std::uint32_t size);

// What the worker needs of the page; called from the worker thread.
class DdrTestPort {
 public:
  virtual ~DdrTestPort() = default;
  virtual void report_progress(std::uint32_t position) = 0;
  virtual void stop_timer() = 0;
  // Shows a message and returns once the user has closed it.
  virtual void show_message(const char* text) = 0;
};

struct DdrRun {
  const net::Socket* socket = nullptr;  // the page's socket reference
  DdrRequest request;
  const std::uint8_t* write_buffer = nullptr;
  std::uint8_t* read_buffer = nullptr;
  const std::atomic<bool>* cancel = nullptr;  // set when the window closes
};

// Write, read back, compare, report. Returns the message that ended the run.
const char* run_ddr_test(const DdrRun& run, DdrTestPort& port);

}  // namespace vandok
