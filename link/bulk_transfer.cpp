#include "link/bulk_transfer.h"

#include <algorithm>
#include <cstring>

namespace vandok {

namespace {
void report(const ProgressFn& progress, std::uint32_t position) {
  if (progress) progress(position);
}
}  // namespace

bool send_all(net::Socket s, const std::uint8_t* buf, std::size_t len) {
  while (len > 0) {
    const long n = net::send_some(s, buf, len);
    if (n < 0) return false;
    buf += n;
    len -= static_cast<std::size_t>(n);
  }
  return true;
}

bool send_header(net::Socket s, const CommandHeader& header) {
  const HeaderBytes bytes = encode_header(header);
  return send_all(s, bytes.data(), bytes.size());
}

bool send_chunks(net::Socket s, const std::uint8_t* data, std::uint32_t size, std::uint32_t base,
                 const ProgressFn& progress) {
  std::uint32_t remaining = size;
  std::uint32_t offset = 0;
  for (;;) {
    const bool last = remaining <= CHUNK_SIZE;
    const std::uint32_t chunk = last ? remaining : CHUNK_SIZE;
    if (!send_all(s, data + offset, chunk)) return false;
    offset += chunk;
    report(progress, base + offset - 1);
    if (last) return true;
    remaining -= CHUNK_SIZE;
  }
}

bool send_padded_chunks(net::Socket s, ImageSource& image, std::uint32_t size, std::uint8_t* chunk_buffer,
                        const ProgressFn& progress) {
  std::uint32_t remaining = size;
  std::uint32_t chunks = 0;
  report(progress, 0);
  for (;;) {
    const bool last = remaining <= CHUNK_SIZE;
    const std::size_t want = last ? remaining : CHUNK_SIZE;
    const std::size_t got = image.read(chunk_buffer, want);
    // A file that shrank under us is padded rather than sending stale bytes.
    std::memset(chunk_buffer + got, 0xFF, CHUNK_SIZE - got);
    if (!send_all(s, chunk_buffer, CHUNK_SIZE)) return false;
    ++chunks;
    if (last) return true;
    report(progress, chunks * CHUNK_SIZE - 1);
    remaining -= CHUNK_SIZE;
  }
}

bool receive_chunks(net::Socket s, std::uint8_t* buf, std::uint32_t size, std::uint32_t base,
                    const ProgressFn& progress, const std::atomic<bool>* cancel) {
  std::uint32_t remaining = size;
  std::uint32_t offset = 0;
  for (;;) {
    const bool last = remaining <= CHUNK_SIZE;
    const std::uint32_t chunk = last ? remaining : CHUNK_SIZE;
    for (;;) {
      if (cancel && cancel->load()) return false;
      const net::Wait w = net::wait_readable(s, kReceiveWaitMs);
      if (w == net::Wait::Ready) break;
      if (w == net::Wait::Failed) return false;
    }
    if (receive_all(s, buf + offset, static_cast<std::int32_t>(chunk)) != static_cast<std::int32_t>(chunk))
      return false;
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
