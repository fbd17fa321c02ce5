// The terminal progress bar: share done, throughput, elapsed and projected total time.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>

namespace vandok::cli {

// One line of the bar, e.g.
//   "write 1/3 [#######.............]  35%   11.2 MiB/s  00:02 / ~00:06"
// The projected total is elapsed x total / done; "--:--" until something is done.
std::string progress_line(const std::string& label, std::uint64_t done, std::uint64_t total, double seconds);

// "MM:SS" as the window shows times, with hours in front once there are any.
std::string format_duration(double seconds);

// Draws progress_line over itself on out, at most ten times a second; draws
// nothing when disabled (standard output is not a terminal).
class ProgressBar {
 public:
  ProgressBar(bool enabled, std::FILE* out, std::uint64_t total);
  void update(const std::string& label, std::uint64_t done);
  // Wipes the bar so that what follows starts on a clean line.
  void clear();
  double seconds() const;

 private:
  bool enabled_;
  std::FILE* out_;
  std::uint64_t total_;
  std::chrono::steady_clock::time_point started_;
  std::chrono::steady_clock::time_point drawn_{};
  std::size_t drawn_width_ = 0;
};

}  // namespace vandok::cli
