#include "pages/common/board_link.h"

namespace vandok {

bool BoardLink::replace(const std::atomic<bool>& closing) {
  std::lock_guard<std::mutex> lock(lock_);
  if (closing.load()) return false;
  net::close(socket_);
  socket_ = net::open_stream();
  return socket_ != net::kInvalidSocket;
}

void BoardLink::shut_down() {
  std::lock_guard<std::mutex> lock(lock_);
  net::shutdown_both(socket_);
  net::close(socket_);
  shut_ = true;
}

void BoardLink::close() {
  std::lock_guard<std::mutex> lock(lock_);
  if (!shut_) net::close(socket_);
  socket_ = net::kInvalidSocket;
}

}  // namespace vandok
