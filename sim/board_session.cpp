#include "sim/board_session.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <utility>

#include "link/sha256.h"

namespace vandok::sim {

namespace {

constexpr std::uint8_t kExtraByte = 0xA5;

const char* stream_status(StreamEnd end) {
  switch (end) {
    case StreamEnd::Stalled: return "stalled";
    case StreamEnd::Stopped: return "stopped";
    case StreamEnd::Failed: return "net_error";
    default: return "closed";
  }
}

SessionEnd stream_session_end(StreamEnd end) {
  switch (end) {
    case StreamEnd::Stalled: return SessionEnd::Stalled;
    case StreamEnd::Stopped: return SessionEnd::Stopped;
    case StreamEnd::Failed: return SessionEnd::Failed;
    default: return SessionEnd::PeerClosed;
  }
}

// SHA-256 of a command's data, or nothing when digests are off.
class DataDigest {
 public:
  explicit DataDigest(bool on) : on_(on) {}
  void update(const std::uint8_t* data, std::size_t len) {
    if (on_) sha_.update(data, len);
  }
  std::string hex() { return on_ ? sha_.finish_hex() : std::string(); }

 private:
  bool on_;
  Sha256 sha_;
};

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

}  // namespace

const char* session_end_name(SessionEnd end) {
  switch (end) {
    case SessionEnd::PeerClosed: return "closed";
    case SessionEnd::BadInput: return "bad_input";
    case SessionEnd::Fault: return "fault";
    case SessionEnd::Stalled: return "stalled";
    case SessionEnd::Stopped: return "stopped";
    case SessionEnd::Failed: return "error";
  }
  return "error";
}

BoardSession::BoardSession(ByteStream& stream, BoardState& state, CommandLog& log, SessionConfig config)
    : stream_(stream), state_(state), log_(log), config_(std::move(config)), chunk_(CHUNK_SIZE) {}

SessionEnd BoardSession::run() {
  for (;;) {
    HeaderBytes bytes{};
    const std::size_t got = read_full(stream_, bytes.data(), bytes.size());
    if (got < bytes.size()) {
      if (got > 0) log_.event("truncated_header", "bytes", std::to_string(got));
      return stream_session_end(stream_.end());
    }
    const CommandHeader h = decode_header(bytes.data());
    std::optional<SessionEnd> end;
    switch (h.command) {
      case CMD_FLASH_IMAGE: end = flash_image(h); break;
      case CMD_DDR_READ: end = ddr_read(h); break;
      case CMD_DDR_WRITE: end = ddr_write(h); break;
      case CMD_REGISTER_WRITE: end = register_write(h); break;
      default: end = reject(h, "bad_command"); break;
    }
    if (end) return *end;
  }
}

SessionEnd BoardSession::reject(const CommandHeader& h, const char* status) {
  CommandRecord record;
  record.header = h;
  record.sha256 = DataDigest(config_.digest).hex();
  record.status = status;
  log_.command(record);
  return SessionEnd::BadInput;
}

SessionEnd BoardSession::cut_short(CommandRecord& record) {
  record.status = stream_status(stream_.end());
  log_.command(record);
  return stream_session_end(stream_.end());
}

std::optional<SessionEnd> BoardSession::flash_image(const CommandHeader& h) {
  if (h.address != FLASH_IMAGE_ADDRESS) return reject(h, "bad_address");
  File out;
  bool file_ok = true;
  if (!config_.flash_out.empty()) {
    out.reset(std::fopen(config_.flash_out.c_str(), "wb"));
    file_ok = out != nullptr;
  }
  CommandRecord record;
  record.header = h;
  DataDigest sha(config_.digest);
  bool padding_ok = true;
  const std::uint64_t chunks = std::max<std::uint64_t>(1, (std::uint64_t{h.length} + CHUNK_SIZE - 1) / CHUNK_SIZE);
  for (std::uint64_t i = 0; i < chunks; ++i) {
    const std::size_t got = read_full(stream_, chunk_.data(), CHUNK_SIZE);
    const std::uint64_t image_left = h.length - record.data_bytes;
    const std::size_t image_part = static_cast<std::size_t>(std::min<std::uint64_t>(image_left, got));
    // Padding follows the image in the last chunk and must be erased-flash 0xFF.
    padding_ok = padding_ok && std::all_of(chunk_.begin() + static_cast<std::ptrdiff_t>(image_part),
                                           chunk_.begin() + static_cast<std::ptrdiff_t>(got),
                                           [](std::uint8_t b) { return b == 0xFF; });
    sha.update(chunk_.data(), image_part);
    if (out && std::fwrite(chunk_.data(), 1, image_part, out.get()) != image_part) file_ok = false;
    record.data_bytes += image_part;
    if (got < CHUNK_SIZE) {
      record.sha256 = sha.hex();
      record.padding_ok = false;
      return cut_short(record);
    }
  }
  if (out && std::fflush(out.get()) != 0) file_ok = false;
  record.sha256 = sha.hex();
  record.padding_ok = padding_ok;
  record.status = !file_ok ? "io_error" : padding_ok ? "ok" : "bad_padding";
  log_.command(record);
  return std::nullopt;
}

std::optional<SessionEnd> BoardSession::ddr_read(const CommandHeader& h) {
  if (!DdrMemory::in_range(h.address, h.length)) return reject(h, "bad_range");
  CommandRecord record;
  record.header = h;
  DataDigest sha(config_.digest);
  if (config_.faults.silent_read) {
    record.sha256 = sha.hex();
    record.status = "fault_silent";
    log_.command(record);
    stream_.hold();
    return SessionEnd::Fault;
  }
  const std::uint32_t to_send = config_.faults.close_mid_read ? h.length / 2 : h.length;
  const std::uint32_t middle = h.length / 2;
  std::uint32_t done = 0;
  while (done < to_send) {
    const std::uint32_t n = std::min<std::uint32_t>(to_send - done, CHUNK_SIZE);
    state_.ddr.read(h.address + done, chunk_.data(), n);
    if (config_.faults.corrupt_read && middle >= done && middle < done + n) chunk_[middle - done] ^= 0x01;
    const std::size_t sent = write_full(stream_, chunk_.data(), n);
    sha.update(chunk_.data(), sent);
    record.data_bytes += sent;
    done += n;
    if (sent < n) {
      record.sha256 = sha.hex();
      return cut_short(record);
    }
  }
  record.sha256 = sha.hex();
  if (config_.faults.close_mid_read) {
    record.status = "fault_closed";
    log_.command(record);
    return SessionEnd::Fault;
  }
  if (config_.faults.extra_read_bytes > 0) {
    std::uint64_t extra = 0;
    std::fill(chunk_.begin(), chunk_.end(), kExtraByte);
    while (extra < config_.faults.extra_read_bytes) {
      const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(config_.faults.extra_read_bytes - extra, CHUNK_SIZE));
      const std::size_t sent = write_full(stream_, chunk_.data(), n);
      extra += sent;
      if (sent < n) break;
    }
    record.extra_bytes = extra;
    if (extra < config_.faults.extra_read_bytes) return cut_short(record);
  }
  log_.command(record);
  return std::nullopt;
}

