// Windows Sockets 2 behind the thin socket layer.
#include "link/net.h"

#include <winsock2.h>
#include <ws2tcpip.h>


namespace vandok::net {

namespace {
SOCKET native(Socket s) { return static_cast<SOCKET>(s); }
}  // namespace

bool startup() {
  WSADATA data;
  return WSAStartup(MAKEWORD(2, 0), &data) == 0;
}

void cleanup() { WSACleanup(); }

Socket open_stream() {
  const SOCKET s = ::socket(AF_INET, SOCK_STREAM, 0);
  if (s == INVALID_SOCKET) return kInvalidSocket;
  const BOOL one = TRUE;
  ::setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&one), sizeof one);
  return static_cast<Socket>(s);
}

void close(Socket s) {
  if (s != kInvalidSocket) ::closesocket(native(s));
}

void shutdown_both(Socket s) {
  if (s != kInvalidSocket) ::shutdown(native(s), SD_BOTH);
}

namespace {

// timeout_ms < 0: wait for ever.
long send_waiting(Socket s, const void* data, std::size_t len, int timeout_ms) {
  // Waits for room in select rather than inside send: a closesocket from
  // another thread (the window closing) ends a select at once, whereas under
  // Wine a send blocked inside the call stays blocked while the peer reads
  // nothing. The socket is blocking again on return.
  u_long nonblocking = 1;
  if (::ioctlsocket(native(s), FIONBIO, &nonblocking) != 0) return -1;
  long result = -1;
  for (bool waited = false;;) {
    const int n = ::send(native(s), static_cast<const char*>(data), static_cast<int>(len), 0);
    if (n != SOCKET_ERROR) {
      result = n;
      break;
    }
    if (::WSAGetLastError() != WSAEWOULDBLOCK) break;
    if (waited) {
      result = kTimedOut;
      break;
    }
    fd_set writable;
    FD_ZERO(&writable);
    FD_SET(native(s), &writable);
    timeval t{timeout_ms / 1000, (timeout_ms % 1000) * 1000};
    const int r = ::select(0, nullptr, &writable, nullptr, timeout_ms < 0 ? nullptr : &t);
    if (r == SOCKET_ERROR) break;
    // Timed out: one last try, then give up.
    waited = r == 0;
  }
  u_long blocking = 0;
  ::ioctlsocket(native(s), FIONBIO, &blocking);
  return result;
}

}  // namespace

long send_some(Socket s, const void* data, std::size_t len) { return send_waiting(s, data, len, -1); }

long send_within(Socket s, const void* data, std::size_t len, int timeout_ms) {
  return send_waiting(s, data, len, timeout_ms < 0 ? 0 : timeout_ms);
}

long recv_within(Socket s, void* buf, std::size_t len, int timeout_ms) {
  const Wait w = wait_readable(s, timeout_ms);
  if (w == Wait::TimedOut) return kTimedOut;
  if (w == Wait::Failed) return -1;
  return recv_some(s, buf, len);
}

// Winsock tells what is in flight (SIO_TCP_INFO) but not what still waits in
// the send buffer behind a closed window, so the end cannot be confirmed; a
// reset that has already arrived can be seen.
Drain wait_sent(Socket s, int) {
  if (wait_readable(s, 0) != Wait::Ready) return Drain::Unknown;
  char byte;
  const int n = ::recv(native(s), &byte, 1, MSG_PEEK);
  return n < 0 && WSAGetLastError() == WSAECONNRESET ? Drain::Lost : Drain::Unknown;
}

Peer peer_state(Socket s) {
  if (s == kInvalidSocket) return Peer::Gone;
  const Wait w = wait_readable(s, 0);
  if (w == Wait::TimedOut) return Peer::Open;
  if (w == Wait::Failed) return Peer::Gone;
  char byte;
  const int n = ::recv(native(s), &byte, 1, MSG_PEEK);
  return n > 0 ? Peer::BytesWaiting : Peer::Gone;
}

long recv_some(Socket s, void* buf, std::size_t len) {
  const int n = ::recv(native(s), static_cast<char*>(buf), static_cast<int>(len), 0);
  return n == SOCKET_ERROR ? -1 : n;
}

Wait wait_readable(Socket s, int timeout_ms) {
  if (s == kInvalidSocket) return Wait::Failed;
  fd_set readable;
  FD_ZERO(&readable);
  FD_SET(native(s), &readable);
  timeval t{timeout_ms / 1000, (timeout_ms % 1000) * 1000};
  const int r = ::select(static_cast<int>(native(s) + 1), &readable, nullptr, nullptr, &t);
  if (r == SOCKET_ERROR) return Wait::Failed;
  return r == 1 ? Wait::Ready : Wait::TimedOut;
}

namespace {

ConnectResult connect_error(int err) {
  switch (err) {
    case 0: return ConnectResult::Connected;
    case WSAECONNREFUSED: return ConnectResult::Refused;
    case WSAETIMEDOUT: return ConnectResult::TimedOut;
    case WSAEHOSTUNREACH:
    case WSAENETUNREACH:
    case WSAEHOSTDOWN:
    case WSAENETDOWN: return ConnectResult::Unreachable;
    default: return ConnectResult::Failed;
  }
}

}  // namespace

ConnectResult connect_ipv4_result(Socket s, std::uint32_t address, std::uint16_t port, int timeout_ms) {
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_port = htons(port);
  to.sin_addr.s_addr = htonl(address);
  u_long nonblocking = 1;
  if (::ioctlsocket(native(s), FIONBIO, &nonblocking) != 0) return ConnectResult::Failed;
  ConnectResult result = ConnectResult::Failed;
  if (::connect(native(s), reinterpret_cast<const sockaddr*>(&to), sizeof to) == 0) {
    result = ConnectResult::Connected;
  } else if (const int err = WSAGetLastError(); err != WSAEWOULDBLOCK) {
    result = connect_error(err);
  } else {
    fd_set writable, failed;
    FD_ZERO(&writable);
    FD_ZERO(&failed);
    FD_SET(native(s), &writable);
    FD_SET(native(s), &failed);
    timeval t{timeout_ms / 1000, (timeout_ms % 1000) * 1000};
    const int ready = ::select(0, nullptr, &writable, &failed, &t);
    if (ready == 0) {
      result = ConnectResult::TimedOut;
    } else if (ready > 0) {
      // A refused connection shows in the failed set; SO_ERROR says why either way.
      int so_error = 0;
      int len = sizeof so_error;
      if (::getsockopt(native(s), SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&so_error), &len) == 0)
        result = connect_error(so_error);
    }
  }
  u_long blocking = 0;
  ::ioctlsocket(native(s), FIONBIO, &blocking);
  return result;
}

}  // namespace vandok::net
