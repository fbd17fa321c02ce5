// What a transfer worker (DDR test, flash image) needs of its front end; all
// calls come from the worker's thread.
#pragma once

#include <atomic>
#include <cstdint>

#include "link/message.h"

namespace vandok {

class TransferPort {
 public:
  virtual ~TransferPort() = default;
  virtual void report_progress(std::uint32_t position) = 0;
  virtual void stop_timer() = 0;
  // Shows a message and returns once the user has closed it.
  virtual void show_message(Message message) = 0;
};

// A failed run's end: its box, then the timer stops. A failure caused by the
// window closing is nobody's news: no box then. Returns true when closing.
inline bool end_with_failure(TransferPort& port, Message message, const std::atomic<bool>* cancel) {
  const bool closing = cancel && cancel->load();
  if (!closing) port.show_message(message);
  port.stop_timer();
  return closing;
}

}  // namespace vandok