std::optional<SessionEnd> BoardSession::ddr_write(const CommandHeader& h) {
  if (!DdrMemory::in_range(h.address, h.length)) return reject(h, "bad_range");
  CommandRecord record;
  record.header = h;
  DataDigest sha(config_.digest);
  std::uint32_t done = 0;
  while (done < h.length) {
    const std::uint32_t n = std::min<std::uint32_t>(h.length - done, CHUNK_SIZE);
    const std::size_t got = read_full(stream_, chunk_.data(), n);
    // What arrived is kept even when the rest never comes, as on the board.
    state_.ddr.write(h.address + done, chunk_.data(), got);
    sha.update(chunk_.data(), got);
    record.data_bytes += got;
    done += n;
    if (got < n) {
      record.sha256 = sha.hex();
      return cut_short(record);
    }
  }
  record.sha256 = sha.hex();
  log_.command(record);
  return std::nullopt;
}

std::optional<SessionEnd> BoardSession::register_write(const CommandHeader& h) {
  // Nothing follows this header, so a length would leave the stream out of step.
  if (h.length != 0) return reject(h, "bad_length");
  state_.registers[h.address] = h.value;
  CommandRecord record;
  record.header = h;
  record.sha256 = DataDigest(config_.digest).hex();
  log_.command(record);
  return std::nullopt;
}

}  // namespace vandok::sim
