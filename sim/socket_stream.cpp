#include "sim/socket_stream.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>

#include <cerrno>
#include <ctime>

namespace vandok::sim {

SocketStream::SocketStream(int fd, const StopSignal& stop) : fd_(fd), stop_(stop) {
  const int flags = ::fcntl(fd_, F_GETFL);
  if (flags < 0 || ::fcntl(fd_, F_SETFL, flags | O_NONBLOCK) < 0) end_ = StreamEnd::Failed;
}

void SocketStream::fail_from_errno() {
  end_ = (errno == ECONNRESET || errno == EPIPE || errno == ETIMEDOUT) ? StreamEnd::Closed : StreamEnd::Failed;
}

bool SocketStream::wait(short events) {
  for (;;) {
    pollfd fds[2] = {{fd_, events, 0}, {stop_.fd(), POLLIN, 0}};
    const int r = ::poll(fds, 2, -1);
    if (r < 0) {
      if (errno == EINTR) continue;
      end_ = StreamEnd::Failed;
      return false;
    }
    if (stop_.requested() || (fds[1].revents & POLLIN)) {
      end_ = StreamEnd::Stopped;
      return false;
    }
    if (fds[0].revents != 0) return true;  // ready, or an error the next call reports
  }
}

std::size_t SocketStream::read_some(std::uint8_t* into, std::size_t count) {
  while (end_ == StreamEnd::Open) {
    const ssize_t n = ::recv(fd_, into, count, 0);
    if (n > 0) return static_cast<std::size_t>(n);
    if (n == 0) {
      end_ = StreamEnd::Closed;
    } else if (errno == EAGAIN || errno == EWOULDBLOCK) {
      wait(POLLIN);
    } else if (errno != EINTR) {
      fail_from_errno();
    }
  }
  return 0;
}

std::size_t SocketStream::write_some(const std::uint8_t* data, std::size_t count) {
  while (end_ == StreamEnd::Open) {
    const ssize_t n = ::send(fd_, data, count, MSG_NOSIGNAL);
    if (n > 0) return static_cast<std::size_t>(n);
    if (n == 0)
      end_ = StreamEnd::Closed;
    else if (errno == EAGAIN || errno == EWOULDBLOCK)
      wait(POLLOUT);
    else if (errno != EINTR)
      fail_from_errno();
  }
  return 0;
}

void SocketStream::hold() {
  // Only a hang-up ends the hold: bytes the peer sends meanwhile stay unread.
  while (end_ == StreamEnd::Open) {
    if (!wait(POLLRDHUP)) return;
    end_ = StreamEnd::Closed;
  }
}

bool SocketStream::pause(std::chrono::nanoseconds d) {
  const auto secs = std::chrono::duration_cast<std::chrono::seconds>(d);
  const timespec timeout{static_cast<time_t>(secs.count()), static_cast<long>((d - secs).count())};
  pollfd fd{stop_.fd(), POLLIN, 0};
  const int r = ::ppoll(&fd, 1, &timeout, nullptr);
  if (r > 0 || stop_.requested()) {
    end_ = StreamEnd::Stopped;
    return false;
  }
  return true;
}

}  // namespace vandok::sim
