#include "sim/board_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "sim/shaped_stream.h"
#include "sim/socket_stream.h"

namespace vandok::sim {

BoardServer::BoardServer(const Options& options, CommandLog& log, const StopSignal& stop)
    : options_(options), log_(log), stop_(stop) {
  if (options_.preallocate_size > 0) state_.ddr.preallocate(options_.preallocate_start, options_.preallocate_size);
}

BoardServer::~BoardServer() {
  if (listen_fd_ >= 0) ::close(listen_fd_);
}

bool BoardServer::listen(std::string& error) {
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(options_.port);
  if (::inet_pton(AF_INET, options_.listen_address.c_str(), &addr.sin_addr) != 1) {
    error = "not an IPv4 address: " + options_.listen_address;
    return false;
  }
  listen_fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (listen_fd_ < 0) {
    error = std::string("socket: ") + std::strerror(errno);
    return false;
  }
  const int one = 1;
  ::setsockopt(listen_fd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  if (::bind(listen_fd_, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0 ||
      ::listen(listen_fd_, 4) != 0) {
    error = options_.listen_address + ":" + std::to_string(options_.port) + ": " + std::strerror(errno);
    return false;
  }
  socklen_t len = sizeof addr;
  if (::getsockname(listen_fd_, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
    error = std::string("getsockname: ") + std::strerror(errno);
    return false;
  }
  port_ = ntohs(addr.sin_port);
  return true;
}

void BoardServer::serve() {
  std::uint64_t served = 0;
  while (!stop_.requested() && (options_.max_connections == 0 || served < options_.max_connections)) {
    pollfd fds[2] = {{listen_fd_, POLLIN, 0}, {stop_.fd(), POLLIN, 0}};
    if (::poll(fds, 2, -1) < 0) {
      if (errno == EINTR) continue;
      log_.event("error", "reason", std::string("poll: ") + std::strerror(errno));
      return;
    }
    if (fds[1].revents & POLLIN) return;
    sockaddr_in peer{};
    socklen_t len = sizeof peer;
    const int fd = ::accept4(listen_fd_, reinterpret_cast<sockaddr*>(&peer), &len, SOCK_CLOEXEC);
    if (fd < 0) {
      if (errno == EINTR || errno == ECONNABORTED || errno == EAGAIN) continue;  // the peer gave up
      // Out of descriptors or memory: wait a little rather than spin on a ready socket.
      log_.event("error", "reason", std::string("accept: ") + std::strerror(errno));
      pollfd wait_stop{stop_.fd(), POLLIN, 0};
      ::poll(&wait_stop, 1, 100);
      continue;
    }
    ++served;
    char text[INET_ADDRSTRLEN] = {};
    ::inet_ntop(AF_INET, &peer.sin_addr, text, sizeof text);
    log_.event("connect", "peer", std::string(text) + ":" + std::to_string(ntohs(peer.sin_port)));
    serve_connection(fd);
    ::close(fd);
  }
}

void BoardServer::serve_connection(int fd) {
  if (options_.close_on_accept) {
    log_.event("disconnect", "reason", "fault_close_on_accept");
    return;
  }
  const int one = 1;
  ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  SocketStream socket(fd, stop_);
  ShapedStream shaped(socket, options_.shape);
  BoardSession session(shaped, state_, log_, {options_.faults, options_.flash_out, options_.digest});
  const SessionEnd end = session.run();
  log_.event("disconnect", "reason", session_end_name(end));
}

}  // namespace vandok::sim
