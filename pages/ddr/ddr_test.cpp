#include "pages/ddr/ddr_test.h"

#include <cstring>

#include "link/bulk_transfer.h"
#include "link/command.h"
#include "link/hex_field.h"

namespace vandok {

Message check_ddr_fields(const char* start_text, const char* size_text, DdrRequest& request) {
  int error = 0;
  request.start = parse_hex_field(start_text, kHexFieldDigits, error);
  if (error != 0) return Message::DdrAddress;
  if (request.start < kDdrLow || request.start >= kDdrLimit) return Message::DdrAddressOver;
  request.size = parse_hex_field(size_text, kHexFieldDigits, error);
  if (error != 0) return Message::DdrSize;
  if (request.size == 0) return Message::UserSizeZero;
  if (std::uint64_t{request.start} + request.size > kDdrLimit) return Message::DdrSizeOver;
  return Message::None;
}

void fill_increment_pattern(std::uint8_t* buffer, std::uint32_t size) {
  const std::uint32_t words = size / 4;
  for (std::uint32_t k = 0; k < words; ++k) {
    std::uint8_t* p = buffer + std::size_t{k} * 4;
    p[0] = static_cast<std::uint8_t>(k);
    p[1] = static_cast<std::uint8_t>(k >> 8);
    p[2] = static_cast<std::uint8_t>(k >> 16);
    p[3] = static_cast<std::uint8_t>(k >> 24);
  }
  std::memset(buffer + std::size_t{words} * 4, 0xFF, size % 4);
}

namespace {

// Keeps the first link failure: it, not the boxes after it, says what went wrong.
void note_link_failure(DdrOutcome& outcome, Message message, TransferStep step) {
  if (outcome.failed_step != TransferStep::None) return;
  outcome.result = DdrResult::LinkFailed;
  outcome.message = message;
  outcome.failed_step = step;
}

}  // namespace

DdrOutcome run_ddr_test(const DdrRun& run, TransferPort& port) {
  const std::uint32_t size = run.request.size;
  const std::uint32_t start = run.request.start;
  DdrOutcome outcome;
  const ProgressFn progress = [&](std::uint32_t position) {
    outcome.bytes_moved = std::uint64_t{position} + 1;
    port.report_progress(position);
  };
  const auto fail = [&](Message message, TransferStep step) -> DdrOutcome {
    note_link_failure(outcome, message, step);
    // A board that failed mid-stream is out of step: the connection goes, so
    // that the next command fails at once instead of talking past it.
    if (step == TransferStep::WriteData || step == TransferStep::ReadData) net::shutdown_both(*run.socket);
    if (end_with_failure(port, message, run.cancel)) {
      outcome.result = DdrResult::Cancelled;
      outcome.message = Message::None;
    }
    return outcome;
  };

  // While the board takes the write, the read buffer's fresh pages are brought
  // in chunk by chunk, so that the read lands in memory that is already there
  // instead of faulting it in under the socket.
  std::uint32_t prepared = 0;
  const ProgressFn write_progress = [&](std::uint32_t position) {
    progress(position);
    if (run.read_buffer == nullptr) return;
    std::memset(run.read_buffer + prepared, 0, position + 1 - prepared);
    prepared = position + 1;
  };
  if (run.write_buffer) {
    if (!send_header(*run.socket, CommandHeader{CMD_DDR_WRITE, size, 0, start}, run.idle_ms)) {
      note_link_failure(outcome, Message::SendHeaderFailed, TransferStep::WriteHeader);
      port.show_message(Message::SendHeaderFailed);
    } else if (!send_chunks(*run.socket, run.write_buffer, size, 0, write_progress, run.idle_ms)) {
      return fail(Message::TcpFailed, TransferStep::WriteData);
    }
  }
  bool received = false;
  if (run.read_buffer) {
    outcome.unexpected_bytes += discard_pending(*run.socket);
    if (!send_header(*run.socket, CommandHeader{CMD_DDR_READ, size, 0, start}, run.idle_ms)) {
      note_link_failure(outcome, Message::SendHeaderFailed, TransferStep::ReadHeader);
      port.show_message(Message::SendHeaderFailed);
    } else if (!receive_chunks(*run.socket, run.read_buffer, size, size, progress, run.cancel, run.idle_ms)) {
      return fail(Message::WriteReceiveFailed, TransferStep::ReadData);
    } else {
      received = true;
      outcome.unexpected_bytes += discard_pending(*run.socket);
    }
  }
  if (!run.write_buffer || !run.read_buffer) {
    port.stop_timer();
    port.show_message(Message::CannotCompare);
    port.stop_timer();
    outcome.result = DdrResult::CannotCompare;
    outcome.message = Message::CannotCompare;
    outcome.failed_step = TransferStep::Compare;
    return outcome;
  }
  if (!received || std::memcmp(run.write_buffer, run.read_buffer, size) != 0) {
    // Data that came back after every step went through is a memory fault.
    if (received && outcome.failed_step == TransferStep::None) {
      outcome.result = DdrResult::Mismatch;
      outcome.message = Message::CompareFailed;
      outcome.failed_step = TransferStep::Compare;
      outcome.mismatch = compare_ddr_data(run.write_buffer, run.read_buffer, size, start);
    }
    return fail(Message::CompareFailed, TransferStep::Compare);
  }
  port.report_progress(3 * size - 1);
  port.stop_timer();
  port.show_message(Message::DdrSuccess);
  port.stop_timer();
  if (outcome.failed_step == TransferStep::None) outcome.message = Message::DdrSuccess;
  return outcome;
}

}  // namespace vandok
