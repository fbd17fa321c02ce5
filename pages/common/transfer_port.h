// What a transfer worker (DDR test, flash image) needs of its front end; all
// calls come from the worker's thread.
#pragma once

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

}  // namespace vandok
