#include "sim/stop_signal.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace vandok::sim {

StopSignal::StopSignal() {
  if (::pipe2(pipe_, O_CLOEXEC | O_NONBLOCK) != 0) pipe_[0] = pipe_[1] = -1;
}

StopSignal::~StopSignal() {
  if (pipe_[0] >= 0) ::close(pipe_[0]);
  if (pipe_[1] >= 0) ::close(pipe_[1]);
}

void StopSignal::request() {
  const int saved = errno;
  flag_.store(true);
  if (pipe_[1] >= 0) {
    const char byte = 1;
    // A full pipe is already readable, which is all that matters.
    if (::write(pipe_[1], &byte, 1) < 0) {
    }
  }
  errno = saved;
}

}  // namespace vandok::sim
