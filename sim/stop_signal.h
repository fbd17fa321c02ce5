// A one-way "shut down" flag that blocking waits can include in their poll
// set; request() is async-signal-safe so SIGINT/SIGTERM handlers may call it.
#pragma once

#include <atomic>

namespace vandok::sim {

class StopSignal {
 public:
  StopSignal();
  ~StopSignal();
  StopSignal(const StopSignal&) = delete;
  StopSignal& operator=(const StopSignal&) = delete;

  bool valid() const { return pipe_[0] >= 0; }
  void request();
  bool requested() const { return flag_.load(); }
  // Becomes readable, and stays so, once stop is requested.
  int fd() const { return pipe_[0]; }

 private:
  std::atomic<bool> flag_{false};
  int pipe_[2] = {-1, -1};
};

}  // namespace vandok::sim
