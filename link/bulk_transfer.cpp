#include "link/bulk_transfer.h"

#include <algorithm>
#include <chrono>
#include <cstring>

namespace vandok {

namespace {
void report(const ProgressFn& progress, std::uint32_t position) {
  if (progress) progress(position);
}
}  // namespace

bool send_all(net::Socket s, const std::uint8_t* buf, std::size_t len, int idle_ms) {
  while (len > 0) {
    const long n = net::send_within(s, buf, len, idle_ms);
    if (n <= 0) return false;  // an error, or the board took nothing for idle_ms
    buf += n;
    len -= static_cast<std::size_t>(n);
  }
  return true;
}

bool send_header(net::Socket s, const CommandHeader& header, int idle_ms) {
  // A connection the board closed still takes a send or two; the command
  // would vanish without a word.
  if (net::peer_state(s) == net::Peer::Gone) return false;
  const HeaderBytes bytes = encode_header(header);
  if (send_all(s, bytes.data(), bytes.size(), idle_ms)) return true;
  // Part of the header may have gone out, and the board would read the next
  // command out of step: the connection goes.
  net::shutdown_both(s);
  return false;
}

bool send_chunks(net::Socket s, const std::uint8_t* data, std::uint32_t size, std::uint32_t base,
                 const ProgressFn& progress, int idle_ms) {
  std::uint32_t remaining = size;
  std::uint32_t offset = 0;
  for (;;) {
    const bool last = remaining <= CHUNK_SIZE;
    const std::uint32_t chunk = last ? remaining : CHUNK_SIZE;
    if (!send_all(s, data + offset, chunk, idle_ms)) return false;
    offset += chunk;
    report(progress, base + offset - 1);
    if (last) return true;
    remaining -= CHUNK_SIZE;
  }
}

ImageSend send_padded_chunks(net::Socket s, ImageSource& image, std::uint32_t size, std::uint8_t* chunk_buffer,
                             const ProgressFn& progress, int idle_ms) {
  std::uint32_t remaining = size;
  std::uint32_t chunks = 0;
  report(progress, 0);
  for (;;) {
    const bool last = remaining <= CHUNK_SIZE;
    const std::size_t want = last ? remaining : CHUNK_SIZE;
    // A file that shrank or failed under us ends the image here: padding it
    // would flash a corrupt image as if it were whole.
    if (image.read(chunk_buffer, want) != want) return ImageSend::ReadFailed;
    std::memset(chunk_buffer + want, 0xFF, CHUNK_SIZE - want);
    if (!send_all(s, chunk_buffer, CHUNK_SIZE, idle_ms)) return ImageSend::SendFailed;
    ++chunks;
    if (last) return ImageSend::Sent;
    report(progress, chunks * CHUNK_SIZE - 1);
    remaining -= CHUNK_SIZE;
  }
}

bool receive_chunks(net::Socket s, std::uint8_t* buf, std::uint32_t size, std::uint32_t base,
                    const ProgressFn& progress, const std::atomic<bool>* cancel, int idle_ms) {
  using Clock = std::chrono::steady_clock;
  std::uint32_t remaining = size;
  std::uint32_t offset = 0;
  auto last_byte = Clock::now();
  for (;;) {
    const bool last = remaining <= CHUNK_SIZE;
    const std::uint32_t chunk = last ? remaining : CHUNK_SIZE;
    for (std::uint32_t got = 0; got < chunk;) {
      if (cancel && cancel->load()) return false;
      const auto silent = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - last_byte).count();
      if (silent >= idle_ms) return false;
      const int round = static_cast<int>(std::min<long long>(kReceiveWaitMs, idle_ms - silent));
      const long n = net::recv_within(s, buf + offset + got, chunk - got, round);
      if (n == net::kTimedOut) continue;
      if (n <= 0) return false;  // closed by the board, or an error
      got += static_cast<std::uint32_t>(n);
      last_byte = Clock::now();
    }
    offset += chunk;
    report(progress, base + offset - 1);
    if (last) return true;
    remaining -= CHUNK_SIZE;
  }
}

std::size_t discard_pending(net::Socket s) {
  std::size_t dropped = 0;
  std::uint8_t scratch[4096];
  while (net::wait_readable(s, 0) == net::Wait::Ready) {
    const long n = net::recv_some(s, scratch, sizeof scratch);
    if (n <= 0) break;  // closed or failed: the read that follows reports it
    dropped += static_cast<std::size_t>(n);
  }
  return dropped;
}

std::int32_t receive_all(net::Socket s, std::uint8_t* buf, std::int32_t count) {
  std::int32_t left = count;
  while (left > 0) {
    const long n = net::recv_some(s, buf, static_cast<std::size_t>(left));
    if (n < 0) return -1;
    if (n == 0) return count - left;
    buf += n;
    left -= static_cast<std::int32_t>(n);
  }
  return count;
}

}  // namespace vandok
