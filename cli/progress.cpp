#include "cli/progress.h"

#include <algorithm>
#include <vector>

#include "pages/common/elapsed_time.h"

namespace vandok::cli {

namespace {
constexpr auto kRedrawEvery = std::chrono::milliseconds(250);
constexpr int kMinBar = 10;
}  // namespace

std::string format_bytes(double bytes) {
  char text[32];
  if (bytes < 1024) {
    std::snprintf(text, sizeof text, "%.0f B", bytes);
  } else if (bytes < 1024.0 * 1024) {
    std::snprintf(text, sizeof text, "%.1f KiB", bytes / 1024);
  } else if (bytes < 1024.0 * 1024 * 1024) {
    std::snprintf(text, sizeof text, "%.2f MiB", bytes / (1024.0 * 1024));
  } else {
    std::snprintf(text, sizeof text, "%.2f GiB", bytes / (1024.0 * 1024 * 1024));
  }
  return text;
}

std::string format_duration(double seconds) {
  const std::int64_t whole = seconds < 0 ? 0 : static_cast<std::int64_t>(seconds);
  const std::string minutes_seconds = format_minutes_seconds(whole);
  return whole >= 3600 ? std::to_string(whole / 3600) + ":" + minutes_seconds : minutes_seconds;
}

std::string format_seconds(double seconds) {
  char text[32];
  if (seconds < 1.0) {
    std::snprintf(text, sizeof text, "%.0f ms", seconds < 0 ? 0.0 : seconds * 1000);
  } else if (seconds < 60.0) {
    std::snprintf(text, sizeof text, "%.2f s", seconds);
  } else {
    return format_duration(seconds);
  }
  return text;
}

std::string transfer_figures(std::uint64_t bytes, double seconds) {
  std::string text = format_bytes(static_cast<double>(bytes)) + " in " + format_seconds(seconds);
  if (seconds >= 0.001) text += " (" + format_bytes(static_cast<double>(bytes) / seconds) + "/s)";
  return text;
}

std::string progress_line(const std::string& label, std::uint64_t done, std::uint64_t total, double seconds,
                          int width) {
  done = std::min(done, total);
  const double share = total == 0 ? 1.0 : static_cast<double>(done) / static_cast<double>(total);
  char percent[8];
  std::snprintf(percent, sizeof percent, "%3d%%", static_cast<int>(share * 100));
  // Figures, most wanted first; the later ones go when the line is short of room.
  std::vector<std::string> figures{
      std::string(percent),
      "elapsed " + format_duration(seconds),
      "transferred " + format_bytes(static_cast<double>(done)) + " of " + format_bytes(static_cast<double>(total)),
      done == 0 || seconds <= 0.0 ? std::string("-- B/s")
                                  : format_bytes(static_cast<double>(done) / seconds) + "/s",
      done == 0 || seconds <= 0.0 ? std::string("left --:--") : "left ~" + format_duration(seconds / share - seconds),
  };
  const int room = std::max(width - 1, 1);
  for (std::size_t keep = figures.size(); keep > 0; --keep) {
    // Shown in reading order: percent, transferred, rate, elapsed, left.
    std::string tail;
    for (std::size_t i : {0u, 2u, 3u, 1u, 4u})
      if (i < keep) tail += "  " + figures[i];
    const int bar = room - static_cast<int>(label.size() + 3 + tail.size());
    if (bar < kMinBar && keep > 1) continue;
    const int cells = std::max(bar, kMinBar);
    const int filled = static_cast<int>(share * cells);
    std::string line = label + " [" + std::string(static_cast<std::size_t>(filled), '#') +
                       std::string(static_cast<std::size_t>(cells - filled), '.') + "]" + tail;
    if (static_cast<int>(line.size()) > room) line.resize(static_cast<std::size_t>(room));
    return line;
  }
  return label;
}

ProgressBar::ProgressBar(bool enabled, std::FILE* out, std::uint64_t total)
    : enabled_(enabled), out_(out), total_(total), started_(std::chrono::steady_clock::now()) {
  if (enabled_) timer_ = std::thread([this] { run(); });
}

ProgressBar::~ProgressBar() { clear(); }

double ProgressBar::seconds() const {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - started_).count();
}

void ProgressBar::update(const std::string& label, std::uint64_t done) {
  if (!enabled_) return;
  std::lock_guard<std::mutex> lock(mutex_);
  // A new phase, and the end, are shown at once; the timer draws the rest.
  const bool now = label != label_ || (done >= total_ && done_ < total_);
  label_ = label;
  done_ = done;
  if (now && !stopping_) draw();
}

void ProgressBar::draw() {
  const std::string line = progress_line(label_, done_, total_, seconds(), terminal_columns());
  // Pads over a longer line drawn before.
  const std::size_t pad = drawn_width_ > line.size() ? drawn_width_ - line.size() : 0;
  std::fprintf(out_, "\r%s%*s", line.c_str(), static_cast<int>(pad), "");
  std::fflush(out_);
  drawn_width_ = line.size();
}

void ProgressBar::run() {
  std::unique_lock<std::mutex> lock(mutex_);
  while (!stopping_) {
    if (!label_.empty()) draw();
    wake_.wait_for(lock, kRedrawEvery, [this] { return stopping_; });
  }
}

void ProgressBar::clear() {
  if (!enabled_) return;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (stopping_) return;
    stopping_ = true;
  }
  wake_.notify_all();
  timer_.join();
  if (drawn_width_ == 0) return;
  std::fprintf(out_, "\r%*s\r", static_cast<int>(drawn_width_), "");
  std::fflush(out_);
  drawn_width_ = 0;
}

}  // namespace vandok::cli
