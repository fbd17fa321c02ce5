// POSIX sockets behind the thin socket layer.
#include "link/net.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <linux/sockios.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <chrono>
#include <thread>

namespace vandok::net {

bool startup() { return true; }
void cleanup() {}

Socket open_stream() {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return kInvalidSocket;
  const int one = 1;
  ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  return fd;
}

void close(Socket s) {
  if (s != kInvalidSocket) ::close(static_cast<int>(s));
}

void shutdown_both(Socket s) {
  if (s != kInvalidSocket) ::shutdown(static_cast<int>(s), SHUT_RDWR);
}

long send_some(Socket s, const void* data, std::size_t len) {
  for (;;) {
    const ssize_t n = ::send(static_cast<int>(s), data, len, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    return static_cast<long>(n);
  }
}

long recv_some(Socket s, void* buf, std::size_t len) {
  for (;;) {
    const ssize_t n = ::recv(static_cast<int>(s), buf, len, 0);
    if (n < 0 && errno == EINTR) continue;
    return static_cast<long>(n);
  }
}

Wait wait_readable(Socket s, int timeout_ms) {
  if (s == kInvalidSocket) return Wait::Failed;
  pollfd p{static_cast<int>(s), POLLIN, 0};
  const int r = ::poll(&p, 1, timeout_ms);
  if (r < 0) return errno == EINTR ? Wait::TimedOut : Wait::Failed;
  if (r == 0) return Wait::TimedOut;
  if (p.revents & POLLNVAL) return Wait::Failed;
  return Wait::Ready;  // data, end of stream or error: recv tells which
}

namespace {

// Waits for events on s; false when the time ran out or the wait failed.
bool await(Socket s, short events, int timeout_ms) {
  pollfd p{static_cast<int>(s), events, 0};
  int r;
  do {
    r = ::poll(&p, 1, timeout_ms);
  } while (r < 0 && errno == EINTR);
  return r == 1 && (p.revents & POLLNVAL) == 0;
}

bool would_block() { return errno == EAGAIN || errno == EWOULDBLOCK; }

}  // namespace

long send_within(Socket s, const void* data, std::size_t len, int timeout_ms) {
  const int fd = static_cast<int>(s);
  for (int attempt = 0; attempt < 2; ++attempt) {
    ssize_t n;
    do {
      n = ::send(fd, data, len, MSG_NOSIGNAL | MSG_DONTWAIT);
    } while (n < 0 && errno == EINTR);
    if (n >= 0) return static_cast<long>(n);
    if (!would_block()) return -1;
    if (attempt == 0 && !await(s, POLLOUT, timeout_ms)) return kTimedOut;
  }
  return kTimedOut;
}

long recv_within(Socket s, void* buf, std::size_t len, int timeout_ms) {
  const int fd = static_cast<int>(s);
  for (int attempt = 0; attempt < 2; ++attempt) {
    ssize_t n;
    do {
      n = ::recv(fd, buf, len, MSG_DONTWAIT);
    } while (n < 0 && errno == EINTR);
    if (n >= 0) return static_cast<long>(n);
    if (!would_block()) return -1;
    if (attempt == 0 && !await(s, POLLIN, timeout_ms)) return kTimedOut;
  }
  return kTimedOut;
}

Peer peer_state(Socket s) {
  if (s == kInvalidSocket) return Peer::Gone;
  char byte;
  ssize_t n;
  do {
    n = ::recv(static_cast<int>(s), &byte, 1, MSG_PEEK | MSG_DONTWAIT);
  } while (n < 0 && errno == EINTR);
  if (n > 0) return Peer::BytesWaiting;
  if (n < 0 && would_block()) return Peer::Open;
  return Peer::Gone;
}

Drain wait_sent(Socket s, int idle_ms) {
  using Clock = std::chrono::steady_clock;
  const int fd = static_cast<int>(s);
  int last = INT_MAX;
  auto moved = Clock::now();
  for (;;) {
    tcp_info info{};
    socklen_t len = sizeof info;
    int queued = 0;
    if (::getsockopt(fd, IPPROTO_TCP, TCP_INFO, &info, &len) != 0 || ::ioctl(fd, SIOCOUTQ, &queued) != 0)
      return Drain::Unknown;
    if (queued == 0) return Drain::Done;
    // A reset, or our own shutdown (a cancel), leaves the queue's count as it
    // was: nothing will take the rest, and waiting would only reach the idle limit.
    if (info.tcpi_state != TCP_ESTABLISHED && info.tcpi_state != TCP_CLOSE_WAIT) return Drain::Lost;
    if (queued < last) {
      moved = Clock::now();
    } else if (Clock::now() - moved >= std::chrono::milliseconds(idle_ms)) {
      return Drain::Stuck;
    }
    last = queued;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
}

namespace {

ConnectResult connect_error(int err) {
  switch (err) {
    case 0: return ConnectResult::Connected;
    case ECONNREFUSED: return ConnectResult::Refused;
    case ETIMEDOUT: return ConnectResult::TimedOut;
    case EHOSTUNREACH:
    case ENETUNREACH:
    case EHOSTDOWN:
    case ENETDOWN: return ConnectResult::Unreachable;
    default: return ConnectResult::Failed;
  }
}

}  // namespace

ConnectResult connect_ipv4_result(Socket s, std::uint32_t address, std::uint16_t port, int timeout_ms) {
  const int fd = static_cast<int>(s);
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_port = htons(port);
  to.sin_addr.s_addr = htonl(address);
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags < 0 || ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) < 0) return ConnectResult::Failed;
  ConnectResult result = ConnectResult::Failed;
  if (::connect(fd, reinterpret_cast<const sockaddr*>(&to), sizeof to) == 0) {
    result = ConnectResult::Connected;
  } else if (errno != EINPROGRESS) {
    result = connect_error(errno);
  } else {
    pollfd p{fd, POLLOUT, 0};
    const int ready = ::poll(&p, 1, timeout_ms);
    if (ready == 0) {
      result = ConnectResult::TimedOut;
    } else if (ready == 1) {
      int err = 0;
      socklen_t len = sizeof err;
      if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len) == 0) result = connect_error(err);
    }
  }
  ::fcntl(fd, F_SETFL, flags);
  return result;
}

}  // namespace vandok::net
