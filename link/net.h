// Thin socket layer: the only place that knows whether sockets are Winsock or POSIX.
// Everything above it speaks in these calls and never includes a platform header.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vandok::net {

// A socket handle wide enough for both SOCKET (UINT_PTR) and a POSIX descriptor.
using Socket = std::intptr_t;
inline constexpr Socket kInvalidSocket = -1;

// Result of a readiness wait.
enum class Wait { Ready, TimedOut, Failed };

// Process-wide start and stop (WSAStartup 2.0 / WSACleanup; nothing on POSIX).
bool startup();
void cleanup();

// A new blocking IPv4 TCP stream socket, or kInvalidSocket. Nagle is off: a command
// header goes out at once instead of waiting for the board to acknowledge the data
// before it (a delayed acknowledgement can hold it for tens of milliseconds).
Socket open_stream();
void close(Socket s);
// Shuts both directions so that a thread blocked in send/recv/select returns.
void shutdown_both(Socket s);

// One send/recv call; returns the platform's count, or -1 on an error.
long send_some(Socket s, const void* data, std::size_t len);
long recv_some(Socket s, void* buf, std::size_t len);

// Waits until s is readable; timeout in milliseconds.
Wait wait_readable(Socket s, int timeout_ms);

// What the two *_within calls return when nothing moved within the time.
inline constexpr long kTimedOut = -2;
// One send that waits at most timeout_ms for room: bytes sent (> 0), -1 on
// an error, or kTimedOut.
long send_within(Socket s, const void* data, std::size_t len, int timeout_ms);
// One receive that waits at most timeout_ms for data: bytes received (> 0),
// 0 at the end of the stream, -1 on an error, or kTimedOut.
long recv_within(Socket s, void* buf, std::size_t len, int timeout_ms);

// The far end as seen without waiting: still open, gone (closed, reset, or
// shut down here), or open with bytes waiting that nobody asked for.
enum class Peer { Open, Gone, BytesWaiting };
Peer peer_state(Socket s);

// Waits until the far end has taken every byte sent on s (the send queue is
// empty). Stuck: the queue did not shrink for idle_ms. Lost: the connection
// was reset, or shut down here, before the far end took it all. Unknown: the
// platform cannot tell.
enum class Drain { Done, Stuck, Lost, Unknown };
Drain wait_sent(Socket s, int idle_ms);
// Stuck or Lost: the far end did not take everything, a failed send.
inline bool not_taken(Drain d) { return d == Drain::Stuck || d == Drain::Lost; }

// Why a connection was not made; Connected when it was.
enum class ConnectResult { Connected, Refused, TimedOut, Unreachable, Failed };

// Connects s to an IPv4 address (host byte order) within timeout_ms; the
// socket is back in blocking mode afterwards.
ConnectResult connect_ipv4_result(Socket s, std::uint32_t address, std::uint16_t port, int timeout_ms);
// The same, true when accepted.
bool connect_ipv4(Socket s, std::uint32_t address, std::uint16_t port, int timeout_ms);
// "connected", "refused", "timed out", "unreachable", "failed"
const char* connect_result_text(ConnectResult result);

// Parses dotted-decimal text; false when it is not an IPv4 address.
bool parse_ipv4(const char* text, std::uint32_t& address);
// Dotted-decimal text of an address in host byte order.
void format_ipv4(std::uint32_t address, char (&text)[16]);

}  // namespace vandok::net
