// Command headers and chunked bulk data over the board socket.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>

#include "link/command.h"
#include "link/net.h"

namespace vandok {

// Receives each new progress-bar position.
using ProgressFn = std::function<void(std::uint32_t position)>;

// Delivers the next bytes of a flash image; returns how many it delivered.
class ImageSource {
 public:
  virtual ~ImageSource() = default;
  virtual std::size_t read(std::uint8_t* into, std::size_t count) = 0;
};

// Milliseconds of one wait for a DDR read chunk.
inline constexpr int kReceiveWaitMs = 3000;
// Milliseconds a transfer step waits for the board to move a byte before it
// fails: a board this long silent is not coming back.
inline constexpr int kIdleLimitMs = 30000;

// Sends every byte of buf, continuing partial sends; false on an error or
// when the board takes nothing for idle_ms.
bool send_all(net::Socket s, const std::uint8_t* buf, std::size_t len, int idle_ms = kIdleLimitMs);

// One header of 16 bytes; false on a socket error, when the board takes
// nothing for idle_ms (the connection is then shut down: part of the header
// may have gone), or at once when the board has already closed or reset it.
bool send_header(net::Socket s, const CommandHeader& header, int idle_ms = kIdleLimitMs);

// The data of CMD_DDR_WRITE in chunks of at most CHUNK_SIZE bytes, in place.
// After each chunk reports base + bytes sent - 1.
bool send_chunks(net::Socket s, const std::uint8_t* data, std::uint32_t size, std::uint32_t base,
                 const ProgressFn& progress, int idle_ms = kIdleLimitMs);

enum class ImageSend { Sent, SendFailed, ReadFailed };

// The data of CMD_FLASH_IMAGE as whole CHUNK_SIZE chunks through chunk_buffer
// (CHUNK_SIZE bytes), the last padded with 0xFF; an empty image is one chunk of
// 0xFF. Reports 0 first, then chunks sent x CHUNK_SIZE - 1 after every chunk but the last.
// A chunk that reads short of the size announced is never sent: the image
// goes whole or not at all (ReadFailed).
ImageSend send_padded_chunks(net::Socket s, ImageSource& image, std::uint32_t size, std::uint8_t* chunk_buffer,
                             const ProgressFn& progress, int idle_ms = kIdleLimitMs);

// The data of CMD_DDR_READ: exactly size bytes into buf, awaited in rounds of
// kReceiveWaitMs. Ends with failure when the board closes or errs, when a wait
// fails (the socket was closed), when cancel is set, or after idle_ms without
// a byte.
bool receive_chunks(net::Socket s, std::uint8_t* buf, std::uint32_t size, std::uint32_t base,
                    const ProgressFn& progress, const std::atomic<bool>* cancel, int idle_ms = kIdleLimitMs);

// Drops bytes the board sent beyond what was asked of it, so that they are not
// taken for the answer to the next read. Returns how many were dropped.
std::size_t discard_pending(net::Socket s);

// Receives count bytes: returns count, or what arrived before the board closed,
// or -1 on a socket error.
std::int32_t receive_all(net::Socket s, std::uint8_t* buf, std::int32_t count);

}  // namespace vandok
