// The progress line, as curl and pv draw it: on standard error, as wide as the
// terminal, redrawn on a timer so that the elapsed time keeps counting while
// the board is silent.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <string>
#include <thread>

namespace vandok::cli {

// "512 B", "48.0 KiB", "1.50 MiB", "2.00 GiB"
std::string format_bytes(double bytes);
// Below a minute "850 ms", "2.35 s"; then "MM:SS" as the window shows times,
// with hours in front once there are any.
std::string format_seconds(double seconds);
// "MM:SS" (or "H:MM:SS").
std::string format_duration(double seconds);
// "2.00 MiB in 1.31 s (1.53 MiB/s)"; the rate is left out under a millisecond.
std::string transfer_figures(std::uint64_t bytes, double seconds);

// One line of at most width - 1 columns, e.g.
//   "write 1/3 [#####.......]  35%  transferred 1.40 MiB of 4.00 MiB  11.2 MiB/s  elapsed 00:02  left ~00:04"
// On a narrow terminal the time left, the rate and then the byte counts give
// way before the bar shrinks.
std::string progress_line(const std::string& label, std::uint64_t done, std::uint64_t total, double seconds,
                          int width);

// The terminal's width in columns (standard error's), or 80 when it cannot tell.
int terminal_columns();

// Draws progress_line over itself on out, from a timer thread, four times a
// second; draws nothing when disabled.
class ProgressBar {
 public:
  ProgressBar(bool enabled, std::FILE* out, std::uint64_t total);
  ~ProgressBar();
  ProgressBar(const ProgressBar&) = delete;
  ProgressBar& operator=(const ProgressBar&) = delete;

  void update(const std::string& label, std::uint64_t done);
  // Stops the timer and wipes the line, so that what follows starts clean.
  void clear();
  double seconds() const;

 private:
  void draw();  // with mutex_ held
  void run();

  bool enabled_;
  std::FILE* out_;
  std::uint64_t total_;
  std::chrono::steady_clock::time_point started_;
  std::mutex mutex_;
  std::condition_variable wake_;
  bool stopping_ = false;
  std::string label_;
  std::uint64_t done_ = 0;
  std::size_t drawn_width_ = 0;
  std::thread timer_;
};

}  // namespace vandok::cli
